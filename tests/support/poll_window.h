// A poll window for widget tests and benchmarks: a document with its view,
// shown offscreen, which registers its slot with the engine on showing.
#pragma once

#include <QPointer>
#include <QtTest/QTest>

#include <memory>

#include "display/zentiq_view.h"
#include "documents/poll_definition.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"

namespace zentiq::testing {

inline PollDefinition ReadDefinition(int function, int address, int length, int format = 0,
                                     int scanRate = 20) {
    PollDefinition d;
    d.FunctionValue = function;
    d.Address = address;
    d.Length = length;
    d.DisplayFormat = format;
    d.ScanRate = scanRate;
    d.SlaveID = 1;
    d.bEnable = 1;
    return d;
}

struct PollWindow {
    std::unique_ptr<CZentiqDoc> doc;
    QPointer<CZentiqView> view;

    explicit PollWindow(const PollDefinition& def) {
        doc = std::make_unique<CZentiqDoc>();
        doc->OnNewDocument();
        doc->Model().def = def;
        doc->ComputeGridSize();
        view = new CZentiqView(doc.get(), nullptr);
        view->resize(800, 300);
        view->show();  // initial update: slot registered
    }
    ~PollWindow() {
        delete view.data();
        doc.reset();
    }
    PollWindow(const PollWindow&) = delete;
    PollWindow& operator=(const PollWindow&) = delete;

    PollDocumentModel& model() { return doc->Model(); }
    // Results handled by the view so far (the engine's count as of the last one).
    bool waitForPolls(quint32 count, int limitMs = 10000) {
        return QTest::qWaitFor([&] { return model().txCount >= count; }, limitMs);
    }
    CommandState query(int id) {
        CommandState state;
        view->OnUpdateCommand(id, state);
        return state;
    }
};

}  // namespace zentiq::testing
