// Every line of a run, as text or as JSON Lines (Lines.h).  The JSON is made
// with nlohmann-json: an object whose members keep the order of the line.
#include "Lines.h"

#include <errno.h>
#include <inttypes.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <string>

#include <nlohmann/json.hpp>

#include "EscapedText.h"
#include "LinuxUtil.h"

namespace {

using Json = nlohmann::ordered_json;

// The indent of a camera's lines.
const char kIndent[] = "        ";

bool sJson = false;
int sCamera = 0;        // the camera of the last heading
int64_t sStartNs = 0;   // when the run started, on the monotonic clock

int64_t monotonicNs()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

// Seconds since the start, to the millisecond.
double elapsedSeconds()
{
    int64_t ms = (monotonicNs() - sStartNs) / 1000000;
    return (double)(ms < 0 ? 0 : ms) / 1000.0;
}

// An object of a scan-level line: its event and elapsed time.
Json scanObject(const char *event)
{
    Json line;
    line["event"] = event;
    line["elapsed"] = elapsedSeconds();
    return line;
}

// An object of a camera's line: its event, elapsed time and camera.
Json cameraObject(const char *event)
{
    Json line = scanObject(event);
    line["camera"] = sCamera;
    return line;
}

void emit(const Json &line)
{
    std::string text = line.dump();
    text += '\n';
    fputs(text.c_str(), stdout);
}

// Text from outside as a JSON string: escaped, so printable ASCII.
Json escaped(const char *text)
{
    return escapedString(text);
}

// "0x60018": an address as the lines show it.
std::string addressText(uint64_t address)
{
    char text[24];
    snprintf(text, sizeof text, "0x%" PRIX64, address);
    return text;
}

// A float as the number of the fewest digits that reads back as it (0.1
// for the float nearest 0.1), or null when it is not finite.  Found with
// printf rather than std::to_chars, whose tables would triple the tool's
// size and so its start-up.
Json floatNumber(float number)
{
    if (!isfinite(number))
        return nullptr;
    const int kFloatDigits = 9;  // enough for any float to read back
    char text[48];
    for (int digits = 1; digits <= kFloatDigits; digits++) {
        snprintf(text, sizeof text, "%.*g", digits, (double)number);
        if (strtof(text, NULL) == number)
            break;
    }
    return strtod(text, NULL);
}

// A feature's value in its own type: a number for an Integer or a Float
// (null when not finite), true or false for a Boolean, null for a Command,
// a string for the rest: its text, escaped.
Json typedValue(const VaValue &value)
{
    switch (value.form) {
    case VA_FORM_INTEGER:
        return value.integer;
    case VA_FORM_FLOAT:
        return isfinite(value.floating) ? Json(value.floating) : Json(nullptr);
    case VA_FORM_BOOLEAN:
        return value.integer != 0;
    case VA_FORM_COMMAND:
        return nullptr;
    default:
        return escaped(value.text);
    }
}

// The selectors as an object, in their order.
Json selectorObject(const Selectors &selectors)
{
    Json object = Json::object();
    for (size_t k = 0; k < selectors.count; k++)
        object[escapedString(selectors.settings[k].name)] = escaped(selectors.settings[k].value);
    return object;
}

// Prints "<indent>Feature <name>[ [A=x, B=y]]" of a configuration's value.
void printSelectedName(const char *lead, const char *name, const Selectors &selectors)
{
    fputs(kIndent, stdout);
    fputs(lead, stdout);
    printEscaped(name);
    if (selectors.count == 0)
        return;
    fputs(" [", stdout);
    for (size_t k = 0; k < selectors.count; k++) {
        if (k > 0)
            fputs(", ", stdout);
        printEscaped(selectors.settings[k].name);
        putchar('=');
        printEscaped(selectors.settings[k].value);
    }
    putchar(']');
}

// Ends a line with text from outside, escaped.
void endLineWith(const char *text)
{
    printEscaped(text);
    putchar('\n');
}

// "Feature [<path>/]<name> (<type>, <access>) " of -a.
void printListedStart(const ListedFeature &feature)
{
    fputs(kIndent, stdout);
    fputs("Feature ", stdout);
    if (feature.path[0] != '\0') {
        printEscaped(feature.path);
        putchar('/');
    }
    printEscaped(feature.name);
    fputs(" (", stdout);
    printEscaped(feature.type);
    fputs(", ", stdout);
    printEscaped(feature.access);
    fputs(") ", stdout);
}

Json listedObject(const ListedFeature &feature)
{
    Json line = cameraObject("feature");
    line["path"] = escaped(feature.path);
    line["feature"] = escaped(feature.name);
    line["type"] = escaped(feature.type);
    line["access"] = escaped(feature.access);
    return line;
}

} // namespace

