#pragma once

#include "speech/platform/SpeakerModel.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

namespace rentabo {

// Learning the learner's voice: as phrases of known content arrive (confirmed and heard with
// enough confidence, or asked for) the learner's model is made anew in the background from the
// phrases of the session at each step of kRefineAt, kept in the learner's folder and listened
// with. Notes for the information memo arrive through Note().
class VoiceLearning final : public QObject {
    Q_OBJECT
public:
    // Listens with a learner's model (nullopt: the program's model again); false with a reason.
    using ListenWith = std::function<bool(const std::optional<SpeakerModel>&, QString*)>;
    VoiceLearning(QString programModelDir, ListenWith listenWith, QObject* parent = nullptr);
    ~VoiceLearning() override;

    // The numbers of phrases of a session at which the model is made again. Measured on voices
    // the program's model never heard (bench/recognition/README.md, "How many phrases to learn a
    // voice from"): clean and child-pitched speech is heard whole from 6 phrases on, while in a
    // reverberant room or from a quiet child 12 phrases reach about 90 % and 30 about 95 %. So
    // the first model comes at 12 (the enrolment, or the first 12 right answers without it),
    // and it is made again at 30 and at 60, where the rooms still gain, and once more from the
    // 120 phrases a session keeps. Four adaptations of a few seconds each at most per session,
    // each replacing the one folder: bounded in time and on disk.
    static constexpr std::array<std::size_t, 4> kRefineAt{12, 30, 60, 120};
    static constexpr std::size_t kPhrasesToAdapt = kRefineAt.front();
    // Whether the model is made again when the session's `confirmed`-th phrase arrives and the
    // model listened with was learnt from `modelPhrases` (0: none): only at a step of kRefineAt,
    // and never to replace a model learnt from more phrases (one of an earlier session) by one
    // learnt from fewer.
    static bool refinesAt(std::size_t confirmed, int modelPhrases);
    // The fewest phrases a model is made from when asked at once (the end of an enrolment).
    static constexpr std::size_t kFewestPhrasesToAdapt = 8;

    void setLearner(const QString& name, const QString& folder);
    // The phrase delivered last, kept until the next one in case it is confirmed (only while a
    // learner's voice is being learnt: a copy of every phrase otherwise).
    void keepPhrase(const std::vector<std::int16_t>& samples, std::size_t index, double confidence,
                    double warp);
    void forgetPhrase() { m_last.reset(); }
    bool hasPhrase() const { return m_last.has_value(); }
    // The phrase kept was `said` (by phrase index; nullopt: the phrase heard, which then counts
    // only when heard with confidence), pronounced as `pronounce` gives.
    void confirmPhrase(std::optional<std::size_t> said,
                       const std::function<std::vector<QStringList>(std::size_t)>& pronounce);
    bool learnNow();
    // A learner's folder is set and the adaptation's tools are installed.
    bool canLearn() const;

    std::size_t knownPhrases() const { return m_known.size(); }
    // The phrases of known content confirmed in this session (the known ones are the latest).
    std::size_t confirmedPhrases() const { return m_confirmed; }
    const std::optional<SpeakerModel>& speakerModel() const { return m_speaker; }
    bool adapting() const { return m_adapting; }
    void waitForAdaptation();

Q_SIGNALS:
    void Note(const QString& text);

private:
    void startAdaptation();
    void adaptationFinished(bool ok, const QString& error);

    struct LastPhrase {
        std::vector<std::int16_t> samples;
        std::size_t index = 0;
        double confidence = 0;
        double warp = 1.0;
    };
    QString m_programModelDir;
    ListenWith m_listenWith;
    std::optional<LastPhrase> m_last;
    QString m_learner;
    QString m_folder;
    std::vector<KnownPhrase> m_known;
    std::vector<double> m_knownWarps;
    std::optional<SpeakerModel> m_speaker;
    std::size_t m_confirmed = 0;
    bool m_adapting = false;
    std::size_t m_adaptingFrom = 0;  // m_confirmed when the model being made was started
    bool m_adaptAgain = false;       // a step was reached while a model was being made
    std::jthread m_worker;           // last: joined before the rest is torn down
};

}  // namespace rentabo
