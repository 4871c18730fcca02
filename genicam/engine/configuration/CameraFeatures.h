// What saving, applying and comparing a camera's configuration need of a
// camera: its features by name, with typed values, what the description
// says of each and what each allows now, every failure an Error with a
// kind.  A Session gives it for a real camera (its walk, info, access,
// entries, readValue and write); tests give a model camera.
#ifndef GENICAM_ENGINE_CAMERAFEATURES_H
#define GENICAM_ENGINE_CAMERAFEATURES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "Engine.h"
#include "Error.h"

namespace genicam {

// The kinds of Error the configuration logic acts on: a write refused with
// NotAvailable, BelowMinimum, AboveMaximum or NotAnEntry (an entry not
// usable now) waits for other values; RegisterIo on a write counts as a
// value that may have changed; NoSuchFeature or FaultyDescription from
// info() leaves a feature out of a save.  Every other kind is a failure.
class CameraFeatures {
public:
    virtual ~CameraFeatures() = default;

    // Every feature reachable from the Root category, once each, in the
    // order of the category tree (categories themselves left out).
    virtual bool categoryOrder(std::vector<std::string> *names, Error *error) = 0;
    // What the description says of the feature named name; NoSuchFeature
    // when it has no node of that name (a node that holds no value has the
    // form None).
    virtual bool info(const std::string &name, FeatureInfo *info, Error *error) = 0;
    // What the feature allows now, with the selectors as they are.
    virtual bool access(const std::string &name, FeatureAccess *access, Error *error) = 0;
    // An Enumeration's entries, in document order, each with its value and
    // whether it is usable now.
    virtual bool entries(const std::string &name, std::vector<EntryFacts> *entries, Error *error) = 0;
    // An Integer's minimum, maximum and increment now.
    virtual bool range(const std::string &name, IntegerRange *range, Error *error) = 0;
    // Reads the feature's value now, in its own form.
    virtual bool read(const std::string &name, FeatureValue *value, Error *error) = 0;
    // Writes value, which is of the feature's own form (writeText gives the
    // text a Session's write takes for it).
    virtual bool write(const std::string &name, const FeatureValue &value, Error *error) = 0;
};

} // namespace genicam

#endif
