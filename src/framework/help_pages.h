// Which help page explains a window, and where the pages are: HTML pages in
// both languages, built into the program as resources (":/help/zh/...").
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include "framework/language.h"

struct QMetaObject;

namespace zentiq {

// The page of a window's class or of the nearest base class that has one;
// "index" (the contents) for any other window.
QString HelpPageOf(const QMetaObject* type);

// Every page a window leads to, and the contents.
QStringList HelpPages();

// The page in `language`, e.g. qrc:/help/en/writes.html.
QUrl HelpPageUrl(const QString& page, Language language);

}  // namespace zentiq
