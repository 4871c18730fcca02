// Finding and loading the GenICam module (ModuleLoader.h).
#include "ModuleLoader.h"

#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

namespace {

const VaGenicamModule *sModule = NULL;
const char *sNoModule = "";  // why the module could not be loaded
char sNoModuleText[2 * PATH_MAX];

// The folder of the running program, as the kernel resolved it: absolute,
// with no link in it.
bool programFolder(char *folder, size_t size)
{
    ssize_t length = readlink("/proc/self/exe", folder, size - 1);
    if (length <= 0)
        return false;
    folder[length] = '\0';
    char *slash = strrchr(folder, '/');
    if (slash == NULL)
        return false;
    *slash = '\0';
    return true;
}

// Writes folder/relative into path, each leading "../" of relative taking
// the last part off folder (which holds no link, so that is its parent).
void joinPath(const char *folder, const char *relative, char *path, size_t size)
{
    snprintf(path, size, "%s", folder);
    while (strncmp(relative, "../", 3) == 0) {
        char *slash = strrchr(path, '/');
        if (slash != NULL)
            *slash = '\0';
        relative += 3;
    }
    size_t length = strlen(path);
    snprintf(path + length, size - length, "/%s", relative);
}

// The one file the module is loaded from: for the build tree's tool (its
// folder is the build folder it was built in), the module of that build
// tree; for any other, the installed module beside the tool's folder.  So
// a build tree never loads a module from outside itself, such as a
// lib/visionaccess that another user made beside a build in /tmp.
bool modulePath(char *path, size_t size, bool *inBuildTree)
{
    char folder[PATH_MAX];
    if (!programFolder(folder, sizeof folder))
        return false;
    *inBuildTree = strcmp(folder, VISIONACCESS_BUILD_FOLDER) == 0;
    char moduleFolder[PATH_MAX];
    joinPath(folder, *inBuildTree ? GENICAM_MODULE_IN_BUILD_TREE : GENICAM_MODULE_FROM_PROGRAM, moduleFolder,
             sizeof moduleFolder);
    snprintf(path, size, "%s/%s", moduleFolder, VA_GENICAM_MODULE_FILE);
    return true;
}

// Loads the module from its one place (modulePath), never by a bare name.
bool loadModule()
{
    char path[PATH_MAX + 64];
    bool inBuildTree = false;
    if (!modulePath(path, sizeof path, &inBuildTree)) {
        snprintf(sNoModuleText, sizeof sNoModuleText, "the GenICam module cannot be found: %s", strerror(errno));
        return false;
    }
    void *library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        // The loader's reason, less the path it begins with.
        const char *why = dlerror();
        size_t pathLength = strlen(path);
        if (why == NULL)
            why = "unknown reason";
        else if (strncmp(why, path, pathLength) == 0 && strncmp(why + pathLength, ": ", 2) == 0)
            why += pathLength + 2;
        snprintf(sNoModuleText, sizeof sNoModuleText, "the GenICam module cannot be loaded from %s%s (%s)",
                 inBuildTree ? "the build tree's " : "", path, why);
        return false;
    }
    VaGenicamEntry entry = (VaGenicamEntry)dlsym(library, VA_GENICAM_ENTRY);
    const VaGenicamModule *module = entry != NULL ? entry() : NULL;
    if (module == NULL || module->version != VA_GENICAM_VERSION) {
        snprintf(sNoModuleText, sizeof sNoModuleText, "the GenICam module %s is of another version",
                 VA_GENICAM_MODULE_FILE);
        dlclose(library);
        return false;
    }
    sModule = module;
    return true;
}

} // namespace

const VaGenicamModule *genicamModule(const char **reason)
{
    if (sModule == NULL && sNoModule[0] == '\0' && !loadModule())
        sNoModule = sNoModuleText;  // tried once in the run: the same answer from now on
    *reason = sNoModule;
    return sModule;
}
