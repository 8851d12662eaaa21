#include "startup/entry.h"

int main(int argc, char** argv)
{
    return qel::startup::RunProgram(argc, argv);
}
