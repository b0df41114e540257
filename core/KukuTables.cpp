#include "core/KukuTables.h"

namespace rentabo {

namespace {

// One row of the reading table: the chanted question part, the three reading parts of the
// laid-out reading, the answer as the voice says it and the mnemonic. Texts are kept exactly as
// the program has always shown them, trailing blanks and odd spacing included.
struct ReadingRow {
    const char16_t* yomiQ;
    const char16_t* a;
    const char16_t* b;
    const char16_t* c;
    const char16_t* ansYomi;
    const char16_t* goroHint;
};

constexpr ReadingRow kReadings[kFacts] = {
    {u"いんいちが", u"いん", u"いち", u"いち", u"いち", u"１にかけてもおんなじ"},
    {u"いんにが", u"いん", u"に", u"に", u"に", u"１にかけてもおんなじ"},
    {u"いんさんが", u"いん", u"さん", u"さん", u"３", u"１にかけてもおんなじ"},
    {u"いんしが", u"いん", u"し", u"し", u"し", u"１にかけてもおんなじ"},
    {u"いんごが", u"いん", u"ご", u"ご", u"５", u"１にかけてもおんなじ"},
    {u"いんろくが", u"いん", u"ろく", u"ろく", u"６", u"１にかけてもおんなじ"},
    {u"いんしちが ", u"いん", u"しち", u"しち", u"しち", u"１にかけてもおんなじ"},
    {u"いんはちが ", u"いん", u"はち", u"はち", u"８", u"１にかけてもおんなじ"},
    {u"いんくが ", u"いん", u"く", u"く", u"く", u"１にかけてもおんなじ"},
    {u"にいちが", u"に", u"いち", u"に", u"２", u"１をかけてもおんなじ"},
    {u"ににんが", u"に", u"にん", u"し", u"し", u"　"},
    {u"にさんが", u"に", u"さん", u"ろく", u"６", u"兄さんはロッカー"},
    {u"にしが", u"に", u"し", u"はち", u"８", u"西にハチ"},
    {u"にご", u"に", u"ご", u"じゅう", u"10", u"にっこり父さん"},
    {u"にろく", u"に", u"ろく", u"じゅうに", u"12", u"　"},
    {u"にしち", u"に", u"しち", u"じゅうし", u"じゅうし", u"ニーナはいいよ。"},
    {u"に　はち", u"に", u"はち", u"じゅうろく", u"16", u"日ハムのイチロー"},
    {u"にく", u"に", u"く", u"じゅうはち", u"18", u"肉はもうイヤ"},
    {u"さんいちが", u"さん", u"いち", u"さん", u"３", u"さーいーさー"},
    {u"さんにが", u"さん", u"に", u"ろく", u"６", u"　"},
    {u"さざんが", u"さ", u"ざん", u"く", u"９", u"さんざんくろう"},
    {u"さんし", u"さん", u"し", u"じゅうに", u"12", u"　"},
    {u"さんご", u"さん", u"ご", u"じゅうご", u"15", u"産後は１５日"},
    {u"さぶろく", u"さぶ", u"ろく", u"じゅうはち", u"18", u"　"},
    {u"さんしち", u"さん", u"しち", u"にじゅういち", u"21", u"みんなでニーッ"},
    {u"さんぱ", u"さん", u"ぱ", u"にじゅうし", u"にじゅうし", u"散髪は西で"},
    {u"さんく", u"さん", u"く", u"にじゅうしち", u"にじゅうしち", u"サンキュー，ニーナ"},
    {u"しいちが・", u"し", u"いち", u"し", u"し", u"よいよ ポン"},
    {u"しにが", u"し", u"に", u"はち", u"８", u"　"},
    {u"しさん", u"し", u"さん", u"じゅうに", u"12", u"　"},
    {u"しし", u"し", u"し", u"じゅうろく", u"16", u"　"},
    {u"しご", u"し", u"ご", u"にじゅう", u"20", u"　"},
    {u"しろく", u"し", u"ろく", u"にじゅうし", u"にじゅうし", u"四郎は西へ"},
    {u"ししち", u"し", u"しち", u"にじゅうはち", u"28", u"市内でにやり"},
    {u"し　は", u"し", u"は", u"さんじゅうに", u"32", u"しわ３２本"},
    {u"しく", u"し", u"く", u"さんじゅうろく", u"36", u"シクシク三郎"},
    {u"ごいちが", u"ご", u"いち", u"ご", u"５", u"ゴーイーゴー"},
    {u"ごに", u"ご", u"に", u"じゅう", u"10", u"　"},
    {u"ごさん", u"ご", u"さん", u"じゅうご", u"15", u"　"},
    {u"ごし", u"ご", u"し", u"にじゅう", u"20", u"　"},
    {u"ごご", u"ご", u"ご", u"にじゅうご", u"25", u"午後はニコニコ"},
    {u"ごろく", u"ご", u"ろく", u"さんじゅう", u"30", u"ゴローは三十"},
    {u"ごしち", u"ご", u"しち", u"さんじゅうご", u"35", u"　"},
    {u"ご　は", u"ご", u"は", u"しじゅう", u"しじゅう", u"ゴーヤでしまる"},
    {u"ごっく", u"ごっ", u"く", u"しじゅうご", u"しじゅうご", u"ごくろう，信号"},
    {u"ろくいちが", u"ろく", u"いち", u"ろく", u"６", u"１をかけてもおんなじ"},
    {u"ろくに", u"ろく", u"に", u"じゅうに", u"12", u" "},
    {u"ろくさん", u"ろく", u"さん", u"じゅうはち", u"18", u" "},
    {u"ろくし", u"ろく", u"し", u"にじゅうし", u"にじゅうし", u" "},
    {u"ろくご", u"ろく", u"ご", u"さんじゅう", u"30", u" "},
    {u"ろくろく", u"ろく", u"ろく", u"さんじゅうろく", u"36", u" "},
    {u"ろくしち", u"ろく", u"しち", u"しじゅうに", u"しじゅうに", u" "},
    {u"ろく　は", u"ろく", u"は", u"しじゅうはち", u"しじゅうはち", u" "},
    {u"ろっく", u"ろっ", u"く", u"ごじゅうし", u"ごじゅうし", u"ロックでごしごし"},
    {u"しちいちが", u"しち", u"いち", u"しち", u"しち", u"ないなー ポン"},
    {u"しちに", u"しち", u"に", u"じゅうし", u"じゅうし", u"なにを言ってもいいよ。"},
    {u"しちさん", u"しち", u"さん", u"にじゅういち", u"21", u" "},
    {u"しちし", u"しち", u"し", u"にじゅうはち", u"28", u" "},
    {u"しちご", u"しち", u"ご", u"さんじゅうご", u"35", u"七五三 ゴー！"},
    {u"しちろく", u"しち", u"ろく", u"しじゅうに", u"しじゅうに", u" "},
    {u"しちしち", u"しち", u"しち", u"しじゅうく", u"しじゅうく", u"シチシチシクシク    "},
    {u"しち　は", u"しち", u"は", u"ごじゅうろく", u"56", u"　"},
    {u"しちく", u"しち", u"く", u"ろくじゅうさん", u"63", u"泣くのはロミオ"},
    {u"はちいちが", u"はち", u"いち", u"はち", u"８", u"ハイヤー ポン"},
    {u"はちに", u"はち", u"に", u"じゅうろく", u"16", u"はに　色"},
    {u"はちさん", u"はち", u"さん", u"にじゅうし", u"にじゅうし", u"はさんだ にしめ　"},
    {u"はちし", u"はち", u"し", u"さんじゅうに", u"32", u"走って見にいく"},
    {u"はちご", u"はち", u"ご", u"しじゅう", u"しじゅう", u"はごろもヨット"},
    {u"はちろく", u"はち", u"ろく", u"しじゅうはち", u"しじゅうはち", u"ハムは弱い。"},
    {u"はちしち", u"はち", u"しち", u"ごじゅうろく", u"56", u"ハナがごろごろ"},
    {u"はっぱ", u"はっ", u"ぱ", u"ろくじゅうし", u"ろくじゅうし", u"葉っぱに虫"},
    {u"はっく", u"はっ", u"く", u"しちじゅうに", u"しちじゅうに", u"はくのは何？"},
    {u"くいちが", u"く", u"いち", u"く", u"く", u"クイック ポン"},
    {u"くに", u"く", u"に", u"じゅうはち", u"18", u"国はイヤ？"},
    {u"くさん", u"く", u"さん", u"にじゅうしち", u"にじゅうしち", u"クミのあだ名はニーナ"},
    {u"くし", u"く", u"し", u"さんじゅうろく", u"36", u" "},
    {u"くご", u"く", u"ご", u"しじゅうご", u"しじゅうご", u" "},
    {u"くろく", u"く", u"ろく", u"ごじゅうし", u"ごじゅうし", u"苦労はべんごし"},
    {u"くしち", u"く", u"しち", u"ろくじゅうさん", u"63", u"食うな，ロミオ！"},
    {u"く　は", u"く", u"は", u"しちじゅうに", u"しちじゅうに", u"クワって何？"},
    {u"くく", u"く", u"く", u"はちじゅういち", u"81", u"クックしてハイ"},
};

constexpr char16_t kWideSpace = u'\u3000';

QString str(const char16_t* s) {
    return QString::fromUtf16(s);
}

KukuTables build() {
    KukuTables t;
    for (int k = 0; k < kFacts; ++k) {
        const int a = danOfFact(k);
        const int b = multiplierOfFact(k);
        const int product = a * b;
        const ReadingRow& r = kReadings[k];
        t.kotae[k] = product;
        t.shikiStr[k] = toFullWidthDigits(QString::number(a)) + u'×' + toFullWidthDigits(QString::number(b));
        t.ansStr[k] = toFullWidthDigits(QString::number(product));
        if (product < 10) t.ansStr[k] += kWideSpace;
        t.yomiQ[k] = str(r.yomiQ);
        t.yomiFull[k] = buildYomiFull(str(r.a), str(r.b), str(r.c), product);
        t.ansYomi[k] = str(r.ansYomi);
        t.goroHint[k] = str(r.goroHint);
    }
    const char16_t* danNames[13] = {u"一の段",    u"二の段",         u"三の段",         u"四の段",
                                    u"五の段",    u"六の段",         u"七の段",         u"八の段",
                                    u"九の段",    u"一・二・五の段", u"三・四・六の段", u"八・七・九の段",
                                    u"すべての段"};
    const char16_t* choices[13] = {
        u"一の段",           u"二の段",           u"五の段",        u"三の段", u"四の段",
        u"六の段",           u"八の段",           u"七の段",        u"九の段", u"初級(１･２･５段)",
        u"中級(３･４･６段)", u"上級(８･７･９段)", u"全段(１～９段)"};
    const char16_t* menus[10] = {u"１.練 習（九九の表）",  u"２.練 習（段級・順）",  u"３.練 習（段級・乱）",
                                 u"４.テスト[キー答・順]", u"５.テスト[キー答・乱]", u"６.テスト[口答・順]",
                                 u"７.テスト[口答・乱]",   u"８.暗唱テスト[順]",     u"９.暗唱テスト[乱]",
                                 u"１０（予定）"};
    const char16_t* kinds[7] = {u"(手答・順)", u"(手答・乱)", u"(口答・順)", u"(口答・乱)",
                                u"(暗唱・順)", u"(暗唱・乱)", u"(完全暗唱)"};
    const char16_t* kanji[9] = {u"一", u"二", u"三", u"四", u"五", u"六", u"七", u"八", u"九"};
    for (int i = 0; i < 13; ++i) {
        t.danName[i] = str(danNames[i]);
        t.choiceName[i] = str(choices[i]);
    }
    for (int i = 0; i < 10; ++i) t.menuName[i] = str(menus[i]);
    for (int i = 0; i < 7; ++i) t.testKindName[i] = str(kinds[i]);
    for (int i = 0; i < 9; ++i) {
        t.zenDigit[i] = toFullWidthDigits(QString::number(i + 1));
        t.kanjiDigit[i] = str(kanji[i]);
    }
    return t;
}

}  // namespace

const KukuTables& kukuTables() {
    static const KukuTables tables = build();
    return tables;
}

QString toFullWidthDigits(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c >= u'0' && c <= u'9') c = QChar(u'０' + (c.unicode() - u'0'));
    return out;
}

