# Writes a C++ source that holds a file's bytes and SHA-1, so the simulator
# serves its default GenICam description without reading or hashing
# anything at run time.
#   cmake -DINPUT=<file> -DOUTPUT=<source> -DNAME=<symbol prefix> -P EmbedFile.cmake
cmake_minimum_required(VERSION 3.20)
file(READ ${INPUT} hex HEX)
file(SIZE ${INPUT} size)
file(SHA1 ${INPUT} sha1)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," digest "${sha1}")
file(WRITE ${OUTPUT}.new
"// Generated from ${INPUT} by EmbedFile.cmake: do not edit.
#include <stddef.h>
#include <stdint.h>

namespace qrvsim {
extern const uint8_t ${NAME}Bytes[] = {
    ${bytes}};
extern const size_t ${NAME}Size = ${size};
extern const uint8_t ${NAME}Sha1[20] = {${digest}};
} // namespace qrvsim
")
# Rewritten only when changed, so an unchanged description rebuilds nothing.
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
