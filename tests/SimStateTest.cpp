// The simulator's register state, called directly: the journal is read
// again only as far as another run changed it.
#include "SimFixture.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace {

using qrvsim::RegisterState;

// Time that passes only when the code under test sleeps.
class FakeClock : public qrvsim::LockClock {
public:
    int64_t nowMs() override { return now; }
    void sleepMs(int64_t ms) override { now += ms; }
    int64_t now = 0;
};

// What /proc says of this process, as the simulator names a lock's holder.
std::string thisProcess()
{
    std::string name;
    std::getline(std::ifstream("/proc/self/comm"), name);
    return "process " + std::to_string(getpid()) + " (" + name + ", user " + getpwuid(getuid())->pw_name + ")";
}

class JournalTest : public SimFolder {
protected:
    void SetUp() override
    {
        SimFolder::SetUp();
        path_ = path("registers");
        setenv("QRV_SIM_STATE", path_.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("QRV_SIM_STATE");
        SimFolder::TearDown();
    }
    // Rewrites the journal in place behind the readers' backs, keeping its
    // size, and its modification time moved by laterSeconds: with 0,
    // nothing a reader checks has changed.
    void editInPlace(const std::string &text, time_t laterSeconds)
    {
        struct stat before;
        ASSERT_EQ(stat(path_.c_str(), &before), 0);
        std::fstream(path_, std::ios::in | std::ios::out | std::ios::binary) << text;
        struct timespec times[2] = {before.st_atim, before.st_mtim};
        times[1].tv_sec += laterSeconds;
        ASSERT_EQ(utimensat(AT_FDCWD, path_.c_str(), times, 0), 0);
    }
    std::string journal() const
    {
        std::ifstream file(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    uint32_t value(const RegisterState &state, uint32_t address)
    {
        uint32_t found = 0;
        EXPECT_TRUE(state.find(1, address, &found)) << std::hex << address;
        return found;
    }

    std::string path_;
};

TEST_F(JournalTest, ReadAgainOnlyAsFarAsAnotherRunChangedIt)
{
    std::ofstream(path_) << "1 0x10 0x5\n";
    RegisterState reader;
    reader.configure();
    reader.reload();
    EXPECT_EQ(value(reader, 0x10), 5u);

    editInPlace("1 0x10 0x6\n", 0);
    reader.reload();
    EXPECT_EQ(value(reader, 0x10), 5u) << "unchanged to all appearances: not read again";
    editInPlace("1 0x10 0x7\n", 1);
    reader.reload();
    EXPECT_EQ(value(reader, 0x10), 7u) << "same size, new modification time: read again";
    editInPlace("1 0x10 0x6\n", 0);

    RegisterState other;
    other.configure();
    other.reload();
    ASSERT_TRUE(other.store(1, 0x14, 7));
    reader.reload();
    EXPECT_EQ(value(reader, 0x14), 7u) << "another run appended";
    EXPECT_EQ(value(reader, 0x10), 7u) << "only what was appended is read";

    for (uint32_t k = 0; k < 100; k++)  // enough to compact: a new file
        ASSERT_TRUE(other.store(1, 0x18, k));
    reader.reload();
    EXPECT_EQ(value(reader, 0x10), 6u) << "a replaced journal is read whole";
    EXPECT_EQ(value(reader, 0x18), 99u);
    EXPECT_EQ(reader.values(), other.values());
}

// A torn last line longer than an entry is cut off by the next single
// write, which would otherwise leave the torn line's end behind it.
TEST_F(JournalTest, OneWriteCutsOffATornLineLongerThanAnEntry)
{
    const std::string kept = "1 0x10 0x5\n";
    std::ofstream(path_) << kept << "1 0x14 0x41C80000 0x41C80000 0x41C80000 0x4";
    RegisterState writer;
    writer.configure();
    ::testing::internal::CaptureStderr();
    writer.reload();
    ASSERT_TRUE(writer.store(1, 0x18, 7));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(journal(), kept + "1 0x00000018 0x00000007\n");
    RegisterState reader;
    reader.configure();
    reader.reload();
    EXPECT_TRUE(reader.usable());
    EXPECT_EQ(reader.values(), writer.values());
}

// A lock held by another for longer than the wait fails the write, says
// once who holds it, and is not waited for again until it has been had.
TEST_F(JournalTest, WriteFailsWhenTheLockIsHeldBeyondTheWait)
{
    FakeClock clock;
    RegisterState state(clock);
    state.configure();
    ASSERT_TRUE(state.store(1, 0x10, 5));
    int holder = open((path_ + ".lock").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);

    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(state.store(1, 0x10, 6));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "QrVApi simulator: " + path_ + ".lock: still locked after 10 s, by " + thisProcess() +
                  " with a write lock; register writes fail until it is released\n");
    EXPECT_EQ(clock.now, RegisterState::kLockWaitMs);

    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(state.store(1, 0x10, 7));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(clock.now, RegisterState::kLockWaitMs) << "not waited for again";

    close(holder);
    EXPECT_TRUE(state.store(1, 0x10, 8));
    RegisterState reader;
    reader.configure();
    reader.reload();
    EXPECT_EQ(value(reader, 0x10), 8u) << "only the write made once the lock was free landed";
}

} // namespace
