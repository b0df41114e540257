#include "settings/ProfileFile.h"

#include <gtest/gtest.h>

namespace rentabo {
namespace {

TEST(ProfileFile, FindsSectionsAndKeysWithoutRegardToCase) {
    const ProfileFile file("[Speak]\r\nsikiSpRate = 7 \r\n[speak]\r\nOTHER=1\r\n");
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        bool found;
    };
    const Case cases[] = {
        {"SPEAK", "SIKISPRATE", "7", true}, {"speak", "sikispRATE", "7", true},
        {"SPEAK", "OTHER", "1", true},  // in the second [speak]
        {"SPEAK", "MISSING", "", false},    {"POSITION", "SIKISPRATE", "", false},
    };
    for (const Case& c : cases) {
        bool found = false;
        EXPECT_EQ(file.value(c.section, c.key, &found), QByteArray(c.value)) << c.section << "/" << c.key;
        EXPECT_EQ(found, c.found) << c.section << "/" << c.key;
    }
}

TEST(ProfileFile, TheFirstOfTwoEqualKeysWinsForReadAndWrite) {
    ProfileFile file("[A]\nK=1\nK=2\n");
    EXPECT_EQ(file.value("A", "K"), "1");
    file.setValue("A", "K", "3");
    EXPECT_EQ(file.content(), "[A]\nK=3\nK=2\n");
}

TEST(ProfileFile, AnEmptyValueIsFoundAndEmpty) {
    bool found = false;
    EXPECT_EQ(ProfileFile("[T]\nERRORS=\n").value("T", "ERRORS", &found), "");
    EXPECT_TRUE(found);
}

TEST(ProfileFile, WritingAKeyLeavesEveryOtherByteAsItWas) {
    const QByteArray before =
        "; comment\r\n\r\n[Other]\r\nfoo = bar\r\njunk line without equals\r\n\r\n"
        "[position]\r\nleft = 10\r\n; note\r\ntop=20\r\n\r\n; trailing comment\r\n";
    ProfileFile file(before);
    file.setValue("POSITION", "LEFT", "5");
    QByteArray expected = before;
    expected.replace("left = 10", "LEFT=5");
    EXPECT_EQ(file.content(), expected);
}

TEST(ProfileFile, NewKeysGoToTheEndOfTheirSectionAndNewSectionsToTheEnd) {
    ProfileFile file("[A]\nX=1\n\n[B]\nY=2");  // no line end after the last line
    file.setValue("A", "Z", "3");
    file.setValue("C", "W", "4");
    EXPECT_EQ(file.content(), "[A]\nX=1\nZ=3\n\n[B]\nY=2\n\n[C]\nW=4\n");
}

TEST(ProfileFile, ANewFileUsesWindowsLineEnds) {
    ProfileFile file;
    file.setValue("A", "K", "v");
    EXPECT_EQ(file.content(), "[A]\r\nK=v\r\n");
}

TEST(ProfileFile, ValuesComeBackAsWrittenEvenWithBlanksQuotesOrLineBreaks) {
    struct Case {
        QByteArray written;
        QByteArray read;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"two words", "two words"},
        {" padded ", " padded "},
        {"\"quoted\"", "\"quoted\""},
        {"'single'", "'single'"},
        {"a=b", "a=b"},
        // A line break must not split the value into a line of its own.
        {"one\r\n[EVIL]\nK=1", "one  [EVIL] K=1"},
    };
    for (const Case& c : cases) {
        ProfileFile file("[S]\nK=old\nNEXT=1\n");
        file.setValue("S", "K", c.written);
        const ProfileFile reread(file.content());
        EXPECT_EQ(reread.value("S", "K"), c.read) << c.written.constData();
        EXPECT_EQ(reread.value("S", "NEXT"), "1") << c.written.constData();
        EXPECT_EQ(file.content().count('\n'), 3) << c.written.constData();
    }
}

TEST(ProfileFile, HandQuotedValuesLoseTheirQuotesOnReading) {
    EXPECT_EQ(ProfileFile("[S]\nK=\"  x \"\n").value("S", "K"), "  x ");
}

}  // namespace
}  // namespace rentabo
