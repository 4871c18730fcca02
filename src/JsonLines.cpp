// Lines as JSON Lines (LineFormat.h, doc/visionaccess-jsonl.5): each line
// one object, made with nlohmann-json, its members in the order of the line
// after "event", "elapsed" and, for a camera's, "camera".
#include <inttypes.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include <nlohmann/json.hpp>

#include "EscapedText.h"
#include "LineFormat.h"

namespace {

using Json = nlohmann::ordered_json;

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

class JsonLines final : public LineFormat {
public:
    void begin(const char *event, LineScope scope, int camera) override
    {
        line_ = Json();
        line_["event"] = event;
        line_["elapsed"] = elapsedSeconds();
        if (scope != SCAN_LINE)
            line_["camera"] = camera;
    }
    void say(const char *) override {}
    void outside(const char *name, const char *text, bool) override { line_[name] = escaped(text); }
    void sayOutside(const char *) override {}
    void file(const char *name, const char *path) override { line_[name] = escaped(path); }
    void word(const char *name, const char *text, bool) override { line_[name] = text; }
    void number(const char *name, int64_t value) override { line_[name] = value; }
    void truth(const char *name, bool value) override { line_[name] = value; }
    // A number for an Integer or a Float (null when not finite), true or
    // false for a Boolean, null for a Command, a string for the rest: its
    // text, escaped.
    void value(const char *name, const VaValue &value) override
    {
        switch (value.form) {
        case VA_FORM_INTEGER:
            line_[name] = value.integer;
            break;
        case VA_FORM_FLOAT:
            line_[name] = isfinite(value.floating) ? Json(value.floating) : Json(nullptr);
            break;
        case VA_FORM_BOOLEAN:
            line_[name] = value.integer != 0;
            break;
        case VA_FORM_COMMAND:
            line_[name] = nullptr;
            break;
        default:
            line_[name] = escaped(value.text);
            break;
        }
    }
    void selectors(const Selectors &selectors) override
    {
        Json object = Json::object();
        for (size_t k = 0; k < selectors.count; k++)
            object[escapedString(selectors.settings[k].name)] = escaped(selectors.settings[k].value);
        line_["selectors"] = object;
    }
    void end() override
    {
        std::string text = line_.dump();
        text += '\n';
        fputs(text.c_str(), stdout);
    }

    void registerRead(uint64_t address, uint32_t value, RegisterMode mode, int camera) override
    {
        char text[64];
        begin("register-read", CAMERA_LINE, camera);
        line_["address"] = addressText(address);
        if (mode == REGISTER_DECIMAL) {
            snprintf(text, sizeof text, "%d", (int)value);
            line_["value"] = (int32_t)value;
        } else if (mode == REGISTER_FLOAT) {
            float single;
            memcpy(&single, &value, sizeof single);
            snprintf(text, sizeof text, "%f", (double)single);
            line_["value"] = floatNumber(single);
        } else {
            snprintf(text, sizeof text, "0x%08X", value);
            line_["value"] = value;
        }
        line_["text"] = text;
        end();
    }
    void registerWritten(uint64_t address, uint32_t value, int camera) override
    {
        char text[16];
        snprintf(text, sizeof text, "0x%08X", value);
        begin("register-written", CAMERA_LINE, camera);
        line_["address"] = addressText(address);
        line_["value"] = value;
        line_["text"] = text;
        end();
    }

private:
    Json line_;  // the line being made
};

} // namespace

LineFormat &jsonLines()
{
    static JsonLines format;
    return format;
}
