// QRV_U3V_TRACE=<file>: one line per SDK call, per transfer and per camera
// found, appended to the file, for scripts and tests to see what happened.
#ifndef QRVU3V_TRACE_H
#define QRVU3V_TRACE_H

#include <string>

namespace u3v {

// True when a trace file is named.
bool tracing();

// Appends a line (a newline is added), whole, even from several threads.
// Neither throws: they may be called when memory has run out.
void traceLine(const char *line);
void tracef(const char *format, ...) __attribute__((format(printf, 1, 2)));

// "QrVApi (USB3 Vision): <message>" on standard error.
void report(const char *format, ...) __attribute__((format(printf, 1, 2)));
// "QrVApi (GigE Vision): <message>" on standard error.
void reportGige(const char *format, ...) __attribute__((format(printf, 1, 2)));

// A string that came from a device, for the trace or standard error: every
// byte outside printable ASCII as \xNN, so that it can neither end a line
// nor steer a terminal.
std::string escapeText(const std::string &text);

} // namespace u3v

#endif
