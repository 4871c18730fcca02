// The simulated SDK called directly, as any program might call it.
#include "QrVApi.h"

#include <gtest/gtest.h>

namespace {

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

} // namespace
