// The camera SDK, libQrVApi.so, loaded at run time rather than by the
// dynamic linker at start-up, so that the tool starts (and answers --help,
// --version and a rejected command line) on a machine without any SDK.
#ifndef SDKLOADER_H
#define SDKLOADER_H

#include <stddef.h>

#include "QrVApi.h"

// The file name the SDK is looked up by, as the linker would.
extern const char *const kSdkLibrary;

// The SDK's calls: the four every SDK has, set once loadSdk succeeds, and
// the optional ones, NULL when the SDK lacks them.
struct SdkCalls {
    decltype(&QrVGetNumberCamerasEx) GetNumberCamerasEx;
    decltype(&QrVInitializeEx) InitializeEx;
    decltype(&QrVUninitialize) Uninitialize;
    decltype(&QrVPrivateCmd) PrivateCmd;
    QrVReadMemoryFunction ReadMemory;
    QrVWriteMemoryFunction WriteMemory;
};
extern SdkCalls sdk;

// Loads libQrVApi.so, found as the dynamic linker finds a library the
// program needs (LD_LIBRARY_PATH, the program's RUNPATH, the system's
// folders), and fills sdk.  Returns true on success; otherwise false, with
// the loader's reason in reason, and sdk left empty.
bool loadSdk(char *reason, size_t size);

// Writes the path of the loaded SDK's file into path.  Returns false when
// no SDK is loaded or its file cannot be told.
bool loadedSdkPath(char *path, size_t size);

#endif
