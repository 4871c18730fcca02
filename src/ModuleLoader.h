// The GenICam module, found in its one place and loaded at most once in a
// run, only when the run needs it: beside the installed tool, or the build
// tree's for the build tree's tool.
#ifndef MODULELOADER_H
#define MODULELOADER_H

#include "GenicamModule.h"

// The module's calls, loaded the first time they are asked for: NULL with
// *reason (one line) when the module cannot be found or loaded, or is of
// another version; the same answer for the rest of the run.
const VaGenicamModule *genicamModule(const char **reason);

#endif
