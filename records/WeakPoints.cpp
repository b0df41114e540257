#include "records/WeakPoints.h"

#include "lessons/KukuTables.h"
#include "lessons/Pacer.h"
#include "speech/Speaking.h"

#include <QStringList>

#include <utility>

namespace rentabo {

namespace {

// The entry as it stands in the list, with a colon before it so that a search for ":3:" in
// ":13:3:" cannot match the tail of 13.
QString fenced(int k) {
    return u':' + QString::number(k) + u':';
}

}  // namespace

bool errListed(const QString& errorsStr, int k) {
    return (u':' + errorsStr).contains(fenced(k));
}

void ErrRec(QString& errorsStr, int k) {
    if (k < 0 || k >= kFacts) return;
    if (errListed(errorsStr, k)) return;
    // A hand-edited list may have lost its last colon; without one the new entry would fuse
    // with the last ("13" + "3:" reading as 133).
    if (!errorsStr.isEmpty() && !errorsStr.endsWith(u':')) errorsStr += u':';
    errorsStr += QString::number(k) + u':';
}

void ErrDel(QString& errorsStr, int k) {
    QString s = u':' + errorsStr;
    const qsizetype at = s.indexOf(fenced(k));
    if (at < 0) return;
    // Drop the number and the colon after it, keeping the colon that ends the entry before.
    s.remove(at + 1, QString::number(k).size() + 1);
    errorsStr = s.mid(1);
}

void ErrSort(QString& errorsStr) {
    std::vector<int> nums;
    for (const QString& piece : errorsStr.split(u':', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = piece.toInt(&ok, 10);
        if (ok) nums.push_back(n);
    }
    for (size_t i = 0; i < nums.size(); ++i)
        for (size_t j = i + 1; j < nums.size(); ++j)
            if (nums[j] < nums[i]) std::swap(nums[i], nums[j]);
    QString out;
    for (int n : nums) out += QString::number(n) + u':';
    errorsStr = out;
}

std::vector<int> weakFacts(const QString& errorsStr) {
    std::vector<int> facts;
    for (const QString& piece : errorsStr.split(u':', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = piece.toInt(&ok, 10);
        if (ok && n >= 0 && n < kFacts) facts.push_back(n);
    }
    return facts;
}

QString nigateLineText(int k) {
    return QStringLiteral(u"■ ") + QString::number(k) + QStringLiteral(u" → ") +
           QString::number(danOfFact(k)) + u'×' + QString::number(multiplierOfFact(k));
}

std::optional<QPoint> nigateLinePos(int line) {
    if (line < 0 || line >= kNigateMaxLines) return std::nullopt;
    if (line < 20) return QPoint(18, 80 + 40 * line);
    return QPoint(198, 80 + 40 * (line - 20));
}

int ReadWeakFacts(const QString& errorsStr, Speaker& speaker, Pacer& pacer, int passes,
                  const std::function<void(int)>& onFact) {
    // A copy: the list may change while it is being read (a test elsewhere cannot run, but the
    // window repaints from the live list).
    const std::vector<int> facts = weakFacts(errorsStr);
    int read = 0;
    for (int pass = 0; pass < passes; ++pass) {
        for (int k : facts) {
            if (onFact) onFact(k);
            speaker.SpeakWait(MakeYomi(k, 1));
            pacer.sleep(800);
            ++read;
        }
    }
    return read;
}

}  // namespace rentabo
