#include "values/function_support_text.h"

#include <utility>

#include "values/status_texts.h"

namespace zentiq {
namespace {

struct Named {
    std::uint8_t function;
    const char* name;
};

constexpr Named kNames[] = {
    {1, QT_TRANSLATE_NOOP("FunctionSupportText", "读线圈")},
    {2, QT_TRANSLATE_NOOP("FunctionSupportText", "读离散输入")},
    {3, QT_TRANSLATE_NOOP("FunctionSupportText", "读保持寄存器")},
    {4, QT_TRANSLATE_NOOP("FunctionSupportText", "读输入寄存器")},
    {5, QT_TRANSLATE_NOOP("FunctionSupportText", "写单个线圈")},
    {6, QT_TRANSLATE_NOOP("FunctionSupportText", "写单个寄存器")},
    {8, QT_TRANSLATE_NOOP("FunctionSupportText", "回环诊断")},
    {15, QT_TRANSLATE_NOOP("FunctionSupportText", "写多个线圈")},
    {16, QT_TRANSLATE_NOOP("FunctionSupportText", "写多个寄存器")},
    {17, QT_TRANSLATE_NOOP("FunctionSupportText", "报告从站 ID")},
    {22, QT_TRANSLATE_NOOP("FunctionSupportText", "屏蔽写寄存器")},
    {23, QT_TRANSLATE_NOOP("FunctionSupportText", "读写多个寄存器")},
    {43, QT_TRANSLATE_NOOP("FunctionSupportText", "读设备标识")},
};

const std::pair<ProbeKind, const char*> kKinds[] = {
    {ProbeKind::Read, QT_TRANSLATE_NOOP("FunctionSupportText", "读 1 个，地址 0")},
    {ProbeKind::WriteBack, QT_TRANSLATE_NOOP("FunctionSupportText", "写回刚读到的值，地址 0")},
    {ProbeKind::UnchangingMask,
     QT_TRANSLATE_NOOP("FunctionSupportText", "AND FFFF / OR 0000，地址 0（值不变）")},
    {ProbeKind::ZeroQuantity,
     QT_TRANSLATE_NOOP("FunctionSupportText", "读取失败，改写 0 个（从站应答异常 03）")},
    {ProbeKind::Echo, QT_TRANSLATE_NOOP("FunctionSupportText", "回环 2 字节")},
    {ProbeKind::Report, QT_TRANSLATE_NOOP("FunctionSupportText", "报告从站 ID")},
    {ProbeKind::Identity, QT_TRANSLATE_NOOP("FunctionSupportText", "基本对象，从对象 0 起")},
    {ProbeKind::NotSent,
     QT_TRANSLATE_NOOP("FunctionSupportText", "未发送：读取失败，无法写回原值")},
};

const std::pair<FunctionSupport, const char*> kVerdicts[] = {
    {FunctionSupport::Supported, QT_TRANSLATE_NOOP("FunctionSupportText", "支持")},
    {FunctionSupport::NotSupported, QT_TRANSLATE_NOOP("FunctionSupportText", "不支持")},
    {FunctionSupport::NoAnswer, QT_TRANSLATE_NOOP("FunctionSupportText", "无应答")},
    {FunctionSupport::Unclear, QT_TRANSLATE_NOOP("FunctionSupportText", "不明")},
    {FunctionSupport::NotProbed, QT_TRANSLATE_NOOP("FunctionSupportText", "未探测")},
};

template <class Key, std::size_t N>
QString Lookup(const std::pair<Key, const char*> (&table)[N], Key key) {
    for (const auto& [k, text] : table)
        if (k == key)
            return FunctionSupportText::tr(text);
    return QString();
}

}  // namespace

QString FunctionSupportText::FunctionName(std::uint8_t function, int subFunction) {
    QString code = QStringLiteral("%1").arg(function, 2, 10, QLatin1Char('0'));
    if (subFunction >= 0)
        code += QStringLiteral("/%1").arg(subFunction, 2, 10, QLatin1Char('0'));
    for (const Named& n : kNames)
        if (n.function == function)
            return code + QLatin1Char(' ') + tr(n.name);
    return code;
}

QString FunctionSupportText::KindText(ProbeKind kind) { return Lookup(kKinds, kind); }

QString FunctionSupportText::AnswerText(const FunctionProbe& probe) {
    if (probe.kind == ProbeKind::NotSent || probe.status < 0)
        return QStringLiteral("-");
    return StatusText(static_cast<EngineStatus>(probe.status), StatusFlavour::WriteResult);
}

QString FunctionSupportText::SupportText(FunctionSupport support) {
    return Lookup(kVerdicts, support);
}

QStringList FunctionSupportText::Header() {
    return {tr("功能"), tr("请求"), tr("应答"), tr("结论")};
}

QStringList FunctionSupportText::Row(const FunctionProbe& probe) {
    return {FunctionName(probe.function, probe.subFunction), KindText(probe.kind),
            AnswerText(probe), SupportText(probe.Support())};
}

}  // namespace zentiq
