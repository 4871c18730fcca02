// One scan (Scan.h).
#include "Scan.h"

#include <stdint.h>
#include <stdlib.h>

#include "CameraTurn.h"
#include "ConfigurationSteps.h"
#include "ModuleCalls.h"
#include "Lines.h"
#include "SdkLoader.h"
#include "Selection.h"

bool scanCameras(const RunOptions &options, time_t startTime)
{
    printScanLine((int64_t)time(NULL) - (int64_t)startTime);
    startGenicamScan();
    startConfigurationScan();
    // Which -s values matched a camera, for this scan alone.
    SelectionList selections = options.selections;

    uint32_t count = 0;
    if (sdk.GetNumberCamerasEx(NULL, &count) < 0 || count == 0) {
        printNoCamerasLine();
        printUnmatchedSelections(selections);
        return true;
    }

    // Zeroed, so that records the SDK claims but did not fill hold no
    // leftover bytes; calloc also refuses a size that would overflow.
    _CAMERA_ID_INFO *cameras = (_CAMERA_ID_INFO *)calloc(count, sizeof(_CAMERA_ID_INFO));
    if (cameras == NULL) {
        printOutOfMemoryLine();
        return false;
    }
    cameras[0].recordSize = sizeof(_CAMERA_ID_INFO);

    uint32_t capacity = count;
    int32_t status = sdk.GetNumberCamerasEx(cameras, &count);
    if (status < 0) {
        printRecordsFailedLine(status);
        free(cameras);
        return false;
    }
    if (count > capacity)
        count = capacity;  // never walk past the records we handed over

    for (uint32_t k = 0; k < count; k++) {
        // -s: a camera that no number selects is opened only to be told by
        // its serial or name, when some -s gives one.
        bool selected = selectedByNumber(selections, cameras[k].cameraNumber);
        if (!selected && !selectionsNeedIdentity(selections))
            continue;
        void *camera = NULL;
        if (sdk.InitializeEx(cameras[k].cameraNumber, &camera, 0) < 0)
            continue;
        if (markIdentityMatches(selections, camera) || selected)
            processCamera(options, &cameras[k], camera);
        sdk.Uninitialize(camera);
    }
    free(cameras);
    printUnmatchedSelections(selections);
    return true;
}
