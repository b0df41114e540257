// Saves the settings file of the folder given as its argument over and over, alternating between
// the two learners of FaultStates.h, until it is killed. Prints one line once it has started.

#include "settings/SettingsFile.h"
#include "tests/faults/FaultStates.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) return 2;
    const QString exeDir = QString::fromLocal8Bit(argv[1]);
    const rentabo::KukuState states[] = {rentabo::faultState(0), rentabo::faultState(1)};
    std::puts("saving");
    std::fflush(stdout);
    for (int i = 0;; ++i)
        if (!rentabo::SaveSettings(states[i % 2], exeDir).ok) return 1;
}
