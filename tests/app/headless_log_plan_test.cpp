// Where each document of a run without windows logs.
#include "app/headless_log_plan.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "documents/stored_log.h"
#include "framework/settings_store.h"

namespace zentiq {
namespace {

TEST(HeadlessLogPlanTest, StoredLogsOrOneFilePerDocumentInTheFolder) {
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("Zentiq.ini"));
    const QString a = dir.filePath("a");
    const QString b = dir.filePath("b");
    StoredLog::Record csv;
    csv.file = dir.filePath("logs/pump-values.csv");
    csv.options.mode = DataLogger::AtInterval;
    csv.options.interval = 30;
    csv.options.separator = 1;
    StoredLog::Remember(store, a + "/pump.zqd", csv);

    struct Expected {
        QString file;
        int interval;
    };
    struct Case {
        const char* what;
        QStringList documents;
        QString logDir;
        QList<Expected> expected;
    };
    const QString out = dir.filePath("out");
    const Case cases[] = {
        {"stored logs only", {a + "/pump.zqd", a + "/fan.zqd"}, QString(), {{csv.file, 30}, {QString(), 1}}},
        {"a folder: named after the document, CSV kept",
         {a + "/pump.zqd", a + "/fan.zqd"},
         out,
         {{out + "/pump.csv", 30}, {out + "/fan.txt", 1}}},
        {"one name for three documents",
         {a + "/fan.zqd", b + "/fan.zqd", b + "/Fan.zqd"},
         out,
         {{out + "/fan.txt", 1}, {out + "/fan-2.txt", 1}, {out + "/Fan-3.txt", 1}}},
        {"dots in the name", {a + "/line.2.pump.zqd"}, out, {{out + "/line.2.pump.txt", 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QList<HeadlessLog> logs = HeadlessLogPlan::Assign(store, c.documents, c.logDir);
        ASSERT_EQ(logs.size(), c.expected.size());
        for (int i = 0; i < logs.size(); ++i) {
            EXPECT_EQ(logs[i].file, c.expected[i].file) << i;
            EXPECT_EQ(logs[i].options.interval, c.expected[i].interval) << i;
        }
    }
}

}  // namespace
}  // namespace zentiq
