// VisionAccess on the open SDK, on this machine: no USB3 Vision device (and
// here no USB bus at all) is no camera, quietly.
#include "ToolHarness.h"

namespace {

using U3vTool = ToolTest;

TEST_F(U3vTool, NoDeviceIsNoCamera)
{
    setEnv("LD_LIBRARY_PATH", U3V_SDK_DIR);
    setEnv("QRV_U3V_TRACE", path("u3v-trace"));
    ToolRun result = run({"-r", "60018"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kStamp + "    No cameras found !!\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(readFile("trace"), "") << "the simulator was not loaded";
    EXPECT_EQ(readFile("u3v-trace").rfind("QrVGetNumberCamerasEx(info=NULL capacity=0) -> status=0x00000000 count=0 ", 0),
              0u)
        << readFile("u3v-trace");
}

} // namespace
