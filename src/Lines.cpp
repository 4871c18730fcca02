// Every line of a run (Lines.h), each written once as its event and its
// fields in the order of the text line (Line below); the format the run
// chose renders it, as text or as JSON Lines (LineFormat.h).
#include "Lines.h"

#include <inttypes.h>
#include <stdio.h>

#include "LineFormat.h"
#include "LinuxUtil.h"

namespace {

LineFormat *sFormat = NULL;  // the run's format; NULL until -j: text
int sCamera = 0;       // the camera of the last heading
int64_t sStartNs = 0;  // when the run started, on the monotonic clock

// One line, handed piece by piece to the run's format: each piece as it
// stands in the text line, those of JSON alone among them.
// The run's format.
LineFormat &format()
{
    return sFormat != NULL ? *sFormat : textLines();
}

class Line {
public:
    Line(const char *event, LineScope scope) : format_(format()) { format_.begin(event, scope, sCamera); }
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;

    Line &say(const char *words)
    {
        format_.say(words);
        return *this;
    }
    Line &sayOutside(const char *text)
    {
        format_.sayOutside(text);
        return *this;
    }
    Line &outside(const char *name, const char *text, bool shown = true)
    {
        format_.outside(name, text, shown);
        return *this;
    }
    Line &file(const char *name, const char *path)
    {
        format_.file(name, path);
        return *this;
    }
    Line &word(const char *name, const char *text, bool shown = true)
    {
        format_.word(name, text, shown);
        return *this;
    }
    Line &number(const char *name, int64_t value)
    {
        format_.number(name, value);
        return *this;
    }
    Line &truth(const char *name, bool value)
    {
        format_.truth(name, value);
        return *this;
    }
    Line &value(const char *name, const VaValue &value)
    {
        format_.value(name, value);
        return *this;
    }
    Line &selectors(const Selectors &selectors)
    {
        format_.selectors(selectors);
        return *this;
    }
    // A feature's value: typed as "value" in JSON, its text as "text".
    Line &featureValue(const VaValue &value)
    {
        format_.value("value", value);
        format_.outside("text", value.text, true);
        return *this;
    }
    // "<lead><name>[ [A=x, B=y]]" of a configuration's value.
    Line &selectedFeature(const char *lead, const char *name, const Selectors &selectors)
    {
        say(lead);
        outside("feature", name);
        return this->selectors(selectors);
    }
    void end() { format_.end(); }

private:
    LineFormat &format_;
};

// "Feature [<path>/]<name> (<type>, <access>) " of -a.
Line &listedStart(Line &line, const ListedFeature &feature)
{
    line.say("Feature ").outside("path", feature.path, false);
    if (feature.path[0] != '\0')
        line.sayOutside(feature.path).say("/");
    return line.outside("feature", feature.name)
        .say(" (")
        .outside("type", feature.type)
        .say(", ")
        .outside("access", feature.access)
        .say(") ");
}

// "0x60018": an address as the lines show it.
struct AddressText {
    explicit AddressText(uint64_t address) { snprintf(text, sizeof text, "0x%" PRIX64, address); }
    char text[24];
};

} // namespace

double elapsedSeconds()
{
    int64_t ms = (monotonicNanoseconds() - sStartNs) / 1000000;
    return (double)(ms < 0 ? 0 : ms) / 1000.0;
}

void startLineClock()
{
    sStartNs = monotonicNanoseconds();
}

void printLinesAsJson(bool json)
{
    sFormat = json ? &jsonLines() : &textLines();
}

void printLogFileLine(const char *file)
{
    Line("log-file", SCAN_LINE).say("Output directed to ").file("file", file).say(".  PRESS ANY KEY TO EXIT").end();
}

void printScanLine(int64_t elapsedSeconds)
{
    char stamp[48];
    formatElapsed(elapsedSeconds, stamp, sizeof stamp);
    Line("scan", SCAN_LINE).say(stamp).say(" Camera scan ....").end();
}

void printNoCamerasLine()
{
    Line("no-cameras", SCAN_LINE).say("    No cameras found !!").end();
}

void printOutOfMemoryLine()
{
    Line("out-of-memory", SCAN_LINE).say("    Out of memory error.").end();
}

void printRecordsFailedLine(int32_t status)
{
    char code[16];
    snprintf(code, sizeof code, "0x%8.8X", (unsigned int)status);
    Line("records-failed", SCAN_LINE).say("    Unable to read camera id info (Error ").word("status", code).say(")").end();
}

void printCameraLine(int camera)
{
    sCamera = camera;
    char number[16];
    snprintf(number, sizeof number, "%d", camera);
    Line("camera", CAMERA_HEADING).say("    Camera ").say(number).end();
}

void printNoMatchLine(const char *selection)
{
    Line("no-match", SCAN_LINE).say("    No camera matches ").outside("selection", selection).end();
}

void printPromptLine(int delayMs)
{
    Line("prompt", SCAN_LINE).say("PRESS ANY KEY TO EXIT (after ").number("delay", delayMs).say(" ms delay)").end();
}

void printIdentityLine(const char *label, const char *field, const char *text)
{
    Line("identity", CAMERA_LINE)
        .say(label)
        .say(text[0] != '\0' ? ": " : ":")
        .word("field", field, false)
        .outside("value", text)
        .end();
}

void printIdentityFailedLine(const char *name, const char *field)
{
    Line("identity-failed", CAMERA_LINE).say("Could not read the camera's ").say(name).word("field", field, false).end();
}

