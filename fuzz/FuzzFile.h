// A scratch file for fuzz targets whose input is a file's contents.
#ifndef FUZZFILE_H
#define FUZZFILE_H

#include <stddef.h>
#include <stdint.h>

#include <string>

// A folder made for this process, the same for every call.
const std::string &fuzzFolder();

// A path in fuzzFolder(), holding exactly the given bytes.
std::string writeFuzzFile(const char *name, const uint8_t *data, size_t size);

// The whole contents of a file; "" when it cannot be read.
std::string readFuzzFile(const std::string &path);

#endif
