#include "speech/platform/KanaPhones.h"

#include "speech/platform/JapaneseReading.h"

#include <QHash>

#include <optional>
#include <vector>

namespace rentabo {

namespace {

struct Mora {
    QString consonant;  // phones before the vowel, blank separated; empty for a bare vowel
    char vowel;         // a i u e o
};

const QHash<char16_t, Mora>& kanaTable() {
    static const QHash<char16_t, Mora> table = [] {
        QHash<char16_t, Mora> t;
        auto row = [&t](const char16_t* kana, std::initializer_list<const char*> consonants) {
            static const char vowels[] = {'a', 'i', 'u', 'e', 'o'};
            int i = 0;
            for (const char* c : consonants) {
                if (kana[i] != u'_') t.insert(kana[i], Mora{QString::fromLatin1(c), vowels[i]});
                ++i;
            }
        };
        row(u"あいうえお", {"", "", "", "", ""});
        row(u"かきくけこ", {"K", "K", "K", "K", "K"});
        row(u"がぎぐげご", {"G", "G", "G", "G", "G"});
        row(u"さしすせそ", {"S", "SH", "S", "S", "S"});
        row(u"ざじずぜぞ", {"Z", "JH", "Z", "Z", "Z"});
        row(u"たちつてと", {"T", "CH", "T S", "T", "T"});
        row(u"だぢづでど", {"D", "JH", "Z", "D", "D"});
        row(u"なにぬねの", {"N", "N", "N", "N", "N"});
        row(u"はひふへほ", {"HH", "HH", "F", "HH", "HH"});
        row(u"ばびぶべぼ", {"B", "B", "B", "B", "B"});
        row(u"ぱぴぷぺぽ", {"P", "P", "P", "P", "P"});
        row(u"まみむめも", {"M", "M", "M", "M", "M"});
        row(u"や_ゆ_よ", {"Y", "", "Y", "", "Y"});
        row(u"らりるれろ", {"R", "R", "R", "R", "R"});
        row(u"わ___を", {"W", "", "", "", ""});
        t.insert(u'ゔ', Mora{QStringLiteral("V"), 'u'});
        return t;
    }();
    return table;
}

QString vowelPhone(char v, PhoneVariant variant) {
    switch (v) {
        case 'a':
            return QStringLiteral("AA");
        case 'i':
            return QStringLiteral("IY");
        case 'u':
            return variant == PhoneVariant::TappedR ? QStringLiteral("UH") : QStringLiteral("UW");
        case 'e':
            return QStringLiteral("EH");
        default:
            return QStringLiteral("OW");
    }
}

// The vowel of a small vowel (ぁ: a) and of a small glide (ゃ: a); 0 for any other character.
char smallVowel(char16_t c) {
    const qsizetype i = QStringView(u"ぁぃぅぇぉ").indexOf(QChar(c));
    return i < 0 ? 0 : "aiueo"[i];
}

char smallGlide(char16_t c) {
    const qsizetype i = QStringView(u"ゃゅょ").indexOf(QChar(c));
    return i < 0 ? 0 : "auo"[i];
}

bool isFricativeOrVowel(const QString& firstPhone) {
    static const QStringList soft = {QStringLiteral("S"),  QStringLiteral("SH"), QStringLiteral("Z"),
                                     QStringLiteral("ZH"), QStringLiteral("JH"), QStringLiteral("F"),
                                     QStringLiteral("HH"), QStringLiteral("Y"),  QStringLiteral("W")};
    return firstPhone.isEmpty() || soft.contains(firstPhone);
}

}  // namespace

namespace {

// A mora of the reading, before it becomes phones: っ and ん need to see the mora after them.
struct Unit {
    enum Kind { Syllable, Geminate, Nasal, Long } kind;
    QStringList consonant;
    char vowel = 0;
};

// The morae of a hiragana text; empty when a character has no reading.
std::optional<std::vector<Unit>> moraeOf(const QString& kana, PhoneVariant variant) {
    std::vector<Unit> units;
    const auto& table = kanaTable();
    for (int i = 0; i < kana.size(); ++i) {
        const char16_t c = kana[i].unicode();
        if (c == u'っ') {
            units.push_back({Unit::Geminate, {}, 0});
            continue;
        }
        if (c == u'ん') {
            units.push_back({Unit::Nasal, {}, 0});
            continue;
        }
        if (c == u'ー') {
            if (units.empty()) return std::nullopt;
            units.push_back({Unit::Long, {}, 0});
            continue;
        }
        if (char v = smallVowel(c)) {  // a small vowel alone is said as a vowel
            units.push_back({Unit::Syllable, {}, v});
            continue;
        }
        auto it = table.constFind(c);
        if (it == table.constEnd()) return std::nullopt;
        Unit u{Unit::Syllable, it->consonant.split(u' ', Qt::SkipEmptyParts), it->vowel};
        if (variant == PhoneVariant::SoftNasal && (c == u'じ' || c == u'ぢ'))
            u.consonant = {QStringLiteral("ZH")};
        if (variant == PhoneVariant::TappedR && u.consonant == QStringList{QStringLiteral("R")})
            u.consonant = {QStringLiteral("D")};
        if (i + 1 < kana.size()) {
            const char16_t next = kana[i + 1].unicode();
            if (char g = smallGlide(next); g && it->vowel == 'i') {
                const QString& k = u.consonant.isEmpty() ? QString() : u.consonant.first();
                // し, ち and じ are palatal already; the others take a Y.
                if (k != u"SH" && k != u"CH" && k != u"JH" && k != u"ZH")
                    u.consonant.append(QStringLiteral("Y"));
                u.vowel = g;
                ++i;
            } else if (char v = smallVowel(next)) {
                if (c == u'う')
                    u.consonant = {QStringLiteral("W")};
                else if (c == u'て')
                    u.consonant = {QStringLiteral("T")};
                else if (c == u'で')
                    u.consonant = {QStringLiteral("D")};
                u.vowel = v;
                ++i;
            }
        }
        units.push_back(std::move(u));
    }
    return units;
}

}  // namespace

QStringList kanaToPhones(const QString& kanaText, PhoneVariant variant) {
    const auto morae = moraeOf(toHiragana(kanaText), variant);
    if (!morae) return {};
    const std::vector<Unit>& units = *morae;
    QStringList phones;
    char lastVowel = 0;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const Unit& u = units[i];
        const Unit* next = i + 1 < units.size() ? &units[i + 1] : nullptr;
        switch (u.kind) {
            case Unit::Geminate:
                if (next && next->kind == Unit::Syllable && !next->consonant.isEmpty())
                    phones << next->consonant.first();
                break;
            case Unit::Nasal:
                if (variant == PhoneVariant::SoftNasal && next && next->kind == Unit::Syllable &&
                    isFricativeOrVowel(next->consonant.isEmpty() ? QString() : next->consonant.first()))
                    phones << QStringLiteral("UW");
                else
                    phones << QStringLiteral("N");
                break;
            case Unit::Long:
                if (lastVowel) phones << vowelPhone(lastVowel, variant);
                break;
            case Unit::Syllable:
                phones << u.consonant << vowelPhone(u.vowel, variant);
                lastVowel = u.vowel;
                break;
        }
    }
    return phones;
}

std::vector<QStringList> pronunciationsOf(const QString& kana) {
    std::vector<QStringList> out;
    for (PhoneVariant v : {PhoneVariant::Plain, PhoneVariant::SoftNasal, PhoneVariant::TappedR}) {
        QStringList p = kanaToPhones(kana, v);
        if (p.isEmpty()) return {};
        if (std::find(out.begin(), out.end(), p) == out.end()) out.push_back(std::move(p));
    }
    return out;
}

}  // namespace rentabo
