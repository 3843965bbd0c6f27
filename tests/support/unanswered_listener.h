// A port on 127.0.0.1 where a connect hangs until its time-out: a listening
// socket whose accept queue is full (backlog 0, filled with connections that
// are never accepted), so the kernel drops further SYNs without an answer.
#pragma once

#include <string>
#include <vector>

namespace zentiq::test {

class UnansweredListener {
public:
    UnansweredListener();
    ~UnansweredListener();
    UnansweredListener(const UnansweredListener&) = delete;
    UnansweredListener& operator=(const UnansweredListener&) = delete;

    // Whether a connect to Port() now hangs; error() says why not.
    bool ok() const { return m_ok; }
    const std::string& error() const { return m_error; }
    int Port() const { return m_port; }

private:
    int m_listener = -1;
    int m_port = 0;
    std::vector<int> m_fillers;
    bool m_ok = false;
    std::string m_error;
};

}  // namespace zentiq::test
