// The usage text (Usage.h).
#include "Usage.h"

#include <stdio.h>

void usage(char **argv)
{
    const char *name = argv[0];
    printf("\n"
           "Prints info on all Quorvane USB3 Vision cameras (via USB3)\n"
           "       usage: %s options \n"
           "    where options are: \n"
           "       -c           Runs continually, and must be stopped with a <ctrl>C\n"
           "       -d time      Delays time milliseconds between scans (only used\n"
           "                    with -c option\n"
           "       -r reg       For each camera found, reads the specified Vision register.\n"
           "                    Specify values in hex\n"
           "\n"
           "       -w reg value For each camera found, writes the specified Vision register.\n"
           "                    with the specified value.  Specify values in hex, unless\n"
           "                    you specify -i or -f option.\n"
           "\n"
           "       -i           All reg values are expressed in decimal (base 10) format.\n"
           "                    This applies to reads and writes.\n"
           "\n"
           "       -f           All reg values are expressed as floats.  This applies to\n"
           "                    reads and writes.\n"
           "\n"
           "       -l fileName  Log the output to fileName\n"
           " Examples:\n",
           name);
    printf("     %s -r 60018 -r 6001C \n"
           "             Displays the Vision Width and Height registers (in hex).\n"
           "\n",
           name);
    printf("     %s -c -d 5000 -i -r 60028 -r 6002C -l foundCameras.txt \n"
           "             Displays the BinningHorizontal and BinningVertical registers,\n"
           "             every 5 seconds (in decimal), and puts the output in the\n"
           "             file foundCamera.txt.\n"
           "\n",
           name);
    printf("     %s -f -w 60050 20.0 \n"
           "             Writes the AcquisitionFrameRate to 20.0 fps.\n"
           "\n",
           name);
}

void usageOfAddedOptions()
{
    printf(" Added options (each also in upper case):\n"
           "       -r and -w    Also take addresses of up to 64 bits, and GenICam feature\n"
           "                    names (Width, PixelFormat, ExposureTime), whose values are\n"
           "                    read and written in the feature's own form.\n"
           "       -v           Shows each camera's vendor, model, family, version,\n"
           "                    serial number and user-defined name.\n"
           "       -s camera    Only the cameras with this number, serial number or\n"
           "                    user-defined name; may be repeated.\n"
           "       -x folder    Saves each camera's GenICam description as\n"
           "                    folder/<camera number>.xml.\n"
           "       -g file      Uses this GenICam description (XML or ZIP) for every camera.\n"
           "       -a           Lists every feature of each camera, with its value.\n"
           "       -j           Prints every line as one JSON object (JSON Lines).\n"
           "       -o folder    Saves each camera's configuration (a GenApi persistence\n"
           "                    file) as folder/<camera number>.pfs.\n"
           "       -p file      Applies this configuration file to each camera: all or\n"
           "                    nothing, every value verified.\n"
           "       -m file      Compares each camera with this configuration file.\n"
           "       --sdk        Shows which camera SDK is loaded.\n"
           "\n");
}
