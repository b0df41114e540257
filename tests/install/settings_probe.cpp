// settings-probe save EXEDIR NAME | load EXEDIR
// Runs the program's own settings load and save for a program folder, so a test can do it
// where the folder is really read-only (inside a private mount namespace). Prints, one per line:
// save: the file written and the notice; load: the file read and the learner's name.
#include "settings/SettingsFile.h"

#include <cstdio>
#include <cstring>

using namespace rentabo;

static void put(const QString& s) { std::printf("%s\n", s.toUtf8().constData()); }

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "load") == 0) {
        const QString exeDir = QString::fromLocal8Bit(argv[2]);
        const QString path = chooseSettingsPath(exeDir);
        KukuState state;
        const LoadResult r = LoadSettings(state, path);
        if (!r.error.isEmpty()) return put(r.error), 1;
        put(path);
        put(r.found ? state.studentName : QString());
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "save") == 0) {
        const QString exeDir = QString::fromLocal8Bit(argv[2]);
        KukuState state;
        LoadSettings(state, chooseSettingsPath(exeDir));
        state.studentName = QString::fromUtf8(argv[3]);
        const SaveResult r = SaveSettings(state, exeDir);
        if (!r.ok) return put(r.error), 1;
        put(r.path);
        put(QString(r.notice).replace(u'\n', u' '));
        return 0;
    }
    std::fprintf(stderr, "usage: settings-probe save EXEDIR NAME | load EXEDIR\n");
    return 2;
}
