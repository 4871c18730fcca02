// A camera's memory as the module's port (CameraPort.h).
#include "CameraPort.h"

#include "CameraMemory.h"
#include "Progress.h"

namespace {

// A description fetched 4 bytes per SDK call is read in smaller pieces, so
// progress shows often enough.
const size_t kSlowPieceSize = 4096;

// The camera of the current turn, as the module's port sees it.
struct PortContext {
    void *camera;
    FetchProgress progress;
} sPort;

// The port's answer: 0, or -1 with the reason for a failed access.
int answer(MemoryResult result, bool write, uint64_t address, int32_t status, char *reason, size_t reasonSize)
{
    if (result == MEMORY_DONE)
        return 0;
    describeMemoryFailure(result, write, address, status, reason, reasonSize);
    return -1;
}

int portRead(void *context, uint64_t address, uint8_t *bytes, size_t size, char *reason, size_t reasonSize)
{
    int32_t status = 0;
    MemoryResult result = readCameraMemory(((PortContext *)context)->camera, address, bytes, size, &status);
    return answer(result, false, address, status, reason, reasonSize);
}

int portWrite(void *context, uint64_t address, const uint8_t *bytes, size_t size, char *reason, size_t reasonSize)
{
    int32_t status = 0;
    MemoryResult result = writeCameraMemory(((PortContext *)context)->camera, address, bytes, size, &status);
    return answer(result, true, address, status, reason, reasonSize);
}

void portProgress(void *context, uint64_t done, uint64_t total)
{
    showFetchProgress(&((PortContext *)context)->progress, done, total);
}

VaPort sVaPort = {&sPort, portRead, portWrite, 0, 0, portProgress};

} // namespace

const VaPort *cameraPort(void *camera, uint32_t number)
{
    sPort.camera = camera;
    sPort.progress.camera = number;
    sPort.progress.shown = false;
    sVaPort.reachesAbove32Bits = sdkHasMemoryCalls() ? 1 : 0;
    sVaPort.pieceSize = sdkHasMemoryCalls() ? 0 : kSlowPieceSize;
    return &sVaPort;
}

void startPortCall()
{
    startFetchProgress(&sPort.progress);
}
