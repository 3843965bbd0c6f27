#include "framework/window_registry.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <mutex>

#include "engine/engine.h"

namespace zentiq {
namespace {

struct Registry {
    std::mutex mutex;  // posts arrive on the worker thread
    QHash<WindowHandle, QPointer<QObject>> objects;
    QHash<const QObject*, WindowHandle> handles;
    WindowHandle next = 1;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

void PostToObject(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                  std::intptr_t lParam) {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.mutex);
    const QPointer<QObject> target = r.objects.value(window);
    // postEvent is thread-safe and keeps the order of posts to one receiver.
    if (target)
        QCoreApplication::postEvent(target.data(), new EngineMessageEvent(message, wParam, lParam));
}

}  // namespace

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

void InstallEnginePoster() {
    // Made now, before the worker can post: a static made later would be
    // destroyed at exit() before the handlers that stop the worker run.
    TheRegistry();
    SetMessagePoster(&PostToObject);
}

}  // namespace zentiq
