#include "resources/menus.h"

#include <array>

namespace zentiq {
namespace {

using K = MenuEntry::Kind;

constexpr MenuEntry popup(const char* text) { return {K::Popup, 0, text}; }
constexpr MenuEntry end() { return {K::End, 0, nullptr}; }
constexpr MenuEntry item(int id, const char* text) { return {K::Command, id, text}; }
constexpr MenuEntry separator() { return {K::Separator, 0, nullptr}; }
constexpr MenuEntry recentFiles() { return {K::RecentFiles, cmd::RecentFileFirst, "最近文件"}; }
constexpr MenuEntry windowList() { return {K::WindowList, 0, nullptr}; }

constexpr std::array kMenuWithoutDocuments = {
    popup("&0文件"),
    item(cmd::FileNew, "&N新建\tCtrl+N"),
    item(cmd::FileOpen, "&O打开..\tCtrl+O"),
    separator(),
    item(cmd::OpenWorkspace, "&W打开工程"),
    separator(),
    item(cmd::FilePrintSetup, "&R打印设置.."),
    separator(),
    recentFiles(),
    separator(),
    item(cmd::AppExit, "&X退出"),
    end(),
    popup("&1通讯"),
    item(cmd::Connect, "&C连接..\tF3"),
    item(cmd::QuickConnect, "&Q快速连接\tF5"),
    item(cmd::Disconnect, "&D断开连接\tF4"),
    popup("自动连接"),
    item(cmd::AutoConnectOn, "&E有效"),
    item(cmd::AutoConnectOff, "D&无效"),
    end(),
    separator(),
    item(cmd::TrafficMonitor, "通讯小助手"),
    end(),
    popup("&2外观"),
    item(cmd::ViewToolbar, "工具栏"),
    item(cmd::ViewStatusBar, "状态栏"),
    separator(),
    item(cmd::AlwaysOnTop, "总在最前"),
    end(),
    popup("&3帮助"),
    item(cmd::HelpTopics, "&H帮助主题"),
    separator(),
    item(cmd::AppAbout, "&A关于 Zentiq.."),
    end(),
};

constexpr std::array kMenuWithDocuments = {
    popup("&0文件"),
    item(cmd::FileNew, "&N新建\tCtrl+N"),
    item(cmd::FileOpen, "&O打开..\tCtrl+O"),
    item(cmd::FileClose, "&C关闭"),
    item(cmd::FileSave, "&S保存\tCtrl+S"),
    item(cmd::FileSaveAs, "&A另存为.."),
    separator(),
    item(cmd::OpenWorkspace, "&W打开工程"),
    item(cmd::SaveWorkspace, "&V保存工程"),
    separator(),
    item(cmd::FilePrint, "&P打印..\tCtrl+P"),
    item(cmd::FilePrintPreview, "打印预览"),
    item(cmd::FilePrintSetup, "&R打印设置.."),
    separator(),
    recentFiles(),
    separator(),
    item(cmd::AppExit, "&X退出"),
    end(),
    popup("&1编辑"),
    item(cmd::EditCut, "剪切\tCtrl+X"),
    item(cmd::EditCopy, "复制\tCtrl+C"),
    item(cmd::EditPaste, "粘贴\tCtrl+V"),
    separator(),
    item(cmd::EditSelectAll, "全选\tCtrl+A"),
    end(),
    popup("&2通讯"),
    item(cmd::Connect, "&N连接..\tF3"),
    item(cmd::QuickConnect, "&Q快速连接\tF5"),
    item(cmd::Disconnect, "&D断开连接\tF4"),
    popup("自动连接"),
    item(cmd::AutoConnectOn, "&E有效"),
    item(cmd::AutoConnectOff, "D&无效"),
    end(),
    separator(),
    item(cmd::TrafficMonitor, "通讯小助手"),
    end(),
    popup("&3设置"),
    item(cmd::PollDefinition, "读写定义\tF8"),
    item(cmd::ReadOnce, "读写一次\tF6"),
    item(cmd::EnableReadWrite, "读写有效\tShift+F6"),
    separator(),
    item(cmd::ClearCounters, "清除计数\tF12"),
    item(cmd::ErrorCounter, "错误计数\tF11"),
    separator(),
    item(cmd::SetAsDefault, "设为默认值"),
    end(),
    popup("&4功能"),
    item(cmd::WriteSingleCoil, "05:写单个线圈\tAlt+F5"),
    item(cmd::WriteSingleRegister, "06:写单个寄存器\tAlt+F6"),
    item(cmd::WriteMultipleCoils, "15:写线圈组\tAlt+F7"),
    item(cmd::WriteMultipleRegisters, "16:写寄存器组\tAlt+F8"),
    item(cmd::MaskWrite, "22:写寄存器(AND,OR)"),
    item(cmd::ReadWriteRegisters, "23:读写寄存器组"),
    separator(),
    item(cmd::TestCenter, "测试工具"),
    separator(),
    item(cmd::StartLogging, "记录..\tAlt+L"),
    item(cmd::StopLogging, "记录关闭\tAlt+O"),
    end(),
    popup("&5显示"),
    item(cmd::FormatSigned, "&Signed(整数)\tAlt+S"),
    item(cmd::FormatUnsigned, "&Unsigned(无符号整数)\tAlt+U"),
    item(cmd::FormatHex, "&Hex(16进制)\tAlt+H"),
    item(cmd::FormatBinary, "&Binary(2进制)\tAlt+B"),
    separator(),
    item(cmd::FormatLong, "Long(长整数)"),
    item(cmd::FormatLongInverse, "Long Inverse(负长整数)"),
    item(cmd::FormatFloat, "&Float(单精度小数)"),
    item(cmd::FormatFloatInverse, "F&loat Inverse(负单精度小数)"),
    item(cmd::FormatDouble, "&Double(双精度小数)"),
    item(cmd::FormatDoubleInverse, "D&ouble Inverse(负双精度小数)"),
    separator(),
    item(cmd::PlcAddresses, "&PLC 地址(基站 1)"),
    item(cmd::ProtocolAddresses, "保护 地址(基站 0)"),
    separator(),
    item(cmd::Trend, "趋势图"),
    end(),
    popup("&6外观"),
    item(cmd::ViewToolbar, "工具栏"),
    item(cmd::ViewStatusBar, "状态栏"),
    separator(),
    item(cmd::AlwaysOnTop, "总在最上面"),
    end(),
    popup("&7窗体"),
    item(cmd::WindowCascade, "叠加"),
    item(cmd::WindowTile, "并列"),
    item(cmd::WindowArrange, "图标"),
    windowList(),
    end(),
    popup("&8帮助"),
    item(cmd::HelpTopics, "&H帮助主题"),
    separator(),
    item(cmd::AppAbout, "&A关于 Zentiq.."),
    end(),
};

constexpr std::array kToolbar = {
    cmd::FileNew, cmd::FileOpen, cmd::FileSave, cmd::FilePrint, 0,
    cmd::ClearCounters, 0,
    cmd::PollDefinition, 0,
    cmd::Disconnect, cmd::QuickConnect, 0,
    cmd::ReadOnce, cmd::WriteSingleCoil, cmd::WriteSingleRegister, cmd::WriteMultipleCoils,
    cmd::WriteMultipleRegisters, cmd::MaskWrite, cmd::ReadWriteRegisters, 0,
    cmd::TrafficMonitor, 0,
    cmd::AppAbout, cmd::ContextHelp,
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
    ExtraName{cmd::ContextHelp, "帮助"},
    ExtraName{cmd::Help, "帮助"},
    ExtraName{cmd::FilePrintDirect, "打印"},
    ExtraName{cmd::CellTextColour, "前景色"},
    ExtraName{cmd::CellBackgroundColour, "背景色"},
    ExtraName{cmd::CellFont, "字体"},
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
std::span<const Accelerator> Accelerators() { return kAccelerators; }

QString MenuText(int id) {
    const char* text = findText(kMenuWithDocuments, id);
    if (text == nullptr)
        text = findText(kMenuWithoutDocuments, id);
    return text == nullptr ? QString() : QString::fromUtf8(text);
}

QString CommandName(int id) {
    QString text = MenuText(id);
    if (text.isEmpty()) {
        for (const ExtraName& e : kExtraNames)
            if (e.id == id)
                return QString::fromUtf8(e.text);
        return {};
    }
    text = text.section(QLatin1Char('\t'), 0, 0);
    text.remove(QLatin1Char('&'));
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text.trimmed();
}

}  // namespace zentiq
