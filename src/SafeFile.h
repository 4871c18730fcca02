// Files the tool writes for the user into a folder that others may share
// (-x): never through a link planted at the name, never half-written.
#ifndef SAFEFILE_H
#define SAFEFILE_H

#include <limits.h>
#include <stddef.h>
#include <stdint.h>

// Writes size bytes as the file name in folder, whole or not at all: into a
// new file of its own in the folder (created, never opened through a link,
// with mode 0666 less the umask), then renamed over name, which replaces a
// link there rather than following it.  True, or false with the reason (the
// system's text for the error) in reason; no file of its own is then left.
bool writeFileAtomically(const char *folder, const char *name, const void *bytes, size_t size, char *reason,
                         size_t reasonSize);

// The path of a camera's file in a folder: "<folder>/<camera number><extension>".
struct CameraFilePath {
    char text[PATH_MAX + 32];
};

// Writes a camera's file, folder/<camera number><extension> (the number
// unsigned as the SDK gives it), as writeFileAtomically does; path receives
// the file's path as the lines print it.
bool writeCameraFile(const char *folder, uint32_t cameraNumber, const char *extension, const void *bytes,
                     size_t size, CameraFilePath *path, char *reason, size_t reasonSize);

#endif
