#include "core/KukuTables.h"
#include "records/Certificate.h"
#include "tests/support/Text.h"

#include <gtest/gtest.h>

using namespace rentabo;

namespace {
using rentabo::testing::q;
}  // namespace

TEST(Certificate, DateLineCountsTheEraFrom2018) {
    const struct {
        QDate date;
        const char16_t* line;
    } cases[] = {
        {QDate(2019, 1, 1), u"令和1(2019)年01月1日"},
        {QDate(2026, 12, 6), u"令和8(2026)年12月6日"},
        {QDate(2030, 10, 31), u"令和12(2030)年10月31日"},
    };
    for (const auto& c : cases) EXPECT_EQ(certDateLine(c.date), q(c.line));
}

TEST(Certificate, TextsByKind) {
    const QChar wide(0x3000);
    const struct {
        const char* name;
        int certKind;
        int mokuji_n;
        QString title;
        QString subject;
        QString achievement;
    } cases[] = {
        {"row 7", -1, ChoiceOfDan[6], q(u"九九術 段級位認定書"), q(u"九九術 七の段を") + wide + wide,
         q(u"　達成したことを")},
        {"row 5", -1, 2, q(u"九九術 段級位認定書"), q(u"九九術 五の段を") + wide + wide,
         q(u"　達成したことを")},
        {"intermediate", -1, 10, q(u"九九術 段級位認定書"), q(u"九九術 三・四・六の段を"),
         q(u"　達成したことを")},
        {"advanced", -1, 11, q(u"九九術 段級位認定書"), q(u"九九術 八・七・九の段を"),
         q(u"　達成したことを")},
        {"master", 1, 3, q(u"九九術 マスター認定書"), q(u"九九術 マスターを"), q(u"　習得したことを")},
        {"licence", 0, 3, q(u"九九術 免許皆伝書"), q(u"九九術 免許皆伝を"), q(u"　取得したことを")},
    };
    for (const auto& c : cases) {
        KukuState s;
        s.studentName = q(u"くく はじめ");
        s.indivNum = 1234567;
        s.certKind = c.certKind;
        s.certChoice = c.mokuji_n;
        const CertTexts t = MakeCertTexts(s);
        EXPECT_EQ(t.title, c.title) << c.name;
        EXPECT_EQ(t.subject, c.subject) << c.name;
        EXPECT_EQ(t.achievement, c.achievement) << c.name;
        EXPECT_EQ(t.closing, q(u"　ここに証します。")) << c.name;
        EXPECT_EQ(t.name, q(u"くく はじめ")) << c.name;
        EXPECT_EQ(t.number, QStringLiteral("1234567")) << c.name;
    }
}
