// The camera SDK, loaded with dlopen and its calls found with dlsym.
#include "SdkLoader.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>

const char *const kSdkLibrary = "libQrVApi.so";

SdkCalls sdk;

// Looks up one call; false, with the loader's reason, when it is missing.
template <typename Function>
static bool findCall(void *library, const char *name, Function *call, char *reason, size_t size)
{
    dlerror();
    *call = reinterpret_cast<Function>(dlsym(library, name));
    if (*call != NULL)
        return true;
    const char *why = dlerror();
    snprintf(reason, size, "%s", why != NULL ? why : "missing");
    return false;
}

bool loadSdk(char *reason, size_t size)
{
    // The call comes from the program itself, so its RUNPATH is searched,
    // as for a library it was linked with.  Bound lazily, as the linker
    // binds the program's own: binding every symbol of the SDK at once was
    // a fifth of the start-up.
    void *library = dlopen(kSdkLibrary, RTLD_LAZY | RTLD_LOCAL);
    if (library == NULL) {
        const char *why = dlerror();
        snprintf(reason, size, "%s", why != NULL ? why : "cannot be loaded");
        return false;
    }
    SdkCalls calls = {};
    if (!findCall(library, "QrVGetNumberCamerasEx", &calls.GetNumberCamerasEx, reason, size) ||
        !findCall(library, "QrVInitializeEx", &calls.InitializeEx, reason, size) ||
        !findCall(library, "QrVUninitialize", &calls.Uninitialize, reason, size) ||
        !findCall(library, "QrVPrivateCmd", &calls.PrivateCmd, reason, size)) {
        dlclose(library);
        return false;
    }
    calls.ReadMemory = reinterpret_cast<QrVReadMemoryFunction>(dlsym(library, "QrVReadMemory"));
    calls.WriteMemory = reinterpret_cast<QrVWriteMemoryFunction>(dlsym(library, "QrVWriteMemory"));
    sdk = calls;
    return true;
}

bool loadedSdkPath(char *path, size_t size)
{
    Dl_info info;
    if (sdk.GetNumberCamerasEx == NULL ||
        dladdr(reinterpret_cast<void *>(sdk.GetNumberCamerasEx), &info) == 0 || info.dli_fname == NULL)
        return false;
    // The loader keeps the name as it found it, relative to the current
    // folder when LD_LIBRARY_PATH holds a relative one.
    char *absolute = realpath(info.dli_fname, NULL);
    snprintf(path, size, "%s", absolute != NULL ? absolute : info.dli_fname);
    free(absolute);
    return true;
}
