// The copy of a document's polled values that the automation object reads on
// the bus thread: reads on another thread see one whole store at a time, the
// copy forms of the read members answer as the document does, and the
// document's copy follows every kind of change of its values.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <bit>
#include <functional>
#include <thread>

#include "documents/poll_document_model.h"
#include "documents/polled_values_copy.h"
#include "documents/zentiq_doc.h"
#include "documents/zentiq_doc_automation.h"
#include "documents/zentiq_setup.h"
#include "engine/engine.h"
#include "support/qt_test_app.h"

namespace zentiq {
namespace {

using Buffer = PolledValuesCopy::Buffer;

Buffer pattern(int seed) {
    Buffer b{};
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<quint8>(i * 37 + static_cast<std::size_t>(seed));
    return b;
}

TEST(PolledValuesCopyTest, ReadsOnAnotherThreadSeeOneWholeStoreAtATime) {
    PolledValuesCopy copy;
    EXPECT_EQ(copy.Snapshot(), Buffer{}) << "zeros before the first store";

    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, torn{0};
    std::thread reader([&] {
        while (!done.load()) {
            const bool whole = copy.Read([](const Buffer& b) {
                return std::all_of(b.begin(), b.end(), [&](quint8 v) { return v == b.front(); });
            });
            if (!whole)
                ++torn;
            ++reads;
        }
    });
    Buffer last{};
    // Every store fills all bytes alike: a read that mixes two stores shows.
    for (int i = 0; i < 200000 && (i < 2000 || reads.load() < 500); ++i) {
        last.fill(static_cast<quint8>(i));
        copy.Store(last);
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0) << "of " << reads.load() << " reads";
    EXPECT_EQ(copy.Snapshot(), last) << "the last store stays";
}

// Doubles compare by their bits, so NaNs from the pattern compare too.
bool sameAnswer(const QVariant& a, const QVariant& b) {
    if (a.metaType() != b.metaType())
        return false;
    if (a.metaType().id() == QMetaType::Double)
        return std::bit_cast<quint64>(a.toDouble()) == std::bit_cast<quint64>(b.toDouble());
    return a == b;
}

TEST(PolledValuesCopyTest, OnlyTheReadMembersHaveACopyFormAndItAnswersAsTheDocument) {
    testing::EnsureQApplication();
    CZentiqDoc doc;
    CZentiqDocAutomation object(&doc);
    doc.Model().values = pattern(11);
    doc.RefreshValues(true);
    const Buffer copy = doc.PolledValues()->Snapshot();

    QStringList withCopyForm;
    for (const AutomationMember& m : CZentiqDocAutomation::Members()) {
        if (m.read == nullptr)
            continue;
        withCopyForm << QLatin1String(m.name);
        for (int index : {-32768, -1, 0, 1, 30, 31, 62, 63, 64, 126, 127, 499, 998, 1999, 32767}) {
            const QVariantList args{QVariant::fromValue(static_cast<qint16>(index))};
            EXPECT_TRUE(sameAnswer(m.read(copy, args), m.call(object, args)))
                << m.name << "(" << index << "): " << m.read(copy, args).toString().toStdString()
                << " against " << m.call(object, args).toString().toStdString();
        }
    }
    EXPECT_EQ(withCopyForm, QStringList({"GetRegister", "GetLong", "GetLongInv", "GetFloat", "GetFloatInv",
                                         "GetDouble", "GetDoubleInv", "GetCoil"}));
}

TEST(PolledValuesCopyTest, TheDocumentsCopyFollowsEveryKindOfChangeOfItsValues) {
    testing::EnsureQApplication();
    QTemporaryDir dir;
    const QString file = dir.filePath("stored.zqd");
    {
        CZentiqDoc stored;
        stored.Model().values = pattern(5);
        QString error;
        ASSERT_TRUE(stored.OnSaveDocument(file, &error)) << error.toStdString();
    }

    struct Change {
        const char* what;
        std::function<void(CZentiqDoc&)> change;
    };
    const Change changes[] = {
        {"values shown again", [](CZentiqDoc& d) {
             d.Model().values = pattern(99);
             d.RefreshValues(false);
         }},
        {"views rebuilt", [](CZentiqDoc& d) {
             d.Model().values[7] ^= 0xFF;
             d.UpdateAllViews();
         }},
        {"definition applied", [](CZentiqDoc& d) {
             DefinitionDialogValues v = CZentiqSetup::FromModel(d.Model());
             v.shownAddress += 10;
             d.ApplyDefinition(v);
         }},
        {"request of a client", [](CZentiqDoc& d) {
             CZentiqDocAutomation(&d).CreateRequest(1, 3, 20, 10, 1000);
         }},
        {"file loaded", [&](CZentiqDoc& d) {
             QString error;
             ASSERT_TRUE(d.OnOpenDocument(file, &error)) << error.toStdString();
         }},
    };
    for (const Change& c : changes) {
        CZentiqDoc doc;
        doc.Model().values = pattern(1);
        doc.RefreshValues(true);
        ASSERT_EQ(doc.PolledValues()->Snapshot(), pattern(1));
        c.change(doc);
        EXPECT_NE(doc.Model().values, pattern(1)) << c.what << ": the change changes nothing";
        EXPECT_EQ(doc.PolledValues()->Snapshot(), doc.Model().values) << c.what;
        doc.Model().ReleaseFromEngine();
    }
}

}  // namespace
}  // namespace zentiq
