// The simulator's example cameras as a user tries them: every feature of
// their description with the example's values, and features that depend on
// others behaving as a camera's do, in the simulator's registers.
#include "ToolHarness.h"

namespace {

class SimExample : public ToolTest {
protected:
    void SetUp() override
    {
        ToolTest::SetUp();
        setEnv("XDG_CACHE_HOME", path("cache"));
        setEnv("QRV_SIM_CONFIG", SIM_EXAMPLE_DIR "/example.conf");
    }

    // The lines of camera 31000001 after its heading.
    std::string cameraLines(const std::vector<std::string> &args)
    {
        std::vector<std::string> all = {"-s", "31000001"};
        all.insert(all.end(), args.begin(), args.end());
        ToolRun result = run(all);
        EXPECT_EQ(result.status, 0) << describe(all);
        EXPECT_EQ(result.err, "") << describe(all);
        const std::string heading = kStamp + "    Camera 31000001\n";
        if (result.out.compare(0, heading.size(), heading) != 0)
            return "not a scan of camera 31000001: " + result.out;
        return result.out.substr(heading.size());
    }
};

TEST_F(SimExample, ListsEveryFeatureWithTheExamplesValues)
{
    const std::string f = "        Feature ";
    EXPECT_EQ(cameraLines({"-a"}),
              f + "DeviceControl/DeviceVendorName (StringReg, RO) read as QrVApi simulator\n" +
              f + "DeviceControl/DeviceModelName (StringReg, RO) read as Example camera\n" +
              f + "DeviceControl/DeviceVersion (StringReg, RO) read as " VISIONACCESS_VERSION "\n" +
              f + "DeviceControl/DeviceSerialNumber (StringReg, RO) read as 31000001\n" +
              f + "DeviceControl/DeviceUserID (StringReg, RW) read as \n" +
              f + "DeviceControl/DeviceTemperature (FloatReg, RO) read as 42.5\n" +
              f + "ImageFormatControl/SensorWidth (IntReg, RO) read as 2048\n" +
              f + "ImageFormatControl/SensorHeight (IntReg, RO) read as 1536\n" +
              f + "ImageFormatControl/WidthMax (IntSwissKnife, RO) read as 1984\n" +
              f + "ImageFormatControl/HeightMax (IntSwissKnife, RO) read as 1536\n" +
              f + "ImageFormatControl/Width (Integer, RW) read as 1920\n" +
              f + "ImageFormatControl/Height (Integer, RW) read as 1200\n" +
              f + "ImageFormatControl/OffsetX (Integer, RW) read as 64\n" +
              f + "ImageFormatControl/OffsetY (Integer, RW) read as 0\n" +
              f + "ImageFormatControl/BinningHorizontal (Integer, RW) read as 1\n" +
              f + "ImageFormatControl/BinningVertical (Integer, RW) read as 1\n" +
              f + "ImageFormatControl/ReverseX (Boolean, RW) read as false\n" +
              f + "ImageFormatControl/ReverseY (Boolean, RW) read as false\n" +
              f + "ImageFormatControl/PixelFormat (Enumeration, RW) read as BayerRG8\n" +
              f + "AcquisitionControl/AcquisitionMode (Enumeration, RW) read as Continuous\n" +
              f + "AcquisitionControl/AcquisitionStart (Command, WO) cannot be read: a command: it is executed, not "
                  "read\n" +
              f + "AcquisitionControl/AcquisitionStop (Command, WO) cannot be read: a command: it is executed, not "
                  "read\n" +
              f + "AcquisitionControl/TriggerSelector (Enumeration, RW) read as FrameStart\n" +
              f + "AcquisitionControl/TriggerMode (Enumeration, RW) read as Off\n" +
              f + "AcquisitionControl/TriggerSource (Enumeration, RW) read as Software\n" +
              f + "AcquisitionControl/TriggerSoftware (Command, WO) cannot be read: a command: it is executed, not "
                  "read\n" +
              f + "AcquisitionControl/ExposureTime (Float, RW) read as 10000\n" +
              f + "AcquisitionControl/AcquisitionFrameRateEnable (Boolean, RW) read as false\n" +
              f + "AcquisitionControl/AcquisitionFrameRate (Float, NA) cannot be read: not available now\n" +
              f + "AnalogControl/GainSelector (Enumeration, RW) read as AnalogAll\n" +
              f + "AnalogControl/Gain (Float, RW) read as 0\n" +
              f + "AnalogControl/BalanceRatioSelector (Enumeration, RW) read as Red\n" +
              f + "AnalogControl/BalanceRatio (Float, RW) read as 1\n" +
              f + "AnalogControl/Gamma (Float, RW) read as 1\n" +
              f + "ColorTransformationControl/ColorTransformationSelector (Enumeration, RW) read as RGBtoRGB\n" +
              f + "ColorTransformationControl/ColorTransformationEnable (Boolean, RW) read as false\n" +
              f + "ColorTransformationControl/ColorTransformationValueSelector (Enumeration, RW) read as Gain00\n" +
              f + "ColorTransformationControl/ColorTransformationValue (Float, RW) read as 1\n" +
              f + "LUTControl/LUTEnable (Boolean, RW) read as false\n" +
              f + "LUTControl/LUTIndex (Integer, RW) read as 0\n" +
              f + "LUTControl/LUTValue (Integer, RW) read as 0\n" +
              f + "LUTControl/LUTValueAll (Register, RW) read as 00 00 00 00 49 02 00 00 92 04 00 00 db 06 00 00 "
                  "24 09 00 00 6d 0b 00 00 b6 0d 00 00 ff 0f 00 00\n" +
              f + "TransportLayerControl/PayloadSize (IntSwissKnife, RO) read as 2304000\n" +
              f + "TransportLayerControl/TLParamsLocked (Integer, RW) read as 0\n");
}

TEST_F(SimExample, FeaturesDependOnOthersAsACamerasDo)
{
    // Each run's writes, then its reads; the registers keep what was written.
    const struct {
        std::vector<std::string> args;
        std::string lines;
    } runs[] = {
        // Width and OffsetX share the sensor's 2048 pixels (divided by the
        // binning): Width waits for OffsetX.
        {{"-w", "Width", "2048", "-w", "OffsetX", "0", "-w", "Width", "2048", "-r", "WidthMax", "-r", "60018"},
         "        Could not write feature Width: above the maximum (16 to 1984 in steps of 16)\n"
         "        Feature OffsetX written with value 0\n"
         "        Feature Width written with value 2048\n"
         "        Feature WidthMax read as 2048\n"
         "        Register 0x60018 read as 0x00000800\n"},
        {{"-w", "Width", "1024", "-w", "BinningHorizontal", "2", "-w", "OffsetX", "16", "-r", "WidthMax"},
         "        Feature Width written with value 1024\n"
         "        Feature BinningHorizontal written with value 2\n"
         "        Could not write feature OffsetX: above the maximum (0 to 0 in steps of 16)\n"
         "        Feature WidthMax read as 1024\n"},
        {{"-w", "BinningHorizontal", "1", "-w", "OffsetX", "1024", "-r", "WidthMax"},
         "        Feature BinningHorizontal written with value 1\n"
         "        Feature OffsetX written with value 1024\n"
         "        Feature WidthMax read as 1024\n"},
        // The frame rate is available only when enabled.
        {{"-w", "AcquisitionFrameRate", "20", "-w", "AcquisitionFrameRateEnable", "1", "-w", "AcquisitionFrameRate",
          "20", "-r", "60050", "-r", "70020"},
         "        Could not write feature AcquisitionFrameRate: not available now\n"
         "        Feature AcquisitionFrameRateEnable written with value 1\n"
         "        Feature AcquisitionFrameRate written with value 20\n"
         "        Register 0x60050 read as 0x41A00000\n"
         "        Register 0x70020 read as 0x00000001\n"},
        // TLParamsLocked holds the image format, not the rest.
        {{"-w", "TLParamsLocked", "1", "-w", "Height", "600", "-w", "PixelFormat", "Mono8", "-w", "BinningVertical",
          "2", "-w", "AcquisitionMode", "SingleFrame", "-w", "OffsetY", "336", "-w", "TLParamsLocked", "0", "-w",
          "Height", "600"},
         "        Feature TLParamsLocked written with value 1\n"
         "        Could not write feature Height: locked\n"
         "        Could not write feature PixelFormat: locked\n"
         "        Could not write feature BinningVertical: locked\n"
         "        Could not write feature AcquisitionMode: locked\n"
         "        Feature OffsetY written with value 336\n"
         "        Feature TLParamsLocked written with value 0\n"
         "        Feature Height written with value 600\n"},
        // A gain for each stage, a coefficient for each transformation and
        // place in its matrix, each its own register.
        {{"-w", "GainSelector", "DigitalAll", "-w", "Gain", "6", "-w", "ColorTransformationSelector", "RGBtoYUV", "-w",
          "ColorTransformationValueSelector", "Gain21", "-w", "ColorTransformationValue", "-0.5", "-r", "60044", "-r",
          "60048", "-r", "700A8", "-r", "Gain", "-r", "ColorTransformationValue"},
         "        Feature GainSelector written with value DigitalAll\n"
         "        Feature Gain written with value 6\n"
         "        Feature ColorTransformationSelector written with value RGBtoYUV\n"
         "        Feature ColorTransformationValueSelector written with value Gain21\n"
         "        Feature ColorTransformationValue written with value -0.5\n"
         "        Register 0x60044 read as 0x00000000\n"
         "        Register 0x60048 read as 0x40C00000\n"
         "        Register 0x700A8 read as 0xBF000000\n"
         "        Feature Gain read as 6\n"
         "        Feature ColorTransformationValue read as -0.5\n"},
        {{"-w", "ColorTransformationValue", "9", "-w", "Gamma", "0.2", "-w", "PixelFormat", "Mono16"},
         "        Could not write feature ColorTransformationValue: above the maximum (-8 to 8)\n"
         "        Could not write feature Gamma: below the minimum (0.25 to 4)\n"
         "        Could not write feature PixelFormat: not an entry of PixelFormat (Mono8, Mono12, BayerRG8, "
         "BayerRG12)\n"},
        // A String of 16 bytes, the table as one Register, Commands, and
        // what is read only.
        {{"-w", "DeviceUserID", "left camera", "-w", "DeviceUserID", "a name of 17 bytes", "-w", "LUTValueAll",
          "0x0001", "-w", "LUTValueAll", "0x0000000001000000020000000300000004000000050000000600000007000000", "-w",
          "TriggerSelector", "AcquisitionStart", "-w", "TriggerSoftware", "1", "-w", "AcquisitionStop", "1", "-w",
          "DeviceTemperature", "20", "-w", "SensorWidth", "4096", "-r", "DeviceUserID", "-r", "LUTIndex", "-r",
          "LUTValue", "-r", "700BC", "-r", "7003C", "-r", "7001C", "-r", "PayloadSize"},
         "        Feature DeviceUserID written with value left camera\n"
         "        Could not write feature DeviceUserID: longer than the register's 16 bytes\n"
         "        Could not write feature LUTValueAll: the register has 32 bytes, not 2\n"
         "        Feature LUTValueAll written with value "
         "0x0000000001000000020000000300000004000000050000000600000007000000\n"
         "        Feature TriggerSelector written with value AcquisitionStart\n"
         "        Feature TriggerSoftware written with value 1\n"
         "        Feature AcquisitionStop written with value 1\n"
         "        Could not write feature DeviceTemperature: not writable\n"
         "        Could not write feature SensorWidth: not writable\n"
         "        Feature DeviceUserID read as left camera\n"
         "        Feature LUTIndex read as 0\n"
         "        Feature LUTValue read as 0\n"
         "        Register 0x700BC read as 0x00000001\n"
         "        Register 0x7003C read as 0x00000001\n"
         "        Register 0x7001C read as 0x00000002\n"
         "        Feature PayloadSize read as 614400\n"},
    };
    for (const auto &step : runs)
        EXPECT_EQ(cameraLines(step.args), step.lines) << describe(step.args);

    // The other camera is untouched.
    ToolRun other = run({"-s", "31000002", "-r", "Width", "-r", "Gain"});
    EXPECT_EQ(other.out, kStamp + "    Camera 31000002\n        Feature Width read as 1920\n"
                                  "        Feature Gain read as 0\n");
}

} // namespace
