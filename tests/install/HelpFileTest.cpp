#include "core/KukuTables.h"
#include "tests/install/ChmDirectory.h"
#include "tests/support/FileBytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

namespace rentabo {
namespace {

using rentabo::testfiles::readAll;

const QString kHelpSources = QStringLiteral(RENTABO_SOURCE_DIR "/resources/help/");

QString sourceText(const QString& name) {
    return QString::fromUtf8(readAll(kHelpSources + name));
}

class HelpFileTest : public testing::Test {
protected:
    static void SetUpTestSuite() { s_dir = readChmDirectory(readAll(QStringLiteral(RENTABO_HELP_FILE))); }
    static QSet<QString> stored() { return QSet<QString>(s_dir.names.begin(), s_dir.names.end()); }
    static ChmDirectory s_dir;
};
ChmDirectory HelpFileTest::s_dir;

TEST_F(HelpFileTest, IsACompiledHelpFileHoldingEveryListedPage) {
    const QByteArray file = readAll(QStringLiteral(RENTABO_HELP_FILE));
    ASSERT_TRUE(file.startsWith("ITSF")) << RENTABO_HELP_FILE << " is missing or not a help file";
    ASSERT_TRUE(s_dir.valid) << s_dir.error.toStdString();

    const QString project = sourceText(QStringLiteral("kuku_V24.hhp"));
    const QString files = project.mid(project.indexOf(QStringLiteral("[FILES]")) + 7);
    const QStringList pages = files.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(pages.size(), 10);
    for (const QString& page : pages)
        EXPECT_TRUE(stored().contains(u'/' + page.trimmed())) << page.toStdString();
    for (const char* part : {"/#SYSTEM", "/toc.hhc", "/index.hhk"})
        EXPECT_TRUE(stored().contains(QString::fromUtf8(part))) << part;
}

TEST_F(HelpFileTest, EveryLessonModeHasItsOwnPageUnderItsMenuName) {
    // The contents name each page exactly as the もくじ list does, so a child finds the item.
    const QString toc = sourceText(QStringLiteral("toc.hhc"));
    static const QRegularExpression entry(
        QStringLiteral(R"re(<param name="Name" value="([^"]*)"><param name="Local" value="([^"]*)">)re"));
    QMap<QString, QString> pageOf;
    for (auto m = entry.globalMatch(toc); m.hasNext();) {
        const auto hit = m.next();
        pageOf.insert(hit.captured(1), hit.captured(2));
    }
    QSet<QString> seen;
    for (const QString& item : kukuTables().menuName) {
        SCOPED_TRACE(item.toStdString());
        ASSERT_TRUE(pageOf.contains(item));
        const QString page = pageOf.value(item);
        EXPECT_FALSE(seen.contains(page)) << "two modes share " << page.toStdString();
        seen.insert(page);
        EXPECT_TRUE(stored().contains(u'/' + page));
        EXPECT_TRUE(sourceText(page).contains(QStringLiteral("<h1>") + item)) << page.toStdString();
        EXPECT_TRUE(sourceText(QStringLiteral("index.html")).contains(page));
    }
}

TEST_F(HelpFileTest, EveryLinkBetweenPagesLeadsToAStoredPage) {
    static const QRegularExpression link(QStringLiteral(R"re(href="([^"#:]+)(#[^"]*)?")re"));
    int links = 0;
    for (const QString& page : QDir(kHelpSources).entryList({QStringLiteral("*.html")})) {
        for (auto m = link.globalMatch(sourceText(page)); m.hasNext(); ++links) {
            const QString target = m.next().captured(1);
            EXPECT_TRUE(stored().contains(u'/' + target))
                << page.toStdString() << " -> " << target.toStdString();
        }
    }
    EXPECT_GT(links, 20);
}

// The phrases of the grammar's commands, rows, colours and chart readings: what the help must
// tell a child to say. Numbers and fact readings are described by examples instead.
QMap<int, QStringList> commandPhrases() {
    QFile f(QStringLiteral(RENTABO_SOURCE_DIR "/resources/KukuGrammar.xml"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    QXmlStreamReader xml(&f);
    QMap<int, QStringList> phrases;
    int value = -1;
    int depth = 0;
    int valueDepth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            if (xml.name() == u"P" && xml.attributes().hasAttribute(QStringLiteral("VAL"))) {
                value = xml.attributes().value(QStringLiteral("VAL")).toInt();
                valueDepth = depth;
            }
        } else if (xml.isEndElement()) {
            if (depth == valueDepth) value = -1;
            --depth;
        } else if (xml.isCharacters() && !xml.isWhitespace() && value >= 0) {
            if (value < 100 || (value >= 301 && value <= 310))
                phrases[value] << xml.text().toString().trimmed();
        }
    }
    return phrases;
}

TEST_F(HelpFileTest, TheWordsPageListsEveryCommandPhraseOfTheGrammar) {
    const QMap<int, QStringList> phrases = commandPhrases();
    ASSERT_TRUE(phrases.contains(70) && phrases.contains(99) && phrases.contains(310));
    const QString words = sourceText(QStringLiteral("kotoba.html"));
    for (auto it = phrases.cbegin(); it != phrases.cend(); ++it)
        for (const QString& phrase : it.value())
            EXPECT_TRUE(words.contains(u'「' + phrase + u'」')) << it.key() << " " << phrase.toStdString();
}

TEST_F(HelpFileTest, TheDesktopOpenerHandsTheHelpFileToAViewer) {
    // F1 opens the file with xdg-open; it must know the file's type and have a viewer for it.
    const auto query = [](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral("xdg-mime"), QStringList{QStringLiteral("query")} + args);
        return p.waitForFinished(20000) ? QString::fromUtf8(p.readAllStandardOutput()).trimmed() : QString();
    };
    const QString type = query({QStringLiteral("filetype"), QStringLiteral(RENTABO_HELP_FILE)});
    ASSERT_EQ(type, QStringLiteral("application/vnd.ms-htmlhelp")) << "is xdg-utils installed?";
    const QString viewer = query({QStringLiteral("default"), type});
    ASSERT_FALSE(viewer.isEmpty());
    EXPECT_TRUE(QFile::exists(QStringLiteral("/usr/share/applications/") + viewer)) << viewer.toStdString();
}

}  // namespace
}  // namespace rentabo
