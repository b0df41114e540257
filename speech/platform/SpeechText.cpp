#include "speech/platform/SpeechText.h"

#include <algorithm>

namespace rentabo {

namespace {
bool endsSentence(QChar c) {
    return c == u'。' || c == u'！' || c == u'？' || c == u'!' || c == u'?' || c == u'\n';
}
bool isBlank(QStringView s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.isSpace() || c == u'\u3000'; });
}
}  // namespace

std::vector<SentenceSpan> splitSentences(const QString& text) {
    std::vector<SentenceSpan> spans;
    int start = 0;
    for (int i = 0; i <= text.size(); ++i) {
        if (i == text.size() || endsSentence(text.at(i))) {
            const int end = i == text.size() ? i : i + 1;
            if (end > start && !isBlank(QStringView(text).mid(start, end - start)))
                spans.push_back({start, end - start});
            start = end;
        }
    }
    return spans;
}

qint64 estimateSpeechMs(const QString& text, int rate) {
    int morae = 0;
    for (QChar c : text) {
        if (c.isSpace() || c == u'・' || c == u'、' || c == u'，' || c == u',')
            morae += 1;  // a short pause
        else if (c == u'ゃ' || c == u'ゅ' || c == u'ょ' || c == u'ャ' || c == u'ュ' || c == u'ョ')
            continue;  // small kana join the one before
        else if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            morae += 2;  // a kanji is read as about two morae
        else if (c.isPunct())
            morae += 3;
        else
            morae += 1;
    }
    const int r = std::clamp(rate, 0, 10);
    const double msPerMora = 125.0 / (1.0 + r / 10.0);
    return static_cast<qint64>(morae * msPerMora) + 150;
}

}  // namespace rentabo
