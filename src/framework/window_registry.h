// Handles under which the engine knows our windows, and the delivery of its
// posts as Qt events on the GUI thread.
#pragma once

#include <QEvent>
#include <QObject>

#include "engine/engine_types.h"

namespace zentiq {

class ModbusLine;

// The engine's post, delivered to the object registered under the handle.
class EngineMessageEvent final : public QEvent {
public:
    EngineMessageEvent(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
        : QEvent(Type()), message(message), wParam(wParam), lParam(lParam) {}
    static QEvent::Type Type();
    const std::uint32_t message;
    const std::uintptr_t wParam;
    const std::intptr_t lParam;
};

// A new handle for object; handles are never reused, and the object leaves
// the registry when it is destroyed (later posts to it are dropped).
WindowHandle RegisterWindow(QObject* object);
// The handle of a registered object, 0 if none.
WindowHandle HandleOf(const QObject* object);
// The engine's poster: queues the post for the GUI thread, which delivers
// the queued posts in order, each to the object registered under its handle
// then (none any more: dropped). Safe from any thread.
void PostToWindow(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                  std::intptr_t lParam);
// Installs the poster that turns engine posts into EngineMessageEvents.
// Safe to call more than once; call it on the GUI thread once the
// application object exists (posts made before are dropped). The registry
// exists from here on, so that an exit handler registered after this runs
// while it is still there.
void InstallEnginePoster(ModbusLine& line);
// The same for the default line.
void InstallEnginePoster();

}  // namespace zentiq
