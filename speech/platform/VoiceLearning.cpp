#include "speech/platform/VoiceLearning.h"

#include "speech/platform/AcceptancePolicy.h"
#include "speech/platform/VoiceFolder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <utility>

namespace rentabo {

namespace {
// The phrases of a session kept for the learner's model, the latest ones.
constexpr std::size_t kMaxKnownPhrases = 120;
}  // namespace

VoiceLearning::VoiceLearning(QString programModelDir, ListenWith listenWith, QObject* parent)
    : QObject(parent), m_programModelDir(std::move(programModelDir)), m_listenWith(std::move(listenWith)) {}

VoiceLearning::~VoiceLearning() = default;

void VoiceLearning::setLearner(const QString& name, const QString& folder) {
    if (name == m_learner && folder == m_folder) return;
    m_learner = name;
    m_folder = folder;
    m_known.clear();
    m_knownWarps.clear();
    m_confirmed = 0;
    m_adaptAgain = false;
    m_last.reset();
    std::optional<SpeakerModel> model;
    // The voice learnt belongs to the learner it was learnt from. A folder of another name, or
    // one that cannot be read, may still be a child's voice (a settings file that could not be
    // read starts with the default name): it is set aside with the date, never deleted here.
    const SpeakerModelOwner owner = speakerModelOwner(folder);
    if (owner.present && (!owner.readable || owner.learner != name)) {
        const QString aside = setSpeakerModelAside(folder, QDateTime::currentDateTime());
        const QString whose = owner.readable ? QStringLiteral("「%1」の声なので").arg(owner.learner)
                                             : QStringLiteral("読めなかったので");
        Q_EMIT Note(aside.isEmpty()
                        ? QStringLiteral("<声のモデル: %1使いません (わきに置けませんでした)>").arg(whose)
                        : QStringLiteral("<声のモデル: %1 %2 に取っておきました>")
                              .arg(whose, QFileInfo(aside).fileName()));
    } else if (owner.present) {
        QString why;
        model = loadSpeakerModel(folder, m_programModelDir, name, &why);
        if (!model) Q_EMIT Note(QStringLiteral("<声のモデルを使いません: %1>").arg(why));
    }
    QString error;
    if (!m_listenWith(model, &error)) model.reset();
    m_speaker = model;
    if (m_speaker)
        Q_EMIT Note(QStringLiteral("<声のモデルで聞きます (%1 のことばから)>").arg(m_speaker->phrases));
}

void VoiceLearning::keepPhrase(const std::vector<std::int16_t>& samples, std::size_t index, double confidence,
                               double warp) {
    if (!m_folder.isEmpty()) m_last = LastPhrase{samples, index, confidence, warp};
}

void VoiceLearning::confirmPhrase(std::optional<std::size_t> said,
                                  const std::function<std::vector<QStringList>(std::size_t)>& pronounce) {
    if (!m_last || m_folder.isEmpty()) return;
    const LastPhrase last = *std::exchange(m_last, std::nullopt);
    std::size_t index = last.index;
    if (said) {
        index = *said;
    } else if (!teachesVoice(last.confidence)) {
        return;
    }
    const auto prons = pronounce(index);
    if (prons.empty()) return;
    m_known.push_back({last.samples, prons.front()});
    m_knownWarps.push_back(last.warp);
    if (m_known.size() > kMaxKnownPhrases) {
        m_known.erase(m_known.begin());
        m_knownWarps.erase(m_knownWarps.begin());
    }
    ++m_confirmed;
    if (refinesAt(m_confirmed, m_speaker ? m_speaker->phrases : 0)) startAdaptation();
}

bool VoiceLearning::refinesAt(std::size_t confirmed, int modelPhrases) {
    const std::size_t phrases = std::min(confirmed, kMaxKnownPhrases);
    return std::find(kRefineAt.begin(), kRefineAt.end(), confirmed) != kRefineAt.end() &&
           phrases > std::size_t(std::max(modelPhrases, 0));
}

bool VoiceLearning::learnNow() {
    if (m_folder.isEmpty() || m_known.size() < kFewestPhrasesToAdapt) return false;
    startAdaptation();
    return true;
}

bool VoiceLearning::canLearn() const {
    return !m_folder.isEmpty() && speakerAdaptationAvailable();
}

void VoiceLearning::startAdaptation() {
    if (m_adapting) {
        // Phrases came after those the model being made learns from: another one follows it.
        if (m_confirmed > m_adaptingFrom) m_adaptAgain = true;
        return;
    }
    m_adaptingFrom = m_confirmed;
    // The warp the voice was heard with most often: the learner's model is made and heard there.
    // Phrases heard with the learner's model all carry its warp, so it stays.
    QHash<double, int> counts;
    double warp = 1.0;
    int most = 0;
    for (double w : m_knownWarps)
        if (++counts[w] > most) most = counts[w], warp = w;
    m_adapting = true;
    Q_EMIT Note(QStringLiteral("<声をおぼえています (%1 のことば)>").arg(m_known.size()));
    m_worker = std::jthread(
        [this, base = m_programModelDir, warp, learner = m_learner, phrases = m_known, folder = m_folder] {
            QString error;
            const bool ok = adaptToSpeaker(base, warp, learner, phrases, folder, &error);
            QMetaObject::invokeMethod(
                this, [this, ok, error] { adaptationFinished(ok, error); }, Qt::QueuedConnection);
        });
}

void VoiceLearning::adaptationFinished(bool ok, const QString& error) {
    m_adapting = false;
    if (m_worker.joinable()) m_worker.join();
    if (!ok) {
        // The model listened with and its folder stay as they were.
        Q_EMIT Note(QStringLiteral("<声をおぼえられませんでした: %1>").arg(error));
    } else {
        QString why;
        auto model = loadSpeakerModel(m_folder, m_programModelDir, m_learner, &why);
        if (!model || !m_listenWith(model, &why)) {
            Q_EMIT Note(QStringLiteral("<声のモデルを使いません: %1>").arg(why));
        } else {
            m_speaker = model;
            Q_EMIT Note(QStringLiteral("<声をおぼえました (%1 のことばから)>").arg(model->phrases));
        }
    }
    // A step reached meanwhile: made from all the phrases known now, once this one is read.
    if (std::exchange(m_adaptAgain, false)) startAdaptation();
}

void VoiceLearning::waitForAdaptation() {
    // A model that finishes may start the next one (a step reached meanwhile).
    while (m_worker.joinable()) {
        m_worker.join();
        QCoreApplication::sendPostedEvents(this);
    }
}

}  // namespace rentabo
