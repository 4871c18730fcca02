// The simulator's configuration file: cameras, their registers and the
// faults to inject.  README.md documents the statements.
#include "Sim.h"

#include <errno.h>
#include <inttypes.h>
#include <stdlib.h>

namespace qrvsim {

namespace {

const uint32_t kDefaultCameras[] = {21330417, 21330418};

// Registers every simulated camera has unless configured otherwise.
const struct {
    uint32_t address;
    uint32_t value;
} kDefaultRegisters[] = {
    {0x60018, 1920},        // Width
    {0x6001C, 1200},        // Height
    {0x60028, 1},           // BinningHorizontal
    {0x6002C, 1},           // BinningVertical
    {0x60040, 0x461C4000},  // ExposureTime, float 10000.0 (microseconds)
    {0x60044, 0x00000000},  // Gain, float 0.0
    {0x60050, 0x41F00000},  // AcquisitionFrameRate, float 30.0
};

RegisterMap defaultRegisters()
{
    RegisterMap registers;
    for (const auto &reg : kDefaultRegisters)
        registers[reg.address] = reg.value;
    return registers;
}

const char *const kCameraWildcard = "*";

// A register or fault line for every camera ("*") or for one.
struct Setting {
    bool everyCamera;
    uint32_t camera;
    uint32_t address;
    uint32_t value;  // register value, or Fault bits
};

class ConfigReader {
public:
    ConfigReader(const char *path, Config *config) : file_(path), config_(config) {}

    bool read()
    {
        if (!file_.opened(false))
            return false;
        std::vector<std::string> words;
        while (file_.next(&words))
            if (!readStatement(words))
                return false;
        if (file_.failed())
            return false;
        applySettings();
        return true;
    }

private:
    bool readStatement(const std::vector<std::string> &words)
    {
        typedef bool (ConfigReader::*Reader)(const std::vector<std::string> &);
        static const struct {
            const char *keyword;
            Reader read;
        } kStatements[] = {
            {"camera", &ConfigReader::readCamera},     {"fail", &ConfigReader::readFail},
            {"report", &ConfigReader::readReport},     {"register", &ConfigReader::readRegister},
            {"fault", &ConfigReader::readFault},       {"latency", &ConfigReader::readLatency},
        };
        for (const auto &statement : kStatements)
            if (words[0] == statement.keyword)
                return (this->*statement.read)(words);
        return file_.fail("unknown word '%s'", words[0].c_str());
    }

    bool expectWords(const std::vector<std::string> &words, size_t least, size_t most, const char *form)
    {
        if (words.size() < least || words.size() > most)
            return file_.fail("expected: %s", form);
        return true;
    }

    // A failure status: negative decimal (-5) or its 32-bit pattern in
    // hexadecimal, top bit set (0x8000000A).  A positive decimal is refused
    // even where its pattern would be negative: 4294967291 is no status.
    bool failureStatus(const std::string &word, int32_t *status)
    {
        const char kNotFailure[] = "status '%s' is not a failure (negative decimal, or hexadecimal with the top bit set)";
        bool negative = word[0] == '-';
        std::string digits = negative ? word.substr(1) : word;
        bool hexadecimal = digits.compare(0, 2, "0x") == 0 || digits.compare(0, 2, "0X") == 0;
        uint64_t magnitude = 0;
        if (!parseNumber(digits, UINT32_MAX, &magnitude) ||
            (negative && (hexadecimal || magnitude > (uint64_t)INT32_MAX + 1)))
            return file_.fail("bad status '%s'", word.c_str());
        if (negative ? magnitude == 0 : !hexadecimal || magnitude <= INT32_MAX)
            return file_.fail(kNotFailure, word.c_str());
        *status = negative ? (int32_t)(0 - (uint32_t)magnitude) : (int32_t)(uint32_t)magnitude;
        return true;
    }

    // A camera listed above, or "*" for every camera.
    bool cameraReference(const std::string &word, Setting *setting)
    {
        setting->everyCamera = word == kCameraWildcard;
        if (setting->everyCamera)
            return true;
        if (!file_.number32(word, &setting->camera))
            return false;
        if (config_->cameraIndex.count(setting->camera) == 1)
            return true;
        return file_.fail("camera %" PRIu32 " is not listed above", setting->camera);
    }

