#include "app/shutdown_signals.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>

namespace zentiq {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Touched from the handler, on whichever thread the signal lands.
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
std::atomic<int> g_writeFd{-1};
std::atomic<bool> g_requested{false};
// The watchers' end of the pair; the pair is never closed, so the handler
// never writes to a descriptor number that was reused.
int g_readFd = -1;
ShutdownSignals* g_watcher = nullptr;

void onSignal(int signalNumber) {
    const int saved = errno;
    g_requested.store(true);
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full socket (nobody reads any more) only drops the byte.
    [[maybe_unused]] const ssize_t n = ::write(g_writeFd.load(), &byte, 1);
    errno = saved;
}

}  // namespace

void ShutdownSignals::Install() {
    static const bool installed = [] {
        int fds[2] = {-1, -1};
        // Without the pair the default action stays: better killed than
        // a signal nobody hears.
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0)
            return false;
        g_readFd = fds[1];
        g_writeFd.store(fds[0]);
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int number : kSignals)
            ::sigaction(number, &action, nullptr);
        return true;
    }();
    (void)installed;
}

bool ShutdownSignals::Requested() { return g_requested.load(); }

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent) {
    Install();
    if (g_readFd < 0 || g_watcher != nullptr)
        return;  // no handlers, or another watcher serves the process
    g_watcher = this;
    // Level-triggered: what came before this watcher is heard at once.
    m_notifier = new QSocketNotifier(g_readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ShutdownSignals::readPending);
}

ShutdownSignals::~ShutdownSignals() {
    if (g_watcher == this)
        g_watcher = nullptr;
}

void ShutdownSignals::readPending() {
    unsigned char byte = 0;
    // Bounded by what the handlers wrote; the socket does not block.
    while (::read(g_readFd, &byte, 1) == 1)
        emit requested(byte);
}

}  // namespace zentiq

// Compiled here rather than with the folder's other meta-objects, so that
// zentiq-headless links this class without the windows beside it.
#include "moc_shutdown_signals.cpp"
