#include "resources/menus.h"

#include <QCoreApplication>
#include <array>

namespace zentiq {
namespace {

using K = MenuEntry::Kind;

constexpr MenuEntry popup(const char* text) { return {K::Popup, 0, text}; }
constexpr MenuEntry end() { return {K::End, 0, nullptr}; }
constexpr MenuEntry item(int id, const char* text) { return {K::Command, id, text}; }
constexpr MenuEntry separator() { return {K::Separator, 0, nullptr}; }
constexpr MenuEntry recentFiles() {
    return {K::RecentFiles, cmd::RecentFileFirst, QT_TRANSLATE_NOOP("Menus", "最近文件")};
}
constexpr MenuEntry windowList() { return {K::WindowList, 0, nullptr}; }
constexpr MenuEntry connectionList() { return {K::ConnectionList, cmd::ConnectionFirst, nullptr}; }

constexpr std::array kMenuWithoutDocuments = {
    popup(QT_TRANSLATE_NOOP("Menus", "&0文件")),
    item(cmd::FileNew, QT_TRANSLATE_NOOP("Menus", "&N新建\tCtrl+N")),
    item(cmd::FileOpen, QT_TRANSLATE_NOOP("Menus", "&O打开..\tCtrl+O")),
    separator(),
    item(cmd::OpenWorkspace, QT_TRANSLATE_NOOP("Menus", "&W打开工程")),
    separator(),
    item(cmd::FilePrintSetup, QT_TRANSLATE_NOOP("Menus", "&R打印设置..")),
    separator(),
    recentFiles(),
    separator(),
    item(cmd::AppExit, QT_TRANSLATE_NOOP("Menus", "&X退出")),
    end(),
    popup(QT_TRANSLATE_NOOP("Menus", "&1通讯")),
    item(cmd::Connect, QT_TRANSLATE_NOOP("Menus", "&C连接..\tF3")),
    item(cmd::QuickConnect, QT_TRANSLATE_NOOP("Menus", "&Q快速连接\tF5")),
    item(cmd::Disconnect, QT_TRANSLATE_NOOP("Menus", "&D断开连接\tF4")),
    popup(QT_TRANSLATE_NOOP("Menus", "自动连接")),
    item(cmd::AutoConnectOn, QT_TRANSLATE_NOOP("Menus", "&E有效")),
    item(cmd::AutoConnectOff, QT_TRANSLATE_NOOP("Menus", "D&无效")),
    end(),
    //: The user's named connections: the list, then adding and removing one.
    popup(QT_TRANSLATE_NOOP("Menus", "连接")),
    connectionList(),
    separator(),
    item(cmd::NewConnection, QT_TRANSLATE_NOOP("Menus", "新建连接..")),
    item(cmd::RemoveConnection, QT_TRANSLATE_NOOP("Menus", "删除连接")),
    end(),
    separator(),
    item(cmd::TrafficMonitor, QT_TRANSLATE_NOOP("Menus", "通讯小助手")),
    item(cmd::BusScanner, QT_TRANSLATE_NOOP("Menus", "总线扫描..")),
    item(cmd::BusStatistics, QT_TRANSLATE_NOOP("Menus", "总线统计")),
    end(),
    popup(QT_TRANSLATE_NOOP("Menus", "&2外观")),
    item(cmd::ViewToolbar, QT_TRANSLATE_NOOP("Menus", "工具栏")),
    item(cmd::ViewStatusBar, QT_TRANSLATE_NOOP("Menus", "状态栏")),
    separator(),
    item(cmd::AlwaysOnTop, QT_TRANSLATE_NOOP("Menus", "总在最前")),
    separator(),
    //: Keeps the language's own name beside the translated one, so that anyone finds it.
    popup(QT_TRANSLATE_NOOP("Menus", "语言 (Language)")),
    //: A language's own name: the same in every language.
    item(cmd::LanguageChinese, QT_TRANSLATE_NOOP("Menus", "中文")),
    //: A language's own name: the same in every language.
    item(cmd::LanguageEnglish, QT_TRANSLATE_NOOP("Menus", "English")),
    end(),
    //: The colours: the desktop's own, always light or always dark.
    popup(QT_TRANSLATE_NOOP("Menus", "配色")),
    item(cmd::AppearanceSystem, QT_TRANSLATE_NOOP("Menus", "跟随系统")),
    item(cmd::AppearanceLight, QT_TRANSLATE_NOOP("Menus", "浅色")),
    item(cmd::AppearanceDark, QT_TRANSLATE_NOOP("Menus", "深色")),
    end(),
    end(),
    popup(QT_TRANSLATE_NOOP("Menus", "&3帮助")),
    item(cmd::HelpTopics, QT_TRANSLATE_NOOP("Menus", "&H帮助主题")),
    separator(),
    item(cmd::AppAbout, QT_TRANSLATE_NOOP("Menus", "&A关于 Zentiq..")),
    end(),
};

constexpr std::array kMenuWithDocuments = {
    popup(QT_TRANSLATE_NOOP("Menus", "&0文件")),
    item(cmd::FileNew, QT_TRANSLATE_NOOP("Menus", "&N新建\tCtrl+N")),
    item(cmd::FileOpen, QT_TRANSLATE_NOOP("Menus", "&O打开..\tCtrl+O")),
    item(cmd::FileClose, QT_TRANSLATE_NOOP("Menus", "&C关闭")),
    item(cmd::FileSave, QT_TRANSLATE_NOOP("Menus", "&S保存\tCtrl+S")),
    item(cmd::FileSaveAs, QT_TRANSLATE_NOOP("Menus", "&A另存为..")),
    separator(),
    item(cmd::ImportRegisterMap, QT_TRANSLATE_NOOP("Menus", "导入寄存器表 (CSV)..")),
    item(cmd::ExportRegisterMap, QT_TRANSLATE_NOOP("Menus", "导出寄存器表 (CSV)..")),
    item(cmd::ExportDataCsv, QT_TRANSLATE_NOOP("Menus", "导出数据 (CSV)..")),
    separator(),
    item(cmd::OpenWorkspace, QT_TRANSLATE_NOOP("Menus", "&W打开工程")),
    item(cmd::SaveWorkspace, QT_TRANSLATE_NOOP("Menus", "&V保存工程")),
    separator(),
    item(cmd::FilePrint, QT_TRANSLATE_NOOP("Menus", "&P打印..\tCtrl+P")),
    item(cmd::FilePrintPreview, QT_TRANSLATE_NOOP("Menus", "打印预览")),
    item(cmd::FilePrintSetup, QT_TRANSLATE_NOOP("Menus", "&R打印设置..")),
    separator(),
    recentFiles(),
    separator(),
    item(cmd::AppExit, QT_TRANSLATE_NOOP("Menus", "&X退出")),
    end(),
    popup(QT_TRANSLATE_NOOP("Menus", "&1编辑")),
    item(cmd::EditCut, QT_TRANSLATE_NOOP("Menus", "剪切\tCtrl+X")),
    item(cmd::EditCopy, QT_TRANSLATE_NOOP("Menus", "复制\tCtrl+C")),
    item(cmd::CopyCsv, QT_TRANSLATE_NOOP("Menus", "复制为 CSV")),
    item(cmd::EditPaste, QT_TRANSLATE_NOOP("Menus", "粘贴\tCtrl+V")),
    separator(),
    item(cmd::EditSelectAll, QT_TRANSLATE_NOOP("Menus", "全选\tCtrl+A")),
    end(),
    popup(QT_TRANSLATE_NOOP("Menus", "&2通讯")),
    item(cmd::Connect, QT_TRANSLATE_NOOP("Menus", "&N连接..\tF3")),
    item(cmd::QuickConnect, QT_TRANSLATE_NOOP("Menus", "&Q快速连接\tF5")),
    item(cmd::Disconnect, QT_TRANSLATE_NOOP("Menus", "&D断开连接\tF4")),
    popup(QT_TRANSLATE_NOOP("Menus", "自动连接")),
    item(cmd::AutoConnectOn, QT_TRANSLATE_NOOP("Menus", "&E有效")),
    item(cmd::AutoConnectOff, QT_TRANSLATE_NOOP("Menus", "D&无效")),
    end(),
    //: The user's named connections: the list, then adding and removing one.
    popup(QT_TRANSLATE_NOOP("Menus", "连接")),
    connectionList(),
    separator(),
    item(cmd::NewConnection, QT_TRANSLATE_NOOP("Menus", "新建连接..")),
    item(cmd::RemoveConnection, QT_TRANSLATE_NOOP("Menus", "删除连接")),
    end(),
    separator(),
    item(cmd::TrafficMonitor, QT_TRANSLATE_NOOP("Menus", "通讯小助手")),
    item(cmd::BusScanner, QT_TRANSLATE_NOOP("Menus", "总线扫描..")),
    item(cmd::BusStatistics, QT_TRANSLATE_NOOP("Menus", "总线统计")),
    end(),
    popup(QT_TRANSLATE_NOOP("Menus", "&3设置")),
    item(cmd::PollDefinition, QT_TRANSLATE_NOOP("Menus", "读写定义\tF8")),
    item(cmd::ReadOnce, QT_TRANSLATE_NOOP("Menus", "读写一次\tF6")),
    item(cmd::EnableReadWrite, QT_TRANSLATE_NOOP("Menus", "读写有效\tShift+F6")),
    separator(),
    item(cmd::ClearCounters, QT_TRANSLATE_NOOP("Menus", "清除计数\tF12")),
    item(cmd::ErrorCounter, QT_TRANSLATE_NOOP("Menus", "错误计数\tF11")),
    separator(),
    item(cmd::SetAsDefault, QT_TRANSLATE_NOOP("Menus", "设为默认值")),
    end(),
    popup(QT_TRANSLATE_NOOP("Menus", "&4功能")),
    item(cmd::WriteSingleCoil, QT_TRANSLATE_NOOP("Menus", "05:写单个线圈\tAlt+F5")),
    item(cmd::WriteSingleRegister, QT_TRANSLATE_NOOP("Menus", "06:写单个寄存器\tAlt+F6")),
    item(cmd::WriteMultipleCoils, QT_TRANSLATE_NOOP("Menus", "15:写线圈组\tAlt+F7")),
    item(cmd::WriteMultipleRegisters, QT_TRANSLATE_NOOP("Menus", "16:写寄存器组\tAlt+F8")),
    item(cmd::MaskWrite, QT_TRANSLATE_NOOP("Menus", "22:写寄存器(AND,OR)")),
    item(cmd::ReadWriteRegisters, QT_TRANSLATE_NOOP("Menus", "23:读写寄存器组")),
    separator(),
    item(cmd::TestCenter, QT_TRANSLATE_NOOP("Menus", "测试工具")),
    item(cmd::DeviceIdentity, QT_TRANSLATE_NOOP("Menus", "设备信息 (08/17/43)")),
    separator(),
    item(cmd::StartLogging, QT_TRANSLATE_NOOP("Menus", "记录..\tAlt+L")),
    item(cmd::StopLogging, QT_TRANSLATE_NOOP("Menus", "记录关闭\tAlt+O")),
    end(),
    popup(QT_TRANSLATE_NOOP("Menus", "&5显示")),
    item(cmd::FormatSigned, QT_TRANSLATE_NOOP("Menus", "&Signed(整数)\tAlt+S")),
    item(cmd::FormatUnsigned, QT_TRANSLATE_NOOP("Menus", "&Unsigned(无符号整数)\tAlt+U")),
    item(cmd::FormatHex, QT_TRANSLATE_NOOP("Menus", "&Hex(16进制)\tAlt+H")),
    item(cmd::FormatBinary, QT_TRANSLATE_NOOP("Menus", "&Binary(2进制)\tAlt+B")),
    separator(),
    item(cmd::FormatLong, QT_TRANSLATE_NOOP("Menus", "Long (CDAB)(长整数，低字在前)")),
    item(cmd::FormatLongInverse, QT_TRANSLATE_NOOP("Menus", "Long Inverse (ABCD)(长整数，高字在前)")),
    item(cmd::FormatFloat, QT_TRANSLATE_NOOP("Menus", "&Float (CDAB)(单精度浮点数，低字在前)")),
    item(cmd::FormatFloatInverse, QT_TRANSLATE_NOOP("Menus", "F&loat Inverse (ABCD)(单精度浮点数，高字在前)")),
    item(cmd::FormatDouble, QT_TRANSLATE_NOOP("Menus", "&Double (CDAB)(双精度浮点数，低字在前)")),
    item(cmd::FormatDoubleInverse, QT_TRANSLATE_NOOP("Menus", "D&ouble Inverse (ABCD)(双精度浮点数，高字在前)")),
    separator(),
    item(cmd::PlcAddresses, QT_TRANSLATE_NOOP("Menus", "&PLC 地址(从 1 开始)")),
    item(cmd::ProtocolAddresses, QT_TRANSLATE_NOOP("Menus", "协议地址(从 0 开始)")),
    separator(),
    item(cmd::RowType, QT_TRANSLATE_NOOP("Menus", "数据类型")),
    item(cmd::Decode, QT_TRANSLATE_NOOP("Menus", "解码助手")),
    item(cmd::Trend, QT_TRANSLATE_NOOP("Menus", "趋势图")),
    end(),
    popup(QT_TRANSLATE_NOOP("Menus", "&6外观")),
    item(cmd::ViewToolbar, QT_TRANSLATE_NOOP("Menus", "工具栏")),
    item(cmd::ViewStatusBar, QT_TRANSLATE_NOOP("Menus", "状态栏")),
    separator(),
    item(cmd::AlwaysOnTop, QT_TRANSLATE_NOOP("Menus", "总在最上面")),
    separator(),
    //: Keeps the language's own name beside the translated one, so that anyone finds it.
    popup(QT_TRANSLATE_NOOP("Menus", "语言 (Language)")),
    //: A language's own name: the same in every language.
    item(cmd::LanguageChinese, QT_TRANSLATE_NOOP("Menus", "中文")),
    //: A language's own name: the same in every language.
    item(cmd::LanguageEnglish, QT_TRANSLATE_NOOP("Menus", "English")),
    end(),
    //: The colours: the desktop's own, always light or always dark.
    popup(QT_TRANSLATE_NOOP("Menus", "配色")),
    item(cmd::AppearanceSystem, QT_TRANSLATE_NOOP("Menus", "跟随系统")),
    item(cmd::AppearanceLight, QT_TRANSLATE_NOOP("Menus", "浅色")),
    item(cmd::AppearanceDark, QT_TRANSLATE_NOOP("Menus", "深色")),
    end(),
    end(),
    popup(QT_TRANSLATE_NOOP("Menus", "&7窗体")),
    item(cmd::WindowCascade, QT_TRANSLATE_NOOP("Menus", "叠加")),
    item(cmd::WindowTile, QT_TRANSLATE_NOOP("Menus", "并列")),
    item(cmd::WindowArrange, QT_TRANSLATE_NOOP("Menus", "图标")),
    windowList(),
    end(),
    popup(QT_TRANSLATE_NOOP("Menus", "&8帮助")),
    item(cmd::HelpTopics, QT_TRANSLATE_NOOP("Menus", "&H帮助主题")),
    separator(),
    item(cmd::AppAbout, QT_TRANSLATE_NOOP("Menus", "&A关于 Zentiq..")),
    end(),
};

constexpr std::array kToolbar = {
    cmd::FileNew,
    cmd::FileOpen,
    cmd::FileSave,
    cmd::FilePrint,
    0,
    cmd::ClearCounters,
    0,
    cmd::PollDefinition,
    0,
    cmd::Disconnect,
    cmd::QuickConnect,
    0,
    cmd::ReadOnce,
    cmd::WriteSingleCoil,
    cmd::WriteSingleRegister,
    cmd::WriteMultipleCoils,
    cmd::WriteMultipleRegisters,
    cmd::MaskWrite,
    cmd::ReadWriteRegisters,
    0,
    cmd::TrafficMonitor,
    0,
    cmd::AppAbout,
    cmd::ContextHelp,
};

constexpr std::array kAccelerators = {
    Accelerator{"F3", cmd::Connect},
    Accelerator{"F4", cmd::Disconnect},
    Accelerator{"F5", cmd::QuickConnect},
    Accelerator{"F6", cmd::ReadOnce},
    Accelerator{"Shift+F6", cmd::EnableReadWrite},
    Accelerator{"F8", cmd::PollDefinition},
    Accelerator{"F11", cmd::ErrorCounter},
    Accelerator{"F12", cmd::ClearCounters},
    Accelerator{"Ctrl+N", cmd::FileNew},
    Accelerator{"Ctrl+O", cmd::FileOpen},
    Accelerator{"Ctrl+S", cmd::FileSave},
    Accelerator{"Ctrl+P", cmd::FilePrint},
    Accelerator{"Ctrl+C", cmd::EditCopy},
    Accelerator{"Ctrl+X", cmd::EditCut},
    Accelerator{"Ctrl+V", cmd::EditPaste},
    Accelerator{"Ctrl+A", cmd::EditSelectAll},
    Accelerator{"Alt+S", cmd::FormatSigned},
    Accelerator{"Alt+U", cmd::FormatUnsigned},
    Accelerator{"Alt+H", cmd::FormatHex},
    Accelerator{"Alt+B", cmd::FormatBinary},
    Accelerator{"Alt+F5", cmd::WriteSingleCoil},
    Accelerator{"Alt+F6", cmd::WriteSingleRegister},
    Accelerator{"Alt+F7", cmd::WriteMultipleCoils},
    Accelerator{"Alt+F8", cmd::WriteMultipleRegisters},
    Accelerator{"Alt+L", cmd::StartLogging},
    Accelerator{"Alt+O", cmd::StopLogging},
    Accelerator{"Alt+D", cmd::SetAsDefault},
    Accelerator{"Ctrl+F", cmd::CellTextColour},
    Accelerator{"Ctrl+B", cmd::CellBackgroundColour},
    Accelerator{"F1", cmd::Help},
    Accelerator{"Shift+F1", cmd::ContextHelp},
};

// Commands that appear on the toolbar or in the keys but in no menu.
struct ExtraName {
    int id;
    const char* text;
};
constexpr std::array kExtraNames = {
    ExtraName{cmd::ContextHelp, QT_TRANSLATE_NOOP("Menus", "帮助")},
    ExtraName{cmd::Help, QT_TRANSLATE_NOOP("Menus", "帮助")},
    ExtraName{cmd::FilePrintDirect, QT_TRANSLATE_NOOP("Menus", "打印")},
    ExtraName{cmd::CellTextColour, QT_TRANSLATE_NOOP("Menus", "前景色")},
    ExtraName{cmd::CellBackgroundColour, QT_TRANSLATE_NOOP("Menus", "背景色")},
    ExtraName{cmd::CellFont, QT_TRANSLATE_NOOP("Menus", "字体")},
};

const char* findText(std::span<const MenuEntry> menu, int id) {
    for (const MenuEntry& e : menu)
        if (e.kind == K::Command && e.id == id)
            return e.text;
    return nullptr;
}

}  // namespace

std::span<const MenuEntry> MenuWithoutDocuments() { return kMenuWithoutDocuments; }
std::span<const MenuEntry> MenuWithDocuments() { return kMenuWithDocuments; }
std::span<const int> ToolbarButtons() { return kToolbar; }

bool IsRadioCommand(int id) {
    return id == cmd::AppearanceSystem || id == cmd::AppearanceLight || id == cmd::AppearanceDark;
}
std::span<const Accelerator> Accelerators() { return kAccelerators; }

QString MenuString(const char* text) { return QCoreApplication::translate("Menus", text); }

QString MenuText(int id) {
    const char* text = findText(kMenuWithDocuments, id);
    if (text == nullptr)
        text = findText(kMenuWithoutDocuments, id);
    return text == nullptr ? QString() : MenuString(text);
}

QString CommandName(int id) {
    QString text = MenuText(id);
    if (text.isEmpty()) {
        for (const ExtraName& e : kExtraNames)
            if (e.id == id)
                return MenuString(e.text);
        return {};
    }
    text = text.section(QLatin1Char('\t'), 0, 0);
    text.remove(QLatin1Char('&'));
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text.trimmed();
}

}  // namespace zentiq
