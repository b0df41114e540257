#pragma once

#include <QString>

#include <memory>

namespace rentabo {

class TKukuForm;
class TerminationSignals;
struct KukuServices;

// The engines of a real start: the first voice that works, the recogniser and the effect sounds.
KukuServices createServices(const QString& exeDir);

struct StartOptions {
    // The folder the program's files are found in; empty for the program's own folder.
    QString exeDir;
};

// The windows of a running program, in the order they were created.
struct Program {
    std::unique_ptr<TKukuForm> form;
};

// Builds and shows the program's windows the way a start of the program does: the engines
// are chosen, the main window created and shown.
Program startProgram(const StartOptions& options);

// SIGTERM and SIGHUP (a shutdown, the session ending, `kill`) end the program from outside: a run
// going on is stopped as Esc stops it, the records are saved, and the event loop ends.
void endFromOutsideOn(TerminationSignals& termination, TKukuForm& form);

}  // namespace rentabo
