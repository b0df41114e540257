#pragma once

#include "core/QuestionBoard.h"

#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace rentabo {

// A question board that keeps what was shown, for tests and soak runs. Each change is logged as
// "field=text" with the virtual time a clock function gives, so a test can assert what appeared
// when.
class RecordingBoard final : public QuestionBoard {
public:
    struct Entry {
        std::int64_t at;
        BoardText field;
        QString text;
    };

    void setBoardText(BoardText field, const QString& text) override;
    QString boardText(BoardText field) const override;
    void setAnswerRed(bool red) override { answerRed = red; }
    void setProgressBar(int position) override { progress = position; }
    void appendMemo(const QString& text) override;
    void appendMemoLine(const QString& line) override;
    void clearMemo() override { memo.clear(); }
    int memoLineCount() const override;
    void setMemoWarning(bool red) override { memoRed = red; }
    void CBoxDsp(int show) override { comboShown = show; }
    void DrawBoard() override { ++boardDraws; }
    void DrawStopHint() override {}

    // Every text the field showed, in order.
    QStringList history(BoardText field) const;

    std::function<std::int64_t()> clock;
    std::vector<Entry> log;
    QString memo;
    bool answerRed = false;
    bool memoRed = false;
    int progress = 0;
    int comboShown = 1;
    int boardDraws = 0;

private:
    std::map<BoardText, QString> m_texts;
};

// Effect sounds that keep the kinds played, in order.
struct RecordingEffects final : EffectPlayer {
    void PlayEffect(int kind) override { played.push_back(kind); }
    std::vector<int> played;
};

}  // namespace rentabo
