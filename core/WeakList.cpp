#include "core/WeakList.h"

#include "core/KukuTables.h"

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

}  // namespace rentabo
