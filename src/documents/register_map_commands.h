// The register-map commands of a poll document: import a CSV register map
// into the window's aliases, export the aliases with addresses and values.
#pragma once

#include <QCoreApplication>
#include <QString>

#include "values/log_line.h"

namespace zentiq {

class CZentiqDoc;
class PollDocumentModel;

class RegisterMapCommands {
    Q_DECLARE_TR_FUNCTIONS(RegisterMapCommands)
public:
    // Asks for a CSV file and puts its names into the alias cells of the
    // poll's items, as typing them would, and its types into the row types
    // of the addresses it lists (the document is modified). A bad file
    // changes nothing and says why; rows whose address the poll does not
    // cover are listed in a message.
    static void Import(CZentiqDoc& doc);
    // Imports `path` without asking; returns the aliases set. Messages go
    // through the standard warning box.
    static int ImportFile(CZentiqDoc& doc, const QString& path);
    // Asks for a file name and writes the aliases, addresses and values.
    static bool Export(CZentiqDoc& doc);
    static bool ExportFile(CZentiqDoc& doc, const QString& path);

    // The alias typed beside poll item `item`; empty without one.
    static QString AliasOf(const CZentiqDoc& doc, int item);
    // The poll as the log and the CSV writers take it.
    static LogLine::Poll PollOf(const CZentiqDoc& doc);
    static LogLine::Poll PollOf(const PollDocumentModel& model);
};

}  // namespace zentiq
