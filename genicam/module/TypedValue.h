// A feature's value as the module gives it to the tool (GenicamModule.h's
// VaValue): the engine's typed value, with its text as a line shows it.
#ifndef VISIONACCESS_TYPEDVALUE_H
#define VISIONACCESS_TYPEDVALUE_H

#include <string>

#include "GenicamModule.h"
#include "Value.h"

// The VaValue of value, with text (formatValue of it, or the reason when
// value holds none); both must outlive what it points to.
VaValue typedValue(const genicam::FeatureValue &value, const std::string &text);

// A VaValue that holds no value, only a reason.
VaValue reasonValue(const std::string &reason);

#endif
