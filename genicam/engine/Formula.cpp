#include "Formula.h"

namespace genicam {

struct Expression {};

Formula::Formula() = default;
Formula::~Formula() = default;
Formula::Formula(Formula &&) noexcept = default;
Formula &Formula::operator=(Formula &&) noexcept = default;

bool Formula::parse(const std::string &, const std::vector<std::string> &, std::string *reason)
{
    *reason = "formulas are not implemented yet";
    return false;
}

bool Formula::evaluate(Arithmetic, const Variables &, Number *, std::string *reason) const
{
    *reason = "formulas are not implemented yet";
    return false;
}

} // namespace genicam
