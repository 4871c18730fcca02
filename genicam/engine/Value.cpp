#include "Value.h"

#include "numbers/Text.h"

namespace genicam {

const char *valueFormName(ValueForm form)
{
    switch (form) {
    case ValueForm::Integer:
        return "Integer";
    case ValueForm::Float:
        return "Float";
    case ValueForm::Enumeration:
        return "Enumeration";
    case ValueForm::Boolean:
        return "Boolean";
    case ValueForm::String:
        return "String";
    case ValueForm::Register:
        return "Register";
    case ValueForm::Command:
        return "Command";
    case ValueForm::None:
        return "None";
    }
    return "Unknown";
}

std::string formatValue(const FeatureValue &value)
{
    switch (value.form) {
    case ValueForm::Integer:
        return std::to_string(value.integer);
    case ValueForm::Float:
        return engine::formatFloat(value.floating);
    case ValueForm::Boolean:
        return value.integer ? "true" : "false";
    case ValueForm::Register:
        return engine::formatBytes(value.bytes.data(), value.bytes.size());
    case ValueForm::Enumeration:
    case ValueForm::String:
        return value.text;
    case ValueForm::Command:
    case ValueForm::None:
        break;
    }
    return "";
}

} // namespace genicam
