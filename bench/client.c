/* The floor for register work: a minimal client of libQrVApi.so that makes
 * the calls VisionAccess makes and prints the lines it prints, for a list of
 * -r reg and -w reg value arguments (hexadecimal), with no checks of its own.
 * Only for comparing against in bench/run. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "CameraRegisters.h"
#include "QrVApi.h"

int main(int argc, char **argv)
{
    time_t start = time(NULL);
    uint32_t *reads = malloc(sizeof *reads * (size_t)argc);
    uint32_t *writes = malloc(sizeof *writes * (size_t)argc);
    uint32_t *values = malloc(sizeof *values * (size_t)argc);
    int readCount = 0, writeCount = 0;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "-r") == 0 && i + 1 < argc) {
            reads[readCount++] = (uint32_t)strtoul(argv[++i], NULL, 16);
        } else if (strcmp(argv[i], "-w") == 0 && i + 2 < argc) {
            writes[writeCount] = (uint32_t)strtoul(argv[++i], NULL, 16);
            values[writeCount++] = (uint32_t)strtoul(argv[++i], NULL, 16);
        }
    }

    long elapsed = (long)(time(NULL) - start);
    printf("%02ld:%02ld:%02ld Camera scan ....\n", elapsed / 3600, elapsed / 60 % 60, elapsed % 60);
    uint32_t count = 0;
    if (QrVGetNumberCamerasEx(NULL, &count) < 0 || count == 0) {
        printf("    No cameras found !!\n");
        return 0;
    }
    struct _CAMERA_ID_INFO *cameras = calloc(count, sizeof *cameras);
    cameras[0].recordSize = sizeof *cameras;
    if (QrVGetNumberCamerasEx(cameras, &count) < 0)
        return 0;
    for (uint32_t k = 0; k < count; k++) {
        void *camera = NULL;
        if (QrVInitializeEx(cameras[k].cameraNumber, &camera, 0) < 0)
            continue;
        printf("    Camera %d\n", (int)cameras[k].cameraNumber);
        struct RegisterCommand command = {kWriteRegisterOpcode, 0, 0};
        for (int w = 0; w < writeCount; w++) {
            command.address = writes[w];
            command.value = values[w];
            if (QrVPrivateCmd(camera, sizeof command, &command) < 0)
                printf("        Could not write register 0x%X\n", command.address);
            else
                printf("        Register 0x%X written with value 0x%08X\n", command.address, command.value);
        }
        command.opcode = kReadRegisterOpcode;
        for (int r = 0; r < readCount; r++) {
            command.address = reads[r];
            command.value = kReadRegisterPreset;
            if (QrVPrivateCmd(camera, sizeof command, &command) < 0)
                printf("        Could not read register 0x%X\n", command.address);
            else
                printf("        Register 0x%X read as 0x%08X\n", command.address, command.value);
        }
        QrVUninitialize(camera);
    }
    free(cameras);
    return 0;
}