void startLineClock()
{
    sStartNs = monotonicNs();
}

void printLinesAsJson(bool json)
{
    sJson = json;
}

void printLogFileLine(const char *file)
{
    if (!sJson) {
        printf("Output directed to %s.  PRESS ANY KEY TO EXIT\n", file);
        return;
    }
    Json line = scanObject("log-file");
    line["file"] = escaped(file);
    emit(line);
}

void printScanLine(int64_t elapsedSeconds)
{
    if (sJson) {
        emit(scanObject("scan"));
        return;
    }
    char stamp[48];
    formatElapsed(elapsedSeconds, stamp, sizeof stamp);
    printf("%s Camera scan ....\n", stamp);
}

void printNoCamerasLine()
{
    if (sJson)
        emit(scanObject("no-cameras"));
    else
        printf("    No cameras found !!\n");
}

void printOutOfMemoryLine()
{
    if (sJson)
        emit(scanObject("out-of-memory"));
    else
        printf("    Out of memory error.\n");
}

void printRecordsFailedLine(int32_t status)
{
    char code[16];
    snprintf(code, sizeof code, "0x%8.8X", (unsigned int)status);
    if (!sJson) {
        printf("    Unable to read camera id info (Error %s)\n", code);
        return;
    }
    Json line = scanObject("records-failed");
    line["status"] = code;
    emit(line);
}

void printCameraLine(int camera)
{
    sCamera = camera;
    if (!sJson) {
        printf("    Camera %d\n", camera);
        return;
    }
    emit(cameraObject("camera"));
}

void printNoMatchLine(const char *selection)
{
    if (!sJson) {
        fputs("    No camera matches ", stdout);
        endLineWith(selection);
        return;
    }
    Json line = scanObject("no-match");
    line["selection"] = escaped(selection);
    emit(line);
}

void printPromptLine(int delayMs)
{
    if (!sJson) {
        printf("PRESS ANY KEY TO EXIT (after %d ms delay)\n", delayMs);
        return;
    }
    Json line = scanObject("prompt");
    line["delay"] = delayMs;
    emit(line);
}

void printIdentityLine(const char *label, const char *field, const char *text)
{
    if (!sJson) {
        printf("%s%s:%s", kIndent, label, text[0] != '\0' ? " " : "");
        endLineWith(text);
        return;
    }
    Json line = cameraObject("identity");
    line["field"] = field;
    line["value"] = escaped(text);
    emit(line);
}

void printIdentityFailedLine(const char *name, const char *field)
{
    if (!sJson) {
        printf("%sCould not read the camera's %s\n", kIndent, name);
        return;
    }
    Json line = cameraObject("identity-failed");
    line["field"] = field;
    emit(line);
}

void printRegisterReadLine(uint64_t address, uint32_t value, RegisterMode mode)
{
    float single;
    memcpy(&single, &value, sizeof single);
    if (!sJson) {
        // As fast as a line can be: registers are read by the hundred thousand.
        if (mode == REGISTER_DECIMAL)
            printf("        Register 0x%" PRIX64 " read as %d\n", address, (int)value);
        else if (mode == REGISTER_FLOAT)
            printf("        Register 0x%" PRIX64 " read as %f\n", address, (double)single);
        else
            printf("        Register 0x%" PRIX64 " read as 0x%08X\n", address, value);
        return;
    }
    char text[64];
    Json line = cameraObject("register-read");
    line["address"] = addressText(address);
    if (mode == REGISTER_DECIMAL) {
        snprintf(text, sizeof text, "%d", (int)value);
        line["value"] = (int32_t)value;
    } else if (mode == REGISTER_FLOAT) {
        snprintf(text, sizeof text, "%f", (double)single);
        line["value"] = floatNumber(single);
    } else {
        snprintf(text, sizeof text, "0x%08X", value);
        line["value"] = value;
    }
    line["text"] = text;
    emit(line);
}

