/* The floor for the USB test's speed check: READMEM of one register, N
 * times, straight through libusb, with nothing else around it.  Prints the
 * microseconds one read takes.
 *   raw-readmem <vendor id> <product id> <address> <count>   (hexadecimal ids and address)
 * And a stopwatch for the program compared with it: runs the command with
 * its output on /dev/null and prints the microseconds it took.
 *   raw-readmem --time <command> [arguments]
 * And, for the permission check, a command run as another user:
 *   raw-readmem --as <uid> <command> [arguments] */
#include <libusb.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <grp.h>
#include <time.h>
#include <unistd.h>

/* The gadgetfs camera's control endpoints (CameraModel.cpp). */
enum { kEndpointOut = 0x01, kEndpointIn = 0x81 };

static void put16(uint8_t *b, uint16_t v) { b[0] = (uint8_t)v; b[1] = (uint8_t)(v >> 8); }

static double nowUs(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

static int timeCommand(char **argv)
{
    double start = nowUs();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execv(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    printf("%.0f\n", nowUs() - start);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

static int runAs(uid_t user, char **argv)
{
    if (setgroups(0, NULL) != 0 || setgid(user) != 0 || setuid(user) != 0) {
        perror("raw-readmem: cannot become that user");
        return 1;
    }
    execv(argv[0], argv);
    perror("raw-readmem: exec");
    return 127;
}

int main(int argc, char **argv)
{
    if (argc > 2 && strcmp(argv[1], "--time") == 0)
        return timeCommand(argv + 2);
    if (argc > 3 && strcmp(argv[1], "--as") == 0)
        return runAs((uid_t)atoi(argv[2]), argv + 3);
    if (argc != 5)
        return 2;
    uint16_t vendor = (uint16_t)strtoul(argv[1], NULL, 16), product = (uint16_t)strtoul(argv[2], NULL, 16);
    uint64_t address = strtoull(argv[3], NULL, 16);
    int count = atoi(argv[4]);
    libusb_context *context;
    if (libusb_init(&context) != 0)
        return 1;
    libusb_device_handle *handle = libusb_open_device_with_vid_pid(context, vendor, product);
    if (handle == NULL || libusb_claim_interface(handle, 0) != 0) {
        fprintf(stderr, "raw-readmem: cannot open the device\n");
        return 1;
    }
    uint8_t command[24], reply[1024];
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (int k = 0; k < count; k++) {
        memset(command, 0, sizeof command);
        command[0] = 0x55; command[1] = 0x33; command[2] = 0x56; command[3] = 0x43;
        put16(command + 4, 0x4000);
        put16(command + 6, 0x0800);
        put16(command + 8, 12);
        put16(command + 10, (uint16_t)(k % 0xFFFF + 1));
        for (int b = 0; b < 8; b++)
            command[12 + b] = (uint8_t)(address >> (8 * b));
        put16(command + 22, 4);
        int moved = 0;
        if (libusb_bulk_transfer(handle, kEndpointOut, command, sizeof command, &moved, 1000) != 0 ||
            libusb_bulk_transfer(handle, kEndpointIn, reply, sizeof reply, &moved, 1000) != 0) {
            fprintf(stderr, "raw-readmem: transfer failed\n");
            return 1;
        }
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    double us = ((end.tv_sec - start.tv_sec) * 1e6 + (end.tv_nsec - start.tv_nsec) / 1e3) / count;
    printf("%.1f\n", us);
    libusb_release_interface(handle, 0);
    libusb_close(handle);
    libusb_exit(context);
    return 0;
}
