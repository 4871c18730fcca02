#include "ConfigurationCalls.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>

#include <memory>

#include "Cache.h"
#include "configuration/SessionFeatures.h"

int formNumber(genicam::ValueForm form)
{
    switch (form) {
    case genicam::ValueForm::Integer:
        return VA_FORM_INTEGER;
    case genicam::ValueForm::Float:
        return VA_FORM_FLOAT;
    case genicam::ValueForm::Enumeration:
        return VA_FORM_ENUMERATION;
    case genicam::ValueForm::Boolean:
        return VA_FORM_BOOLEAN;
    case genicam::ValueForm::String:
        return VA_FORM_STRING;
    case genicam::ValueForm::Register:
        return VA_FORM_REGISTER;
    case genicam::ValueForm::Command:
        return VA_FORM_COMMAND;
    case genicam::ValueForm::None:
        break;
    }
    return VA_FORM_NONE;
}

VaConfiguration *readConfigurationFile(const char *path, size_t *line, std::string *reason)
{
    *line = 0;
    std::string bytes;
    switch (genicam::readFileAt(AT_FDCWD, path, genicam::kMaxConfigurationSize, true, &bytes)) {
    case genicam::FileRead::Done:
        break;
    case genicam::FileRead::Unreadable:
        *reason = std::string("cannot be read: ") + strerror(errno);
        return nullptr;
    case genicam::FileRead::NotAFile:
        *reason = "not a regular file";
        return nullptr;
    case genicam::FileRead::TooLarge:
        *reason = "larger than 16 MiB";
        return nullptr;
    }
    std::unique_ptr<VaConfiguration> file(new VaConfiguration);
    genicam::FileFault fault;
    if (!genicam::parseConfigurationFile(bytes, &file->entries, &fault)) {
        *line = fault.line;
        *reason = fault.reason;
        return nullptr;
    }
    return file.release();
}

namespace {

const size_t kMaxRootTag = 4096;  // the root element's start tag, at most

// The value of the attribute name in tag (the text of a start tag), or "".
std::string attribute(std::string_view tag, std::string_view name)
{
    for (size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
        size_t after = at + name.size();
        bool spaced = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' || tag[at - 1] == '\n' ||
                                 tag[at - 1] == '\r');
        if (!spaced || after + 1 >= tag.size() || tag[after] != '=' || (tag[after + 1] != '"' && tag[after + 1] != '\''))
            continue;
        size_t end = tag.find(tag[after + 1], after + 2);
        if (end == std::string_view::npos)
            return "";
        return std::string(tag.substr(after + 2, end - after - 2));
    }
    return "";
}

} // namespace

std::string descriptionVersion(std::string_view xml)
{
    size_t start = xml.find("<RegisterDescription");
    if (start == std::string_view::npos)
        return "";
    std::string_view tag = xml.substr(start, kMaxRootTag);
    tag = tag.substr(0, tag.find('>'));
    std::string major = attribute(tag, "MajorVersion"), minor = attribute(tag, "MinorVersion"),
                sub = attribute(tag, "SubMinorVersion");
    if (major.empty() || minor.empty() || sub.empty())
        return "";
    return major + "." + minor + "." + sub;
}

void ConfigurationOutput::clear()
{
    file_.clear();
    applied_ = genicam::ApplyResult();
    compared_ = genicam::CompareResult();
    settings_.clear();
    failures_.clear();
    differences_.clear();
}

VaValueName ConfigurationOutput::name(const genicam::ValueName &value)
{
    std::vector<VaSelectorSetting> &settings = settings_.emplace_back();
    for (const auto &selector : value.selectors)
        settings.push_back(VaSelectorSetting{selector.first.c_str(), selector.second.c_str()});
    return VaValueName{value.feature.c_str(), settings.data(), settings.size()};
}

int ConfigurationOutput::save(genicam::Session &session, const VaConfigurationHeader &header,
                              const std::string &version, VaSaved *saved)
{
    clear();
    genicam::ConfigurationHeader facts;
    facts.writer = header.writer ? header.writer : "";
    facts.vendor = header.vendor ? header.vendor : "";
    facts.model = header.model ? header.model : "";
    facts.serialNumber = header.serialNumber ? header.serialNumber : "";
    facts.descriptionVersion = version;
    genicam::SessionFeatures camera(session);
    genicam::SaveResult result = genicam::saveConfiguration(camera, facts);
    file_ = result.saved ? std::move(result.file) : std::move(result.reason);
    *saved = VaSaved{file_.c_str(), file_.size(), result.saved ? result.values : 0};
    return result.saved ? 0 : -1;
}

int ConfigurationOutput::apply(genicam::Session &session, const VaConfiguration &file, VaApplied *applied)
{
    clear();
    genicam::SessionFeatures camera(session);
    applied_ = genicam::applyConfiguration(camera, file.entries);
    for (const genicam::ValueFailure &failure : applied_.failures)
        failures_.push_back(VaValueFailure{name(failure.value), failure.error.text.c_str(), failure.line});
    *applied = VaApplied{applied_.values, failures_.data(), failures_.size(), applied_.restored ? 1 : 0,
                         applied_.restoreReason.c_str()};
    return applied_.applied() ? 0 : 1;
}

int ConfigurationOutput::compare(genicam::Session &session, const VaConfiguration &file, VaCompared *compared)
{
    clear();
    genicam::SessionFeatures camera(session);
    compared_ = genicam::compareConfiguration(camera, file.entries);
    for (const genicam::Difference &difference : compared_.differences)
        differences_.push_back(VaDifference{name(difference.value), difference.readable ? 1 : 0,
                                            difference.camera.c_str(),
                                            difference.readable ? formNumber(difference.form) : VA_FORM_NONE,
                                            difference.file.c_str(), difference.line});
    *compared = VaCompared{compared_.values, differences_.data(), differences_.size(), compared_.putBack ? 1 : 0,
                           compared_.putBackReason.c_str()};
    return compared_.matches() && compared_.putBack ? 0 : 1;
}
