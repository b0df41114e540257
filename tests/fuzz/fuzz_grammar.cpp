// Feeds arbitrary bytes to the command grammar reader: it either refuses the text with a reason
// or returns rules and phrases that hold together.

#include "speech/platform/CommandGrammar.h"

#include <cstdint>

using namespace rentabo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray xml(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const std::optional<CommandGrammar> grammar = CommandGrammar::fromXml(xml, &error);
    if (!grammar) {
        if (error.isEmpty()) __builtin_trap();  // a refusal always says why
        return 0;
    }
    for (const GrammarPhrase& phrase : grammar->phrases()) {
        if (phrase.ruleIndex >= grammar->rules().size()) __builtin_trap();
        if (grammar->ruleById(phrase.ruleId) == nullptr) __builtin_trap();
    }
    return 0;
}
