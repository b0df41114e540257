#pragma once

#include "app/TKukuForm.h"
#include "speech/platform/SilentVoice.h"
#include "speech/platform/TypedPhraseContext.h"

#include <memory>

namespace rentabo::testing {

// The main window's voice and recogniser for the window tests: a voice that speaks nothing (in the
// time the speech would take) and a recogniser that hears only the phrases a test types.
inline KukuServices silentServices() {
    KukuServices services;
    services.voice = std::make_unique<SilentVoice>();
    services.reco = std::make_unique<TypedPhraseContext>();
    return services;
}

}  // namespace rentabo::testing
