// The program's string table: every text shown to the user that has a
// numeric id lives here, so that code asks for texts by id only.
#pragma once

#include <QString>

namespace zentiq {

// Ids of the string table (the numbers are fixed: documents, dialogs and
// menus refer to them).
namespace ids {
inline constexpr int TransactionIdError = 1;
inline constexpr int OleInitFailed = 100;
inline constexpr int BytesMissing = 103;
inline constexpr int GatewayPathUnavailable = 104;
inline constexpr int GatewayTargetFailed = 105;
inline constexpr int ByteCountError = 106;
inline constexpr int CommPane = 116;
// An answer whose byte count or object list does not fit its frame.
inline constexpr int MalformedAnswer = 127;
inline constexpr int ConnectionClosed = 128;
inline constexpr int DocumentType = 129;

// Line formats of the 31 error counters ("%d\t<text>"), index 0..30.
inline constexpr int ErrorCounterLineFirst = 200;
inline constexpr int ErrorCounterLineLast = 230;
inline constexpr int NoErrors = 231;

inline constexpr int ResponseOk = 32785;
inline constexpr int Timeout = 32786;
inline constexpr int CrcError = 32787;
inline constexpr int ResponseError = 32788;
inline constexpr int WriteError = 32789;
inline constexpr int ReadError = 32790;
inline constexpr int NoConnection = 32791;
inline constexpr int CannotCommunicate = 32792;
inline constexpr int IllegalFunction = 32793;
inline constexpr int IllegalDataAddress = 32794;
inline constexpr int IllegalDataValue = 32795;
inline constexpr int SlaveDeviceFailure = 32796;
inline constexpr int Acknowledge = 32797;
inline constexpr int SlaveBusy = 32798;
inline constexpr int NegativeAcknowledge = 32799;
inline constexpr int OutOfSlots = 32800;
inline constexpr int ResetCountersPrompt = 32801;
inline constexpr int BadInput = 32820;
inline constexpr int UnknownError = 32855;
inline constexpr int AppTitle = 57344;

// The framework's standard validation messages (%1, %2: limits).
inline constexpr int ParseInt = 61712;
inline constexpr int ParseReal = 61713;
inline constexpr int ParseIntRange = 61714;
inline constexpr int ParseRealRange = 61715;
inline constexpr int ParseStringSize = 61716;
}  // namespace ids

// The text of string `id`; an empty string for an id the table lacks.
QString LoadString(int id);

// Whether the table has an entry for `id`.
bool HasString(int id);

// The two file messages every file the program writes shares; English in
// every language.
QString FileOpenErrorText();
QString DiskErrorText();

}  // namespace zentiq
