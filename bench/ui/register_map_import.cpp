// Memory of a register-map import into a poll window: how far the peak
// resident memory rises while a map of about 3.9 MB is read, as a multiple
// of the file's size. Two maps: rows as device manuals have them (address,
// name, type, unit, description; about 60 bytes each) and the shortest rows
// there are (about 8 bytes, so many more rows per megabyte). Most rows lie
// outside the window's 125 registers, as with a device's full map. The peak
// is the kernel's high-water mark (VmHWM), set back to the resident size
// just before each import.
//
//   QT_QPA_PLATFORM=offscreen bench_register_map_import [megabytes, default 3.9]
//
// Goal: the peak rises by at most four times the file's size.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "bench_goal.h"
#include "documents/register_map_commands.h"
#include "engine/engine.h"
#include "framework/settings_store.h"
#include "support/recording_interaction.h"
#include "ui_bench_common.h"

namespace {

using namespace zentiq;

constexpr double kGoalTimesFile = 4.0;

// A field of /proc/self/status in kB, -1 when missing.
long statusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::atol(line.c_str() + field.size() + 1);
    return -1;
}

// Sets VmHWM back to the present resident size.
bool resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return clear.good();
}

// Rows until the file has `bytes`; row(i) gives row i with its line end.
qint64 writeMap(const QString& path, qint64 bytes, const char* header,
                const std::function<QByteArray(int)>& row) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    qint64 written = file.write(header);
    for (int i = 0; written < bytes; ++i) {
        const QByteArray next = row(i);
        if (written + next.size() > bytes)
            break;
        written += file.write(next);
    }
    return written;
}

struct Shape {
    const char* goal;
    const char* header;
    std::function<QByteArray(int)> row;
};

// One import of a map of `shape` into a fresh window, in a process of its
// own: memory the allocator kept from an earlier import would hide this one.
int measure(int argc, char** argv, const Shape& shape, qint64 target) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    SettingsStore::setFilePathOverride(dir.filePath(QStringLiteral("Zentiq.ini")));
    InitEngine();
    InstallEnginePoster();
    zentiq::testing::RecordingInteraction ui;  // the message about rows outside the poll
    zentiq::bench::BenchWindow window(125, 1000, false, 800, 600);

    // Code and translations the first import touches do not count.
    const QString warm = dir.filePath(QStringLiteral("warm.csv"));
    writeMap(warm, 200, "Address,Name\n", [](int i) { return QByteArray::number(i) + ",w\n"; });
    RegisterMapCommands::ImportFile(*window.doc, warm);

    const QString path = dir.filePath(QString::fromLatin1(shape.goal) + QStringLiteral(".csv"));
    const qint64 size = writeMap(path, target, shape.header, shape.row);
    if (size <= 0) {
        std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(path));
        return 1;
    }
    ui.messages.clear();
    const long before = statusKb("VmRSS");
    if (!resetPeak() || before < 0) {
        std::fprintf(stderr, "cannot read or reset the peak in /proc/self\n");
        return 1;
    }
    const int changed = RegisterMapCommands::ImportFile(*window.doc, path);
    const long peak = statusKb("VmHWM");
    const double riseMb = double(peak - before) / 1024.0;
    const double fileMb = double(size) / (1024.0 * 1024.0);
    std::printf("%s: %.2f MB file, %d aliases set, %zu messages; peak +%.1f MB\n", shape.goal, fileMb,
                changed, ui.messages.size(), riseMb);
    if (changed <= 0 || ui.messages.size() != 1)
        std::fprintf(stderr, "%s: the import did not go as expected\n", shape.goal);
    ::bench::PrintGoal(shape.goal, riseMb / fileMb, ::bench::Better::Lower, kGoalTimesFile, "x file");
    SettingsStore::setFilePathOverride(QString());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 3.9;
    if (!(megabytes > 0 && megabytes <= 4.0)) {
        std::fprintf(stderr, "the map is 0 to 4 MB (the import's limit), not %s\n", argv[1]);
        return 2;
    }
    const qint64 target = qint64(megabytes * 1024 * 1024);
    const Shape shapes[] = {
        {"register_map_import_peak_manual_rows", "Address,Name,Type,Unit,Description\n",
         [](int i) {
             const QByteArray n = QByteArray::number(i);
             return QByteArray::number(i % 65536) + ",Register " + n + ",uint16,V,\"Reading of channel " +
                    n + ", scaled by 0.1\"\n";
         }},
        {"register_map_import_peak_short_rows", "Address,Name\n",
         [](int i) { return QByteArray::number(i % 10000) + ",r" + QByteArray::number(i % 10) + "\n"; }},
    };
    int failed = 0;
    for (const Shape& shape : shapes) {
        std::fflush(stdout);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int code = measure(argc, argv, shape, target);
            std::fflush(stdout);
            std::_Exit(code);
        }
        int status = 0;
        if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            ++failed;
    }
    return failed == 0 ? 0 : 1;
}
