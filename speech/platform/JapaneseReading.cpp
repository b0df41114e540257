#include "speech/platform/JapaneseReading.h"

#include <mecab.h>

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

namespace rentabo {

namespace {

bool isKatakana(char16_t c) {
    return c >= 0x30A1 && c <= 0x30F6;
}
bool isHiragana(char16_t c) {
    return c >= 0x3041 && c <= 0x3096;
}

class MeCabReader {
public:
    MeCabReader() {
        // mecabrc names the dictionary; Debian's points at ipadic, whose feature 8 is the reading.
        m_tagger = mecab_new2("");
    }
    ~MeCabReader() {
        if (m_tagger) mecab_destroy(m_tagger);
    }
    bool ok() const { return m_tagger != nullptr; }

    QString read(const QString& text) {
        QMutexLocker lock(&m_mutex);
        const QByteArray utf8 = text.toUtf8();
        const mecab_node_t* node = mecab_sparse_tonode2(m_tagger, utf8.constData(), utf8.size());
        QString out;
        for (; node; node = node->next) {
            if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE) continue;
            const QString surface = QString::fromUtf8(node->surface, node->length);
            const QStringList features = QString::fromUtf8(node->feature).split(u',');
            // Unknown words and words already in kana keep their own letters.
            bool needsReading = false;
            for (QChar c : surface)
                if (c.unicode() >= 0x3400 && !isHiragana(c.unicode()) && !isKatakana(c.unicode()) &&
                    c.unicode() != 0x30FC)
                    needsReading = true;
            if (needsReading && features.size() > 7 && features[7] != u"*")
                out += features[7];
            else
                out += surface;
        }
        return out;
    }

private:
    mecab_t* m_tagger = nullptr;
    QMutex m_mutex;
};

MeCabReader& mecab() {
    static MeCabReader reader;
    return reader;
}

bool hasKanji(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3400 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || u == 0x3005) return true;
    }
    return false;
}

}  // namespace

QString toHiragana(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (isKatakana(c.unicode())) c = QChar(c.unicode() - 0x60);
    return out;
}

bool readingAvailable() {
    return mecab().ok();
}

QString readingOf(const QString& text) {
    if (!hasKanji(text) || !mecab().ok()) return toHiragana(text);
    return toHiragana(mecab().read(text));
}

QString numberReading(int n) {
    static const char16_t* const ones[] = {u"",   u"いち", u"に",   u"さん", u"よん",
                                           u"ご", u"ろく", u"なな", u"はち", u"きゅう"};
    if (n < 0 || n > 99) return {};
    if (n == 0) return QStringLiteral(u"ぜろ");
    QString s;
    if (n >= 10) s = (n >= 20 ? QString::fromUtf16(ones[n / 10]) : QString()) + QStringLiteral(u"じゅう");
    return s + QString::fromUtf16(ones[n % 10]);
}

QString normalisePhrase(const QString& text) {
    QString s = text.normalized(QString::NormalizationForm_KC);
    QString out;
    for (QChar c : s) {
        if (c.isSpace() || (c.isPunct() && c.unicode() != 0x30FC)) continue;
        if (c.unicode() == u'～' || c.unicode() == u'~') continue;
        out += c;
    }
    bool digits = !out.isEmpty() && out.size() <= 2;
    for (QChar c : out) digits = digits && c.isDigit();
    if (digits) return numberReading(out.toInt());
    return readingOf(out);
}

}  // namespace rentabo
