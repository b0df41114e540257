#pragma once

#include <QString>

#include <memory>

struct mecab_t;

namespace rentabo {

// How a whole number is read in Japanese, in hiragana: 18 → "じゅうはち", 300 → "さんびゃく".
// Up to 9999 9999; longer numbers are read digit by digit.
QString numberToKana(const QString& digits);

// True for a character that is neither kana nor anything a kana-only engine can read aloud
// safely: CJK ideographs and their marks (々, 〆).
bool isKanji(QChar c);

// Turns Japanese text into what it sounds like, in kana, for an engine that cannot read kanji:
// MeCab supplies the pronunciation (the particle は is said わ), numbers are read as Japanese
// numbers, and symbols without a reading become pauses. No kanji survives.
class KanaReader {
public:
    ~KanaReader();
    KanaReader(const KanaReader&) = delete;
    KanaReader& operator=(const KanaReader&) = delete;

    // Empty with a reason when MeCab or its dictionary (mecab-ipadic-utf8) cannot be opened.
    static std::unique_ptr<KanaReader> open(QString* why = nullptr);

    QString toKana(const QString& text);

private:
    explicit KanaReader(mecab_t* tagger) : m_tagger(tagger) {}
    mecab_t* m_tagger;
};

}  // namespace rentabo
