// SIGTERM, SIGINT and SIGHUP end the program the way closing it does: the
// handler only notes the request and writes the signal's number into a
// socket pair, and the event loop hears it and leaves, so that the windows,
// the worker, the port and the logs are taken down in order instead of the
// process dying mid-write. Start-up code that runs before the loop asks
// Requested(). A signal that repeats the request, while the program is
// already going down, is taken the same way: once in place, the handlers
// stay for the life of the process, so nothing cuts that end short.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace zentiq {

class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    // Puts the handlers in place (once per process). A signal that comes
    // before any watcher exists is kept for the first one.
    static void Install();
    // Whether a signal has asked the program to end.
    static bool Requested();

    // Installs the handlers if need be and watches them.
    explicit ShutdownSignals(QObject* parent = nullptr);
    // Stops watching; the handlers stay.
    ~ShutdownSignals() override;

    // Whether this object hears the signals (one watcher per process).
    bool IsInstalled() const { return m_notifier != nullptr; }

signals:
    // The signal that asked the program to end.
    void requested(int signalNumber);

private:
    void readPending();

    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace zentiq