QString buildYomiFull(const QString& a, const QString& b, const QString& c, int product) {
    QString s(kWideSpace);
    s += a.leftJustified(2, kWideSpace);
    s += u'・';
    s += b.rightJustified(2, kWideSpace);
    s += product <= 9 ? QStringLiteral(u"・が・") : QStringLiteral(u"　　・");
    s += c;
    return s.leftJustified(16, kWideSpace);
}

const std::array<int, kFacts>& BuildSetList() {
    static const std::array<int, kFacts> list = [] {
        std::array<int, kFacts> l{};
        int p = 0;
        for (int choice = 0; choice < 9; ++choice)
            for (int b = 1; b <= 9; ++b) l[p++] = (DanOfChoice[choice] - 1) * 9 + (b - 1);
        return l;
    }();
    return list;
}

SetRange setRangeOfChoice(int mokuji_n) {
    if (mokuji_n >= 0 && mokuji_n <= 8) return {9 * mokuji_n, 9 * mokuji_n + 9};
    switch (mokuji_n) {
        case 9:
            return {0, 27};
        case 10:
            return {27, 54};
        case 11:
            return {54, 81};
        default:
            return {0, 81};
    }
}

QString MakeYomi(int kuku_n, int kind) {
    if (kuku_n < 0 || kuku_n >= kFacts) return {};
    const KukuTables& t = kukuTables();
    QString s;
    switch (kind) {
        case 0:
            s = t.yomiQ[kuku_n];
            s.replace(QStringLiteral(u"　は"), QStringLiteral(u" はっ"));
            break;
        case 1:
            s = t.yomiFull[kuku_n];
            s.remove(kWideSpace);
            s.replace(QStringLiteral(u"・は"), QStringLiteral(u"・はっ"));
            s.replace(u'・', u' ');
            break;
        case 2:
            s = t.yomiQ[kuku_n] + t.ansYomi[kuku_n];
            s.replace(QStringLiteral(u"　は"), QStringLiteral(u",はっ"));
            break;
        default:
            break;
    }
    return s;
}

}  // namespace rentabo
