// The simulated SDK called directly, as any program might call it.
#include "QrVApi.h"

#include <stdlib.h>

#include <gtest/gtest.h>

namespace {

// The simulator reads its environment at its first call: no configuration,
// no trace, and nothing kept across runs for these tests.
class SimulatorEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        unsetenv("QRV_SIM_CONFIG");
        unsetenv("QRV_SIM_TRACE");
        setenv("QRV_SIM_STATE", "off", 1);
    }
};
const ::testing::Environment *const kEnvironment = ::testing::AddGlobalTestEnvironment(new SimulatorEnvironment);

const uint32_t kFirstCamera = 21330417;

TEST(Simulator, CallsWithBadHandlesOrPointersFailWithoutCrashing)
{
    uint32_t command[3] = {43, 0x60018, 0};
    void *never = reinterpret_cast<void *>(0x5eed);
    EXPECT_LT(QrVUninitialize(never), 0);
    EXPECT_LT(QrVUninitialize(nullptr), 0);
    EXPECT_LT(QrVPrivateCmd(never, sizeof command, command), 0);
    EXPECT_LT(QrVPrivateCmd(nullptr, sizeof command, command), 0);
    EXPECT_LT(QrVGetNumberCamerasEx(nullptr, nullptr), 0);
    EXPECT_LT(QrVInitializeEx(kFirstCamera, nullptr, 0), 0);

    _CAMERA_ID_INFO unprepared = {};
    uint32_t count = 1;
    EXPECT_LT(QrVGetNumberCamerasEx(&unprepared, &count), 0) << "recordSize not set";
}

TEST(Simulator, CameraOpensOnceAndClosesOnce)
{
    void *camera = nullptr;
    void *again = nullptr;
    ASSERT_GE(QrVInitializeEx(kFirstCamera, &camera, 0), 0);
    EXPECT_LT(QrVInitializeEx(kFirstCamera, &again, 0), 0) << "already open";
    EXPECT_LT(QrVInitializeEx(12345, &again, 0), 0) << "no such camera";
    EXPECT_GE(QrVUninitialize(camera), 0);
    EXPECT_LT(QrVUninitialize(camera), 0) << "closed twice";
    uint32_t command[3] = {43, 0x60018, 0};
    EXPECT_LT(QrVPrivateCmd(camera, sizeof command, command), 0) << "used after close";
}

TEST(Simulator, PrivateCommandMustBeAKnownTwelveByteRecord)
{
    void *camera = nullptr;
    ASSERT_GE(QrVInitializeEx(kFirstCamera, &camera, 0), 0);
    uint32_t command[3] = {43, 0x60018, 0x55555555};
    EXPECT_LT(QrVPrivateCmd(camera, 8, command), 0);
    EXPECT_LT(QrVPrivateCmd(camera, sizeof command, nullptr), 0);
    command[0] = 7;
    EXPECT_LT(QrVPrivateCmd(camera, sizeof command, command), 0) << "unknown opcode";
    command[0] = 43;
    EXPECT_GE(QrVPrivateCmd(camera, sizeof command, command), 0);
    EXPECT_EQ(command[2], 1920u) << "Width";
    EXPECT_GE(QrVUninitialize(camera), 0);
}

} // namespace
