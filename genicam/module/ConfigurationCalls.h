// The GenICam module's configuration calls (-o, -p, -m) over a camera's
// Session: configuration files read once for the run, and the results of
// saving, applying and comparing given out in the module's C structures,
// kept until the camera's next call.
#ifndef VISIONACCESS_CONFIGURATIONCALLS_H
#define VISIONACCESS_CONFIGURATIONCALLS_H

#include <stddef.h>

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "configuration/Configuration.h"
#include "configuration/ConfigurationFile.h"
#include "Engine.h"
#include "GenicamModule.h"

struct VaConfiguration {
    std::vector<genicam::ConfigurationEntry> entries;
};

// The module's number for a form (an enum VaValueForm).
int formNumber(genicam::ValueForm form);

// Reads and checks the configuration file at path; nullptr with the line
// at fault (0: the file as a whole) and the reason.
VaConfiguration *readConfigurationFile(const char *path, size_t *line, std::string *reason);

// The version a description's root element gives ("1.2.0"), or "" when its
// MajorVersion, MinorVersion or SubMinorVersion cannot be found.
std::string descriptionVersion(std::string_view xml);

// What the last configuration call of a camera gave out.
class ConfigurationOutput {
public:
    // The file saved, or why not: 0 or -1, as the call returns.
    int save(genicam::Session &session, const VaConfigurationHeader &header, const std::string &version,
             VaSaved *saved);
    // 0 when applied, 1 when not, with *applied.
    int apply(genicam::Session &session, const VaConfiguration &file, VaApplied *applied);
    // 0 when it matches, 1 when not, with *compared.
    int compare(genicam::Session &session, const VaConfiguration &file, VaCompared *compared);

private:
    // A value's name as the module gives it, its texts kept here.
    VaValueName name(const genicam::ValueName &value);
    void clear();

    std::string file_;
    genicam::ApplyResult applied_;
    genicam::CompareResult compared_;
    std::deque<std::vector<VaSelectorSetting>> settings_;  // one for each value given out
    std::vector<VaValueFailure> failures_;
    std::vector<VaDifference> differences_;
};

#endif
