// Configuration files as camera tools exchange them (GenApi persistence
// files, often named .pfs): a magic first line, comment lines, then one
// "Name<TAB>Value" line per value.  The reader takes what other tools write
// (CRLF, comments and blank lines anywhere) and refuses anything else with
// the line and the reason; the writer writes what they read.
#ifndef GENICAM_ENGINE_CONFIGURATIONFILE_H
#define GENICAM_ENGINE_CONFIGURATIONFILE_H

#include <stddef.h>

#include <string>
#include <string_view>
#include <vector>

namespace genicam {

// The first line of a file of one feature set, and of a file of several
// (user sets, sequencer sets), which this reader refuses.
extern const char kConfigurationMagic[];
extern const char kMultipleSetsMagic[];

// One value line: its line number (from 1), the feature's name and the
// value's text as the file has it (a CRLF's CR taken off).
struct ConfigurationEntry {
    size_t line = 0;
    std::string name;
    std::string value;
};

// Why a file was refused: the line (0 for the file as a whole) and why.
struct FileFault {
    size_t line = 0;
    std::string reason;
};

const size_t kMaxConfigurationSize = 16u << 20;  // the whole file
const size_t kMaxConfigurationLine = 1u << 20;   // one line, without its end
const size_t kMaxConfigurationEntries = 1u << 20;

// True for a GenICam name: a letter, then letters, digits or '_'.
bool isGenicamName(std::string_view text);

// Reads a file's bytes into its value lines, in file order; false with the
// fault when the file is not a configuration file.
bool parseConfigurationFile(std::string_view bytes, std::vector<ConfigurationEntry> *entries, FileFault *fault);

// Who wrote a file and of which camera, for its comment lines.
struct ConfigurationHeader {
    std::string writer;  // "VisionAccess 1.0.0"
    std::string vendor, model, serialNumber, descriptionVersion;
};

// The file of entries: the magic line, comment lines from header (its
// texts with anything but printable ASCII written as \xNN), then one
// "Name<TAB>Value" line per entry, LF-terminated.  False with a reason when
// a name is no GenICam name or a value holds a tab, CR or LF.
bool writeConfigurationFile(const ConfigurationHeader &header, const std::vector<ConfigurationEntry> &entries,
                            std::string *text, std::string *reason);

} // namespace genicam

#endif
