// The simulator's register state, called directly: the journal is read
// again only as far as another run changed it.
#include "Sim.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace {

using qrvsim::RegisterState;

class JournalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "visionaccess-state-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/registers";
        setenv("QRV_SIM_STATE", path_.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("QRV_SIM_STATE");
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    // Rewrites the journal in place behind the readers' backs, keeping its
    // size and modification time: nothing a reader checks has changed.
    void editUnseen(const std::string &text)
    {
        struct stat before;
        ASSERT_EQ(stat(path_.c_str(), &before), 0);
        std::fstream(path_, std::ios::in | std::ios::out | std::ios::binary) << text;
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(utimensat(AT_FDCWD, path_.c_str(), times, 0), 0);
    }
    uint32_t value(const RegisterState &state, uint32_t address)
    {
        uint32_t found = 0;
        EXPECT_TRUE(state.find(1, address, &found)) << std::hex << address;
        return found;
    }

    std::string dir_;
    std::string path_;
};

TEST_F(JournalTest, ReadAgainOnlyAsFarAsAnotherRunChangedIt)
{
    std::ofstream(path_) << "1 0x10 0x5\n";
    RegisterState reader;
    reader.configure();
    reader.reload();
    EXPECT_EQ(value(reader, 0x10), 5u);

    editUnseen("1 0x10 0x6\n");
    reader.reload();
    EXPECT_EQ(value(reader, 0x10), 5u) << "unchanged to all appearances: not read again";

    RegisterState other;
    other.configure();
    other.reload();
    ASSERT_TRUE(other.store(1, 0x14, 7));
    reader.reload();
    EXPECT_EQ(value(reader, 0x14), 7u) << "another run appended";
    EXPECT_EQ(value(reader, 0x10), 5u) << "only what was appended is read";

    for (uint32_t k = 0; k < 100; k++)  // enough to compact: a new file
        ASSERT_TRUE(other.store(1, 0x18, k));
    reader.reload();
    EXPECT_EQ(value(reader, 0x10), 6u) << "a replaced journal is read whole";
    EXPECT_EQ(value(reader, 0x18), 99u);
    EXPECT_EQ(reader.values(), other.values());
}

} // namespace
