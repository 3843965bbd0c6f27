// Whether a line's poll windows are held back while a tool owns the line.
// The engine keeps serving slot 0; the poll windows keep their requests and
// listen to changed() to say why nothing new arrives.
#pragma once

#include <QObject>

namespace zentiq {

class ModbusLine;

class PollPause final : public QObject {
    Q_OBJECT
public:
    // The pause of line; one per line, for as long as the program runs.
    static PollPause& Of(ModbusLine& line);
    void SetPaused(bool paused);
    bool IsPaused() const;

signals:
    void changed(bool paused);

private:
    explicit PollPause(ModbusLine& line) : m_line(line) {}
    ModbusLine& m_line;
};

}  // namespace zentiq
