#include "Error.h"

#include <utility>

namespace genicam {

const char *errorKindName(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::None:
        return "None";
    case ErrorKind::NoSuchFeature:
        return "NoSuchFeature";
    case ErrorKind::NotImplemented:
        return "NotImplemented";
    case ErrorKind::NotAvailable:
        return "NotAvailable";
    case ErrorKind::Locked:
        return "Locked";
    case ErrorKind::NotReadable:
        return "NotReadable";
    case ErrorKind::NotWritable:
        return "NotWritable";
    case ErrorKind::BelowMinimum:
        return "BelowMinimum";
    case ErrorKind::AboveMaximum:
        return "AboveMaximum";
    case ErrorKind::NotOnIncrement:
        return "NotOnIncrement";
    case ErrorKind::NotAnEntry:
        return "NotAnEntry";
    case ErrorKind::BadValueText:
        return "BadValueText";
    case ErrorKind::RegisterIo:
        return "RegisterIo";
    case ErrorKind::FaultyDescription:
        return "FaultyDescription";
    }
    return "Unknown";
}

bool fail(Error *error, ErrorKind kind, std::string text)
{
    error->kind = kind;
    error->text = std::move(text);
    return false;
}

} // namespace genicam
