// The usage text, printed on standard output.
#ifndef USAGE_H
#define USAGE_H

// The usage text of the standard options, for --help and after a rejected
// command line; argv[0] names the program in it.
void usage(char **argv);

// --help: the options added to the usage text above, under their own heading.
void usageOfAddedOptions();

#endif
