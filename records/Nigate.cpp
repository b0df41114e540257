#include "records/Nigate.h"

#include "core/WeakList.h"

#include "core/KukuTables.h"
#include "core/Pacer.h"
#include "speech/Speaker.h"

#include <QStringList>

#include <utility>

namespace rentabo {

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
