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

SpeechFailure reportSpeechFailure(const QString& operation, const QString& error) {
    return handler() && !handler()(operation, error) ? SpeechFailure::Abandon : SpeechFailure::Continue;
}

}  // namespace rentabo
