// The floor of a description's load: a plain pugixml parse of a file, as
// the GenICam engine parses it, and nothing else.
//   xmlparse FILE
#include <stdio.h>

#include <pugixml.hpp>

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: xmlparse FILE\n");
        return 2;
    }
    pugi::xml_document document;
    return document.load_file(argv[1], pugi::parse_default, pugi::encoding_auto) ? 0 : 1;
}
