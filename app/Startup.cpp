#include "app/Startup.h"

#include "app/Fonts.h"
#include "app/TKukuForm.h"
#include "lessons/EffectSounds.h"
#include "speech/platform/PocketSphinxContext.h"
#include "speech/platform/VoiceFactory.h"

#include <QCoreApplication>
#include <QDir>

namespace rentabo {

KukuServices createServices(const QString& exeDir) {
    KukuServices services;
    services.voice = createVoice(exeDir, nullptr, {}, &services.notes);
    services.reco = createRecoContext(&services.notes);
    services.effects = std::make_unique<EffectSounds>(exeDir);
    return services;
}

Program startProgram(const StartOptions& options) {
    installJapaneseFonts();
    QString exeDir = options.exeDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.exeDir;
    exeDir = QDir(exeDir).absolutePath() + u'/';

    Program program;
    program.form = std::make_unique<TKukuForm>(createServices(exeDir), exeDir);
    program.form->show();
    return program;
}

}  // namespace rentabo
