// QRV_U3V_TRACE=<file>: one line per SDK call, per transfer and per camera
// found, appended to the file, for scripts and tests to see what happened.
#ifndef QRVU3V_TRACE_H
#define QRVU3V_TRACE_H

#include <string>

namespace u3v {

// True when a trace file is named.
bool tracing();

// Appends a line (a newline is added), whole, even from several threads.
void traceLine(const std::string &line);
void tracef(const char *format, ...) __attribute__((format(printf, 1, 2)));

// "QrVApi (USB3 Vision): <message>" on standard error.
void report(const char *format, ...) __attribute__((format(printf, 1, 2)));

} // namespace u3v

#endif
