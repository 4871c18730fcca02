// A camera's features as saving, applying and comparing a configuration
// see them (CameraFeatures), through the camera's Session: one for each
// save, apply or compare, so that nothing it keeps outlives the call.
#ifndef GENICAM_ENGINE_SESSIONFEATURES_H
#define GENICAM_ENGINE_SESSIONFEATURES_H

#include <string>
#include <vector>

#include "configuration/CameraFeatures.h"
#include "Engine.h"

namespace genicam {

class SessionFeatures : public CameraFeatures {
public:
    // session must outlive this.
    explicit SessionFeatures(Session &session) : session_(session) {}

    // The features walk() gives, by name; false with the walk's error when
    // the description has no Root category.
    bool categoryOrder(std::vector<std::string> *names, Error *error) override;
    bool info(const std::string &name, FeatureInfo *info, Error *error) override;
    bool access(const std::string &name, FeatureAccess *access, Error *error) override;
    bool entries(const std::string &name, std::vector<EntryFacts> *entries, Error *error) override;
    bool range(const std::string &name, IntegerRange *range, Error *error) override;
    bool read(const std::string &name, FeatureValue *value, Error *error) override;
    // Writes value as the text a Session's write takes for its form.
    bool write(const std::string &name, const FeatureValue &value, Error *error) override;

private:
    Session &session_;
};

} // namespace genicam

#endif
