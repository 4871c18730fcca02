// The command line: one table of options, read into the run options.
#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include "RunOptions.h"
#include "CommandLineWords.h"

// Reads the command line into options, then carries out, in command-line
// order, what takes effect at once: -l (its notice, then the output sent to
// its file), the check of the -x and -o folders, -g (the module loaded and
// the description parsed) and -p and -m (their files read and checked).  Returns 0 when the command line is accepted; 1 with
// the reason when a word is rejected or one of those fails, whichever comes
// first on the command line.  Nothing after the rejected word takes effect;
// options then holds what was read before it, -l's output included.
int setRunOptions(int argc, char **argv, RunOptions *options, Reason *reason);

#endif
