// A folder of its own for each test of the simulator's internals, with a
// configuration read as the simulator reads it.
#ifndef SIMFIXTURE_H
#define SIMFIXTURE_H

#include "Sim.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

class SimFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "visionaccess-sim-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    void writeFile(const std::string &name, const std::string &text) const
    {
        std::ofstream(path(name), std::ios::binary) << text;
    }
    // Reads text as the configuration file "sim.cfg"; what the simulator
    // reported goes to err.
    bool readConfig(const std::string &text, qrvsim::Config *config, std::string *err) const
    {
        writeFile("sim.cfg", text);
        ::testing::internal::CaptureStderr();
        bool accepted = qrvsim::readConfig(path("sim.cfg").c_str(), config);
        *err = ::testing::internal::GetCapturedStderr();
        return accepted;
    }

    std::string dir_;
};

#endif
