#pragma once

#include "speech/platform/SpeakerModel.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <thread>
#include <vector>

namespace rentabo {

// Learning the learner's voice: every kPhrasesToAdapt phrases of known content (confirmed and
// heard with enough confidence, or asked for) the learner's model is made anew in the background
// from the phrases of the session, kept in the learner's folder and listened with. Notes for the
// information memo arrive through Note().
class VoiceLearning final : public QObject {
    Q_OBJECT
public:
    // Listens with a learner's model (nullopt: the program's model again); false with a reason.
    using ListenWith = std::function<bool(const std::optional<SpeakerModel>&, QString*)>;
    VoiceLearning(QString programModelDir, ListenWith listenWith, QObject* parent = nullptr);
    ~VoiceLearning() override;

    static constexpr std::size_t kPhrasesToAdapt = 30;
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

    std::size_t knownPhrases() const { return m_known.size(); }
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
    bool m_adapting = false;
    std::jthread m_worker;  // last: joined before the rest is torn down
};

}  // namespace rentabo
