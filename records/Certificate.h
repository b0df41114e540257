#pragma once

#include "core/KukuState.h"

#include <QDate>
#include <QString>

namespace rentabo {

// certKind values.
inline constexpr int kCertDankyu = -1;
inline constexpr int kCertMenkyo = 0;
inline constexpr int kCertMaster = 1;

// "令和8(2026)年12月6日": the era year is always the year − 2018.
QString certDateLine(const QDate& date);

// The texts a certificate shows, by kind.
struct CertTexts {
    QString title;
    QString subject;
    QString achievement;
    QString closing;
    QString name;
    QString number;
};
CertTexts MakeCertTexts(const KukuState& state);

}  // namespace rentabo
