#pragma once

#include <span>

namespace rentabo {

// The words of chat mode (おはなしモード), as the chat replies look for them in what was heard or
// typed (VoiceCommands), with how they sound for chat listening: the one list both read.
struct ChatWord {
    const char16_t* text;
    const char16_t* sound;  // the kana the recogniser listens for; null: typed only
};
std::span<const ChatWord> chatWords();

// The morae of the free loop that absorbs everything else said (chat listening) and measures
// how well a phrase explains the audio (command listening).
std::span<const char16_t* const> loopMorae();

}  // namespace rentabo
