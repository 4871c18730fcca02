// How the output layer (Lines.h) renders a line: a line is its event and
// its fields, given once in the order of the text line; a format renders
// them, as a text line (TextLines.cpp) or as one JSON object (JsonLines.cpp),
// and the run chooses one format once.  Inside the output layer only.
#ifndef LINEFORMAT_H
#define LINEFORMAT_H

#include <stdint.h>

#include "Lines.h"

// Where a line stands: a run's or scan's line; a camera's heading; or a
// camera's line, indented in text.  A camera's (heading or line) names the
// camera of the last heading in JSON.
enum LineScope { SCAN_LINE, CAMERA_HEADING, CAMERA_LINE };

// A format: what a line's pieces come to.  Text from outside is escaped
// (EscapedText.h) in both formats.
class LineFormat {
public:
    // A line begins.
    virtual void begin(const char *event, LineScope scope, int camera) = 0;
    // Words of the text line alone.
    virtual void say(const char *words) = 0;
    // Text from outside: in the text line (shown) and in JSON.
    virtual void outside(const char *name, const char *text, bool shown) = 0;
    // Text from outside in the text line alone.
    virtual void sayOutside(const char *text) = 0;
    // A file as the command line names it: as given in the text line,
    // escaped in JSON.
    virtual void file(const char *name, const char *path) = 0;
    // One of the tool's own words, as it is: in the text line (shown) and in
    // JSON.
    virtual void word(const char *name, const char *text, bool shown) = 0;
    // A number, in decimal in the text line and as a number in JSON.
    virtual void number(const char *name, int64_t value) = 0;
    // A truth, in JSON alone.
    virtual void truth(const char *name, bool value) = 0;
    // A feature's value in its own type, in JSON alone (the text line shows
    // its text, given as a field of its own).
    virtual void value(const char *name, const VaValue &value) = 0;
    // A value's selectors: " [A=x, B=y]" in the text line when there are
    // any, an object "selectors" in JSON.
    virtual void selectors(const Selectors &selectors) = 0;
    // The line ends.
    virtual void end() = 0;

    // The register lines, each one formatted write as a text line: a run
    // may print hundreds of thousands.
    virtual void registerRead(uint64_t address, uint32_t value, RegisterMode mode, int camera) = 0;
    virtual void registerWritten(uint64_t address, uint32_t value, int camera) = 0;

protected:
    ~LineFormat() = default;
};

// The two formats.
LineFormat &textLines();
LineFormat &jsonLines();

// Seconds since the run started, to the millisecond.
double elapsedSeconds();

#endif
