#include "app/TerminationSignals.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace rentabo {

namespace {

// The signal handler may only write to a pipe; the event loop reads the other end.
int g_pipe[2] = {-1, -1};
struct sigaction g_oldTerm {};
struct sigaction g_oldHup {};

extern "C" void onTerminationSignal(int sig) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) return;
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(g_pipe[0], &byte, 1) == 1) Q_EMIT terminationRequested(byte);
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &g_oldTerm);
    ::sigaction(SIGHUP, &action, &g_oldHup);
}

TerminationSignals::~TerminationSignals() {
    if (!m_notifier) return;
    ::sigaction(SIGTERM, &g_oldTerm, nullptr);
    ::sigaction(SIGHUP, &g_oldHup, nullptr);
    m_notifier.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

}  // namespace rentabo
