// The texts of a function-support scan without a window: each probe as a
// table row (function, how it was asked, what came back, what that means)
// and the whole result as lines to copy.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include "framework/function_support_scan.h"

namespace zentiq {

class FunctionSupportText {
    Q_DECLARE_TR_FUNCTIONS(FunctionSupportText)
public:
    // "03 读保持寄存器", "08/00 回环诊断"
    static QString FunctionName(std::uint8_t function, int subFunction);
    // How the probe was asked ("写回刚读到的值").
    static QString KindText(ProbeKind kind);
    // What came back: "应答正确", the exception's name, "超时错误"; "-" when
    // not sent.
    static QString AnswerText(const FunctionProbe& probe);
    static QString SupportText(FunctionSupport support);
    // The table's header and one row per probe: function, request, answer,
    // verdict.
    static QStringList Header();
    static QStringList Row(const FunctionProbe& probe);
};

}  // namespace zentiq
