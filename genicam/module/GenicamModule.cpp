// The GenICam module's calls (GenicamModule.h): the description reader and
// the engine behind a plain C interface.  Nothing thrown leaves a call: a
// failure is a reason like any other.
#include "GenicamModule.h"

#include "Cache.h"
#include "ConfigurationCalls.h"
#include "Description.h"
#include "Engine.h"
#include "map/NodeMap.h"
#include "ParsedDescriptions.h"
#include "ReadCache.h"
#include "Unzip.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#define VA_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

const size_t kReasonSize = 512;
const char kZipSignature[] = "PK\x03\x04";

// The tool's VaPort, as the engine and the description reader see a port.
class ToolPort : public genicam::Port {
public:
    explicit ToolPort(const VaPort &port) : port_(port) {}

    bool read(uint64_t address, uint8_t *bytes, size_t size, std::string *reason) override
    {
        if (cache.serve(address, bytes, size))
            return true;
        if (!answer(port_.read(port_.context, address, bytes, size, buffer_, sizeof buffer_), reason))
            return false;
        cache.keep(address, bytes, size);
        return true;
    }
    bool write(uint64_t address, const uint8_t *bytes, size_t size, std::string *reason) override
    {
        cache.forget();
        return answer(port_.write(port_.context, address, bytes, size, buffer_, sizeof buffer_), reason);
    }
    bool reachesAbove32Bits() const override { return port_.reachesAbove32Bits != 0; }
    const VaPort &tool() const { return port_; }

    // Reads kept during a configuration call; off otherwise.
    ReadCache cache;

private:
    bool answer(int status, std::string *reason)
    {
        if (status == 0)
            return true;
        buffer_[sizeof buffer_ - 1] = '\0';
        *reason = buffer_;
        return false;
    }

    VaPort port_;
    char buffer_[kReasonSize] = "";
};

static_assert(genicam::kMaxDescriptionSize == genicam::NodeMap::kMaxSize,
              "the description reader fetches no more than the engine parses");

// The bytes of the file at path: an XML description, or a ZIP holding one.
bool readDescriptionFile(const char *path, std::string *bytes, std::string *reason)
{
    switch (genicam::readFileAt(AT_FDCWD, path, genicam::kMaxZipFileSize, true, bytes)) {
    case genicam::FileRead::Done:
        return true;
    case genicam::FileRead::Unreadable:
        *reason = std::string("cannot read ") + path + ": " + strerror(errno);
        return false;
    case genicam::FileRead::NotAFile:
        *reason = std::string(path) + " is not a file";
        return false;
    case genicam::FileRead::TooLarge:
        *reason = std::string(path) + " is too large";
        return false;
    }
    return false;
}

// Copies text into a caller's buffer, cut to fit.
void copyReason(const std::string &text, char *reason, size_t size)
{
    if (size > 0)
        snprintf(reason, size, "%s", text.c_str());
}

} // namespace

struct VaRun {
    std::shared_ptr<const genicam::NodeMap> fileNodes;  // the -g description, for every camera
    std::string fileVersion;                            // its version, for a saved configuration
    ParsedDescriptions parsed;
    // The cache folder, opened and checked at a scan's first fetch and kept
    // for the scan: a folder removed during a continual run is made again.
    bool cacheOpened = false;
    std::unique_ptr<genicam::DescriptionCache> cache;
};

struct VaCamera {
    VaCamera(VaRun *owner, const VaPort &tool) : run(owner), port(tool) {}

    VaRun *run;
    ToolPort port;
    bool fetched = false;      // the camera's own description was asked for
    std::string xml;           // it, unpacked
    std::string noDescription; // or why there is none
    std::shared_ptr<const genicam::NodeMap> nodes;
    std::string noNodes;       // why there are no nodes
    std::unique_ptr<genicam::Session> session;
    std::string text;          // the last text given out
    ConfigurationOutput configurations;  // what the last configuration call gave out
};