void printRegisterWrittenLine(uint64_t address, uint32_t value)
{
    if (!sJson) {
        printf("        Register 0x%" PRIX64 " written with value 0x%08X\n", address, value);
        return;
    }
    char text[16];
    snprintf(text, sizeof text, "0x%08X", value);
    Json line = cameraObject("register-written");
    line["address"] = addressText(address);
    line["value"] = value;
    line["text"] = text;
    emit(line);
}

void printRegisterFailedLine(const char *operation, uint64_t address, const char *reason)
{
    if (!sJson) {
        printf("%sCould not %s register 0x%" PRIX64, kIndent, operation, address);
        if (reason != NULL) {
            fputs(": ", stdout);
            printEscaped(reason);
        }
        putchar('\n');
        return;
    }
    Json line = cameraObject("register-failed");
    line["address"] = addressText(address);
    line["operation"] = operation;
    if (reason != NULL)
        line["reason"] = escaped(reason);
    emit(line);
}

void printFeatureReadLine(const char *name, const VaValue &value)
{
    if (!sJson) {
        fputs(kIndent, stdout);
        fputs("Feature ", stdout);
        printEscaped(name);
        fputs(" read as ", stdout);
        endLineWith(value.text);
        return;
    }
    Json line = cameraObject("feature-read");
    line["feature"] = escaped(name);
    line["value"] = typedValue(value);
    line["text"] = escaped(value.text);
    emit(line);
}

void printFeatureWrittenLine(const char *name, const char *given, const VaValue &written)
{
    if (!sJson) {
        fputs(kIndent, stdout);
        fputs("Feature ", stdout);
        printEscaped(name);
        fputs(" written with value ", stdout);
        endLineWith(given);
        return;
    }
    Json line = cameraObject("feature-written");
    line["feature"] = escaped(name);
    line["value"] = typedValue(written);
    line["text"] = escaped(given);
    emit(line);
}

void printFeatureFailedLine(const char *operation, const char *name, const char *reason)
{
    if (!sJson) {
        printf("%sCould not %s feature ", kIndent, operation);
        printEscaped(name);
        fputs(": ", stdout);
        endLineWith(reason);
        return;
    }
    Json line = cameraObject("feature-failed");
    line["feature"] = escaped(name);
    line["operation"] = operation;
    line["reason"] = escaped(reason);
    emit(line);
}

void printDescriptionSavedLine(const char *file)
{
    if (!sJson) {
        printf("%sGenICam description saved to %s\n", kIndent, file);
        return;
    }
    Json line = cameraObject("description-saved");
    line["file"] = escaped(file);
    emit(line);
}

void printDescriptionFailedLine(const char *file, const char *reason)
{
    if (!sJson) {
        printf("%sCould not save the GenICam description to %s: ", kIndent, file);
        endLineWith(reason);
        return;
    }
    Json line = cameraObject("description-failed");
    line["file"] = escaped(file);
    line["reason"] = escaped(reason);
    emit(line);
}

void printDescriptionUnreadableLine(const char *reason)
{
    if (!sJson) {
        printf("%sCould not read the GenICam description: ", kIndent);
        endLineWith(reason);
        return;
    }
    Json line = cameraObject("description-unreadable");
    line["reason"] = escaped(reason);
    emit(line);
}

void printListedFeatureLine(const ListedFeature &feature, const VaValue &value)
{
    if (!sJson) {
        printListedStart(feature);
        fputs("read as ", stdout);
        endLineWith(value.text);
        return;
    }
    Json line = listedObject(feature);
    line["value"] = typedValue(value);
    line["text"] = escaped(value.text);
    emit(line);
}

void printUnreadableListedFeatureLine(const ListedFeature &feature, const char *reason)
{
    if (!sJson) {
        printListedStart(feature);
        fputs("cannot be read: ", stdout);
        endLineWith(reason);
        return;
    }
    Json line = listedObject(feature);
    line["reason"] = escaped(reason);
    emit(line);
}

void printListingFailedLine(const char *reason)
{
    if (!sJson) {
        printf("%sCould not list the features: ", kIndent);
        endLineWith(reason);
        return;
    }
    Json line = cameraObject("listing-failed");
    line["reason"] = escaped(reason);
    emit(line);
}