    // camera <number> [no-open]
    bool readCamera(const std::vector<std::string> &words)
    {
        Camera camera;
        if (!expectWords(words, 2, 3, "camera <number> [no-open]") || !file_.number32(words[1], &camera.number))
            return false;
        if (words.size() == 3) {
            if (words[2] != "no-open")
                return file_.fail("unknown word '%s'", words[2].c_str());
            camera.opens = false;
        }
        if (!config_->add(camera))
            return file_.fail("camera %" PRIu32 " is listed twice", camera.number);
        return true;
    }

    // fail count|records <status>
    bool readFail(const std::vector<std::string> &words)
    {
        if (!expectWords(words, 3, 3, "fail count|records <status>"))
            return false;
        if (words[1] == "count") {
            config_->countFails = true;
            return failureStatus(words[2], &config_->countStatus);
        }
        if (words[1] == "records") {
            config_->recordsFail = true;
            return failureStatus(words[2], &config_->recordsStatus);
        }
        return file_.fail("unknown word '%s'", words[1].c_str());
    }

    // report count|records <number>
    bool readReport(const std::vector<std::string> &words)
    {
        if (!expectWords(words, 3, 3, "report count|records <number>"))
            return false;
        if (words[1] == "count") {
            config_->countReported = true;
            return file_.number32(words[2], &config_->reportedCount);
        }
        if (words[1] == "records") {
            config_->recordsReported = true;
            return file_.number32(words[2], &config_->reportedRecords);
        }
        return file_.fail("unknown word '%s'", words[1].c_str());
    }

    // register <camera>|* <address> <value>
    bool readRegister(const std::vector<std::string> &words)
    {
        Setting setting;
        if (!expectWords(words, 4, 4, "register <camera>|* <address> <value>") || !cameraReference(words[1], &setting) ||
            !file_.number32(words[2], &setting.address) || !file_.number32(words[3], &setting.value))
            return false;
        registers_.push_back(setting);
        return true;
    }

    // fault <camera>|* <address> read-fails|write-fails|read-no-store|read-only
    bool readFault(const std::vector<std::string> &words)
    {
        static const struct {
            const char *word;
            Fault fault;
        } kFaults[] = {
            {"read-fails", kReadFails},
            {"write-fails", kWriteFails},
            {"read-no-store", kReadNoStore},
            {"read-only", kReadOnly},
        };
        Setting setting;
        if (!expectWords(words, 4, 4, "fault <camera>|* <address> read-fails|write-fails|read-no-store|read-only") ||
            !cameraReference(words[1], &setting) || !file_.number32(words[2], &setting.address))
            return false;
        for (const auto &known : kFaults) {
            if (words[3] == known.word) {
                setting.value = known.fault;
                faults_.push_back(setting);
                return true;
            }
        }
        return file_.fail("unknown fault '%s'", words[3].c_str());
    }

    // latency <microseconds>
    bool readLatency(const std::vector<std::string> &words)
    {
        const uint64_t kMaxLatencyUs = 60 * 1000 * 1000;
        uint64_t latency = 0;
        if (!expectWords(words, 2, 2, "latency <microseconds>") || !file_.number(words[1], kMaxLatencyUs, &latency))
            return false;
        config_->latencyUs = (long)latency;
        return true;
    }

    // Every camera starts from the default map; "*" settings come next and a
    // camera's own settings last, whatever their order in the file.  A
    // camera's own fault lines for an address replace the "*" ones there.
    void applySettings()
    {
        const RegisterMap defaults = defaultRegisters();
        for (Camera &camera : config_->cameras) {
            camera.registers = defaults;
            FaultMap ownFaults;
            for (bool everyCamera : {true, false}) {
                auto applies = [&](const Setting &setting) {
                    return setting.everyCamera == everyCamera && (everyCamera || setting.camera == camera.number);
                };
                FaultMap &faults = everyCamera ? camera.faults : ownFaults;
                for (const Setting &setting : registers_)
                    if (applies(setting))
                        camera.registers[setting.address] = setting.value;
                for (const Setting &setting : faults_)
                    if (applies(setting))
                        faults[setting.address] |= setting.value;
            }
            for (const auto &own : ownFaults)
                camera.faults[own.first] = own.second;
        }
    }

    WordFile file_;
    Config *config_;
    std::vector<Setting> registers_;
    std::vector<Setting> faults_;
};

} // namespace

Config defaultConfig()
{
    Config config;
    for (uint32_t number : kDefaultCameras) {
        Camera camera;
        camera.number = number;
        camera.registers = defaultRegisters();
        config.add(camera);
    }
    return config;
}

bool readConfig(const char *path, Config *config)
{
    return ConfigReader(path, config).read();
}

} // namespace qrvsim
