#pragma once

#include "app/TKukuForm.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/SilentServices.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace rentabo::testing {

// Puts the command grammar beside a program in `folder`, so that typed phrases are understood.
inline bool copyGrammar(const QString& folder) {
    return QFile::copy(QStringLiteral(RENTABO_SOURCE_DIR "/resources/KukuGrammar.xml"),
                       folder + QStringLiteral("/KukuGrammar.xml"));
}

// A main window on a silent voice and typed phrases, in a folder of its own: with the grammar
// file beside it unless told otherwise, and a settings file when one is given. Its boxes are
// collected in `messages` ("caption|text"), its name-change questions in `questions`, each agreed
// to; closing is never asked.
struct MainWindowRig {
    enum class Grammar { Beside, None };

    QTemporaryDir dir;
    std::unique_ptr<TKukuForm> form;
    std::unique_ptr<ScriptedPrompts> prompts;
    QStringList messages;
    QStringList questions;

    // `ini`: the settings file's content (empty: none); `programFolder`: where the program is
    // (empty: the rig's own temporary folder); `show`: the window is shown at once.
    explicit MainWindowRig(Grammar grammar = Grammar::Beside, const QByteArray& ini = {},
                           const QString& programFolder = {}, bool show = true) {
        const QString folder = programFolder.isEmpty() ? dir.path() : programFolder;
        if (grammar == Grammar::Beside) copyGrammar(folder);
        if (!ini.isEmpty()) {
            QFile f(folder + QStringLiteral("/RentaboV24.ini"));
            if (f.open(QIODevice::WriteOnly)) f.write(ini);
        }
        form = std::make_unique<TKukuForm>(silentServices(), folder + u'/');
        prompts = std::make_unique<ScriptedPrompts>(form->boxPrompts());
        prompts->close = [] { return true; };
        prompts->messages = [this](const QString& text, const QString& caption) {
            messages << caption + u'|' + text;
        };
        prompts->nameChange = [this](const QString& question) {
            questions << question;
            return true;
        };
        form->setPrompts(prompts.get());
        if (show) form->show();
    }
    QByteArray iniFile() const {
        QFile f(dir.filePath(QStringLiteral("RentaboV24.ini")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

}  // namespace rentabo::testing
