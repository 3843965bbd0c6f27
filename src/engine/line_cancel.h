// Lets the GUI thread cut short every wait of the poll worker at once: the
// worker's polls include this descriptor, and Raise makes it readable. A
// disconnect or an exit then never waits for a response timeout.
#pragma once

#include <atomic>
#include <chrono>

namespace zentiq {

class LineCancel {
public:
    LineCancel();
    ~LineCancel();
    LineCancel(const LineCancel&) = delete;
    LineCancel& operator=(const LineCancel&) = delete;

    // Any thread: every wait that follows, or is under way, ends at once.
    void Raise();
    // Only while no wait can run (the worker has stopped): waits last again.
    void Clear();
    bool Raised() const { return m_raised.load(); }
    // Whether a wait was cut short since the last Clear: what the worker
    // was doing then did not end by itself and has no result.
    bool CutShort() const { return m_cutShort.load(); }

    // poll() on fd for events and on the cancel at once. The events of fd
    // (POLLNVAL, POLLHUP and POLLERR included); 0 when the time ran out or
    // the wait was cancelled; -1 when it failed (errno says why).
    // timeoutMs < 0 waits without limit (until fd or the cancel).
    int Wait(int fd, short events, int timeoutMs) const;
    // Sleeps for duration; false when cancelled before it was over.
    bool SleepFor(std::chrono::milliseconds duration) const;

private:
    int m_fd = -1;  // eventfd; -1 if none could be made (waits then only time out)
    std::atomic<bool> m_raised{false};
    mutable std::atomic<bool> m_cutShort{false};
};

// Wait through cancel when there is one, a plain poll() otherwise.
int WaitOrCancel(const LineCancel* cancel, int fd, short events, int timeoutMs);

}  // namespace zentiq
