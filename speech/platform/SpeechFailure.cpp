#include "speech/platform/SpeechFailure.h"

namespace rentabo {

namespace {
SpeechFailureHandler& handler() {
    static SpeechFailureHandler h;
    return h;
}
}  // namespace

void setSpeechFailureHandler(SpeechFailureHandler h) {
    handler() = std::move(h);
}

void reportSpeechFailure(const QString& operation, const QString& error) {
    if (handler() && !handler()(operation, error))
        throw SpeechAbandoned(operation + QStringLiteral(": ") + error);
}

}  // namespace rentabo
