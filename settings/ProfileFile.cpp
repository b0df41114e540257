#include "settings/ProfileFile.h"

namespace rentabo {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray trimmed(const QByteArray& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.mid(begin, end - begin);
}

// ASCII case only: a Shift-JIS trail byte may look like a letter, and the program's own names
// are all ASCII.
bool sameName(const QByteArray& a, const QByteArray& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The name of a section line "[NAME]", or a null array when the line is no section line.
QByteArray sectionName(const QByteArray& line) {
    const QByteArray t = trimmed(line);
    if (!t.startsWith('[')) return {};
    qsizetype close = t.indexOf(']');
    if (close < 0) close = t.size();
    QByteArray name = trimmed(t.mid(1, close - 1));
    if (name.isNull()) name = QByteArray("");
    return name;
}

// The key of a key line "KEY=value", or a null array.
QByteArray keyName(const QByteArray& line) {
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) return {};
    QByteArray key = trimmed(line.left(eq));
    if (key.isNull()) key = QByteArray("");
    return key;
}

}  // namespace

ProfileFile::ProfileFile(const QByteArray& content) {
    qsizetype pos = 0;
    const qsizetype size = content.size();
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && content[end] != '\n' && content[end] != '\r') ++end;
        Line line{content.mid(pos, end - pos), {}};
        if (end < size) {
            if (content[end] == '\r' && end + 1 < size && content[end + 1] == '\n')
                line.end = QByteArrayLiteral("\r\n");
            else
                line.end = content.mid(end, 1);
        }
        pos = end + line.end.size();
        m_lines.append(std::move(line));
    }
}

qsizetype ProfileFile::findSection(const QByteArray& section) const {
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QByteArray name = sectionName(m_lines[i].text);
        if (!name.isNull() && sameName(name, section)) return i;
    }
    return -1;
}

qsizetype ProfileFile::findKey(qsizetype sectionLine, const QByteArray& key) const {
    for (qsizetype i = sectionLine + 1; i < m_lines.size(); ++i) {
        if (!sectionName(m_lines[i].text).isNull()) break;
        const QByteArray name = keyName(m_lines[i].text);
        if (!name.isNull() && sameName(name, key)) return i;
    }
    return -1;
}

QByteArray ProfileFile::value(const QByteArray& section, const QByteArray& key, bool* found) const {
    if (found) *found = false;
    // A section may appear twice in a hand-edited file; its keys are looked for in each.
    for (qsizetype s = 0; s < m_lines.size(); ++s) {
        const QByteArray name = sectionName(m_lines[s].text);
        if (name.isNull() || !sameName(name, section)) continue;
        const qsizetype k = findKey(s, key);
        if (k < 0) continue;
        if (found) *found = true;
        const QByteArray& text = m_lines[k].text;
        QByteArray v = trimmed(text.mid(text.indexOf('=') + 1));
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.mid(1, v.size() - 2);
        if (v.isNull()) v = QByteArray("");
        return v;
    }
    return {};
}

QByteArray ProfileFile::newLineEnd() const {
    // New lines follow the file's own convention; a new file gets the Windows one, which every
    // reader of the file understands.
    for (const Line& line : m_lines)
        if (!line.end.isEmpty()) return line.end;
    return QByteArrayLiteral("\r\n");
}

void ProfileFile::insertLine(qsizetype at, const QByteArray& text) {
    const QByteArray end = newLineEnd();
    // The line before gains a line end if it was the last line and had none.
    if (at > 0 && m_lines[at - 1].end.isEmpty()) m_lines[at - 1].end = end;
    m_lines.insert(at, Line{text, end});
}

void ProfileFile::setValue(const QByteArray& section, const QByteArray& key, const QByteArray& value) {
    // A value with line breaks would split into lines of its own and corrupt the file.
    QByteArray v = value;
    v.replace('\r', ' ').replace('\n', ' ');
    // Keep blanks at the ends and enclosing quotes through the next read by quoting.
    if (!v.isEmpty() && (isBlank(v.front()) || isBlank(v.back()) ||
                         (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())))
        v = '"' + v + '"';
    const QByteArray line = key + '=' + v;

    // Write where a read would look: the first section of that name holding the key.
    for (qsizetype s = 0; s < m_lines.size(); ++s) {
        const QByteArray name = sectionName(m_lines[s].text);
        if (name.isNull() || !sameName(name, section)) continue;
        const qsizetype k = findKey(s, key);
        if (k >= 0) {
            m_lines[k].text = line;
            return;
        }
    }
    const qsizetype s = findSection(section);
    if (s >= 0) {
        // After the section's last non-blank line, so a blank line before the next section stays.
        qsizetype last = s;
        for (qsizetype i = s + 1; i < m_lines.size(); ++i) {
            if (!sectionName(m_lines[i].text).isNull()) break;
            if (!trimmed(m_lines[i].text).isEmpty()) last = i;
        }
        insertLine(last + 1, line);
        return;
    }
    // A blank line before a new section, as people lay the file out by hand.
    if (!m_lines.isEmpty() && !trimmed(m_lines.back().text).isEmpty()) insertLine(m_lines.size(), {});
    insertLine(m_lines.size(), '[' + section + ']');
    insertLine(m_lines.size(), line);
}

QByteArray ProfileFile::content() const {
    QByteArray out;
    for (const Line& line : m_lines) out += line.text + line.end;
    return out;
}

}  // namespace rentabo
