#include "records/Certificate.h"

#include "core/KukuTables.h"

namespace rentabo {

QString certDateLine(const QDate& date) {
    const int year = date.year();
    return QStringLiteral(u"令和") + QString::number(year - 2018) + u'(' + QString::number(year) +
           QStringLiteral(u")年") + QStringLiteral("%1").arg(date.month(), 2, 10, QLatin1Char('0')) +
           QStringLiteral(u"月") + QString::number(date.day()) + QStringLiteral(u"日");
}

CertTexts MakeCertTexts(const KukuState& state) {
    CertTexts t;
    t.closing = QStringLiteral(u"　ここに証します。");
    t.name = state.studentName;
    t.number = QString::number(state.indivNum);
    switch (state.certKind) {
        case kCertMenkyo:
            t.title = QStringLiteral(u"九九術 免許皆伝書");
            t.subject = QStringLiteral(u"九九術 免許皆伝を");
            t.achievement = QStringLiteral(u"　取得したことを");
            break;
        case kCertMaster:
            t.title = QStringLiteral(u"九九術 マスター認定書");
            t.subject = QStringLiteral(u"九九術 マスターを");
            t.achievement = QStringLiteral(u"　習得したことを");
            break;
        default: {
            t.title = QStringLiteral(u"九九術 段級位認定書");
            t.achievement = QStringLiteral(u"　達成したことを");
            const int m = state.certChoice;
            if (m >= 0 && m <= 8) {
                t.subject = QStringLiteral(u"九九術 ") + kukuTables().danName[DanOfChoice[m] - 1] + u'を' +
                            QChar(0x3000) + QChar(0x3000);
            } else if (m >= 9 && m <= 11) {
                t.subject = QStringLiteral(u"九九術 ") + kukuTables().danName[DanOfChoice[m] - 1] + u'を';
            }
            break;
        }
    }
    return t;
}

}  // namespace rentabo
