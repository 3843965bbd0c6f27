#include "framework/window_registry.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <deque>
#include <mutex>

#include "engine/modbus_line.h"

namespace zentiq {
namespace {

struct PendingPost {
    WindowHandle window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// Lives on the GUI thread and hands the queued posts out there, oldest
// first, when its one drain event arrives.
class Courier final : public QObject {
public:
    static QEvent::Type DrainType() {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    bool event(QEvent* e) override;
};

struct Registry {
    std::mutex mutex;  // posts arrive on the worker thread
    QHash<WindowHandle, QPointer<QObject>> objects;
    QHash<const QObject*, WindowHandle> handles;
    WindowHandle next = 1;
    // Posts wait here for the GUI thread. A burst (a transaction's result to
    // its window and to the monitor, or results the GUI thread has not got
    // to yet) costs one Qt event and one wake-up of the GUI thread, not one
    // of each per post.
    std::deque<PendingPost> pending;
    Courier* courier = nullptr;
    bool drainPosted = false;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

bool Courier::event(QEvent* e) {
    if (e->type() != DrainType())
        return QObject::event(e);
    Registry& r = TheRegistry();
    {
        std::lock_guard guard(r.mutex);
        r.drainPosted = false;
    }
    // One post at a time: a handler that runs a nested event loop (a
    // message box) lets a later drain carry on with the same queue, so the
    // order of posts holds throughout.
    for (;;) {
        PendingPost post;
        QPointer<QObject> target;
        {
            std::lock_guard guard(r.mutex);
            if (r.pending.empty())
                break;
            post = r.pending.front();
            r.pending.pop_front();
            target = r.objects.value(post.window);
        }
        if (!target)
            continue;  // gone since the post
        if (target->thread() == thread()) {
            EngineMessageEvent message(post.message, post.wParam, post.lParam);
            QCoreApplication::sendEvent(target.data(), &message);
        } else {
            QCoreApplication::postEvent(
                target.data(), new EngineMessageEvent(post.message, post.wParam, post.lParam));
        }
    }
    return true;
}

}  // namespace

void PostToWindow(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                  std::intptr_t lParam) {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.mutex);
    if (r.courier == nullptr || !r.objects.contains(window))
        return;
    r.pending.push_back({window, message, wParam, lParam});
    if (!r.drainPosted) {
        r.drainPosted = true;
        QCoreApplication::postEvent(r.courier, new QEvent(Courier::DrainType()));
    }
}

QEvent::Type EngineMessageEvent::Type() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

WindowHandle RegisterWindow(QObject* object) {
    if (object == nullptr)
        return 0;
    Registry& r = TheRegistry();
    std::lock_guard guard(r.mutex);
    if (const WindowHandle existing = r.handles.value(object))
        return existing;
    const WindowHandle handle = r.next++;
    r.objects.insert(handle, QPointer<QObject>(object));
    r.handles.insert(object, handle);
    QObject::connect(object, &QObject::destroyed, [handle, object] {
        Registry& reg = TheRegistry();
        std::lock_guard lock(reg.mutex);
        reg.objects.remove(handle);
        reg.handles.remove(object);
    });
    return handle;
}

WindowHandle HandleOf(const QObject* object) {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.mutex);
    return r.handles.value(object);
}

void InstallEnginePoster(ModbusLine& line) {
    // Made now, before the worker can post: a static made later would be
    // destroyed at exit() before the handlers that stop the worker run.
    Registry& r = TheRegistry();
    {
        std::lock_guard guard(r.mutex);
        if (r.courier == nullptr && QCoreApplication::instance() != nullptr) {
            // A child of the application, so that it goes with it; posts
            // made after that are dropped, as Qt drops events without one.
            r.courier = new Courier;
            r.courier->moveToThread(QCoreApplication::instance()->thread());
            r.courier->setParent(QCoreApplication::instance());
            QObject::connect(r.courier, &QObject::destroyed, [] {
                Registry& reg = TheRegistry();
                std::lock_guard lock(reg.mutex);
                reg.courier = nullptr;
                reg.pending.clear();
                reg.drainPosted = false;
            });
        }
    }
    line.SetMessagePoster(&PostToWindow);
}

void InstallEnginePoster() { InstallEnginePoster(DefaultLine()); }

}  // namespace zentiq
