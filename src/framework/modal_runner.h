// How a modal dialog of a command runs: exec() for a user, or a function
// that tests install to drive the dialog instead of a nested event loop.
#pragma once

#include <functional>
#include <utility>

namespace zentiq {

template <class Dialog>
class ModalRunner {
public:
    using Hook = std::function<int(Dialog& dialog)>;

    static int Run(Dialog& dialog) { return hook() ? hook()(dialog) : dialog.exec(); }

    // An empty function restores exec(); returns the previous hook.
    static Hook SetHook(Hook newHook) {
        Hook previous = hook();
        hook() = std::move(newHook);
        return previous;
    }

private:
    static Hook& hook() {
        static Hook instance;
        return instance;
    }
};

}  // namespace zentiq
