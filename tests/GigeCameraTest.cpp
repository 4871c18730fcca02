// An open GigE Vision camera, on a camera of the test's own (GigeFakeCamera.h)
// over loopback: control taken, kept and given back; a camera another
// application controls read but not written; and what the 4-byte register
// commands and the memory calls mean for a camera of big-endian 32-bit
// words.
#include "GigeCamera.h"
#include "GigeFakeCamera.h"
#include "Status.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace {

using namespace u3v;
using namespace u3v::gige;
typedef std::vector<uint8_t> Bytes;

std::unique_ptr<GigeCamera> openOn(GigeFakeCamera &fake)
{
    int32_t status = 0;
    std::unique_ptr<GigeCamera> camera = GigeCamera::open(fake.target(), "FAKE01", 30000, &status);
    EXPECT_EQ(status, 0);
    return camera;
}

TEST(GigeCamera, ControlIsTakenOnOpenAndGivenBackOnClose)
{
    GigeFakeCamera fake;
    std::unique_ptr<GigeCamera> camera = openOn(fake);
    ASSERT_NE(camera, nullptr);
    EXPECT_TRUE(camera->inControl());
    EXPECT_NE(fake.controller(), "");
    EXPECT_EQ(fake.word(kControlPrivilege), kPrivilegeControl);
    camera.reset();
    EXPECT_EQ(fake.controller(), "");
    EXPECT_EQ(fake.word(kControlPrivilege), 0u);
    // Asked whether anyone holds it, took it, gave it back.
    EXPECT_EQ(fake.count(kReadReg, kControlPrivilege), 1u);
    EXPECT_EQ(fake.count(kWriteReg, kControlPrivilege), 2u);
}

// Held by another application: read, and each write refused without a
// command sent; once it has let go, the first write takes control.
TEST(GigeCamera, ACameraAnotherApplicationControlsIsReadNotWritten)
{
    for (bool deny : {false, true}) {
        SCOPED_TRACE(deny ? "a camera that refuses" : "a camera that ignores");
        GigeFakeCamera fake;
        fake.denyWrites = deny;
        fake.heldByAnother(true);
        fake.putWord(0x100, 512);
        std::unique_ptr<GigeCamera> camera = openOn(fake);
        ASSERT_NE(camera, nullptr);
        EXPECT_FALSE(camera->inControl());
        uint32_t value = 0;
        EXPECT_EQ(camera->readRegister(0x100, &value), 0);
        EXPECT_EQ(value, 512u);
        EXPECT_EQ(camera->writeRegister(0x100, 640), kStatusNotInControl);
        const uint8_t word[4] = {0, 0, 2, 0x80};
        EXPECT_EQ(camera->write(0x100, word, 4), kStatusNotInControl);
        EXPECT_EQ(fake.count(kWriteReg, 0x100) + fake.count(kWriteMem), 0u);
        EXPECT_EQ(fake.word(0x100), 512u);

        fake.heldByAnother(false);
        EXPECT_EQ(camera->writeRegister(0x100, 640), 0);
        EXPECT_EQ(fake.word(0x100), 640u);
        EXPECT_TRUE(camera->inControl());
    }
}

// The camera drops control after its heartbeat timeout without a read of
// the privilege register; an open camera keeps it for as long as it is open.
TEST(GigeCamera, HeartbeatsKeepControlWhileTheCameraIsOpen)
{
    GigeFakeCamera fake;
    fake.putWord(kHeartbeatTimeout, 1500);
    std::unique_ptr<GigeCamera> camera = openOn(fake);
    ASSERT_NE(camera, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(3200));
    EXPECT_NE(fake.controller(), "") << "control kept past twice the timeout";
    EXPECT_GE(fake.count(kReadReg, kControlPrivilege), 5u);
    EXPECT_EQ(camera->writeRegister(0x100, 1), 0);
}

// Private commands 43 and 44 on a GigE Vision camera: the register's
// number, READREG and WRITEREG at a multiple of 4; the four bytes from an
// address that is not, read big-endian from the words around them; such a
// write refused.
TEST(GigeCamera, RegistersAreBigEndianWordsAndUnalignedWritesAreRefused)
{
    GigeFakeCamera fake;
    fake.putWord(0x100, 0x00000200);
    fake.putWord(0x104, 0x11223344);
    std::unique_ptr<GigeCamera> camera = openOn(fake);
    ASSERT_NE(camera, nullptr);
    uint32_t value = 0;
    EXPECT_EQ(camera->readRegister(0x100, &value), 0);
    EXPECT_EQ(value, 0x200u);
    EXPECT_EQ(camera->readRegister(0x102, &value), 0);
    EXPECT_EQ(value, 0x02001122u);
    EXPECT_EQ(fake.count(kReadMem, 0x100), 1u) << "the two words around it, in one READMEM";
    uint8_t bytes[3] = {};
    EXPECT_EQ(camera->read(0x103, bytes, 3), 0);
    EXPECT_EQ(Bytes(bytes, bytes + 3), Bytes({0x00, 0x11, 0x22}));

    EXPECT_EQ(camera->writeRegister(0x102, 1), kStatusUnaligned);
    const uint8_t six[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(camera->write(0x102, six, 4), kStatusUnaligned);
    EXPECT_EQ(camera->write(0x100, six, 6), kStatusUnaligned);
    EXPECT_EQ(camera->read(0x100000000ull, bytes, 1), kStatusBeyond32Bits);
    EXPECT_EQ(camera->read(0xFFFFFFFE, bytes, 3), kStatusBeyond32Bits);
    EXPECT_EQ(fake.word(0x100), 0x200u);
    EXPECT_EQ(fake.word(0x104), 0x11223344u);

    EXPECT_EQ(camera->writeRegister(0x104, 0xA1B2C3D4), 0);
    EXPECT_EQ(fake.word(0x104), 0xA1B2C3D4u);
}

// Memory in pieces of at most 512 bytes; a write of more than one word
// with WRITEMEM where the camera has it, else a WRITEREG for each word.
TEST(GigeCamera, MemoryGoesInPiecesAndWritesAsTheCameraAllows)
{
    GigeFakeCamera fake;
    std::unique_ptr<GigeCamera> camera = openOn(fake);
    ASSERT_NE(camera, nullptr);
    Bytes file(1300);
    EXPECT_EQ(camera->read(0x10000, file.data(), file.size()), 0);
    EXPECT_EQ(fake.count(kReadMem), 3u);

    const Bytes name = {'l', 'e', 'f', 't', 0, 0, 0, 0};
    EXPECT_EQ(camera->write(0xE8, name.data(), name.size()), 0);
    EXPECT_EQ(fake.count(kWriteReg, 0xE8) + fake.count(kWriteReg, 0xEC), 2u);
    EXPECT_EQ(fake.count(kWriteMem), 0u);

    GigeFakeCamera capable;
    capable.putWord(kGvcpCapability, kCapabilityWriteMemory);
    camera = openOn(capable);
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->write(0xE8, name.data(), name.size()), 0);
    EXPECT_EQ(capable.count(kWriteMem, 0xE8), 1u);
    EXPECT_EQ(capable.word(0xE8), 0x6C656674u);
}

// A camera that has gone (nothing listens at its port) fails at once.
TEST(GigeCamera, ACameraThatIsGoneCannotBeOpened)
{
    Target nowhere;
    {
        GigeFakeCamera fake;
        nowhere = fake.target();
    }
    int32_t status = 0;
    EXPECT_EQ(GigeCamera::open(nowhere, "FAKE01", 30000, &status), nullptr);
    EXPECT_EQ(status, kStatusGone);
}

} // namespace
