/* A GenICam module planted where VisionAccess must never look for one: it
 * says so on standard error the moment it is loaded. */
#include <stdio.h>

__attribute__((constructor)) static void announce(void)
{
    fputs("planted module loaded\n", stderr);
}
