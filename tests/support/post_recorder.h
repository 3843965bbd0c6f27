// Records the engine's posted messages so tests can wait for them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/engine.h"
#include "engine/modbus_line.h"

namespace zentiq::testing {

struct Post {
    WindowHandle window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

class PostRecorder {
public:
    // Installs itself as line's poster (one recorder at a time).
    explicit PostRecorder(ModbusLine& line = DefaultLine()) : m_line(line) {
        Instance() = this;
        m_line.SetMessagePoster(&PostRecorder::Receive);
    }
    ~PostRecorder() {
        m_line.SetMessagePoster(nullptr);
        Instance() = nullptr;
    }
    PostRecorder(const PostRecorder&) = delete;
    PostRecorder& operator=(const PostRecorder&) = delete;

    std::vector<Post> Posts() const {
        std::lock_guard guard(m_mutex);
        return m_posts;
    }
    void Clear() {
        std::lock_guard guard(m_mutex);
        m_posts.clear();
    }
    // Waits (bounded) until `count` posts of `message` to `window` arrived.
    bool WaitFor(WindowHandle window, std::uint32_t message, std::size_t count,
                 std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) const {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit,
                                  [&] { return CountLocked(window, message) >= count; });
    }
    std::size_t Count(WindowHandle window, std::uint32_t message) const {
        std::lock_guard guard(m_mutex);
        return CountLocked(window, message);
    }

private:
    static PostRecorder*& Instance() {
        static PostRecorder* instance = nullptr;
        return instance;
    }
    static void Receive(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                        std::intptr_t lParam) {
        if (PostRecorder* self = Instance()) {
            std::lock_guard guard(self->m_mutex);
            self->m_posts.push_back({window, message, wParam, lParam});
            self->m_changed.notify_all();
        }
    }
    std::size_t CountLocked(WindowHandle window, std::uint32_t message) const {
        std::size_t n = 0;
        for (const Post& p : m_posts)
            if (p.window == window && p.message == message)
                ++n;
        return n;
    }
    ModbusLine& m_line;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<Post> m_posts;
};

}  // namespace zentiq::testing
