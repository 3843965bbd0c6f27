// The numbered hexadecimal lines of the traffic monitor and the test center,
// kept as a plain list model so that the dialogs only show what it holds.
#pragma once

#include <cstddef>
#include <cstdint>

#include <QList>
#include <QString>
#include <QStringList>

namespace zentiq {

class TrafficLines {
public:
    enum class Direction { Tx, Rx };

    // A list never holds more lines than this: when a new line would be the
    // 102nd, the oldest one goes.
    static constexpr int kMaxLines = 101;
    // Copy puts at most this many selected lines on the clipboard.
    static constexpr int kMaxCopiedLines = 100;

    // Number digits of the monitor ("%06u-") and of the test center ("%03u-").
    static constexpr int kMonitorDigits = 6;
    static constexpr int kTestCenterDigits = 3;

    // `counter` numbers the lines; it may be shared by several lists (the
    // monitor's counter lives for the whole process). Without one the list
    // numbers its lines itself, starting at 0.
    explicit TrafficLines(int numberDigits, unsigned* counter = nullptr);

    // "<number>-Tx:" or "-Rx:" followed by "%02X " for every byte.
    static QString FormatLine(int numberDigits, unsigned number, Direction direction,
                              const std::uint8_t* bytes, std::size_t count);

    // Appends the line for a capture and takes the next number. An empty
    // capture adds nothing and takes no number. Returns whether a line was added.
    bool Add(Direction direction, const std::uint8_t* bytes, std::size_t count);

    const QStringList& lines() const { return m_lines; }
    int count() const { return static_cast<int>(m_lines.size()); }
    // Index of the line that should be the top one after the last Add (the
    // line before the last added one), 0 when there is none before it.
    int topIndexAfterAdd() const;
    // How many lines were dropped from the front by the most recent Add (0 or 1).
    int droppedByLastAdd() const { return m_droppedByLastAdd; }
    void Clear();

    // The text that Copy puts on the clipboard: the selected lines (the first
    // kMaxCopiedLines of them, in list order), trailing white space removed,
    // each followed by CR LF. Indexes outside the list are ignored.
    static QString CopyText(const QStringList& lines, QList<int> selected);

    // Writes every line followed by a line end ("\n"), UTF-8, through a
    // QSaveFile so that a failed write leaves any earlier file untouched.
    enum class SaveStatus { Ok, OpenFailed, WriteFailed };
    static SaveStatus SaveLines(const QString& path, const QStringList& lines);
    // The message for a failed save ("File open error", "Disk full or disk
    // error"); empty for Ok.
    static QString SaveStatusText(SaveStatus status);

    // The monitor's process-wide line counter (never reset).
    static unsigned& MonitorCounter();

private:
    int m_digits;
    unsigned m_ownCounter = 0;
    unsigned* m_counter;
    QStringList m_lines;
    int m_droppedByLastAdd = 0;
};

}  // namespace zentiq
