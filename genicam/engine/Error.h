// What went wrong with a feature, as a kind a caller can act on, beside the
// one-line text a user reads.  A caller that applies many values tells
// "wait for another feature" (NotAvailable, for a feature or an entry not
// available now; BelowMinimum, AboveMaximum) from "never" by the kind alone.
#ifndef GENICAM_ENGINE_ERROR_H
#define GENICAM_ENGINE_ERROR_H

#include <stdint.h>

#include <string>

namespace genicam {

enum class ErrorKind : uint8_t {
    None,               // no error
    NoSuchFeature,      // the description has no node of that name, or none that holds a value
    NotImplemented,     // the feature, or the entry written, is not implemented on this camera
    NotAvailable,       // not available now (its pIsAvailable, or the entry's written)
    Locked,             // locked now (its pIsLocked)
    NotReadable,        // write-only, by nature or by its access mode (a Command; only in chunk data)
    NotWritable,        // read-only, by nature or by its access mode (a SwissKnife; only in chunk data)
    BelowMinimum,       // a number below the minimum in force now
    AboveMaximum,       // a number above the maximum in force now
    NotOnIncrement,     // a number between two steps of its increment
    NotAnEntry,         // an enumeration value that names none of its entries
    BadValueText,       // text that is not a value of the feature's form, or that it cannot hold
    RegisterIo,         // the camera refused or failed a register read or write
    FaultyDescription,  // the description is faulty or exceeds a bound at this feature
};

// An error: its kind and the reason as a user reads it.
struct Error {
    ErrorKind kind = ErrorKind::None;
    std::string text;
};

// The kind's name as tests and logs show it ("NotAvailable").
const char *errorKindName(ErrorKind kind);

// Sets *error to kind and text; false, for a failing return.
bool fail(Error *error, ErrorKind kind, std::string text);

} // namespace genicam

#endif
