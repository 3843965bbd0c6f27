#include "app/connect_failure_text.h"

#include <QCoreApplication>
#include <grp.h>
#include <sys/stat.h>

#include <QFile>
#include <cerrno>
#include <cstring>

#include "app/mb_comm_setup.h"
#include "engine/modbus_line.h"
#include "values/status_texts.h"

namespace zentiq {
namespace {

// The open results whose message carries the socket error's number.
bool tcpMessageShowsError(int result) {
    return result == status::SocketStartupFailed || result == status::ConnectError ||
           result == status::BlockingSwitchFailed || result == status::SocketCreateFailed;
}

}  // namespace

QString ConnectFailureText::SerialPermissionHint(const QString& devicePath, int error) {
    if (error != EACCES && error != EPERM)
        return {};
    QString group;
    struct stat info {};
    if (::stat(QFile::encodeName(devicePath).constData(), &info) == 0) {
        if (const struct group* g = ::getgrgid(info.st_gid))
            group = QString::fromLocal8Bit(g->gr_name);
    }
    if (group.isEmpty() || group == QLatin1String("root"))
        return QStringLiteral(
                   "Access to %1 was refused. Serial ports usually belong to the group "
                   "\"dialout\": add your user to it (sudo usermod -a -G dialout $USER) "
                   "and log in again.")
            .arg(devicePath);
    return QStringLiteral(
               "Access to %1 was refused. It belongs to the group \"%2\": add your user to "
               "it (sudo usermod -a -G %2 $USER) and log in again.")
        .arg(devicePath, group);
}

QString ConnectFailureText::SerialOpenCause(int error) {
    switch (error) {
    case 0: return {};
    case EBUSY:
    case EWOULDBLOCK:  // the lock of another program that has the port open
        return tr("被其他程序占用");
    case ENOTTY:
    case EISDIR: return tr("不是串口设备");
    case EACCES:
    case EPERM: return tr("没有权限");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString ConnectFailureText::Message(const ModbusLine& line, const ConnectionSettings& s,
                                    int result) {
    return Message(line, s, result,
                   s.Serial != 0 ? line.LastSocketError() : line.LastSerialOpenErrno());
}

QString ConnectFailureText::Message(const ModbusLine& line, const ConnectionSettings& s, int result,
                                    int error) {
    if (result == 0)
        return {};
    // The message of the open result, then its cause in words.
    if (s.Serial != 0) {
        QString text = TcpOpenFailureMessage(result, error);
        if (text.isEmpty())
            text = QCoreApplication::translate("StatusTexts", "Modbus/TCP 连接失败：错误 %1")
                       .arg(result);
        else if (tcpMessageShowsError(result) && error != 0)
            text += QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
        return text;
    }
    QString text = SerialOpenFailureMessage(result, s.Port + 1);
    if (text.isEmpty())
        text = QCoreApplication::translate("StatusTexts", "打开端口 %1 失败，错误 %2。")
                   .arg(s.Port + 1)
                   .arg(result);
    if (result == 1 && !SerialOpenCause(error).isEmpty())
        text += QStringLiteral(": ") + SerialOpenCause(error);
    if (result == 1 && s.Port >= 0 && s.Port < CMBCommSetup::kPortCount) {
        char device[512] = {};
        line.GetSerialDevice(s.Port + 1, device, sizeof device);
        const QString hint = SerialPermissionHint(QFile::decodeName(device), error);
        if (!hint.isEmpty())
            text += QStringLiteral("\n\n") + hint;
    }
    return text;
}

}  // namespace zentiq
