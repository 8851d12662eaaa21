// A program that runs until it is told to end, whatever its arguments: stands in for a service.

#include <unistd.h>

int main()
{
    for (;;)
        ::pause();
}
