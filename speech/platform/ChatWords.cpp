#include "speech/platform/ChatWords.h"

namespace rentabo {

namespace {

constexpr ChatWord kChatWords[] = {
    {u"コマンド", u"こまんど"},
    {u"メニュー", u"めにゅー"},
    {u"命令", u"めいれい"},
    {u"顧問と", u"こもんと"},
    {u"計算モード", u"けいさんもーど"},
    {u"モードチェンジ", u"もーどちぇんじ"},
    {u"おはよう", u"おはよう"},
    {u"こんにちは", u"こんにちわ"},
    {u"よろしく", u"よろしく"},
    {u"ひらけごま", u"ひらけごま"},
    {u"オープン", u"おーぷん"},
    {u"お名前は", u"おなまえわ"},
    {u"名前は", u"なまえわ"},
    {u"お名前を", u"おなまえお"},
    {u"おとしは", u"おとしわ"},
    {u"ねんれいは", u"ねんれいわ"},
    {u"おいくつ", u"おいくつ"},
    {u"ひげは", u"ひげわ"},
    {u"彼女は", u"かのじょわ"},
    {u"何時", u"なんじ"},
    {u"好きな食べ物", u"すきなたべもの"},
    {u"好きなスポーツ", u"すきなすぽーつ"},
    {u"ありがとう", u"ありがとう"},
    {u"サンキュー", u"さんきゅー"},
    {u"馬みたい", u"うまみたい"},
    {u"今日は何日", u"きょうわなんにち"},
    {u"はじめ", u"はじめ"},
    {u"開始", u"かいし"},
    {u"スタート", u"すたーと"},
    {u"中止", u"ちゅうし"},
    {u"エスケープ", u"えすけーぷ"},
    {u"ストップ", u"すとっぷ"},
    // Written forms of words above, for typed chat.
    {u"年齢は", nullptr},
    {u"年令は", nullptr},
    {u"始め", nullptr},
};

// The morae of the loop that absorbs everything else said in chat.
constexpr const char16_t* kMorae[] = {
    u"あ",   u"い",   u"う",   u"え",   u"お",   u"か",   u"き",   u"く",   u"け",   u"こ",   u"が",
    u"ぎ",   u"ぐ",   u"げ",   u"ご",   u"さ",   u"し",   u"す",   u"せ",   u"そ",   u"ざ",   u"じ",
    u"ず",   u"ぜ",   u"ぞ",   u"た",   u"ち",   u"つ",   u"て",   u"と",   u"だ",   u"で",   u"ど",
    u"な",   u"に",   u"ぬ",   u"ね",   u"の",   u"は",   u"ひ",   u"ふ",   u"へ",   u"ほ",   u"ば",
    u"び",   u"ぶ",   u"べ",   u"ぼ",   u"ぱ",   u"ぴ",   u"ぷ",   u"ぺ",   u"ぽ",   u"ま",   u"み",
    u"む",   u"め",   u"も",   u"や",   u"ゆ",   u"よ",   u"ら",   u"り",   u"る",   u"れ",   u"ろ",
    u"わ",   u"ん",   u"きゃ", u"きゅ", u"きょ", u"しゃ", u"しゅ", u"しょ", u"ちゃ", u"ちゅ", u"ちょ",
    u"じゃ", u"じゅ", u"じょ", u"りょ",
};

}  // namespace

std::span<const ChatWord> chatWords() {
    return kChatWords;
}

std::span<const char16_t* const> loopMorae() {
    return kMorae;
}

}  // namespace rentabo
