#pragma once

#include "core/KukuTables.h"
#include "speech/VoiceCommands.h"
#include "speech/VoiceExams.h"

#include <QDateTime>
#include <QStringList>

namespace rentabo::testing {

// Everything the program says, as far as the tests know it: the facts and the fixed messages.
inline QStringList programTexts() {
    QStringList texts;
    for (int k = 0; k < kFacts; ++k)
        for (int kind = 0; kind < 3; ++kind) texts << MakeYomi(k, kind);
    const KukuTables& t = kukuTables();
    for (const auto& s : t.danName) texts << s + QStringLiteral(u"の練習をします。");
    for (const auto& s : t.choiceName) texts << s;
    for (const auto& s : t.testKindName) texts << s;
    for (const auto& s : t.goroHint) texts << s;
    for (const char16_t* m :
         {u"九九をものにしちゃおうね。", u"道場を閉めます。またね。", u"テストを中止しました。",
          u"現在の設定は，この音量と速さです。", u"Rentaboをオープンします。",
          u"音声によるテストです。｢テスト始め｣と言ってね", u"音声入力 にして，コマンド と言ってください。",
          u"音声入力は、目次の、4から6の、テストで、使用されます。その他は、ふつうの、ヘルプを、ご利用くださ"
          u"い。",
          u"初めからもう一度どうぞ。", u"★ 口答による全段テストはありません。", u"練習を中止しますか？",
          u"テストを中止しますか？", u"終わっていいですか？", u"九九術マスター", u"九九術免許皆伝",
          u"しはん 九九きわむ", u"[１回目]", u"３×６＝１８", u"81問中79問正解です。"})
        texts << QString::fromUtf16(m);
    // The voice tests and commands.
    for (const auto& name : danYomi()) {
        texts << name + QStringLiteral(u"のテストを始めます。マイクで答えてね。");
        texts << name + QStringLiteral(u"にしました。");
    }
    for (const char16_t* m :
         {u"式と答えをまとめて，さぶろくじゅうはち、のように、くく全体 を暗唱しましょう。",
          u"まちがえたので，3段の最初からやり直してください。",
          u"テストを終えてから，段を変えてね。",
          u"よろしく。",
          u"もくじが　音声テストモードではありません。",
          u"練習・テストモード 受け付けました。",
          u"おはなしモード 受け付けました。",
          u"おはようございます。",
          u"こんにちは",
          u"よろしくお願いします。",
          u"しはんの・くくきわむ・名前名前と申します。",
          u"若作りの二十五才です。",
          u"ただの飾りです。",
          u"募集中です。",
          u"プリンとチョコレートとにんじんだよ。",
          u"卓球とビリヤードかな。",
          u"どう致しまして。",
          u"ほんとだね。",
          u"「モードチェンジ」と言って，コマンド モードに してからね。",
          u"コマンド モードに してから，言ってね。"})
        texts << QString::fromUtf16(m);
    const QDateTime at(QDate(2026, 12, 7), QTime(15, 4, 5));
    texts << timeText(at) << dateText(at);
    return texts;
}

}  // namespace rentabo::testing
