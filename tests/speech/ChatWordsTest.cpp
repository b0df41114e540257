// Chat listening and the chat replies read one list of chat words.
#include "speech/VoiceCommands.h"
#include "speech/platform/ChatWords.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace rentabo;

TEST(ChatWords, TheRepliesAndChatListeningKnowTheSameWords) {
    QSet<QString> listened;
    QSet<QString> all;
    for (const ChatWord& w : chatWords()) {
        all.insert(QString::fromUtf16(w.text));
        if (w.sound) listened.insert(QString::fromUtf16(w.text));
    }
    const QStringList replies = chatReplyWords();
    EXPECT_EQ(QSet<QString>(replies.begin(), replies.end()), all);
    // Every reply but the written forms of words said otherwise (年齢は: ねんれいは) can be heard.
    for (const QString& w : replies)
        EXPECT_TRUE(listened.contains(w) || w == u"年齢は"_qs || w == u"年令は"_qs || w == u"始め"_qs)
            << w.toStdString();
}
