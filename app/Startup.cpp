#include "app/Startup.h"

#include "app/Fonts.h"
#include "app/TKukuForm.h"
#include "app/TerminationSignals.h"
#include "lessons/EffectSounds.h"
#include "speech/platform/PocketSphinxContext.h"
#include "speech/platform/VoiceFactory.h"
#include "ui_KukuForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTextCursor>
#include <QTextDocument>

#include <chrono>
#include <functional>

namespace rentabo {

KukuServices createServices(const QString& exeDir) {
    KukuServices services;
    services.voice = createVoice(exeDir, nullptr, {}, &services.notes);
    services.reco = createRecoContext(&services.notes);
    services.effects = std::make_unique<EffectSounds>(exeDir);
    return services;
}

namespace {

// With RENTABO_MEMO_LOG naming a file, every text added to the information memo is also
// appended there as it appears, so a run driven from outside (the sound tests) can follow it.
void mirrorMemo(TKukuForm& form) {
    const QString path = qEnvironmentVariable("RENTABO_MEMO_LOG");
    if (path.isEmpty()) return;
    auto* log = new QFile(path, &form);
    if (!log->open(QIODevice::WriteOnly | QIODevice::Append)) return;
    QTextDocument* memo = form.ui().msgText->document();
    // What start-up wrote before the mirror existed (the device notes) comes first.
    if (!memo->isEmpty()) {
        log->write((memo->toPlainText() + u'\n').toUtf8());
        log->flush();
    }
    QObject::connect(memo, &QTextDocument::contentsChange, log, [memo, log](int at, int, int added) {
        if (added <= 0) return;
        QTextCursor span(memo);
        span.setPosition(std::min(at, memo->characterCount() - 1));
        span.setPosition(std::min(at + added, memo->characterCount() - 1), QTextCursor::KeepAnchor);
        log->write(span.selectedText().replace(QChar::ParagraphSeparator, u'\n').toUtf8());
        log->flush();
    });
}

// Calls `painted` each time its object is painted.
class PaintWatch final : public QObject {
public:
    PaintWatch(QObject* parent, std::function<void()> painted)
        : QObject(parent), m_painted(std::move(painted)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) m_painted();
        return false;
    }

private:
    std::function<void()> m_painted;
};

// With RENTABO_VOICE_LOG naming a file, the moments the master's voice starts and stops being
// heard, and the moments a mark is drawn, are appended there, in seconds on the monotonic clock,
// for the latency benchmark.
void traceVoice(TKukuForm& form) {
    const QString path = qEnvironmentVariable("RENTABO_VOICE_LOG");
    if (path.isEmpty()) return;
    auto* log = new QFile(path, &form);
    if (!log->open(QIODevice::WriteOnly | QIODevice::Append)) return;
    auto note = [log](const char* what) {
        const double now =
            std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        log->write(QByteArray::number(now, 'f', 4) + ' ' + what + '\n');
        log->flush();
    };
    QObject::connect(&form.voice(), &SpVoice::StartStream, log, [note] { note("start"); });
    QObject::connect(&form.voice(), &SpVoice::EndStream, log, [note] { note("end"); });
    // The verdict's mark as it is drawn on the board: what the child sees.
    QLabel* mark = form.ui().StaticText13;
    auto* watch = new PaintWatch(mark, [mark, note, last = QString()]() mutable {
        if (mark->text() == last) return;
        last = mark->text();
        if (!last.isEmpty()) note("mark");
    });
    mark->installEventFilter(watch);
}

}  // namespace

Program startProgram(const StartOptions& options) {
    installJapaneseFonts();
    QString exeDir = options.exeDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.exeDir;
    exeDir = QDir(exeDir).absolutePath() + u'/';

    Program program;
    program.form = std::make_unique<TKukuForm>(createServices(exeDir), exeDir);
    program.form->show();
    mirrorMemo(*program.form);
    traceVoice(*program.form);
    return program;
}

void endFromOutsideOn(TerminationSignals& termination, TKukuForm& form) {
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &form,
                     [&form] { form.endFromOutside(); });
}

}  // namespace rentabo