void printConfigurationSavedLine(const char *file, size_t count)
{
    if (!sJson) {
        printf("%sConfiguration saved to %s (%zu values)\n", kIndent, file, count);
        return;
    }
    Json line = cameraObject("configuration-saved");
    line["file"] = escaped(file);
    line["count"] = count;
    emit(line);
}

void printConfigurationNotSavedLine(const char *reason)
{
    if (!sJson) {
        printf("%sCould not save the configuration: ", kIndent);
        endLineWith(reason);
        return;
    }
    Json line = cameraObject("configuration-not-saved");
    line["reason"] = escaped(reason);
    emit(line);
}

void printConfigurationAppliedLine(const char *file, size_t count)
{
    if (!sJson) {
        printf("%sConfiguration %s applied: %zu values written and verified\n", kIndent, file, count);
        return;
    }
    Json line = cameraObject("configuration-applied");
    line["file"] = escaped(file);
    line["count"] = count;
    emit(line);
}

void printValueFailedLine(const char *name, const Selectors &selectors, const char *reason)
{
    if (!sJson) {
        printSelectedName("Could not apply feature ", name, selectors);
        fputs(": ", stdout);
        endLineWith(reason);
        return;
    }
    Json line = cameraObject("value-failed");
    line["feature"] = escaped(name);
    line["selectors"] = selectorObject(selectors);
    line["reason"] = escaped(reason);
    emit(line);
}

void printConfigurationNotAppliedLine(const char *file, size_t failed, const char *restoreFailure)
{
    if (!sJson) {
        printf("%sConfiguration %s not applied: %zu values failed; ", kIndent, file, failed);
        if (restoreFailure == NULL) {
            puts("the previous settings are restored");
            return;
        }
        fputs("restoring the previous settings failed too: ", stdout);
        endLineWith(restoreFailure);
        return;
    }
    Json line = cameraObject("configuration-not-applied");
    line["file"] = escaped(file);
    line["count"] = failed;
    line["restored"] = restoreFailure == NULL;
    if (restoreFailure != NULL)
        line["reason"] = escaped(restoreFailure);
    emit(line);
}

void printDifferenceLine(const char *name, const Selectors &selectors, const VaValue &camera,
                         const char *wanted)
{
    if (!sJson) {
        printSelectedName("Feature ", name, selectors);
        fputs(" is ", stdout);
        printEscaped(camera.text);
        fputs(", the file has ", stdout);
        endLineWith(wanted);
        return;
    }
    Json line = cameraObject("difference");
    line["feature"] = escaped(name);
    line["selectors"] = selectorObject(selectors);
    line["value"] = typedValue(camera);
    line["text"] = escaped(camera.text);
    line["wanted"] = escaped(wanted);
    emit(line);
}

void printUnreadableDifferenceLine(const char *name, const Selectors &selectors, const char *reason,
                                   const char *wanted)
{
    if (!sJson) {
        printSelectedName("Feature ", name, selectors);
        fputs(" cannot be read (", stdout);
        printEscaped(reason);
        fputs("), the file has ", stdout);
        endLineWith(wanted);
        return;
    }
    Json line = cameraObject("difference");
    line["feature"] = escaped(name);
    line["selectors"] = selectorObject(selectors);
    line["reason"] = escaped(reason);
    line["wanted"] = escaped(wanted);
    emit(line);
}

void printSelectorsNotSetBackLine(const char *reason)
{
    if (!sJson) {
        printf("%sCould not set the selectors back after comparing: ", kIndent);
        endLineWith(reason);
        return;
    }
    Json line = cameraObject("selectors-not-set-back");
    line["reason"] = escaped(reason);
    emit(line);
}

void printConfigurationMatchesLine(const char *file)
{
    if (!sJson) {
        printf("%sConfiguration matches %s\n", kIndent, file);
        return;
    }
    Json line = cameraObject("configuration-matches");
    line["file"] = escaped(file);
    emit(line);
}

void printConfigurationDiffersLine(const char *file, size_t count)
{
    if (!sJson) {
        printf("%sConfiguration differs from %s in %zu values\n", kIndent, file, count);
        return;
    }
    Json line = cameraObject("configuration-differs");
    line["file"] = escaped(file);
    line["count"] = count;
    emit(line);
}
