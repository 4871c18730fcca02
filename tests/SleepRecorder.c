/* Preloaded into VisionAccess by the tests.  Each pause is appended to the
 * file named by SLEEP_RECORDER_LOG instead of being slept; then standard
 * input is pointed at /dev/null, whose end of file ends a continual run after
 * its next scan.  So a continual run makes exactly two scans, at once.
 *
 * With SLEEP_RECORDER_SCRIPT naming a file of lines and SLEEP_RECORDER_APPEND
 * another file, pause N appends line N of the script to that file instead
 * (the simulator's state: a camera renamed, unlocked...), and standard input
 * reaches its end at the pause that uses the script's last line: a run of
 * one scan more than the script has lines. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static int pauses = 0;

/* Appends line number (from 1) of the script to the file; 1 when it was the
 * script's last line (or there is no such line). */
static int appendScriptLine(const char *script, const char *target, int number)
{
    FILE *in = fopen(script, "r");
    if (in == NULL)
        return 1;
    char line[512];
    int at = 0, last = 1;
    while (fgets(line, sizeof line, in) != NULL) {
        if (++at < number)
            continue;
        if (at == number) {
            FILE *out = fopen(target, "a");
            if (out != NULL) {
                fputs(line, out);
                fclose(out);
            }
            continue;
        }
        last = 0;
        break;
    }
    fclose(in);
    return last;
}

int nanosleep(const struct timespec *request, struct timespec *remaining)
{
    (void)remaining;
    const char *path = getenv("SLEEP_RECORDER_LOG");
    FILE *log = path != NULL ? fopen(path, "a") : NULL;
    if (log != NULL) {
        fprintf(log, "%lld.%09ld\n", (long long)request->tv_sec, request->tv_nsec);
        fclose(log);
    }
    const char *script = getenv("SLEEP_RECORDER_SCRIPT"), *target = getenv("SLEEP_RECORDER_APPEND");
    if (script != NULL && target != NULL && !appendScriptLine(script, target, ++pauses))
        return 0;
    int endOfFile = open("/dev/null", O_RDONLY);
    if (endOfFile >= 0) {
        dup2(endOfFile, 0);
        if (endOfFile != 0)
            close(endOfFile);
    }
    return 0;
}
