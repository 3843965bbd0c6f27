#include "app/shutdown_signals.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace zentiq {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end for the handler; one watcher per process.
volatile sig_atomic_t g_writeFd = -1;

void onSignal(int signalNumber) {
    const int saved = errno;
    const int fd = g_writeFd;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent) {
    if (g_writeFd >= 0)
        return;  // another watcher serves the process
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_fds) != 0)
        return;
    g_writeFd = m_fds[0];
    m_notifier = new QSocketNotifier(m_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ShutdownSignals::readPending);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

ShutdownSignals::~ShutdownSignals() {
    if (m_notifier == nullptr)
        return;
    for (int number : kSignals)
        ::signal(number, SIG_DFL);
    g_writeFd = -1;
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

void ShutdownSignals::readPending() {
    unsigned char byte = 0;
    // Bounded by what the handlers wrote; the socket does not block.
    while (::read(m_fds[1], &byte, 1) == 1)
        emit requested(byte);
}

}  // namespace zentiq

// Compiled here rather than with the folder's other meta-objects, so that
// zentiq-headless links this class without the windows beside it.
#include "moc_shutdown_signals.cpp"
