#include "framework/help_pages.h"

#include <QMetaObject>
#include <array>
#include <cstring>

namespace zentiq {
namespace {

struct WindowPage {
    const char* className;
    const char* page;
};

// Subclasses not listed take their base's page (every single-write dialog
// is a SingleWriteDialog).
constexpr std::array kPages = {
    WindowPage{"zentiq::CMainFrame", "poll_window"},
    WindowPage{"zentiq::CChildFrame", "poll_window"},
    WindowPage{"zentiq::CZentiqView", "poll_window"},
    WindowPage{"zentiq::CZentiqSetup", "definition"},
    WindowPage{"zentiq::CMBCommSetup", "connection"},
    WindowPage{"zentiq::CAdvanced", "connection"},
    WindowPage{"zentiq::SingleWriteDialog", "writes"},
    WindowPage{"zentiq::CMBForceMultibleCoils", "writes"},
    WindowPage{"zentiq::CMBPresetMultibleRegister", "writes"},
    WindowPage{"zentiq::CMBReadWriteRegister", "writes"},
    WindowPage{"zentiq::CMBMaskWrite", "writes"},
    WindowPage{"zentiq::CMBWriteTyped", "row_types"},
    WindowPage{"zentiq::CMBInputRegister", "writes"},
    WindowPage{"zentiq::CMBInputRegisterBin", "writes"},
    WindowPage{"zentiq::CMBLogSetup", "logging"},
    WindowPage{"zentiq::CCommunication", "monitor"},
    WindowPage{"zentiq::CErrorCounter", "error_counter"},
    WindowPage{"zentiq::CTestCenter", "test_center"},
    WindowPage{"zentiq::BusScannerWindow", "bus_scanner"},
    WindowPage{"zentiq::BusStatisticsWindow", "bus_statistics"},
    WindowPage{"zentiq::DeviceIdentityDialog", "device_identity"},
    WindowPage{"zentiq::DecodeWindow", "decode"},
    WindowPage{"zentiq::RowTypeDialog", "row_types"},
    WindowPage{"zentiq::TrendWindow", "trend"},
};

constexpr const char* kContents = "index";
// Pages no window leads to directly; the contents link them.
constexpr std::array kOtherPages = {"files"};

}  // namespace

QString HelpPageOf(const QMetaObject* type) {
    for (; type != nullptr; type = type->superClass())
        for (const WindowPage& p : kPages)
            if (std::strcmp(type->className(), p.className) == 0)
                return QString::fromLatin1(p.page);
    return QString::fromLatin1(kContents);
}

QStringList HelpPages() {
    QStringList pages{QString::fromLatin1(kContents)};
    for (const WindowPage& p : kPages)
        if (!pages.contains(QLatin1String(p.page)))
            pages << QString::fromLatin1(p.page);
    for (const char* page : kOtherPages)
        pages << QString::fromLatin1(page);
    return pages;
}

QUrl HelpPageUrl(const QString& page, Language language) {
    return QUrl(QStringLiteral("qrc:/help/%1/%2.html").arg(LanguageCode(language), page));
}

}  // namespace zentiq
