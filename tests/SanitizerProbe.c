/* Built only in sanitized builds: each probe commits one fault that the
 * sanitizers must report, so a sanitized test pass that has lost its
 * sanitizers fails instead of passing quietly.
 *   SanitizerProbe out-of-bounds   one int read past a heap array
 *   SanitizerProbe signed-overflow INT_MAX + 1 */
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    if (strcmp(argv[1], "out-of-bounds") == 0) {
        volatile int length = 4;
        int *array = malloc(sizeof *array * (size_t)length);
        if (array == NULL)
            return 2;
        memset(array, 0, sizeof *array * (size_t)length);
        int past = array[length];
        free(array);
        printf("read %d past the array unreported\n", past);
        return 0;
    }
    if (strcmp(argv[1], "signed-overflow") == 0) {
        volatile int largest = INT_MAX;
        int sum = largest + 1;
        printf("overflowed to %d unreported\n", sum);
        return 0;
    }
    return 2;
}
