#include "TypedValue.h"

// The module's forms are the engine's, in the same order.
static_assert((int)genicam::ValueForm::None == VA_FORM_NONE && (int)genicam::ValueForm::Integer == VA_FORM_INTEGER &&
                  (int)genicam::ValueForm::Float == VA_FORM_FLOAT &&
                  (int)genicam::ValueForm::Enumeration == VA_FORM_ENUMERATION &&
                  (int)genicam::ValueForm::Boolean == VA_FORM_BOOLEAN &&
                  (int)genicam::ValueForm::String == VA_FORM_STRING &&
                  (int)genicam::ValueForm::Register == VA_FORM_REGISTER &&
                  (int)genicam::ValueForm::Command == VA_FORM_COMMAND,
              "a VaValueForm is the engine's ValueForm");

VaValue typedValue(const genicam::FeatureValue &value, const std::string &text)
{
    return VaValue{(int)value.form, text.c_str(), value.integer, value.floating, value.bytes.data(),
                   value.bytes.size()};
}

VaValue reasonValue(const std::string &reason)
{
    return VaValue{VA_FORM_NONE, reason.c_str(), 0, 0, nullptr, 0};
}
