#include "FuzzFile.h"

#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>

const std::string &fuzzFolder()
{
    static std::string made = [] {
        char pattern[] = "/tmp/visionaccess-fuzz-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            perror("mkdtemp");
            abort();
        }
        return std::string(pattern);
    }();
    return made;
}

std::string writeFuzzFile(const char *name, const uint8_t *data, size_t size)
{
    std::string path = fuzzFolder() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(data), (std::streamsize)size);
    out.close();
    if (!out) {
        fprintf(stderr, "cannot write %s\n", path.c_str());
        abort();
    }
    return path;
}

std::string readFuzzFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
