#include "tests/support/RecordingBoard.h"

namespace rentabo {

void RecordingBoard::setBoardText(BoardText field, const QString& text) {
    m_texts[field] = text;
    log.push_back({clock ? clock() : 0, field, text});
}

QString RecordingBoard::boardText(BoardText field) const {
    auto it = m_texts.find(field);
    return it == m_texts.end() ? QString() : it->second;
}

void RecordingBoard::appendMemo(const QString& text) {
    memo += text;
}

void RecordingBoard::appendMemoLine(const QString& line) {
    if (!memo.isEmpty() && !memo.endsWith(u'\n')) memo += u'\n';
    memo += line + u'\n';
}

int RecordingBoard::memoLineCount() const {
    if (memo.isEmpty()) return 0;
    // Lines as a memo counts them: a text ending in a line break has no extra empty line.
    int lines = static_cast<int>(memo.count(u'\n'));
    if (!memo.endsWith(u'\n')) ++lines;
    return lines;
}

QStringList RecordingBoard::history(BoardText field) const {
    QStringList out;
    for (const auto& e : log)
        if (e.field == field) out << e.text;
    return out;
}

}  // namespace rentabo