void printRegisterReadLine(uint64_t address, uint32_t value, RegisterMode mode)
{
    format().registerRead(address, value, mode, sCamera);
}

void printRegisterWrittenLine(uint64_t address, uint32_t value)
{
    format().registerWritten(address, value, sCamera);
}

void printRegisterFailedLine(const char *operation, uint64_t address, const char *reason)
{
    Line line("register-failed", CAMERA_LINE);
    line.say("Could not ").say(operation).say(" register ").word("address", AddressText(address).text);
    line.word("operation", operation, false);
    if (reason != NULL)
        line.say(": ").outside("reason", reason);
    line.end();
}

void printFeatureReadLine(const char *name, const VaValue &value)
{
    Line("feature-read", CAMERA_LINE)
        .say("Feature ")
        .outside("feature", name)
        .say(" read as ")
        .featureValue(value)
        .end();
}

void printFeatureWrittenLine(const char *name, const char *given, const VaValue &written)
{
    Line("feature-written", CAMERA_LINE)
        .say("Feature ")
        .outside("feature", name)
        .say(" written with value ")
        .value("value", written)
        .outside("text", given)
        .end();
}

void printFeatureFailedLine(const char *operation, const char *name, const char *reason)
{
    Line("feature-failed", CAMERA_LINE)
        .say("Could not ")
        .say(operation)
        .say(" feature ")
        .outside("feature", name)
        .word("operation", operation, false)
        .say(": ")
        .outside("reason", reason)
        .end();
}

void printDescriptionSavedLine(const char *file)
{
    Line("description-saved", CAMERA_LINE).say("GenICam description saved to ").file("file", file).end();
}

void printDescriptionFailedLine(const char *file, const char *reason)
{
    Line("description-failed", CAMERA_LINE)
        .say("Could not save the GenICam description to ")
        .file("file", file)
        .say(": ")
        .outside("reason", reason)
        .end();
}

void printDescriptionUnreadableLine(const char *reason)
{
    Line("description-unreadable", CAMERA_LINE)
        .say("Could not read the GenICam description: ")
        .outside("reason", reason)
        .end();
}

void printListedFeatureLine(const ListedFeature &feature, const VaValue &value)
{
    Line line("feature", CAMERA_LINE);
    listedStart(line, feature).say("read as ").featureValue(value).end();
}

void printUnreadableListedFeatureLine(const ListedFeature &feature, const char *reason)
{
    Line line("feature", CAMERA_LINE);
    listedStart(line, feature).say("cannot be read: ").outside("reason", reason).end();
}

void printListingFailedLine(const char *reason)
{
    Line("listing-failed", CAMERA_LINE).say("Could not list the features: ").outside("reason", reason).end();
}

void printConfigurationSavedLine(const char *file, size_t count)
{
    Line("configuration-saved", CAMERA_LINE)
        .say("Configuration saved to ")
        .file("file", file)
        .say(" (")
        .number("count", (int64_t)count)
        .say(" values)")
        .end();
}

void printConfigurationNotSavedLine(const char *reason)
{
    Line("configuration-not-saved", CAMERA_LINE)
        .say("Could not save the configuration: ")
        .outside("reason", reason)
        .end();
}

void printConfigurationAppliedLine(const char *file, size_t count)
{
    Line("configuration-applied", CAMERA_LINE)
        .say("Configuration ")
        .file("file", file)
        .say(" applied: ")
        .number("count", (int64_t)count)
        .say(" values written and verified")
        .end();
}

void printValueFailedLine(const char *name, const Selectors &selectors, const char *reason)
{
    Line("value-failed", CAMERA_LINE)
        .selectedFeature("Could not apply feature ", name, selectors)
        .say(": ")
        .outside("reason", reason)
        .end();
}

void printConfigurationNotAppliedLine(const char *file, size_t failed, const char *restoreFailure)
{
    Line line("configuration-not-applied", CAMERA_LINE);
    line.say("Configuration ").file("file", file).say(" not applied: ").number("count", (int64_t)failed);
    line.say(" values failed; ").truth("restored", restoreFailure == NULL);
    if (restoreFailure == NULL)
        line.say("the previous settings are restored");
    else
        line.say("restoring the previous settings failed too: ").outside("reason", restoreFailure);
    line.end();
}

void printDifferenceLine(const char *name, const Selectors &selectors, const VaValue &camera, const char *wanted)
{
    Line("difference", CAMERA_LINE)
        .selectedFeature("Feature ", name, selectors)
        .say(" is ")
        .featureValue(camera)
        .say(", the file has ")
        .outside("wanted", wanted)
        .end();
}

void printUnreadableDifferenceLine(const char *name, const Selectors &selectors, const char *reason,
                                   const char *wanted)
{
    Line("difference", CAMERA_LINE)
        .selectedFeature("Feature ", name, selectors)
        .say(" cannot be read (")
        .outside("reason", reason)
        .say("), the file has ")
        .outside("wanted", wanted)
        .end();
}

void printSelectorsNotSetBackLine(const char *reason)
{
    Line("selectors-not-set-back", CAMERA_LINE)
        .say("Could not set the selectors back after comparing: ")
        .outside("reason", reason)
        .end();
}

void printConfigurationMatchesLine(const char *file)
{
    Line("configuration-matches", CAMERA_LINE).say("Configuration matches ").file("file", file).end();
}

void printConfigurationDiffersLine(const char *file, size_t count)
{
    Line("configuration-differs", CAMERA_LINE)
        .say("Configuration differs from ")
        .file("file", file)
        .say(" in ")
        .number("count", (int64_t)count)
        .say(" values")
        .end();
}
