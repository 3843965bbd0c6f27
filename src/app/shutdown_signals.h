// SIGTERM, SIGINT and SIGHUP end the program the way closing it does: the
// handler only writes the signal's number into a socket pair, and the event
// loop hears it and leaves, so that the windows, the worker, the port and
// the logs are taken down in order instead of the process dying mid-write.
// A second signal of the same kind, while the first is still being served,
// ends the process at once (the default action is restored on the first).
#pragma once

#include <QObject>

class QSocketNotifier;

namespace zentiq {

class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    // Gives the signals back their default action.
    ~ShutdownSignals() override;

    // Whether the handlers are in place.
    bool IsInstalled() const { return m_notifier != nullptr; }

signals:
    // The signal that asked the program to end.
    void requested(int signalNumber);

private:
    void readPending();

    int m_fds[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace zentiq
