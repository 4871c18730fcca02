// Console and clock services for VisionAccess, on plain Linux system calls.
#ifndef LINUXUTIL_H
#define LINUXUTIL_H

#include <stddef.h>
#include <stdint.h>

// Tells whether input is pending on standard input: 1 when it is (end of
// file counts), 0 when none is or the test itself fails.  Never waits,
// never reads.
int kbhit();

// Throws away the input pending on standard input when it is the terminal
// this process runs in the foreground of, so that a line typed to stop the
// program never reaches the shell; any other input (a script's pipe, a
// background run's terminal) is left as it is.
void discardPendingTerminalInput();

// Milliseconds since the epoch.
int64_t timeInMilliseconds();

// Nanoseconds on the monotonic clock, which no change of the time of day
// moves: for elapsed times.
int64_t monotonicNanoseconds();

// Writes an elapsed time in seconds as "HH:MM:SS" into text.  Hours are not
// wrapped at 24; a negative time gives negative fields ("00:00:-5").
void formatElapsed(int64_t elapsedSeconds, char *text, size_t size);

// Sleeps for the given number of milliseconds, exactly, however large.
void sleepMilliseconds(int milliseconds);

// Standard input, output and error, when the process was started with them
// closed, get a placeholder, so that no file opened later takes their place:
// input gets one on which input never arrives, outputs one on which every
// write fails.
void holdClosedStandardDescriptors();

#endif
