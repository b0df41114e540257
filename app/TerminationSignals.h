#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace rentabo {

// Turns SIGTERM and SIGHUP (the system shutting down, the session ending, `kill`) into a Qt
// signal delivered by the event loop, where the learner's records can still be saved. Only one
// may exist at a time; the signals' previous handlers come back when it is destroyed.
class TerminationSignals final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationSignals)
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace rentabo
