#pragma once

#include <QByteArray>
#include <QList>

namespace rentabo {

// A profile (INI) file edited by key, as Windows' profile functions edit it: section and key
// names match without regard to ASCII case, the first matching key wins, and a write replaces
// only the line of its key. Every other byte (other sections and keys, comments, blank lines,
// lines that are no key at all, CRLF or LF line ends) is written back as it was read.
// Works on the file's own bytes (code page 932); names and values are byte strings.
class ProfileFile final {
public:
    ProfileFile() = default;
    explicit ProfileFile(const QByteArray& content);

    // The value of a key, trimmed of blanks and of one pair of enclosing quotes; `found` tells
    // whether the key exists (an empty value is still found).
    QByteArray value(const QByteArray& section, const QByteArray& key, bool* found = nullptr) const;
    // Replaces the key's line with "KEY=value" (the key as given here), or adds it at the end of
    // its section, or adds the section at the end of the file.
    void setValue(const QByteArray& section, const QByteArray& key, const QByteArray& value);

    QByteArray content() const;

private:
    struct Line {
        QByteArray text;  // without its line end
        QByteArray end;   // "\r\n", "\n", "\r" or empty for a last line without one
    };
    // Index of the section line, or -1.
    qsizetype findSection(const QByteArray& section) const;
    qsizetype findKey(qsizetype sectionLine, const QByteArray& key) const;
    QByteArray newLineEnd() const;
    void insertLine(qsizetype at, const QByteArray& text);

    QList<Line> m_lines;
};

}  // namespace rentabo
