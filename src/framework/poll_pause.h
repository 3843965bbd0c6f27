// Whether the poll windows are held back while a tool owns the line. The
// engine keeps serving slot 0; the poll windows keep their requests and
// listen to changed() to say why nothing new arrives.
#pragma once

#include <QObject>

namespace zentiq {

class PollPause final : public QObject {
    Q_OBJECT
public:
    static PollPause& Instance();
    void SetPaused(bool paused);
    bool IsPaused() const;

signals:
    void changed(bool paused);

private:
    PollPause() = default;
};

}  // namespace zentiq
