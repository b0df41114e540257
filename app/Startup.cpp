#include "app/Startup.h"

#include "app/Fonts.h"
#include "app/TKukuForm.h"
#include "speech/platform/SilentVoice.h"
#include "speech/platform/TypedPhraseContext.h"

#include <QCoreApplication>
#include <QDir>

namespace rentabo {

Program startProgram(const StartOptions& options) {
    installJapaneseFonts();
    QString exeDir = options.exeDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.exeDir;
    exeDir = QDir(exeDir).absolutePath() + u'/';

    KukuServices services;
    services.voice = std::make_unique<SilentVoice>();
    services.reco = std::make_unique<TypedPhraseContext>();

    Program program;
    program.form = std::make_unique<TKukuForm>(std::move(services), exeDir);
    program.form->show();
    return program;
}

}  // namespace rentabo
