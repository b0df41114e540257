#pragma once

#include <QString>

#include <functional>
#include <stdexcept>

namespace rentabo {

// Thrown when the user chose to abandon the current action after a speech call failed. The
// handler that made the call ends; the program shows the error and goes on.
class SpeechAbandoned : public std::runtime_error {
public:
    explicit SpeechAbandoned(const QString& what) : std::runtime_error(what.toStdString()) {}
};

// Decides, after a failed speech call, whether to continue (true) or abandon (false). The
// windows install a question box naming the operation; without one the call continues.
using SpeechFailureHandler = std::function<bool(const QString& operation, const QString& error)>;

void setSpeechFailureHandler(SpeechFailureHandler handler);

// Reports a failed call: continues (returns normally) or throws SpeechAbandoned.
void reportSpeechFailure(const QString& operation, const QString& error);

}  // namespace rentabo
