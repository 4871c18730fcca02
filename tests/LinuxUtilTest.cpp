#include "LinuxUtil.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// Puts a descriptor (or nothing, for -1) in place of standard input for the
// lifetime of the object.
class StandardInput {
public:
    explicit StandardInput(int fd) : saved_(dup(0))
    {
        if (fd >= 0)
            dup2(fd, 0);
        else
            close(0);
    }
    ~StandardInput()
    {
        dup2(saved_, 0);
        close(saved_);
    }

private:
    int saved_;
};

TEST(Kbhit, SeesPendingInputWithoutConsumingIt)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    {
        StandardInput in(ends[0]);
        EXPECT_EQ(kbhit(), 0) << "empty pipe";
        ASSERT_EQ(write(ends[1], "x\n", 2), 2);
        EXPECT_EQ(kbhit(), 1) << "a line pending";
        EXPECT_EQ(kbhit(), 1) << "the line stays unread";
        char line[2];
        ASSERT_EQ(read(0, line, 2), 2);
        EXPECT_EQ(kbhit(), 0) << "line read";
        close(ends[1]);
        EXPECT_EQ(kbhit(), 1) << "end of file counts as pending";
    }
    close(ends[0]);
}

TEST(Kbhit, ReportsNothingWhenStandardInputIsClosed)
{
    StandardInput in(-1);
    EXPECT_EQ(kbhit(), 0);
}

TEST(Kbhit, EmptyFileIsPending)
{
    int empty = open("/dev/null", O_RDONLY);
    ASSERT_GE(empty, 0);
    {
        StandardInput in(empty);
        EXPECT_EQ(kbhit(), 1);
    }
    close(empty);
}

// Only the terminal the process runs in the foreground of is flushed (the
// tool's own test on a terminal shows that); a pipe, or a terminal of which
// this process is not the foreground, keeps its line for whoever reads next.
TEST(DiscardPendingTerminalInput, LeavesOtherInputAlone)
{
    int pipeEnds[2], terminal, other;
    ASSERT_EQ(pipe(pipeEnds), 0);
    ASSERT_EQ(openpty(&terminal, &other, nullptr, nullptr, nullptr), 0);
    const struct {
        const char *name;
        int writeEnd, readEnd;
    } cases[] = {{"pipe", pipeEnds[1], pipeEnds[0]}, {"terminal of another session", terminal, other}};
    for (const auto &c : cases) {
        ASSERT_EQ(write(c.writeEnd, "x\n", 2), 2);
        struct pollfd ready = {c.readEnd, POLLIN, 0};
        ASSERT_EQ(poll(&ready, 1, 5000), 1) << c.name;
        StandardInput in(c.readEnd);
        discardPendingTerminalInput();
        char line[2];
        EXPECT_EQ(read(0, line, sizeof line), 2) << c.name;
    }
    for (int fd : {pipeEnds[0], pipeEnds[1], terminal, other})
        close(fd);
}

TEST(TimeInMilliseconds, FollowsTheWallClock)
{
    struct timeval before, after;
    gettimeofday(&before, nullptr);
    int64_t now = timeInMilliseconds();
    gettimeofday(&after, nullptr);
    EXPECT_GE(now, (int64_t)before.tv_sec * 1000 + before.tv_usec / 1000);
    EXPECT_LE(now, (int64_t)after.tv_sec * 1000 + after.tv_usec / 1000);
}

TEST(FormatElapsed, SplitsSecondsIntoHoursMinutesSeconds)
{
    const struct {
        int64_t seconds;
        const char *text;
    } cases[] = {
        {0, "00:00:00"},      {59, "00:00:59"},         {60, "00:01:00"},    {3599, "00:59:59"},
        {3725, "01:02:05"},   {86400, "24:00:00"},       {360000, "100:00:00"},
        {-5, "00:00:-5"},     {-65, "00:-1:-5"},         {-3725, "-1:-2:-5"},
    };
    for (const auto &c : cases) {
        char text[48];
        formatElapsed(c.seconds, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.seconds << " s";
    }
}

TEST(SleepMilliseconds, SleepsAtLeastTheDelay)
{
    int64_t before = timeInMilliseconds();
    sleepMilliseconds(60);
    int64_t slept = timeInMilliseconds() - before;
    EXPECT_GE(slept, 59);
    EXPECT_LT(slept, 5000);
}

} // namespace
