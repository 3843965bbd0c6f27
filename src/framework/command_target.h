// Command routing as the menus, toolbar and accelerators use it: a command id
// travels active view (its grid first), document, child frame, main frame,
// application; the first target that answers handles it.
#pragma once

namespace zentiq {

struct CommandState {
    bool enabled = true;
    bool checked = false;
    bool handled = false;  // set by the target that owns the rule
};

class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // true when the command was handled here.
    virtual bool OnCommand(int id) = 0;
    // Fills state and returns true when this target has a rule (or a handler)
    // for id; the router then stops asking.
    virtual bool OnUpdateCommand(int id, CommandState& state) = 0;
};

}  // namespace zentiq
