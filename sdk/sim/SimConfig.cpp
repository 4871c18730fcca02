// The simulator's configuration file: cameras, their registers and the
// faults to inject.  doc/visionaccess-sim.1 documents the statements.
#include "Sim.h"

#include <errno.h>
#include <inttypes.h>
#include <stdint.h>
#include <stdlib.h>

#include <algorithm>
#include <iterator>

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

// The words of the identity statement's fields, in IdentityField order.
const char *const kIdentityWords[kIdentityFields] = {"vendor", "model", "family", "version", "serial", "name"};

// The genicam statement's word for a camera without a description.
const char kNoDescription[] = "none";

// A register, fault, identity or genicam line for every camera ("*") or
// for one.
struct Setting {
    bool everyCamera;
    uint32_t camera;
    uint64_t address;
    uint32_t value;  // register value, Fault bits, or IdentityField
    std::string text;  // identity text
    std::shared_ptr<const Description> description;

    bool appliesTo(const Camera &camera, bool every) const
    {
        return everyCamera == every && (every || this->camera == camera.number);
    }
};

// The identity texts every camera has unless configured otherwise; its
// serial is its number.
const char *const kDefaultIdentity[kIdentityFields] = {"QrVApi simulator", "Simulated camera", "", VISIONACCESS_VERSION,
                                                       "", ""};

// Every camera starts with these.
void setDefaults(Camera *camera)
{
    camera->registers = defaultRegisters();
    for (unsigned field = 0; field < kIdentityFields; field++)
        camera->identity[field] = kDefaultIdentity[field];
    camera->identity[kSerial] = std::to_string(camera->number);
    camera->description = defaultDescription();
}

class ConfigReader {
public:
    ConfigReader(const char *path, Config *config) : file_(path), config_(config)
    {
        std::string text(path);
        size_t slash = text.rfind('/');
        folder_ = slash == std::string::npos ? "" : text.substr(0, slash + 1);
    }

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
            {"identity", &ConfigReader::readIdentity}, {"genicam", &ConfigReader::readGenicam},
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
            !file_.number(words[2], UINT64_MAX, &setting.address) || !file_.number32(words[3], &setting.value))
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
            !cameraReference(words[1], &setting) || !file_.number(words[2], UINT64_MAX, &setting.address))
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

    // identity <camera>|* vendor|model|family|version|serial|name [<text>]
    // The text is the rest of the line, its words joined by one space.
    bool readIdentity(const std::vector<std::string> &words)
    {
        Setting setting;
        if (!expectWords(words, 3, SIZE_MAX, "identity <camera>|* vendor|model|family|version|serial|name [<text>]") ||
            !cameraReference(words[1], &setting))
            return false;
        const char *const *field = std::find(std::begin(kIdentityWords), std::end(kIdentityWords), words[2]);
        if (field == std::end(kIdentityWords))
            return file_.fail("unknown identity field '%s'", words[2].c_str());
        setting.value = (uint32_t)(field - std::begin(kIdentityWords));
        for (size_t k = 3; k < words.size(); k++)
            setting.text += (k > 3 ? " " : "") + words[k];
        if (setting.text.size() > kIdentityTextMax)
            return file_.fail("identity text longer than %zu bytes", kIdentityTextMax);
        identities_.push_back(setting);
        return true;
    }

    // genicam <camera>|* <file>|none
    // A relative file is found from the configuration file's folder; each
    // file is read once, whatever the lines that name it.
    bool readGenicam(const std::vector<std::string> &words)
    {
        Setting setting;
        if (!expectWords(words, 3, 3, "genicam <camera>|* <file>|none") || !cameraReference(words[1], &setting))
            return false;
        if (words[2] != kNoDescription) {
            std::string path = words[2][0] == '/' ? words[2] : folder_ + words[2];
            std::shared_ptr<const Description> &loaded = descriptionFiles_[path];
            std::string error;
            if (!loaded && !loadDescription(path, &loaded, &error))
                return file_.fail("%s", error.c_str());
            setting.description = loaded;
        }
        descriptions_.push_back(setting);
        return true;
    }

    // Every camera starts from the defaults; "*" settings come next and a
    // camera's own settings last, whatever their order in the file.  A
    // camera's own fault lines for an address replace the "*" ones there.
    void applySettings()
    {
        for (Camera &camera : config_->cameras) {
            setDefaults(&camera);
            FaultMap ownFaults;
            for (bool every : {true, false}) {
                FaultMap &faults = every ? camera.faults : ownFaults;
                for (const Setting &setting : registers_)
                    if (setting.appliesTo(camera, every))
                        camera.registers[setting.address] = setting.value;
                for (const Setting &setting : faults_)
                    if (setting.appliesTo(camera, every))
                        faults[setting.address] |= setting.value;
                for (const Setting &setting : identities_)
                    if (setting.appliesTo(camera, every))
                        camera.identity[setting.value] = setting.text;
                for (const Setting &setting : descriptions_)
                    if (setting.appliesTo(camera, every))
                        camera.description = setting.description;
            }
            for (const auto &own : ownFaults)
                camera.faults[own.first] = own.second;
        }
    }

    WordFile file_;
    Config *config_;
    std::string folder_;  // of the configuration file, with its '/'; empty: the current one
    std::vector<Setting> registers_;
    std::vector<Setting> faults_;
    std::vector<Setting> identities_;
    std::vector<Setting> descriptions_;
    std::map<std::string, std::shared_ptr<const Description>> descriptionFiles_;
};

} // namespace

Config defaultConfig()
{
    Config config;
    config.cameras.reserve(sizeof kDefaultCameras / sizeof kDefaultCameras[0]);  // no copies as it grows
    for (uint32_t number : kDefaultCameras) {
        Camera camera;
        camera.number = number;
        setDefaults(&camera);
        config.add(camera);
    }
    return config;
}

bool readConfig(const char *path, Config *config)
{
    return ConfigReader(path, config).read();
}

} // namespace qrvsim
