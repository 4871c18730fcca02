#include "configuration/SessionFeatures.h"

#include "configuration/ConfigurationValue.h"

namespace genicam {

bool SessionFeatures::categoryOrder(std::vector<std::string> *names, Error *error)
{
    names->clear();
    Error noRoot;
    session_.walk([&](const Session::Walked &feature) {
        // Only the walk's word that there is no Root category has no path.
        if (feature.path.empty())
            noRoot = feature.error;
        else
            names->push_back(feature.info.name);
    });
    if (noRoot.kind == ErrorKind::None)
        return true;
    *error = noRoot;
    return false;
}

bool SessionFeatures::info(const std::string &name, FeatureInfo *info, Error *error)
{
    return session_.info(name, info, error);
}

bool SessionFeatures::access(const std::string &name, FeatureAccess *access, Error *error)
{
    return session_.access(name, access, error);
}

bool SessionFeatures::entries(const std::string &name, std::vector<EntryFacts> *entries, Error *error)
{
    return session_.entries(name, entries, error);
}

bool SessionFeatures::range(const std::string &name, IntegerRange *range, Error *error)
{
    return session_.range(name, range, error);
}

bool SessionFeatures::read(const std::string &name, FeatureValue *value, Error *error)
{
    return session_.readValue(name, value, error);
}

bool SessionFeatures::write(const std::string &name, const FeatureValue &value, Error *error)
{
    return session_.write(name, configuration::writeText(value), error);
}

} // namespace genicam
