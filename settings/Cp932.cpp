#include "settings/Cp932.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace rentabo {

namespace {

// One conversion descriptor per call: iconv keeps shift state, and the program converts rarely.
class Iconv final {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (valid()) iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can; returns the number of input bytes it could not take at the
    // point where it stopped (0 when everything was converted).
    size_t convert(const char*& in, size_t& inLeft, QByteArray& out) {
        char buffer[256];
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            const size_t rc = iconv(m_cd, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<qsizetype>(sizeof buffer - outLeft));
            if (rc == static_cast<size_t>(-1) && errno != E2BIG) return inLeft;
        }
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, static_cast<qsizetype>(sizeof buffer - outLeft));
        return 0;
    }

private:
    iconv_t m_cd;
};

}  // namespace

QByteArray toCp932(const QString& text) {
    QByteArray out;
    Iconv cd("CP932", "UTF-8");
    if (!cd.valid()) return text.toLatin1();
    // Convert character by character where iconv refuses one, so a single emoji in a name costs
    // one '?' and not the rest of the text.
    const QByteArray utf8 = text.toUtf8();
    const char* in = utf8.constData();
    size_t inLeft = static_cast<size_t>(utf8.size());
    while (cd.convert(in, inLeft, out) > 0) {
        out.append('?');
        // Skip one whole UTF-8 sequence.
        const auto lead = static_cast<unsigned char>(*in);
        size_t skip = 1;
        if (lead >= 0xF0)
            skip = 4;
        else if (lead >= 0xE0)
            skip = 3;
        else if (lead >= 0xC0)
            skip = 2;
        skip = std::min(skip, inLeft);
        in += skip;
        inLeft -= skip;
    }
    return out;
}

QString fromCp932(const QByteArray& bytes) {
    QByteArray utf8;
    Iconv cd("UTF-8", "CP932");
    if (!cd.valid()) return QString::fromLatin1(bytes);
    const char* in = bytes.constData();
    size_t inLeft = static_cast<size_t>(bytes.size());
    while (cd.convert(in, inLeft, utf8) > 0) {
        utf8.append("\xEF\xBF\xBD");
        ++in;
        --inLeft;
    }
    return QString::fromUtf8(utf8);
}

QList<Cp932Misfit> cp932Misfits(const QString& text) {
    QList<Cp932Misfit> misfits;
    for (const char32_t code : text.toUcs4()) {
        const QString c = QString::fromUcs4(&code, 1);
        const QByteArray bytes = toCp932(c);
        const QString back = fromCp932(bytes);
        if (back == c) continue;
        if (std::any_of(misfits.cbegin(), misfits.cend(),
                        [&](const Cp932Misfit& m) { return m.character == c; }))
            continue;
        misfits.append({c, bytes == "?" ? QString() : back});
    }
    return misfits;
}

std::optional<QString> fitNameForSettingsFile(const QString& typed,
                                              const std::function<bool(const QString& question)>& confirm,
                                              const std::function<void(const QString& text)>& tell) {
    const QList<Cp932Misfit> misfits = cp932Misfits(typed);
    if (misfits.isEmpty()) return typed;
    QString unwritable;
    QString changed;
    QString fitted = typed;
    for (const Cp932Misfit& m : misfits) {
        if (m.storedAs.isEmpty()) {
            unwritable += u'「' + m.character + u'」';
        } else {
            changed += u'「' + m.character + QStringLiteral(u"」→「") + m.storedAs + QStringLiteral(u"」\n");
            fitted.replace(m.character, m.storedAs);
        }
    }
    if (!unwritable.isEmpty()) {
        tell(QStringLiteral(u"%1は、設定ファイルに書けない字なので、名前に使えません。\n"
                            u"ほかの字に書きかえてください。")
                 .arg(unwritable));
        return std::nullopt;
    }
    const QString question = QStringLiteral(
                                 u"名前の中の字を、設定ファイルに書ける字に変えます。\n%1"
                                 u"<%2>として保存します。変えてもいいですか。")
                                 .arg(changed, fitted);
    if (!confirm(question)) return std::nullopt;
    return fitted;
}

}  // namespace rentabo
