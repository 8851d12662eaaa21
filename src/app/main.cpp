#include "app/entry.h"
#include "platform/memory.h"

int main(int argc, char** argv)
{
    // The heap settings reach every thread only when they are made before the first one starts.
    qel::platform::KeepHeapCompact();
    return qel::app::RunProgram(argc, argv);
}
