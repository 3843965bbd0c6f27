// Command ids and the tables of the two menu bars, the toolbar and the
// accelerators. The frame builds its QActions from these tables; nothing
// else lists menu items.
#pragma once

#include <QString>
#include <span>

namespace zentiq {

// Numeric command ids (documents and dialogs refer to the same numbers).
namespace cmd {
// poll document
inline constexpr int PollDefinition = 32771;
inline constexpr int Connect = 32772;
inline constexpr int Disconnect = 32773;
inline constexpr int FormatSigned = 32775;
inline constexpr int FormatUnsigned = 32776;
inline constexpr int FormatHex = 32777;
inline constexpr int PlcAddresses = 32778;
inline constexpr int ProtocolAddresses = 32779;
inline constexpr int FormatBinary = 32780;
inline constexpr int FormatFloatInverse = 32782;
inline constexpr int FormatDouble = 32783;
inline constexpr int FormatDoubleInverse = 32784;
inline constexpr int ClearCounters = 32801;
inline constexpr int StartLogging = 32808;
inline constexpr int StopLogging = 32809;
inline constexpr int SetAsDefault = 32815;
inline constexpr int TrafficMonitor = 32825;
inline constexpr int TestCenter = 32826;
inline constexpr int FormatFloat = 32827;
inline constexpr int FormatLong = 32832;
inline constexpr int FormatLongInverse = 32833;
inline constexpr int AutoConnectOn = 32835;
inline constexpr int AutoConnectOff = 32836;
inline constexpr int QuickConnect = 32838;
inline constexpr int ReadWriteRegisters = 32839;
inline constexpr int WriteSingleCoil = 32842;
inline constexpr int WriteSingleRegister = 32844;
inline constexpr int WriteMultipleCoils = 32846;
inline constexpr int WriteMultipleRegisters = 32848;
inline constexpr int MaskWrite = 32849;
inline constexpr int ReadOnce = 32854;
inline constexpr int SaveWorkspace = 32858;
inline constexpr int OpenWorkspace = 32859;
inline constexpr int AlwaysOnTop = 32861;
inline constexpr int ErrorCounter = 32862;
inline constexpr int CellTextColour = 32873;
inline constexpr int CellBackgroundColour = 32874;
inline constexpr int CellFont = 32876;
inline constexpr int EnableReadWrite = 32880;
inline constexpr int Trend = 32890;
inline constexpr int LanguageChinese = 32891;
inline constexpr int LanguageEnglish = 32892;
inline constexpr int Decode = 32893;
inline constexpr int ImportRegisterMap = 32896;
inline constexpr int ExportRegisterMap = 32897;
inline constexpr int ExportDataCsv = 32898;
inline constexpr int CopyCsv = 32899;
inline constexpr int BusScanner = 32900;
inline constexpr int DeviceIdentity = 32905;
inline constexpr int BusStatistics = 32920;
inline constexpr int AppearanceSystem = 32921;
inline constexpr int AppearanceLight = 32922;
inline constexpr int AppearanceDark = 32923;
inline constexpr int RowType = 32924;
// the connection list of the menu "连接": entry i makes connection i current
inline constexpr int ConnectionFirst = 32930;
inline constexpr int ConnectionLast = 32945;  // sixteen entries
inline constexpr int NewConnection = 32950;
inline constexpr int RemoveConnection = 32951;
// framework
inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int FileClose = 57602;
inline constexpr int FileSave = 57603;
inline constexpr int FileSaveAs = 57604;
inline constexpr int FilePrintSetup = 57606;
inline constexpr int FilePrint = 57607;
inline constexpr int FilePrintDirect = 57608;
inline constexpr int FilePrintPreview = 57609;
inline constexpr int RecentFileFirst = 57616;  // six entries
inline constexpr int RecentFileLast = 57621;
inline constexpr int EditCopy = 57634;
inline constexpr int EditCut = 57635;
inline constexpr int EditPaste = 57637;
inline constexpr int EditSelectAll = 57642;
inline constexpr int WindowArrange = 57649;
inline constexpr int WindowCascade = 57650;
inline constexpr int WindowTile = 57651;
inline constexpr int AppAbout = 57664;
inline constexpr int AppExit = 57665;
inline constexpr int HelpTopics = 57667;
inline constexpr int ContextHelp = 57669;
inline constexpr int Help = 57670;
inline constexpr int ViewToolbar = 59392;
inline constexpr int ViewStatusBar = 59393;
// the window list of the Window menu: its entries carry these, unrouted
inline constexpr int WindowListFirst = 0xFF00;
}  // namespace cmd

// One entry of a menu bar, in reading order: a popup opens a submenu that
// the next End closes.
struct MenuEntry {
    enum class Kind { Popup, End, Command, Separator, RecentFiles, WindowList, ConnectionList };
    Kind kind;
    int id;            // command id (Command, RecentFiles), else 0
    const char* text;  // UTF-8; "\t" separates the accelerator shown
};

// The menu bar without documents (128) and while poll windows are open (129).
std::span<const MenuEntry> MenuWithoutDocuments();
std::span<const MenuEntry> MenuWithDocuments();

// Toolbar buttons in order; id 0 is a separator.
std::span<const int> ToolbarButtons();

struct Accelerator {
    const char* keys;  // QKeySequence portable text
    int id;
};
std::span<const Accelerator> Accelerators();

// Commands shown as one exclusive choice with the radio commands next to
// them in the same menu (the appearance).
bool IsRadioCommand(int id);

// A text of the menu tables in the interface's language (the tables hold
// the Chinese source texts).
QString MenuString(const char* text);

// A short name of a command for tooltips and status prompts: its menu text
// without mnemonic and accelerator. Empty for an unknown id.
QString CommandName(int id);

// The menu text of a command in the document menu (or, failing that, in the
// menu without documents); empty for an id no menu has.
QString MenuText(int id);

}  // namespace zentiq
