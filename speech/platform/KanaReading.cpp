#include "speech/platform/KanaReading.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <mecab.h>

#include <algorithm>
#include <array>

namespace rentabo {

namespace {

const std::array<QString, 10> kDigit{QString(),
                                     QStringLiteral(u"いち"),
                                     QStringLiteral(u"に"),
                                     QStringLiteral(u"さん"),
                                     QStringLiteral(u"よん"),
                                     QStringLiteral(u"ご"),
                                     QStringLiteral(u"ろく"),
                                     QStringLiteral(u"なな"),
                                     QStringLiteral(u"はち"),
                                     QStringLiteral(u"きゅう")};
const std::array<QString, 10> kPlainDigit{
    QStringLiteral(u"ぜろ"), QStringLiteral(u"いち"),  QStringLiteral(u"に"),   QStringLiteral(u"さん"),
    QStringLiteral(u"よん"), QStringLiteral(u"ご"),    QStringLiteral(u"ろく"), QStringLiteral(u"なな"),
    QStringLiteral(u"はち"), QStringLiteral(u"きゅう")};

// 0..9999 with the sound changes of hundreds and thousands (さんびゃく, はっせん).
QString belowTenThousand(int n) {
    static const std::array<QString, 10> hundreds{QString(),
                                                  QStringLiteral(u"ひゃく"),
                                                  QStringLiteral(u"にひゃく"),
                                                  QStringLiteral(u"さんびゃく"),
                                                  QStringLiteral(u"よんひゃく"),
                                                  QStringLiteral(u"ごひゃく"),
                                                  QStringLiteral(u"ろっぴゃく"),
                                                  QStringLiteral(u"ななひゃく"),
                                                  QStringLiteral(u"はっぴゃく"),
                                                  QStringLiteral(u"きゅうひゃく")};
    static const std::array<QString, 10> thousands{QString(),
                                                   QStringLiteral(u"せん"),
                                                   QStringLiteral(u"にせん"),
                                                   QStringLiteral(u"さんぜん"),
                                                   QStringLiteral(u"よんせん"),
                                                   QStringLiteral(u"ごせん"),
                                                   QStringLiteral(u"ろくせん"),
                                                   QStringLiteral(u"ななせん"),
                                                   QStringLiteral(u"はっせん"),
                                                   QStringLiteral(u"きゅうせん")};
    QString s = thousands[n / 1000] + hundreds[n / 100 % 10];
    const int tens = n / 10 % 10;
    if (tens > 1) s += kDigit[tens];
    if (tens > 0) s += QStringLiteral(u"じゅう");
    s += kDigit[n % 10];
    return s;
}

QString mecabDictionary() {
    for (const char* d : {"/var/lib/mecab/dic/ipadic-utf8", "/usr/lib/x86_64-linux-gnu/mecab/dic/ipadic-utf8",
                          "/usr/share/mecab/dic/ipadic-utf8", "/usr/lib/mecab/dic/ipadic-utf8"}) {
        const QString dir = QString::fromLatin1(d);
        if (QFileInfo::exists(dir + QStringLiteral("/sys.dic"))) return dir;
    }
    return {};
}

bool isKana(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x3041 && u <= 0x309F) || (u >= 0x30A0 && u <= 0x30FF && u != 0x30FB);
}

bool allKana(const QString& s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), isKana);
}

bool allDigits(const QString& s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool allHiragana(const QString& s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) {
        return c.unicode() >= 0x3041 && c.unicode() <= 0x309F;
    });
}

const QString kPause = QStringLiteral(u"、");

}  // namespace

QString numberToKana(const QString& digits) {
    QString d = digits;
    while (d.size() > 1 && d.startsWith(u'0')) d.remove(0, 1);
    if (d.isEmpty()) return {};
    if (d.size() > 8) {
        QString s;
        for (QChar c : d) s += kPlainDigit[c.digitValue()];
        return s;
    }
    const int n = d.toInt();
    if (n == 0) return kPlainDigit[0];
    QString s;
    if (n >= 10000) s = belowTenThousand(n / 10000) + QStringLiteral(u"まん");
    return s + belowTenThousand(n % 10000);
}

bool isKanji(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x3400 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || u == 0x3005 || u == 0x3006 ||
           u == 0x3007 || c.isSurrogate();
}

KanaReader::~KanaReader() {
    mecab_destroy(m_tagger);
}

std::unique_ptr<KanaReader> KanaReader::open(QString* why) {
    const QString dic = mecabDictionary();
    if (dic.isEmpty()) {
        if (why) *why = QStringLiteral("mecab-ipadic-utf8 not found");
        return nullptr;
    }
    // An empty resource file: the system's mecabrc may name another dictionary.
    const QByteArray args = "-r /dev/null -d " + QFile::encodeName(dic);
    mecab_t* tagger = mecab_new2(args.constData());
    if (!tagger) {
        if (why) *why = QString::fromUtf8(mecab_strerror(nullptr));
        return nullptr;
    }
    return std::unique_ptr<KanaReader>(new KanaReader(tagger));
}

QString KanaReader::toKana(const QString& text) {
    const QByteArray utf8 = text.normalized(QString::NormalizationForm_KC).toUtf8();
    QString out;
    QString previous;
    for (const mecab_node_t* node = mecab_sparse_tonode2(m_tagger, utf8.constData(), size_t(utf8.size()));
         node; node = node->next) {
        if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE) continue;
        const QString surface = QString::fromUtf8(node->surface, int(node->length));
        const QStringList f = QString::fromUtf8(node->feature).split(u',');
        const QString pos = f.value(0);
        const QString pron = f.value(8) != QStringLiteral("*") ? f.value(8) : QString();
        const QString reading = f.value(7) != QStringLiteral("*") ? f.value(7) : QString();
        // Spaces are lost in MeCab's nodes; they separate chant words, so keep them as pauses.
        if (node->rlength > node->length) out += u' ';
        if (allDigits(surface)) {
            out += numberToKana(surface);
        } else if (pos == QStringLiteral(u"記号")) {
            if (surface == QStringLiteral(u"。") || surface == QStringLiteral(u"、") ||
                surface == QStringLiteral(u"!") || surface == QStringLiteral(u"?") ||
                surface == QStringLiteral(u","))
                out += surface;
            else if (allKana(pron) && pron != surface)
                out += pron;  // × is read かける
            else
                out += kPause;
        } else if (pos == QStringLiteral(u"助詞") && allKana(pron) && !allHiragana(previous)) {
            // は and へ as particles are said わ and え. In text that is all hiragana, such as
            // the chants (じゅうはち), MeCab's word breaks cannot be trusted, so kana stay.
            out += pron;
        } else if (allKana(surface)) {
            out += surface;
        } else if (allKana(pron)) {
            out += pron;
        } else if (allKana(reading)) {
            out += reading;
        } else {
            out += surface;
        }
        previous = surface;
    }
    // Whatever MeCab could not read (a rare kanji unknown to the dictionary) becomes a pause
    // rather than reaching the engine, which would call it a "Chinese letter".
    QString clean;
    for (QChar c : out) clean += isKanji(c) ? kPause : QString(c);
    return clean;
}

}  // namespace rentabo
