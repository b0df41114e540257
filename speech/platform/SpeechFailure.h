#pragma once

#include <QString>

#include <functional>

namespace rentabo {

// Decides, after a failed speech call, whether to continue (true) or abandon (false). The
// windows install a question box naming the operation; without one the call continues.
using SpeechFailureHandler = std::function<bool(const QString& operation, const QString& error)>;

void setSpeechFailureHandler(SpeechFailureHandler handler);

// What the user chose after a failed speech call.
enum class SpeechFailure { Continue, Abandon };

// Reports a failed call and returns the user's choice. On Abandon the caller ends the action
// that made the call and returns to the event loop normally: nothing is thrown, since an
// exception may not pass through Qt's event dispatch.
[[nodiscard]] SpeechFailure reportSpeechFailure(const QString& operation, const QString& error);

}  // namespace rentabo