namespace {

// Fetches the camera's own description, once per turn.  Its node map is
// made as the reader checks it, so a cached description that does not parse
// is fetched again.
bool fetchOwn(VaCamera *camera)
{
    if (camera->fetched)
        return camera->noDescription.empty();
    camera->fetched = true;
    VaRun *run = camera->run;
    if (!run->cacheOpened) {
        run->cacheOpened = true;
        run->cache = genicam::openDefaultCache();
    }
    genicam::FetchOptions options;
    options.cache = run->cache.get();
    options.pieceSize = camera->port.tool().pieceSize;
    const VaPort &tool = camera->port.tool();
    if (tool.progress != nullptr)
        options.progress = [&tool](uint64_t done, uint64_t total) { tool.progress(tool.context, done, total); };
    options.accept = [camera](const std::string &xml) {
        camera->noNodes.clear();
        camera->nodes = camera->run->parsed.nodesOf(xml, &camera->noNodes);
        return camera->nodes != nullptr;
    };
    genicam::Description description;
    std::string reason;
    if (!genicam::fetchDescription(camera->port, options, &description, &reason)) {
        camera->noDescription = reason;
        return false;
    }
    camera->xml = std::move(description.xml);
    return true;
}

// Makes the camera's feature session, from the -g description or its own.
// False with a reason for the user when there is none.
bool sessionReady(VaCamera *camera, std::string *reason)
{
    if (camera->session != nullptr)
        return true;
    if (camera->run->fileNodes != nullptr) {
        camera->nodes = camera->run->fileNodes;
    } else {
        if (!fetchOwn(camera)) {
            *reason = "the camera has no GenICam description (" + camera->noDescription + ")";
            return false;
        }
        if (camera->nodes == nullptr && camera->noNodes.empty())
            camera->nodes = camera->run->parsed.nodesOf(camera->xml, &camera->noNodes);
        if (camera->nodes == nullptr) {
            *reason = "the camera's GenICam description cannot be used: " + camera->noNodes;
            return false;
        }
    }
    camera->session.reset(new genicam::Session(camera->nodes, camera->port));
    return true;
}

// Runs a call, turning anything thrown into a reason.
template <typename Call> int guarded(VaCamera *camera, Call call)
{
    try {
        return call();
    } catch (const std::bad_alloc &) {
        camera->text = "out of memory";
    } catch (...) {
        camera->text = "internal error";
    }
    return -1;
}

VaRun *startRun(const char *descriptionFile, char *reason, size_t reasonSize)
{
    try {
        std::unique_ptr<VaRun> run(new VaRun);
        if (descriptionFile == nullptr)
            return run.release();
        std::string bytes, why;
        if (!readDescriptionFile(descriptionFile, &bytes, &why)) {
            copyReason(why, reason, reasonSize);
            return nullptr;
        }
        std::string xml;
        if (bytes.compare(0, 4, kZipSignature) == 0) {
            if (!genicam::unzipOneXml(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(),
                                      genicam::kMaxDescriptionSize, &xml, &why)) {
                copyReason(std::string(descriptionFile) + ": " + why, reason, reasonSize);
                return nullptr;
            }
        } else {
            xml.swap(bytes);
        }
        run->fileVersion = descriptionVersion(xml);
        run->fileNodes = genicam::parseNodeMap(xml.data(), xml.size(), &why);
        if (run->fileNodes == nullptr) {
            copyReason(std::string(descriptionFile) + " is not a GenICam description: " + why, reason, reasonSize);
            return nullptr;
        }
        return run.release();
    } catch (...) {
        copyReason("out of memory", reason, reasonSize);
        return nullptr;
    }
}

void endRun(VaRun *run)
{
    delete run;
}

void startScan(VaRun *run)
{
    run->parsed.startScan();
    run->cacheOpened = false;
    run->cache.reset();
}

VaCamera *startCamera(VaRun *run, const VaPort *port)
{
    try {
        return new VaCamera(run, *port);
    } catch (...) {
        return nullptr;
    }
}

void endCamera(VaCamera *camera)
{
    delete camera;
}

int description(VaCamera *camera, const char **xml, size_t *size)
{
    return guarded(camera, [&] {
        if (!fetchOwn(camera)) {
            *xml = camera->noDescription.c_str();
            return -1;
        }
        *xml = camera->xml.data();
        *size = camera->xml.size();
        return 0;
    });
}

// Gives out the camera's text (a value or a reason) with the form.
int giveValue(VaCamera *camera, int status, int form, VaValue *value)
{
    value->text = camera->text.c_str();
    value->form = status == 0 ? form : VA_FORM_NONE;
    return status;
}

int read(VaCamera *camera, const char *name, VaValue *value)
{
    genicam::FeatureValue read;
    int status = guarded(camera, [&] {
        genicam::Error error;
        if (!sessionReady(camera, &camera->text))
            return -1;
        if (!camera->session->readValue(name, &read, &error)) {
            camera->text = error.text;
            return -1;
        }
        camera->text = genicam::formatValue(read);
        return 0;
    });
    return giveValue(camera, status, formNumber(read.form), value);
}

int write(VaCamera *camera, const char *name, const char *text, VaValue *written)
{
    genicam::FeatureValue value;
    int status = guarded(camera, [&] {
        genicam::Error error;
        if (!sessionReady(camera, &camera->text))
            return -1;
        if (!camera->session->write(name, text, &value, &error)) {
            camera->text = error.text;
            return -1;
        }
        camera->text = genicam::formatValue(value);
        return 0;
    });
    return giveValue(camera, status, formNumber(value.form), written);
}

int list(VaCamera *camera, void (*each)(void *context, const VaFeature *feature), void *context, const char **reason)
{
    int status = guarded(camera, [&] {
        if (!sessionReady(camera, &camera->text))
            return -1;
        camera->session->list([&](const genicam::Session::Listed &listed) {
            VaFeature feature = {listed.path.c_str(),  listed.name.c_str(),  listed.type.c_str(),
                                 listed.access.c_str(), listed.value.c_str(), listed.unit.c_str(),
                                 listed.readable ? 1 : 0, formNumber(listed.form)};
            each(context, &feature);
        });
        return 0;
    });
    *reason = camera->text.c_str();
    return status;
}

VaConfiguration *readConfiguration(const char *path, size_t *line, char *reason, size_t reasonSize)
{
    try {
        std::string why;
        VaConfiguration *file = readConfigurationFile(path, line, &why);
        if (file == nullptr)
            copyReason(why, reason, reasonSize);
        return file;
    } catch (...) {
        *line = 0;
        copyReason("out of memory", reason, reasonSize);
        return nullptr;
    }
}

void freeConfiguration(VaConfiguration *configuration)
{
    delete configuration;
}

// The camera's session; else false with camera->text why its description
// cannot be had, as the line about the description gives it.
bool describedSession(VaCamera *camera)
{
    std::string full;
    if (sessionReady(camera, &full))
        return true;
    camera->text = !camera->noDescription.empty() ? camera->noDescription : "it cannot be used: " + camera->noNodes;
    return false;
}

int saveConfiguration(VaCamera *camera, const VaConfigurationHeader *header, VaSaved *saved)
{
    *saved = VaSaved();
    int status = guarded(camera, [&] {
        if (!sessionReady(camera, &camera->text))
            return -1;
        const std::string &version =
            camera->run->fileNodes != nullptr ? camera->run->fileVersion : descriptionVersion(camera->xml);
        ReadCache::On cached(camera->port.cache);
        return camera->configurations.save(*camera->session, *header, version, saved);
    });
    if (status < 0 && saved->text == nullptr)
        *saved = VaSaved{camera->text.c_str(), camera->text.size(), 0};
    return status;
}

int applyConfiguration(VaCamera *camera, const VaConfiguration *configuration, VaApplied *applied,
                       const char **reason)
{
    *applied = VaApplied();
    int status = guarded(camera, [&] {
        if (!describedSession(camera))
            return -1;
        ReadCache::On cached(camera->port.cache);
        return camera->configurations.apply(*camera->session, *configuration, applied);
    });
    if (status < 0)
        *reason = camera->text.c_str();
    return status;
}

int compareConfiguration(VaCamera *camera, const VaConfiguration *configuration, VaCompared *compared,
                         const char **reason)
{
    *compared = VaCompared();
    int status = guarded(camera, [&] {
        if (!describedSession(camera))
            return -1;
        ReadCache::On cached(camera->port.cache);
        return camera->configurations.compare(*camera->session, *configuration, compared);
    });
    if (status < 0)
        *reason = camera->text.c_str();
    return status;
}

const VaGenicamModule kModule = {
    VA_GENICAM_VERSION, startRun,           endRun,           startCamera,       endCamera,
    description,        read,               write,            list,              startScan,
    readConfiguration,  freeConfiguration,  saveConfiguration, applyConfiguration, compareConfiguration,
};

} // namespace

VA_EXPORT const VaGenicamModule *visionAccessGenicam(void)
{
    return &kModule;
}
