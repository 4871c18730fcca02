// A test's way out where the build or the machine lacks a part it needs:
// one line naming what is missing and how to get it, in the test's output and
// in the build's list of skips (SKIP_LOG), which CTest prints at the end of a
// run.  Under CI, where everything must run, a failure instead.
#ifndef SKIP_H
#define SKIP_H

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include <gtest/gtest.h>

// Whether this run must run every test: CI is set and not empty.
inline bool everyTestMustRun()
{
    const char *ci = getenv("CI");
    return ci != nullptr && ci[0] != '\0';
}

// Adds "<test>: <line>" to the build's list of skips, where there is one.
inline void recordSkip(const std::string &line)
{
#ifdef SKIP_LOG
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    std::string entry = std::string(test->test_suite_name()) + "." + test->name() + ": " + line + "\n";
    if (FILE *log = fopen(SKIP_LOG, "a")) {
        fputs(entry.c_str(), log);
        fclose(log);
    }
#else
    (void)line;
#endif
}

// Skips the test, or fails it under CI, unless present; missing says what is
// missing, how how to get it.
#define SKIP_UNLESS(present, missing, how)                                                      \
    do {                                                                                        \
        if (!(present)) {                                                                       \
            if (everyTestMustRun())                                                             \
                FAIL() << (missing) << " (" << (how) << "); CI is set, so this test must run";  \
            recordSkip(std::string(missing) + "; " + (how));                                    \
            GTEST_SKIP() << (missing) << "; " << (how);                                         \
        }                                                                                       \
    } while (0)

// The GenICam module's absence, in the words of SKIP_UNLESS.
#define GENICAM_MODULE_MISSING "needs the GenICam module, not built (pugixml, minizip, zlib or libmd missing)"
#define GENICAM_MODULE_HOW                                                                       \
    "install with: sudo apt-get install libpugixml-dev libminizip-dev zlib1g-dev libmd-dev pkg-config, " \
    "then build again"

#endif
