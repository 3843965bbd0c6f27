// zentiq --headless: polls the documents of a workspace (or poll documents
// named one by one) and logs their values without any window or window
// system; a workspace with several connections runs each on a line of its
// own, for boxes without a screen and for services. Built on the
// window-free pieces of the program: the connection controller, the
// document model and file, the result intake and the data logger.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QTimer;

namespace zentiq {

class ConnectionController;
class ModbusLine;
class SettingsStore;
struct HeadlessDocument;
struct HeadlessConnection;

class HeadlessLogger : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultStatusSeconds = 60;
    // Exit codes: a command line to correct, and a file, log or connection
    // that could not be opened. A log that cannot be written later waits
    // for room and ends nothing.
    static constexpr int kUsageError = 2;
    static constexpr int kOpenError = 1;

    struct Options {
        QStringList files;  // one .zqw, or .zqd files
        QString logDir;     // empty: the logs stored for the documents
        int statusSeconds = kDefaultStatusSeconds;
        bool logDate = false;  // --log-date: text-log times with their date
    };

    explicit HeadlessLogger(SettingsStore& store, QObject* parent = nullptr);
    // Stop() if it has not run.
    ~HeadlessLogger() override;

    // Opens the documents, claims their slots, opens their logs and starts
    // to connect every connection a document polls on. On failure says why on stderr and returns the exit code
    // (0 when all is under way); a document refused its slot is refused
    // before any log file or folder is made.
    int Start(const Options& options);
    // Stops the workers, closes the lines, then every log after its last
    // whole line. Idempotent.
    void Stop();

    // What is wrong with the files named, empty when nothing: none at all,
    // or a workspace beside other files.
    static QString UsageProblem(const QStringList& files);

    // "12:00:00 pump.zqd: Tx = 600, Err = 2, 连接被拒绝 | boiler.zqd: Tx = 60,
    // Err = 0, 记录停止: /logs/boiler.txt: 磁盘已满": the last poll's failure
    // as its log words it, and a log that cannot write at present.
    QString StatusLine() const;

    // The whole run as main() has it: the command line, the language, the
    // logger, the signals that end it. Returns the process's exit code.
    static int Run(const QStringList& arguments);

signals:
    // The run cannot go on (a connection could not be opened); the
    // program ends with the code.
    void ended(int exitCode);

private:
    // A connection of the run on `ownLine`, or on the default line without
    // one (the first connection).
    HeadlessConnection& addConnection(std::unique_ptr<ModbusLine> ownLine);
    bool openDocuments(const Options& options);
    bool openDocument(const QString& path, HeadlessConnection& connection);
    bool startLogs(const Options& options);
    void connected(const ConnectionController& connection);
    void fail(int exitCode, const QString& message);

    SettingsStore& m_store;
    std::vector<std::unique_ptr<HeadlessConnection>> m_connections;
    QList<HeadlessDocument*> m_documents;
    QTimer* m_statusTimer = nullptr;
    bool m_running = false;
    bool m_stopped = false;
};

}  // namespace zentiq
