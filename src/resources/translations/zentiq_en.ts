<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AddressMapSummary</name>
    <message>
        <source>等 %1 段</source>
        <translation>and more, %1 in all</translation>
    </message>
    <message>
        <source>%1 未探测：%2</source>
        <translation>%1 not probed: %2</translation>
    </message>
    <message>
        <source>%1 只粗略探测过（短于 %2 个地址的区块可能没找到）：%3</source>
        <translation>%1 probed only coarsely (blocks shorter than %2 addresses may be missed): %3</translation>
    </message>
    <message>
        <source>未扫描：%1</source>
        <translation>not scanned: %1</translation>
    </message>
    <message>
        <source>共 %1 个请求。</source>
        <translation>%1 requests.</translation>
    </message>
    <message>
        <source>每个地址都已探明。</source>
        <translation>Every address is known.</translation>
    </message>
    <message>
        <source>未覆盖——%1。</source>
        <translation>Not covered: %1.</translation>
    </message>
</context>
<context>
    <name>BusScanTable</name>
    <message>
        <source>从站ID</source>
        <translation>Slave ID</translation>
    </message>
    <message>
        <source>响应时间(ms)</source>
        <translation>Response time (ms)</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Answer</translation>
    </message>
    <message>
        <source>应答报文</source>
        <translation>Answer frame</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>数据位</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <source>校验</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>停止位</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <source>表</source>
        <translation>Table</translation>
    </message>
    <message>
        <source>起始地址</source>
        <translation>First address</translation>
    </message>
    <message>
        <source>结束地址</source>
        <translation>Last address</translation>
    </message>
    <message>
        <source>数量</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>异常码 %1</source>
        <translation>Exception %1</translation>
    </message>
    <message>
        <source>01 线圈</source>
        <translation>01 Coils</translation>
    </message>
    <message>
        <source>02 离散输入</source>
        <translation>02 Discrete inputs</translation>
    </message>
    <message>
        <source>03 保持寄存器</source>
        <translation>03 Holding registers</translation>
    </message>
    <message>
        <source>04 输入寄存器</source>
        <translation>04 Input registers</translation>
    </message>
    <message>
        <source>奇</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>偶</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>设备标识</source>
        <translation>Identity</translation>
    </message>
    <message>
        <source>主机</source>
        <translation>Host</translation>
    </message>
</context>
<context>
    <name>BusStatistics</name>
    <message>
        <source>窗口</source>
        <translation>Window</translation>
    </message>
    <message>
        <source>从站</source>
        <translation>Slave</translation>
    </message>
    <message>
        <source>功能</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>扫描率 (ms)</source>
        <translation>Scan rate (ms)</translation>
    </message>
    <message>
        <source>要求 (次/秒)</source>
        <translation>Asked (/s)</translation>
    </message>
    <message>
        <source>实际 (次/秒)</source>
        <translation>Achieved (/s)</translation>
    </message>
    <message>
        <source>低于 90%</source>
        <translation>Below 90%</translation>
    </message>
    <message>
        <source>最近 (ms)</source>
        <translation>Last (ms)</translation>
    </message>
    <message>
        <source>最小 (ms)</source>
        <translation>Min (ms)</translation>
    </message>
    <message>
        <source>平均 (ms)</source>
        <translation>Avg (ms)</translation>
    </message>
    <message>
        <source>P95 (ms)</source>
        <translation>P95 (ms)</translation>
    </message>
    <message>
        <source>最大 (ms)</source>
        <translation>Max (ms)</translation>
    </message>
    <message>
        <source>事务</source>
        <translation>Transactions</translation>
    </message>
    <message>
        <source>超时</source>
        <translation>Timeouts</translation>
    </message>
    <message>
        <source>CRC/LRC 错误</source>
        <translation>CRC/LRC errors</translation>
    </message>
    <message>
        <source>异常</source>
        <translation>Exceptions</translation>
    </message>
    <message>
        <source>尽快</source>
        <translation>As fast as possible</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>要求 %1 次/秒，实际只有 %2 次/秒（不足 90%）</source>
        <translation>Asked %1/s, achieved only %2/s (below 90%)</translation>
    </message>
    <message>
        <source>总线：尚无通讯</source>
        <translation>Bus: no traffic yet</translation>
    </message>
    <message>
        <source>总线占用 %1 %，每秒 %2 个事务（%3 个事务，%4 秒）</source>
        <translation>Bus busy %1 %, %2 transactions per second (%3 transactions in %4 s)</translation>
    </message>
    <message>
        <source>总线占用 (%)</source>
        <translation>Bus busy (%)</translation>
    </message>
    <message>
        <source>每秒事务</source>
        <translation>Transactions per second</translation>
    </message>
    <message>
        <source>统计时长 (秒)</source>
        <translation>Time covered (s)</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>结束时间</source>
        <translation>End time</translation>
    </message>
    <message>
        <source>程序版本</source>
        <translation>Program version</translation>
    </message>
</context>
<context>
    <name>CAdvanced</name>
    <message>
        <source>高级</source>
        <translation>Advanced</translation>
    </message>
    <message>
        <source>流控制</source>
        <translation>Flow Control</translation>
    </message>
    <message>
        <source>DSR</source>
        <translation>DSR</translation>
    </message>
    <message>
        <source>CTS</source>
        <translation>CTS</translation>
    </message>
    <message>
        <source>RTS 触发</source>
        <translation>RTS Toggle</translation>
    </message>
    <message>
        <source>[ms] RTS 延时</source>
        <translation>[ms] RTS Delay</translation>
    </message>
    <message>
        <source>移除回应 (如果有必要)</source>
        <translation>Remove Echo (if needed)</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CCommunication</name>
    <message>
        <source>通讯小助手</source>
        <translation>Traffic Monitor</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>错误停止</source>
        <translation>Stop on Error</translation>
    </message>
    <message>
        <source>从站:</source>
        <translation>Slave:</translation>
    </message>
    <message>
        <source>功能码:</source>
        <translation>Function:</translation>
    </message>
</context>
<context>
    <name>CErrorCounter</name>
    <message>
        <source>错误计数</source>
        <translation>Error Counter</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>本窗口自计数开始以来失败的通讯次数，按错误类型:</source>
        <translation>Failed transactions of this window since the counts started, by kind:</translation>
    </message>
</context>
<context>
    <name>CMBCommSetup</name>
    <message>
        <source>通信设置</source>
        <translation>Connection Setup</translation>
    </message>
    <message>
        <source>通讯方式</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Serial Port</translation>
    </message>
    <message>
        <source>TCP/IP(网络)</source>
        <translation>TCP/IP (Network)</translation>
    </message>
    <message>
        <source>设备:</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>模式</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>RTU</source>
        <translation>RTU</translation>
    </message>
    <message>
        <source>ASCII</source>
        <translation>ASCII</translation>
    </message>
    <message>
        <source>应答超时</source>
        <translation>Response Timeout</translation>
    </message>
    <message>
        <source>[ms]</source>
        <translation>[ms]</translation>
    </message>
    <message>
        <source>通讯延时</source>
        <translation>Delay Between Polls</translation>
    </message>
    <message>
        <source>远程主机</source>
        <translation>Remote Host</translation>
    </message>
    <message>
        <source>IP地址</source>
        <translation>IP Address</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>连接超时</source>
        <translation>Connect Timeout</translation>
    </message>
    <message>
        <source>RTU over TCP</source>
        <translation>RTU over TCP</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>高级</source>
        <translation>Advanced</translation>
    </message>
</context>
<context>
    <name>CMBForceMultibleCoils</name>
    <message>
        <source>写线圈组</source>
        <translation>Write Multiple Coils</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>数目:</source>
        <translation>Quantity:</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>从站ID:</source>
        <translation>Slave ID:</translation>
    </message>
</context>
<context>
    <name>CMBInputRegister</name>
    <message>
        <source>写入值</source>
        <translation>Enter Value</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>值:</source>
        <translation>Value:</translation>
    </message>
</context>
<context>
    <name>CMBInputRegisterBin</name>
    <message>
        <source>输入值</source>
        <translation>Enter Value</translation>
    </message>
    <message>
        <source>值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CMBLogSetup</name>
    <message>
        <source>记录设置</source>
        <translation>Log Setup</translation>
    </message>
    <message>
        <source>记录时机</source>
        <translation>Log Mode</translation>
    </message>
    <message>
        <source>记录每一次</source>
        <translation>Log Every Scan</translation>
    </message>
    <message>
        <source>分隔符</source>
        <translation>Separator</translation>
    </message>
    <message>
        <source>固定宽度</source>
        <translation>Fixed Width</translation>
    </message>
    <message>
        <source>逗号</source>
        <translation>Comma</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>记录错误</source>
        <translation>Log Errors</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>按间隔记录</source>
        <translation>Log at Interval</translation>
    </message>
    <message>
        <source>间隔:</source>
        <translation>Interval:</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
</context>
<context>
    <name>CMBMaskWrite</name>
    <message>
        <source>写寄存器(AND,OR)</source>
        <translation>Mask Write Register</translation>
    </message>
    <message>
        <source>从站ID:</source>
        <translation>Slave ID:</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>AND (与)</source>
        <translation>AND Mask</translation>
    </message>
    <message>
        <source>OR (或)</source>
        <translation>OR Mask</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CMBPresetMultibleRegister</name>
    <message>
        <source>写多个寄存器</source>
        <translation>Write Multiple Registers</translation>
    </message>
    <message>
        <source>从站 ID:</source>
        <translation>Slave ID:</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>数目:</source>
        <translation>Quantity:</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>编辑</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
</context>
<context>
    <name>CMBReadWriteRegister</name>
    <message>
        <source>读写线圈组</source>
        <translation>Read/Write Multiple Registers</translation>
    </message>
    <message>
        <source>从站ID:</source>
        <translation>Slave ID:</translation>
    </message>
    <message>
        <source>写入地址:</source>
        <translation>Write Address:</translation>
    </message>
    <message>
        <source>写入数目:</source>
        <translation>Write Quantity:</translation>
    </message>
    <message>
        <source>读取地址:</source>
        <translation>Read Address:</translation>
    </message>
    <message>
        <source>读取数目:</source>
        <translation>Read Quantity:</translation>
    </message>
    <message>
        <source>读取结果</source>
        <translation>Read Result</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>编辑</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
</context>
<context>
    <name>CMBWriteCoil</name>
    <message>
        <source>写单个线圈</source>
        <translation>Write Single Coil</translation>
    </message>
    <message>
        <source>从站 ID:</source>
        <translation>Slave ID:</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>开</source>
        <translation>On</translation>
    </message>
    <message>
        <source>关</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>功能项</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>05: 单个写入</source>
        <translation>05: Write Single Coil</translation>
    </message>
    <message>
        <source>15: 多个写入</source>
        <translation>15: Write Multiple Coils</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>&quot;应答正确！&quot;后关闭对话框</source>
        <translation>Close Dialog on &quot;Response OK&quot;</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>尚未发送</source>
        <translation>N/A</translation>
    </message>
</context>
<context>
    <name>CMBWriteFloat</name>
    <message>
        <source>从站 ID:</source>
        <translation>Slave ID:</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>&quot;应答正确！&quot;后关闭对话框</source>
        <translation>Close Dialog on &quot;Response OK&quot;</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>写单精度浮点数(Float)</source>
        <translation>Write Float</translation>
    </message>
    <message>
        <source>值:</source>
        <translation>Value:</translation>
    </message>
    <message>
        <source>尚未发送</source>
        <translation>N/A</translation>
    </message>
</context>
<context>
    <name>CMBWriteRegister</name>
    <message>
        <source>写单个寄存器</source>
        <translation>Write Single Register</translation>
    </message>
    <message>
        <source>从站 ID:</source>
        <translation>Slave ID:</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>功能项</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>06:写单个寄存器</source>
        <translation>06: Write Single Register</translation>
    </message>
    <message>
        <source>16:写多个寄存器</source>
        <translation>16: Write Multiple Registers</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>&quot;应答正确！&quot;后关闭对话框</source>
        <translation>Close Dialog on &quot;Response OK&quot;</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>值:</source>
        <translation>Value:</translation>
    </message>
    <message>
        <source>尚未发送</source>
        <translation>N/A</translation>
    </message>
</context>
<context>
    <name>CMBWriteRegisterBin</name>
    <message>
        <source>以二进制方式写寄存器</source>
        <translation>Write Register as Binary</translation>
    </message>
    <message>
        <source>从站 ID:</source>
        <translation>Slave ID:</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>功能项</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>06:单个写入</source>
        <translation>06: Write Single Register</translation>
    </message>
    <message>
        <source>16:多个写入</source>
        <translation>16: Write Multiple Registers</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>&quot;应答正确！&quot;后关闭对话框</source>
        <translation>Close Dialog on &quot;Response OK&quot;</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>位 15</source>
        <translation>bit 15</translation>
    </message>
    <message>
        <source>位 14</source>
        <translation>bit 14</translation>
    </message>
    <message>
        <source>位 13</source>
        <translation>bit 13</translation>
    </message>
    <message>
        <source>位 12</source>
        <translation>bit 12</translation>
    </message>
    <message>
        <source>位 11</source>
        <translation>bit 11</translation>
    </message>
    <message>
        <source>位 10</source>
        <translation>bit 10</translation>
    </message>
    <message>
        <source>位 9</source>
        <translation>bit 9</translation>
    </message>
    <message>
        <source>位 8</source>
        <translation>bit 8</translation>
    </message>
    <message>
        <source>位 7</source>
        <translation>bit 7</translation>
    </message>
    <message>
        <source>位 6</source>
        <translation>bit 6</translation>
    </message>
    <message>
        <source>位 5</source>
        <translation>bit 5</translation>
    </message>
    <message>
        <source>位 4</source>
        <translation>bit 4</translation>
    </message>
    <message>
        <source>位 3</source>
        <translation>bit 3</translation>
    </message>
    <message>
        <source>位 2</source>
        <translation>bit 2</translation>
    </message>
    <message>
        <source>位 1</source>
        <translation>bit 1</translation>
    </message>
    <message>
        <source>位 0</source>
        <translation>bit 0</translation>
    </message>
    <message>
        <source>尚未发送</source>
        <translation>N/A</translation>
    </message>
</context>
<context>
    <name>CMBWriteRegisterInt</name>
    <message>
        <source>写长整数(Long)</source>
        <translation>Write Long</translation>
    </message>
    <message>
        <source>从站 ID:</source>
        <translation>Slave ID:</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>&quot;应答正确！&quot;后关闭对话框</source>
        <translation>Close Dialog on &quot;Response OK&quot;</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>值:</source>
        <translation>Value:</translation>
    </message>
    <message>
        <source>尚未发送</source>
        <translation>N/A</translation>
    </message>
</context>
<context>
    <name>CTestCenter</name>
    <message>
        <source>测试工具</source>
        <translation>Test Center</translation>
    </message>
    <message>
        <source>输入16进制数，用&quot;,&quot;  &quot;.&quot;或者空格分开</source>
        <translation>Enter hex numbers separated by &quot;,&quot;, &quot;.&quot; or space</translation>
    </message>
    <message>
        <source>打开列表</source>
        <translation>Open List</translation>
    </message>
    <message>
        <source>保存列表</source>
        <translation>Save List</translation>
    </message>
    <message>
        <source>添加列表</source>
        <translation>Add to List</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>增加检测</source>
        <translation>Append Check</translation>
    </message>
    <message>
        <source>CRC</source>
        <translation>CRC</translation>
    </message>
    <message>
        <source>LRC</source>
        <translation>LRC</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
</context>
<context>
    <name>CZentiqSetup</name>
    <message>
        <source>读写定义</source>
        <translation>Read/Write Definition</translation>
    </message>
    <message>
        <source>从站 ID:</source>
        <translation>Slave ID:</translation>
    </message>
    <message>
        <source>功能项:</source>
        <translation>Function:</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>数目:</source>
        <translation>Quantity:</translation>
    </message>
    <message>
        <source>扫描时间:</source>
        <translation>Scan Rate:</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>读写有效</source>
        <translation>Enable Read/Write</translation>
    </message>
    <message>
        <source>外观</source>
        <translation>View</translation>
    </message>
    <message>
        <source>行</source>
        <translation>Rows</translation>
    </message>
    <message>
        <source>10</source>
        <translation>10</translation>
    </message>
    <message>
        <source>20</source>
        <translation>20</translation>
    </message>
    <message>
        <source>50</source>
        <translation>50</translation>
    </message>
    <message>
        <source>100</source>
        <translation>100</translation>
    </message>
    <message>
        <source>隐藏标注列</source>
        <translation>Hide Alias Column</translation>
    </message>
    <message>
        <source>单元中的地址</source>
        <translation>Address in Cell</translation>
    </message>
    <message>
        <source>显示:</source>
        <translation>Display:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>读写仅一次</source>
        <translation>Read/Write Once</translation>
    </message>
    <message>
        <source>PLC 地址(从 1 开始)</source>
        <translation>PLC Addresses (Base 1)</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>%1 需要要打印的文档</source>
        <translation>%1 needs the document to print</translation>
    </message>
    <message>
        <source>--lang 只接受 en 或 zh，而不是“%1”</source>
        <translation>--lang wants en or zh, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--log-dir 需要一个文件夹</source>
        <translation>--log-dir needs a folder</translation>
    </message>
    <message>
        <source>%1 需要一个值</source>
        <translation>%1 needs a value</translation>
    </message>
    <message>
        <source>未知选项 %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>%1 只能与 --headless 一起使用</source>
        <translation>%1 goes with --headless</translation>
    </message>
    <message>
        <source>用法：zentiq [FILE.zqd | FILE.zqw]... [--print FILE.zqd] [--automation] [--lang en|zh] [--settings-dir DIR] [--dark]
      zentiq --headless (FILE.zqw | FILE.zqd...) [--log-dir DIR] [--log-date] [--lang en|zh] [--settings-dir DIR]</source>
        <translation>usage: zentiq [FILE.zqd | FILE.zqw]... [--print FILE.zqd] [--automation] [--lang en|zh] [--settings-dir DIR] [--dark]
       zentiq --headless (FILE.zqw | FILE.zqd...) [--log-dir DIR] [--log-date] [--lang en|zh] [--settings-dir DIR]</translation>
    </message>
    <message>
        <source>用法：zentiq [选项]... [FILE.zqd | FILE.zqw]...
Modbus 主站，通过串行 RTU、串行 ASCII 和 Modbus/TCP
测试和调试 Modbus 从站设备。Zentiq 运行时再次启动它，
会显示正在运行的程序，由它打开所给的文件。

  FILE.zqd                 打开一个轮询文档
  FILE.zqw                 打开一个工程：它的窗口和它的连接
  --print FILE.zqd         在默认打印机上打印该文档，然后结束
                           （也可写作 /p FILE.zqd）
  --lang en|zh             仅本次运行的界面语言
  --settings-dir DIR       所有设置都保存在 DIR 中，而不是用户自己的设置
                           （也可用 ZENTIQ_SETTINGS_DIR）
  --automation             由 D-Bus 会话总线为自动化客户端启动：
                           没有窗口，没有文档
  --headless               不用任何窗口或显示器轮询并记录；给出一个工程
                           或一个或多个文档
  --log-dir DIR            与 --headless 一起：每个文档在 DIR 中一个记录文件
  --log-date               与 --headless 一起：文本记录每行的时间带日期
                           （2026-12-10 14:38:03），用于超过一天的运行
  --dark                   本次运行使用深色配色
                           （菜单中保存的选择不变）
  --screenshot FILE        将主窗口的图片保存为 PNG，然后结束
  --screenshot-delay MS    拍摄图片前等待 MS 毫秒（3000）
  -h, --help               显示此帮助，然后结束
  -v, --version            显示版本，然后结束
</source>
        <translation>Usage: zentiq [OPTION]... [FILE.zqd | FILE.zqw]...
A Modbus master for testing and commissioning Modbus slave devices over
serial RTU, serial ASCII and Modbus/TCP. While Zentiq runs, starting it
again shows the running one, which opens the files named.

  FILE.zqd                 open a poll document
  FILE.zqw                 open a workspace: its windows and its connection
  --print FILE.zqd         print the document on the default printer and end
                           (also /p FILE.zqd)
  --lang en|zh             the interface language for this run only
  --settings-dir DIR       keep every setting in DIR instead of the user&apos;s
                           own store (also ZENTIQ_SETTINGS_DIR)
  --automation             started by the D-Bus session bus for an
                           automation client: no window, no document
  --headless               poll and log without any window or display; give a
                           workspace or one or more documents
  --log-dir DIR            with --headless: one log file per document in DIR
  --log-date               with --headless: each text-log line&apos;s time with its
                           date (2026-12-10 14:38:03), for runs over a day
  --dark                   a dark palette for this run (the stored choice of
                           the menu stays)
  --screenshot FILE        save a picture of the main window as PNG and end
  --screenshot-delay MS    wait MS milliseconds before the picture (3000)
  -h, --help               show this help and end
  -v, --version            show the version and end
</translation>
    </message>
</context>
<context>
    <name>ConnectFailureText</name>
    <message>
        <source>被其他程序占用</source>
        <translation>in use by another program</translation>
    </message>
    <message>
        <source>不是串口设备</source>
        <translation>not a serial device</translation>
    </message>
    <message>
        <source>没有权限</source>
        <translation>not permitted</translation>
    </message>
</context>
<context>
    <name>ConnectionText</name>
    <message>
        <source>不到 1 秒</source>
        <translation>under 1 s</translation>
    </message>
    <message>
        <source>约 %1 秒</source>
        <translation>about %1 s</translation>
    </message>
    <message>
        <source>约 %1 分 %2 秒</source>
        <translation>about %1 min %2 s</translation>
    </message>
    <message>
        <source>约 %1 小时 %2 分</source>
        <translation>about %1 h %2 min</translation>
    </message>
    <message>
        <source>正在尝试 %1，ID %2；预计还需%3。</source>
        <translation>Trying %1, ID %2; %3 left.</translation>
    </message>
</context>
<context>
    <name>CurrentColumn</name>
    <message>
        <source>写入值</source>
        <translation>Value to write</translation>
    </message>
    <message>
        <source>当前值</source>
        <translation>Current value</translation>
    </message>
    <message>
        <source>与当前值不同</source>
        <translation>Differs from the current value</translation>
    </message>
</context>
<context>
    <name>DataLogger</name>
    <message>
        <source>上次的记录在一行的中途结束，这一行已删去</source>
        <translation>The log ended in the middle of a line last time; that line was left out</translation>
    </message>
    <message>
        <source>记录文件被删除或移走，已重新创建</source>
        <translation>The log file was deleted or moved and has been created again</translation>
    </message>
    <message>
        <source>记录文件被删除或移走，已重新创建；%1 行未能记录</source>
        <translation>The log file was deleted or moved and has been created again; %1 lines could not be logged</translation>
    </message>
    <message>
        <source>已被本程序的另一个窗口记录</source>
        <translation>is being logged by another window of this program</translation>
    </message>
    <message>
        <source>已被另一个进程记录</source>
        <translation>is being logged by another process</translation>
    </message>
    <message>
        <source>记录文件 %1 的最后一行不完整（程序曾中断或磁盘已满），已删去。</source>
        <translation>The last line of the log file %1 was cut off (an interrupted run or a full disk) and has been left out.</translation>
    </message>
    <message>
        <source>记录文件 %1 被删除或移走，已重新创建。</source>
        <translation>The log file %1 was deleted or moved and has been created again.</translation>
    </message>
    <message>
        <source>记录文件 %1 被删除或移走，且无法重新创建：在能重新创建之前，各行都会丢失。</source>
        <translation>The log file %1 was deleted or moved and cannot be created again: lines are lost until it can be.</translation>
    </message>
    <message>
        <source>记录中断 %1 – %2，%3 行未能写入</source>
        <translation>Logging interrupted %1 – %2, %3 lines could not be written</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>disk full</translation>
    </message>
    <message>
        <source>超出磁盘配额</source>
        <translation>disk quota exceeded</translation>
    </message>
    <message>
        <source>文件已达到允许的最大长度</source>
        <translation>file size limit reached</translation>
    </message>
    <message>
        <source>文件系统只读</source>
        <translation>read-only file system</translation>
    </message>
    <message>
        <source>磁盘读写错误</source>
        <translation>disk I/O error</translation>
    </message>
    <message>
        <source>记录停止: %1: %2</source>
        <translation>Logging stopped: %1: %2</translation>
    </message>
    <message>
        <source>记录文件 %1 无法写入：每秒重试一次，在能写入之前的各行只计数。</source>
        <translation>The log file %1 cannot be written: retrying once a second; until it can, lines are only counted.</translation>
    </message>
    <message>
        <source>记录文件 %1 又能写入了，中断已记入文件。</source>
        <translation>The log file %1 can be written again; the gap is recorded in the file.</translation>
    </message>
</context>
<context>
    <name>DeviceIdentityText</name>
    <message>
        <source>发送 %1，正确 %2，丢失 %3，损坏 %4，异常 %5，失败 %6</source>
        <translation>Sent %1, good %2, lost %3, corrupted %4, exceptions %5, failed %6</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>回环测试 (08/00，数据 %1)</source>
        <translation>Loopback test (08/00, data %1)</translation>
    </message>
    <message>
        <source>往返时间 最小 / 平均 / 最大</source>
        <translation>Round trip min / avg / max</translation>
    </message>
    <message>
        <source>%1，从站 %2</source>
        <translation>%1, slave %2</translation>
    </message>
    <message>
        <source>列表不完整：已达 %1 次请求上限</source>
        <translation>List incomplete: the limit of %1 requests was reached</translation>
    </message>
    <message>
        <source>报告从站 ID (17)</source>
        <translation>Report slave ID (17)</translation>
    </message>
    <message>
        <source>十六进制</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>设备识别 (43/14，读取代码 %1)</source>
        <translation>Device identification (43/14, read code %1)</translation>
    </message>
    <message>
        <source>功能支持</source>
        <translation>Function support</translation>
    </message>
</context>
<context>
    <name>FileDialog</name>
    <message>
        <source>%1 已存在。
要替换它吗？</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
    <message>
        <source>确认另存为</source>
        <translation>Confirm Save As</translation>
    </message>
</context>
<context>
    <name>FunctionSupportText</name>
    <message>
        <source>读线圈</source>
        <translation>Read coils</translation>
    </message>
    <message>
        <source>读离散输入</source>
        <translation>Read discrete inputs</translation>
    </message>
    <message>
        <source>读保持寄存器</source>
        <translation>Read holding registers</translation>
    </message>
    <message>
        <source>读输入寄存器</source>
        <translation>Read input registers</translation>
    </message>
    <message>
        <source>写单个线圈</source>
        <translation>Write single coil</translation>
    </message>
    <message>
        <source>写单个寄存器</source>
        <translation>Write single register</translation>
    </message>
    <message>
        <source>回环诊断</source>
        <translation>Loopback diagnostics</translation>
    </message>
    <message>
        <source>写多个线圈</source>
        <translation>Write multiple coils</translation>
    </message>
    <message>
        <source>写多个寄存器</source>
        <translation>Write multiple registers</translation>
    </message>
    <message>
        <source>报告从站 ID</source>
        <translation>Report slave ID</translation>
    </message>
    <message>
        <source>屏蔽写寄存器</source>
        <translation>Mask write register</translation>
    </message>
    <message>
        <source>读写多个寄存器</source>
        <translation>Read/write multiple registers</translation>
    </message>
    <message>
        <source>读设备标识</source>
        <translation>Read device identification</translation>
    </message>
    <message>
        <source>读 1 个，地址 0</source>
        <translation>Read 1 item, address 0</translation>
    </message>
    <message>
        <source>写回刚读到的值，地址 0</source>
        <translation>Write back the value just read, address 0</translation>
    </message>
    <message>
        <source>AND FFFF / OR 0000，地址 0（值不变）</source>
        <translation>AND FFFF / OR 0000, address 0 (value unchanged)</translation>
    </message>
    <message>
        <source>读取失败，改写 0 个（从站应答异常 03）</source>
        <translation>Read failed: write 0 items instead (slave answers exception 03)</translation>
    </message>
    <message>
        <source>回环 2 字节</source>
        <translation>Echo of 2 bytes</translation>
    </message>
    <message>
        <source>基本对象，从对象 0 起</source>
        <translation>Basic objects from object 0</translation>
    </message>
    <message>
        <source>未发送：读取失败，无法写回原值</source>
        <translation>Not sent: the read failed, no value to write back</translation>
    </message>
    <message>
        <source>支持</source>
        <translation>Supported</translation>
    </message>
    <message>
        <source>不支持</source>
        <translation>Not supported</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>No answer</translation>
    </message>
    <message>
        <source>不明</source>
        <translation>Unclear</translation>
    </message>
    <message>
        <source>未探测</source>
        <translation>Not probed</translation>
    </message>
    <message>
        <source>功能</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>请求</source>
        <translation>Request</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Answer</translation>
    </message>
    <message>
        <source>结论</source>
        <translation>Verdict</translation>
    </message>
</context>
<context>
    <name>HeadlessHelper</name>
    <message>
        <source>找不到无窗口运行的程序 %1，查找过：%2。请重新安装 Zentiq。</source>
        <translation>Cannot find %1, the program for runs without windows; looked in: %2. Please reinstall Zentiq.</translation>
    </message>
    <message>
        <source>无法启动 %1：%2</source>
        <translation>Cannot start %1: %2</translation>
    </message>
</context>
<context>
    <name>IdScanSummary</name>
    <message>
        <source>扫描已取消。</source>
        <translation>Scan cancelled.</translation>
    </message>
    <message>
        <source>找到第一台设备后停止。</source>
        <translation>Stopped at the first device found.</translation>
    </message>
    <message>
        <source>扫描完成。</source>
        <translation>Scan complete.</translation>
    </message>
    <message>
        <source>找到 %1 台设备。</source>
        <translation>Devices found: %1.</translation>
    </message>
    <message>
        <source>网关: 无设备 %1 个</source>
        <translation>gateway: no device %1</translation>
    </message>
    <message>
        <source>有应答但格式错误 %1 个</source>
        <translation>answered, malformed %1</translation>
    </message>
    <message>
        <source>从站关闭了连接 %1 个</source>
        <translation>connection closed by the slave %1</translation>
    </message>
    <message>
        <source>不是设备：%1。</source>
        <translation>Not devices: %1.</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>ID %1 未探测。</source>
        <translation>ID %1 not probed.</translation>
    </message>
    <message>
        <source>ID %1~%2 未探测。</source>
        <translation>IDs %1 to %2 not probed.</translation>
    </message>
    <message>
        <source>ID 0 是串口上的广播地址，不能应答，未探测。</source>
        <translation>ID 0 is the broadcast address on a serial line and cannot answer: not probed.</translation>
    </message>
    <message>
        <source>网关: 无设备</source>
        <translation>Gateway: no device</translation>
    </message>
    <message>
        <source>有应答但格式错误</source>
        <translation>Answered, malformed</translation>
    </message>
    <message>
        <source>扫描提前结束：连接中断（%1）。</source>
        <translation>Scan ended early: connection lost (%1).</translation>
    </message>
</context>
<context>
    <name>Language</name>
    <message>
        <source>Qt 自身的文字仍为英文：缺少 %1/%2.qm（Debian 软件包 qt6-translations-l10n）</source>
        <translation>Qt&apos;s own texts stay English: %1/%2.qm is missing (Debian package qt6-translations-l10n)</translation>
    </message>
</context>
<context>
    <name>LastGoodRead</name>
    <message>
        <source>最后一次成功读取 %1</source>
        <translation>Last good read %1</translation>
    </message>
</context>
<context>
    <name>Menus</name>
    <message>
        <source>读写定义	F8</source>
        <translation>Read/Write Definition	F8</translation>
    </message>
    <message>
        <source>剪切	Ctrl+X</source>
        <translation>Cut	Ctrl+X</translation>
    </message>
    <message>
        <source>复制	Ctrl+C</source>
        <translation>Copy	Ctrl+C</translation>
    </message>
    <message>
        <source>粘贴	Ctrl+V</source>
        <translation>Paste	Ctrl+V</translation>
    </message>
    <message>
        <source>全选	Ctrl+A</source>
        <translation>Select All	Ctrl+A</translation>
    </message>
    <message>
        <source>前景色	Ctrl+F</source>
        <translation>Foreground Color	Ctrl+F</translation>
    </message>
    <message>
        <source>背景色	Ctrl+B</source>
        <translation>Background Color	Ctrl+B</translation>
    </message>
    <message>
        <source>字体</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>趋势图</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>最近文件</source>
        <translation>Recent Files</translation>
    </message>
    <message>
        <source>&amp;0文件</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;N新建	Ctrl+N</source>
        <translation>&amp;New	Ctrl+N</translation>
    </message>
    <message>
        <source>&amp;O打开..	Ctrl+O</source>
        <translation>&amp;Open..	Ctrl+O</translation>
    </message>
    <message>
        <source>&amp;W打开工程</source>
        <translation>Open &amp;Workspace</translation>
    </message>
    <message>
        <source>&amp;R打印设置..</source>
        <translation>P&amp;rint Setup..</translation>
    </message>
    <message>
        <source>&amp;X退出</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;1通讯</source>
        <translation>&amp;Connection</translation>
    </message>
    <message>
        <source>&amp;C连接..	F3</source>
        <translation>&amp;Connect..	F3</translation>
    </message>
    <message>
        <source>&amp;Q快速连接	F5</source>
        <translation>&amp;Quick Connect	F5</translation>
    </message>
    <message>
        <source>&amp;D断开连接	F4</source>
        <translation>&amp;Disconnect	F4</translation>
    </message>
    <message>
        <source>自动连接</source>
        <translation>Auto Connect</translation>
    </message>
    <message>
        <source>&amp;E有效</source>
        <translation>&amp;Enable</translation>
    </message>
    <message>
        <source>D&amp;无效</source>
        <translation>&amp;Disable</translation>
    </message>
    <message>
        <source>通讯小助手</source>
        <translation>Traffic Monitor</translation>
    </message>
    <message>
        <source>&amp;2外观</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>工具栏</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>状态栏</source>
        <translation>Status Bar</translation>
    </message>
    <message>
        <source>总在最前</source>
        <translation>Always on Top</translation>
    </message>
    <message>
        <source>语言 (Language)</source>
        <extracomment>Keeps the language&apos;s own name beside the translated one, so that anyone finds it.</extracomment>
        <translation>Language (语言)</translation>
    </message>
    <message>
        <source>中文</source>
        <extracomment>A language&apos;s own name: the same in every language.</extracomment>
        <translation>中文</translation>
    </message>
    <message>
        <source>English</source>
        <extracomment>A language&apos;s own name: the same in every language.</extracomment>
        <translation>English</translation>
    </message>
    <message>
        <source>&amp;3帮助</source>
        <translation>Hel&amp;p</translation>
    </message>
    <message>
        <source>&amp;H帮助主题</source>
        <translation>&amp;Help Topics</translation>
    </message>
    <message>
        <source>&amp;A关于 Zentiq..</source>
        <translation>&amp;About Zentiq..</translation>
    </message>
    <message>
        <source>&amp;C关闭</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>&amp;S保存	Ctrl+S</source>
        <translation>&amp;Save	Ctrl+S</translation>
    </message>
    <message>
        <source>&amp;A另存为..</source>
        <translation>Save &amp;As..</translation>
    </message>
    <message>
        <source>&amp;V保存工程</source>
        <translation>Sa&amp;ve Workspace</translation>
    </message>
    <message>
        <source>&amp;P打印..	Ctrl+P</source>
        <translation>&amp;Print..	Ctrl+P</translation>
    </message>
    <message>
        <source>打印预览</source>
        <translation>Print Preview</translation>
    </message>
    <message>
        <source>&amp;1编辑</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>&amp;2通讯</source>
        <translation>&amp;Connection</translation>
    </message>
    <message>
        <source>&amp;N连接..	F3</source>
        <translation>Co&amp;nnect..	F3</translation>
    </message>
    <message>
        <source>&amp;3设置</source>
        <translation>Se&amp;tup</translation>
    </message>
    <message>
        <source>读写一次	F6</source>
        <translation>Read/Write Once	F6</translation>
    </message>
    <message>
        <source>读写有效	Shift+F6</source>
        <translation>Enable Read/Write	Shift+F6</translation>
    </message>
    <message>
        <source>清除计数	F12</source>
        <translation>Reset Counters	F12</translation>
    </message>
    <message>
        <source>错误计数	F11</source>
        <translation>Error Counter	F11</translation>
    </message>
    <message>
        <source>设为默认值</source>
        <translation>Set as Default</translation>
    </message>
    <message>
        <source>&amp;4功能</source>
        <translation>Fu&amp;nctions</translation>
    </message>
    <message>
        <source>05:写单个线圈	Alt+F5</source>
        <translation>05: Write Single Coil	Alt+F5</translation>
    </message>
    <message>
        <source>06:写单个寄存器	Alt+F6</source>
        <translation>06: Write Single Register	Alt+F6</translation>
    </message>
    <message>
        <source>15:写线圈组	Alt+F7</source>
        <translation>15: Write Multiple Coils	Alt+F7</translation>
    </message>
    <message>
        <source>16:写寄存器组	Alt+F8</source>
        <translation>16: Write Multiple Registers	Alt+F8</translation>
    </message>
    <message>
        <source>22:写寄存器(AND,OR)</source>
        <translation>22: Mask Write Register</translation>
    </message>
    <message>
        <source>23:读写寄存器组</source>
        <translation>23: Read/Write Multiple Registers</translation>
    </message>
    <message>
        <source>测试工具</source>
        <translation>Test Center</translation>
    </message>
    <message>
        <source>记录..	Alt+L</source>
        <translation>Log..	Alt+L</translation>
    </message>
    <message>
        <source>记录关闭	Alt+O</source>
        <translation>Stop Logging	Alt+O</translation>
    </message>
    <message>
        <source>&amp;5显示</source>
        <translation>D&amp;isplay</translation>
    </message>
    <message>
        <source>&amp;Signed(整数)	Alt+S</source>
        <translation>&amp;Signed	Alt+S</translation>
    </message>
    <message>
        <source>&amp;Unsigned(无符号整数)	Alt+U</source>
        <translation>&amp;Unsigned	Alt+U</translation>
    </message>
    <message>
        <source>&amp;Hex(16进制)	Alt+H</source>
        <translation>&amp;Hex	Alt+H</translation>
    </message>
    <message>
        <source>&amp;Binary(2进制)	Alt+B</source>
        <translation>&amp;Binary	Alt+B</translation>
    </message>
    <message>
        <source>&amp;6外观</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>总在最上面</source>
        <translation>Always on Top</translation>
    </message>
    <message>
        <source>&amp;7窗体</source>
        <translation>&amp;Window</translation>
    </message>
    <message>
        <source>叠加</source>
        <translation>Cascade</translation>
    </message>
    <message>
        <source>并列</source>
        <translation>Tile</translation>
    </message>
    <message>
        <source>图标</source>
        <translation>Arrange Icons</translation>
    </message>
    <message>
        <source>&amp;8帮助</source>
        <translation>Hel&amp;p</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>前景色</source>
        <translation>Foreground Color</translation>
    </message>
    <message>
        <source>背景色</source>
        <translation>Background Color</translation>
    </message>
    <message>
        <source>导入寄存器表 (CSV)..</source>
        <translation>Import Register Map (CSV)..</translation>
    </message>
    <message>
        <source>导出寄存器表 (CSV)..</source>
        <translation>Export Register Map (CSV)..</translation>
    </message>
    <message>
        <source>导出数据 (CSV)..</source>
        <translation>Export Data (CSV)..</translation>
    </message>
    <message>
        <source>复制为 CSV</source>
        <translation>Copy as CSV</translation>
    </message>
    <message>
        <source>解码助手</source>
        <translation>Decode Assistant</translation>
    </message>
    <message>
        <source>总线扫描..</source>
        <translation>Bus scanner..</translation>
    </message>
    <message>
        <source>设备信息 (08/17/43)</source>
        <translation>Device identity (08/17/43)</translation>
    </message>
    <message>
        <source>总线统计</source>
        <translation>Bus statistics</translation>
    </message>
    <message>
        <source>Long (CDAB)(长整数，低字在前)</source>
        <translation>Long (CDAB)</translation>
    </message>
    <message>
        <source>Long Inverse (ABCD)(长整数，高字在前)</source>
        <translation>Long Inverse (ABCD)</translation>
    </message>
    <message>
        <source>&amp;Float (CDAB)(单精度浮点数，低字在前)</source>
        <translation>&amp;Float (CDAB)</translation>
    </message>
    <message>
        <source>F&amp;loat Inverse (ABCD)(单精度浮点数，高字在前)</source>
        <translation>F&amp;loat Inverse (ABCD)</translation>
    </message>
    <message>
        <source>&amp;Double (CDAB)(双精度浮点数，低字在前)</source>
        <translation>&amp;Double (CDAB)</translation>
    </message>
    <message>
        <source>D&amp;ouble Inverse (ABCD)(双精度浮点数，高字在前)</source>
        <translation>D&amp;ouble Inverse (ABCD)</translation>
    </message>
    <message>
        <source>&amp;PLC 地址(从 1 开始)</source>
        <translation>&amp;PLC Addresses (Base 1)</translation>
    </message>
    <message>
        <source>协议地址(从 0 开始)</source>
        <translation>Protocol Addresses (Base 0)</translation>
    </message>
    <message>
        <source>配色</source>
        <extracomment>The colours: the desktop&apos;s own, always light or always dark.</extracomment>
        <translation>Appearance</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>Follow System</translation>
    </message>
    <message>
        <source>浅色</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>深色</source>
        <translation>Dark</translation>
    </message>
    <message>
        <source>数据类型</source>
        <translation>Data Type</translation>
    </message>
    <message>
        <source>连接</source>
        <extracomment>The user&apos;s named connections: the list, then adding and removing one.</extracomment>
        <translation>Connections</translation>
    </message>
    <message>
        <source>新建连接..</source>
        <translation>New connection..</translation>
    </message>
    <message>
        <source>删除连接</source>
        <translation>Remove connection</translation>
    </message>
</context>
<context>
    <name>RegisterDecode</name>
    <message>
        <source>无符号 16 位</source>
        <translation>Unsigned 16-bit</translation>
    </message>
    <message>
        <source>有符号 16 位</source>
        <translation>Signed 16-bit</translation>
    </message>
    <message>
        <source>十六进制</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>二进制</source>
        <translation>Binary</translation>
    </message>
    <message>
        <source>无符号 32 位 %1</source>
        <translation>Unsigned 32-bit %1</translation>
    </message>
    <message>
        <source>有符号 32 位 %1</source>
        <translation>Signed 32-bit %1</translation>
    </message>
    <message>
        <source>单精度浮点 %1</source>
        <translation>Float %1</translation>
    </message>
    <message>
        <source>无符号 64 位 %1</source>
        <translation>Unsigned 64-bit %1</translation>
    </message>
    <message>
        <source>有符号 64 位 %1</source>
        <translation>Signed 64-bit %1</translation>
    </message>
    <message>
        <source>双精度浮点 %1</source>
        <translation>Double %1</translation>
    </message>
    <message>
        <source>ASCII 文本 (低字节在前)</source>
        <translation>ASCII text (low byte first)</translation>
    </message>
    <message>
        <source>ASCII 文本 (高字节在前)</source>
        <translation>ASCII text (high byte first)</translation>
    </message>
    <message>
        <source>无穷大</source>
        <translation>Infinity</translation>
    </message>
    <message>
        <source>非规格化数</source>
        <translation>Denormal number</translation>
    </message>
    <message>
        <source>数量级不合理</source>
        <translation>Implausible magnitude</translation>
    </message>
    <message>
        <source>含不可打印字节</source>
        <translation>Contains non-printable bytes</translation>
    </message>
    <message>
        <source>不是 BCD 码</source>
        <translation>Not BCD</translation>
    </message>
    <message>
        <source>BCD 码</source>
        <translation>BCD</translation>
    </message>
    <message>
        <source>无符号 32 位整数</source>
        <translation>unsigned 32-bit integer</translation>
    </message>
    <message>
        <source>64 位整数</source>
        <translation>64-bit integer</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>text</translation>
    </message>
    <message>
        <source>字节交换的顺序</source>
        <translation>byte-swapped order</translation>
    </message>
    <message>
        <source>该值从 %1 开始，显示格式不在那里开始一个值</source>
        <translation>the value starts at %1, where the display format starts no value</translation>
    </message>
    <message>
        <source>不是十六进制的寄存器值：%1</source>
        <translation>Not a register value in hex: %1</translation>
    </message>
    <message>
        <source>最多 %1 个寄存器</source>
        <translation>At most %1 registers</translation>
    </message>
    <message>
        <source>没有寄存器值</source>
        <translation>No register values</translation>
    </message>
</context>
<context>
    <name>RegisterMapCommands</name>
    <message>
        <source>已导入 %1 个标注。以下 %2 行的地址不在本窗口的轮询范围内，未导入：</source>
        <translation>%1 aliases imported. The addresses of the following %2 rows are outside this window&apos;s poll and were not imported:</translation>
    </message>
    <message>
        <source>第 %1 行：%2 %3</source>
        <translation>Line %1: %2 %3</translation>
    </message>
    <message>
        <source>……另有 %1 行</source>
        <translation>... and %1 more rows</translation>
    </message>
    <message>
        <source>导入寄存器表</source>
        <translation>Import Register Map</translation>
    </message>
    <message>
        <source>寄存器表没有导入。
%1</source>
        <translation>The register map was not imported.
%1</translation>
    </message>
    <message>
        <source>寄存器表没有导入：文件里没有带名称的寄存器。</source>
        <translation>The register map was not imported: the file has no register with a name.</translation>
    </message>
    <message>
        <source>导出寄存器表</source>
        <translation>Export Register Map</translation>
    </message>
</context>
<context>
    <name>RegisterMapCsv</name>
    <message>
        <source>无法打开这个文件。</source>
        <translation>This file cannot be opened.</translation>
    </message>
    <message>
        <source>文件太大：寄存器表最多 %1 MB。</source>
        <translation>The file is too large: a register map has at most %1 MB.</translation>
    </message>
    <message>
        <source>这不是 UTF-8 文本的 CSV 文件（含有二进制数据）。</source>
        <translation>This is not a CSV file of UTF-8 text (it holds binary data).</translation>
    </message>
    <message>
        <source>第 %1 行太长：一行最多 %2 个字符。</source>
        <translation>Line %1 is too long: a line has at most %2 characters.</translation>
    </message>
    <message>
        <source>第 %1 行的引号没有结束。</source>
        <translation>The quote on line %1 is not closed.</translation>
    </message>
    <message>
        <source>文件里没有寄存器。</source>
        <translation>The file has no registers.</translation>
    </message>
    <message>
        <source>表头（第 %1 行）缺少“地址”或“名称”列。</source>
        <translation>The header (line %1) lacks the &quot;Address&quot; or &quot;Name&quot; column.</translation>
    </message>
    <message>
        <source>第 %1 行有 %2 列；寄存器表的列是：地址、名称，可选类型、单位、说明。</source>
        <translation>Line %1 has %2 columns; the columns of a register map are: address, name, and optionally type, unit, description.</translation>
    </message>
    <message>
        <source>第 %1 行：“%2”不是地址。</source>
        <translation>Line %1: &quot;%2&quot; is not an address.</translation>
    </message>
    <message>
        <source>第 %1 行：地址 %2 超出范围（%3 到 %4）。</source>
        <translation>Line %1: address %2 is out of range (%3 to %4).</translation>
    </message>
    <message>
        <source>第 %1 行：文本“%2”太长：最多 %3 个字符。</source>
        <translation>Line %1: text &quot;%2&quot; is too long: at most %3 characters.</translation>
    </message>
    <message>
        <source>第 %1 行：不认识的类型“%2”。</source>
        <translation>Line %1: unknown type &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>第 %1 行：不认识的字节序“%2”。</source>
        <translation>Line %1: unknown byte order &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>第 %1 行：类型“%2”的值不能有倍率、偏移或小数位。</source>
        <translation>Line %1: values of type &quot;%2&quot; cannot have a scale, offset or decimals.</translation>
    </message>
    <message>
        <source>第 %1 行：倍率“%2”不是不为零的数字。</source>
        <translation>Line %1: scale &quot;%2&quot; is not a non-zero number.</translation>
    </message>
    <message>
        <source>第 %1 行：偏移“%2”不是数字。</source>
        <translation>Line %1: offset &quot;%2&quot; is not a number.</translation>
    </message>
    <message>
        <source>第 %1 行：小数位“%2”不是 0 到 %3 之间的整数。</source>
        <translation>Line %1: decimals &quot;%2&quot; is not a whole number from 0 to %3.</translation>
    </message>
    <message>
        <source>第 %1 行：单位“%2”太长或含有分隔符（, ; &quot; [ ]）。</source>
        <translation>Line %1: unit &quot;%2&quot; is too long or contains a separator (, ; &quot; [ ]).</translation>
    </message>
    <message>
        <source>数据类型</source>
        <extracomment>own name</extracomment>
        <translation>数据类型</translation>
    </message>
    <message>
        <source>系数</source>
        <extracomment>own name</extracomment>
        <translation>系数</translation>
    </message>
    <message>
        <source>偏移量</source>
        <extracomment>own name</extracomment>
        <translation>偏移量</translation>
    </message>
    <message>
        <source>小数位数</source>
        <extracomment>own name</extracomment>
        <translation>小数位数</translation>
    </message>
</context>
<context>
    <name>RowType</name>
    <message>
        <source>超出范围 %1..%2</source>
        <translation>Out of range %1..%2</translation>
    </message>
    <message>
        <source>文本 (低字节在前)</source>
        <translation>Text (low byte first)</translation>
    </message>
    <message>
        <source>文本 (高字节在前)</source>
        <translation>Text (high byte first)</translation>
    </message>
    <message>
        <source>%1 个寄存器</source>
        <translation>%1 registers</translation>
    </message>
    <message>
        <source>%1 位小数</source>
        <translation>%1 decimals</translation>
    </message>
    <message>
        <source>不是数字：%1</source>
        <translation>Not a number: %1</translation>
    </message>
    <message>
        <source>文本超过 %1 个字符</source>
        <translation>Text longer than %1 characters</translation>
    </message>
    <message>
        <source>只能是 ASCII 字符</source>
        <translation>ASCII characters only</translation>
    </message>
    <message>
        <source>不是四位以内的十六进制数：%1</source>
        <translation>Not a hex number of up to four digits: %1</translation>
    </message>
    <message>
        <source>不是 16 位以内的二进制数：%1</source>
        <translation>Not a binary number of up to 16 digits: %1</translation>
    </message>
    <message>
        <source>超出单精度浮点数的范围</source>
        <translation>Outside the range of a float</translation>
    </message>
    <message>
        <source>字符串</source>
        <extracomment>own name</extracomment>
        <translation>字符串</translation>
    </message>
    <message>
        <source>无符号长整数</source>
        <extracomment>own name</extracomment>
        <translation>无符号长整数</translation>
    </message>
    <message>
        <source>大端</source>
        <extracomment>own name</extracomment>
        <translation>大端</translation>
    </message>
    <message>
        <source>小端</source>
        <extracomment>own name</extracomment>
        <translation>小端</translation>
    </message>
    <message>
        <source>字交换</source>
        <extracomment>own name</extracomment>
        <translation>字交换</translation>
    </message>
</context>
<context>
    <name>SettingsStore</name>
    <message>
        <source>设置无法写入 %1，本次的更改在程序结束后会丢失。</source>
        <translation>The settings cannot be written to %1; changes made now will be lost when the program ends.</translation>
    </message>
</context>
<context>
    <name>StartOptions</name>
    <message>
        <source>%1 需要毫秒数 (0..600000)</source>
        <translation>%1 wants milliseconds (0..600000)</translation>
    </message>
    <message>
        <source>%1 需要一个值</source>
        <translation>%1 needs a value</translation>
    </message>
</context>
<context>
    <name>StatusTexts</name>
    <message>
        <source>连接被拒绝</source>
        <translation>Connection refused</translation>
    </message>
    <message>
        <source>连接超时</source>
        <translation>Connection timed out</translation>
    </message>
    <message>
        <source>连接被对方断开</source>
        <translation>Connection reset by the slave</translation>
    </message>
    <message>
        <source>连接被中止</source>
        <translation>Connection aborted</translation>
    </message>
    <message>
        <source>连接已断开</source>
        <translation>Connection broken</translation>
    </message>
    <message>
        <source>主机不可达</source>
        <translation>Host unreachable</translation>
    </message>
    <message>
        <source>网络不可达</source>
        <translation>Network unreachable</translation>
    </message>
    <message>
        <source>网络已关闭</source>
        <translation>Network down</translation>
    </message>
    <message>
        <source>端口 I/O 错误</source>
        <translation>Port I/O error</translation>
    </message>
    <message>
        <source>设备已断开</source>
        <translation>Device disconnected</translation>
    </message>
    <message>
        <source>请求发送失败</source>
        <translation>Request could not be sent</translation>
    </message>
    <message>
        <source>Modbus/TCP 连接失败：错误 %1</source>
        <translation>Modbus/TCP Connection Failed. Error %1</translation>
    </message>
    <message>
        <source>打开端口 %1 失败，错误 %2。</source>
        <translation>Opening Port %1 failed with error %2.</translation>
    </message>
    <message>
        <source>Modbus/TCP 连接失败：端口 %1 无效</source>
        <translation>Modbus/TCP Connection Failed. Invalid port %1</translation>
    </message>
    <message>
        <source>写入错误: 线路中断</source>
        <translation>Write error: Break condition</translation>
    </message>
    <message>
        <source>写入错误: I/O 错误</source>
        <translation>Write error: I/O error</translation>
    </message>
    <message>
        <source>写入错误: 串口连接错误</source>
        <translation>Write error: Serial connection error</translation>
    </message>
    <message>
        <source>写入错误: 输出缓冲区溢出</source>
        <translation>Write error: Output buffer overflow</translation>
    </message>
    <message>
        <source>读取错误: 帧错误</source>
        <translation>Read error: Framing error</translation>
    </message>
    <message>
        <source>读取错误: 字符缓冲区溢出</source>
        <translation>Read error: Character buffer overrun</translation>
    </message>
    <message>
        <source>读取错误: 校验错误</source>
        <translation>Read error: Parity error</translation>
    </message>
    <message>
        <source>读取错误: 输入缓冲区溢出</source>
        <translation>Read error: Input buffer overflow</translation>
    </message>
    <message>
        <source>读取错误: I/O 错误</source>
        <translation>Read error: I/O error</translation>
    </message>
    <message>
        <source>读取错误: 线路中断</source>
        <translation>Read error: Break condition</translation>
    </message>
    <message>
        <source>端口 %1 不可用</source>
        <translation>Port %1 not available</translation>
    </message>
    <message>
        <source>设置端口参数失败，错误 %1。</source>
        <translation>Setting port parameters failed with error %1.</translation>
    </message>
    <message>
        <source>Modbus/TCP 连接失败：网络初始化错误 %1</source>
        <translation>Modbus/TCP Connection Failed. WSA Startup error %1</translation>
    </message>
    <message>
        <source>Modbus/TCP 连接失败：IP 地址无效</source>
        <translation>Modbus/TCP Connection Failed. Invalid IP Address</translation>
    </message>
    <message>
        <source>Modbus/TCP 连接失败：连接错误 %1</source>
        <translation>Modbus/TCP Connection Failed. Connect error %1</translation>
    </message>
    <message>
        <source>Modbus/TCP 连接失败：连接超时</source>
        <translation>Modbus/TCP Connection Failed. Connect Timeout</translation>
    </message>
    <message>
        <source>Modbus/TCP 连接失败：套接字设置错误 %1</source>
        <translation>Modbus/TCP Connection Failed. ioctlsocket - error %1</translation>
    </message>
    <message>
        <source>Modbus/TCP 连接失败：套接字错误 %1</source>
        <translation>Modbus/TCP Connection Failed. Socket - error %1</translation>
    </message>
    <message>
        <source>异常错误 %1</source>
        <translation>Exception Error %1</translation>
    </message>
</context>
<context>
    <name>Strings</name>
    <message>
        <source>传输 ID 错误</source>
        <translation>Transaction ID error</translation>
    </message>
    <message>
        <source>OLE 初始化错误.  请确认OLE库版本.</source>
        <translation>OLE initialization failed.  Make sure that the OLE libraries are the correct version.</translation>
    </message>
    <message>
        <source>字节丢失</source>
        <translation>Bytes missing</translation>
    </message>
    <message>
        <source>网关不可用</source>
        <translation>Gateway path unavailable</translation>
    </message>
    <message>
        <source>网关设备不可用</source>
        <translation>Gateway target device failed to respond</translation>
    </message>
    <message>
        <source>字节数目错误</source>
        <translation>Byte count error</translation>
    </message>
    <message>
        <source>应答正确</source>
        <translation>Response OK</translation>
    </message>
    <message>
        <source>超时错误</source>
        <translation>Timeout error</translation>
    </message>
    <message>
        <source>CRC 错误</source>
        <translation>CRC error</translation>
    </message>
    <message>
        <source>应答错误</source>
        <translation>Response error</translation>
    </message>
    <message>
        <source>写入错误</source>
        <translation>Write error</translation>
    </message>
    <message>
        <source>读取错误</source>
        <translation>Read error</translation>
    </message>
    <message>
        <source>没有连接</source>
        <translation>No connection</translation>
    </message>
    <message>
        <source>无法进行通信！</source>
        <translation>Communication not possible!</translation>
    </message>
    <message>
        <source>不合法功能</source>
        <translation>Illegal function</translation>
    </message>
    <message>
        <source>不合法数据地址</source>
        <translation>Illegal data address</translation>
    </message>
    <message>
        <source>不合法数据值</source>
        <translation>Illegal data value</translation>
    </message>
    <message>
        <source>从站设备有问题</source>
        <translation>Slave device failure</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Acknowledge</translation>
    </message>
    <message>
        <source>从站，忙</source>
        <translation>Slave device busy</translation>
    </message>
    <message>
        <source>NAK-没有确认</source>
        <translation>NAK-negative acknowledgment</translation>
    </message>
    <message>
        <source>内存不足，请关闭部分窗口！</source>
        <translation>Out of memory. Please close some windows!</translation>
    </message>
    <message>
        <source>重新传输
重设计数器(F12)</source>
        <translation>Reset the transmission counters
Reset Counters (F12)</translation>
    </message>
    <message>
        <source>错误输入</source>
        <translation>Invalid input</translation>
    </message>
    <message>
        <source>未知错误</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>Zentiq</source>
        <translation>Zentiq</translation>
    </message>
    <message>
        <source>请输入一个整数。</source>
        <translation>Please enter an integer.</translation>
    </message>
    <message>
        <source>请输入一个数字。</source>
        <translation>Please enter a number.</translation>
    </message>
    <message>
        <source>请输入一个整数,%1和%2之间。</source>
        <translation>Please enter an integer between %1 and %2.</translation>
    </message>
    <message>
        <source>请输入%1和%2之间。</source>
        <translation>Please enter a number between %1 and %2.</translation>
    </message>
    <message>
        <source>请输入不超过%1个字符。</source>
        <translation>Please enter no more than %1 characters.</translation>
    </message>
    <message>
        <source>应答格式错误</source>
        <translation>Malformed response</translation>
    </message>
    <message>
        <source>通信:</source>
        <translation>Comm:</translation>
    </message>
    <message>
        <source>
Zentiq
Zentiq
Zentiq 文件 (*.zqd)
.zqd
Zentiq.Document
Zentiq 文件</source>
        <translation>
Zentiq
Zentiq
Zentiq Files (*.zqd)
.zqd
Zentiq.Document
Zentiq Files</translation>
    </message>
    <message>
        <source>%d	超时错误</source>
        <translation>%d	Timeout error</translation>
    </message>
    <message>
        <source>%d	CRC 错误</source>
        <translation>%d	CRC error</translation>
    </message>
    <message>
        <source>%d	应答错误</source>
        <translation>%d	Response error</translation>
    </message>
    <message>
        <source>%d	字节数目错误</source>
        <translation>%d	Byte count error</translation>
    </message>
    <message>
        <source>%d	写入错误: 线路中断</source>
        <translation>%d	Write error: Break condition</translation>
    </message>
    <message>
        <source>%d	写入错误: I/O 错误</source>
        <translation>%d	Write error: I/O error</translation>
    </message>
    <message>
        <source>%d	写入错误: 串口连接错误</source>
        <translation>%d	Write error: Serial connection error</translation>
    </message>
    <message>
        <source>%d	写入错误: 输出缓冲区溢出</source>
        <translation>%d	Write error: Output buffer overflow</translation>
    </message>
    <message>
        <source>%d	写入错误</source>
        <translation>%d	Write error</translation>
    </message>
    <message>
        <source>%d	读取错误: 帧错误</source>
        <translation>%d	Read error: Framing error</translation>
    </message>
    <message>
        <source>%d	读取错误: 字符缓冲区溢出</source>
        <translation>%d	Read error: Character buffer overrun</translation>
    </message>
    <message>
        <source>%d	读取错误: 校验错误</source>
        <translation>%d	Read error: Parity error</translation>
    </message>
    <message>
        <source>%d	读取错误: 输入缓冲区溢出</source>
        <translation>%d	Read error: Input buffer overflow</translation>
    </message>
    <message>
        <source>%d	读取错误: I/O 错误</source>
        <translation>%d	Read error: I/O error</translation>
    </message>
    <message>
        <source>%d	读取错误: 线路中断</source>
        <translation>%d	Read error: Break condition</translation>
    </message>
    <message>
        <source>%d	读取错误</source>
        <translation>%d	Read error</translation>
    </message>
    <message>
        <source>%d	没有连接</source>
        <translation>%d	No connection</translation>
    </message>
    <message>
        <source>%d	线程错误</source>
        <translation>%d	Thread error</translation>
    </message>
    <message>
        <source>%d	字节丢失</source>
        <translation>%d	Bytes missing error</translation>
    </message>
    <message>
        <source>%d	传输 ID 错误</source>
        <translation>%d	Transaction ID error</translation>
    </message>
    <message>
        <source>%d	不合法功能</source>
        <translation>%d	Illegal function</translation>
    </message>
    <message>
        <source>%d	不合法数据地址</source>
        <translation>%d	Illegal data address</translation>
    </message>
    <message>
        <source>%d	不合法数据值</source>
        <translation>%d	Illegal data value</translation>
    </message>
    <message>
        <source>%d	从站设备故障</source>
        <translation>%d	Slave device failure</translation>
    </message>
    <message>
        <source>%d	确认</source>
        <translation>%d	Acknowledge</translation>
    </message>
    <message>
        <source>%d	从站设备忙</source>
        <translation>%d	Slave device busy</translation>
    </message>
    <message>
        <source>%d	NAK-否定确认</source>
        <translation>%d	NAK-negative acknowledgment</translation>
    </message>
    <message>
        <source>%d	网关路径不可用</source>
        <translation>%d	Gateway path unavailable</translation>
    </message>
    <message>
        <source>%d	网关目标设备无应答</source>
        <translation>%d	Gateway target device failed to respond</translation>
    </message>
    <message>
        <source>%d	未知异常错误</source>
        <translation>%d	Unknown exception error</translation>
    </message>
    <message>
        <source>%d	未知错误</source>
        <translation>%d	Unknown error</translation>
    </message>
    <message>
        <source>没有错误！</source>
        <translation>NO ERRORS!</translation>
    </message>
    <message>
        <source>文件打开错误</source>
        <translation>File open error</translation>
    </message>
    <message>
        <source>磁盘已满或磁盘错误</source>
        <translation>Disk full or disk error</translation>
    </message>
    <message>
        <source>从站关闭了连接</source>
        <translation>Connection closed by the slave</translation>
    </message>
</context>
<context>
    <name>WorkspaceFile</name>
    <message>
        <source>这是一个文件夹，不是工程文件</source>
        <translation>it is a folder, not a workspace file</translation>
    </message>
    <message>
        <source>这不是一个普通文件</source>
        <translation>it is not a regular file</translation>
    </message>
    <message>
        <source>工程文件提前结束：%1 个窗口未能恢复。</source>
        <translation>The workspace file ends early: %1 window(s) could not be restored.</translation>
    </message>
</context>
<context>
    <name>ZqdFile</name>
    <message>
        <source>%1 不是普通文件（可能是管道、设备或文件夹），不能作为文档打开。</source>
        <translation>%1 is not a regular file (perhaps a pipe, a device or a folder) and cannot be opened as a document.</translation>
    </message>
</context>
<context>
    <name>zentiq::AutomationServer</name>
    <message>
        <source>对象路径 %1 在本进程中已被占用</source>
        <translation>the object path %1 is taken in this process</translation>
    </message>
    <message>
        <source>总线名称 %1 属于另一个程序</source>
        <translation>the bus name %1 belongs to another program</translation>
    </message>
</context>
<context>
    <name>zentiq::BusScannerWindow</name>
    <message>
        <source>总线扫描</source>
        <translation>Bus scanner</translation>
    </message>
    <message>
        <source>从站ID</source>
        <translation>Slave ID</translation>
    </message>
    <message>
        <source>串口参数</source>
        <translation>Serial settings</translation>
    </message>
    <message>
        <source>地址映射</source>
        <translation>Address map</translation>
    </message>
    <message>
        <source>03 读保持寄存器</source>
        <translation>03 Read holding register</translation>
    </message>
    <message>
        <source>17 报告从站ID</source>
        <translation>17 Report slave ID</translation>
    </message>
    <message>
        <source>43/14 读设备标识</source>
        <translation>43/14 Read device identification</translation>
    </message>
    <message>
        <source>扫描:</source>
        <translation>Scan:</translation>
    </message>
    <message>
        <source>到</source>
        <translation>to</translation>
    </message>
    <message>
        <source>从站ID:</source>
        <translation>Slave ID:</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>探测:</source>
        <translation>Probe:</translation>
    </message>
    <message>
        <source>超时(ms):</source>
        <translation>Timeout (ms):</translation>
    </message>
    <message>
        <source>每表请求上限</source>
        <translation>Requests per table at most</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Addresses:</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>保存CSV...</source>
        <translation>Save CSV...</translation>
    </message>
    <message>
        <source>应用此设置</source>
        <translation>Apply these settings</translation>
    </message>
    <message>
        <source>打开读写窗口</source>
        <translation>Open poll window</translation>
    </message>
    <message>
        <source>ID 0 是广播地址，248~255 是保留地址：设备通常不会应答。</source>
        <translation>ID 0 is the broadcast address and 248 to 255 are reserved: devices do not normally answer there.</translation>
    </message>
    <message>
        <source>未连接：请先连接再扫描。</source>
        <translation>Not connected: connect before scanning.</translation>
    </message>
    <message>
        <source>起始ID不能大于结束ID。</source>
        <translation>The first ID must not be greater than the last ID.</translation>
    </message>
    <message>
        <source>串口参数扫描只用于串口连接。</source>
        <translation>The serial settings scan works on a serial connection only.</translation>
    </message>
    <message>
        <source>无法开始扫描：请检查范围。</source>
        <translation>The scan cannot start: check the ranges.</translation>
    </message>
    <message>
        <source>正在扫描，读写窗口暂停轮询……</source>
        <translation>Scanning; the poll windows are paused...</translation>
    </message>
    <message>
        <source>扫描已取消，找到 %1 项。</source>
        <translation>Scan cancelled, %1 found.</translation>
    </message>
    <message>
        <source>扫描完成，找到 %1 项。</source>
        <translation>Scan complete, %1 found.</translation>
    </message>
    <message>
        <source>已应用到连接设置。</source>
        <translation>Applied to the connection settings.</translation>
    </message>
    <message>
        <source>多台TCP主机</source>
        <translation>Several TCP hosts</translation>
    </message>
    <message>
        <source>找到第一台设备即停止</source>
        <translation>Stop at the first device</translation>
    </message>
    <message>
        <source>每个ID重试:</source>
        <translation>Retries per ID:</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>主机:</source>
        <translation>Hosts:</translation>
    </message>
    <message>
        <source>无法连接：%1</source>
        <translation>Cannot connect: %1</translation>
    </message>
    <message>
        <source>多台主机扫描只用于 TCP 连接。</source>
        <translation>A scan of several hosts needs a TCP connection.</translation>
    </message>
    <message>
        <source>主机范围无效：请写成 192.168.1.2-192.168.1.20 或 192.168.1.2-20（最多 %1 个地址）。</source>
        <translation>Invalid host range: write 192.168.1.2-192.168.1.20 or 192.168.1.2-20 (at most %1 addresses).</translation>
    </message>
    <message>
        <source>扫描已取消：</source>
        <translation>Scan cancelled: </translation>
    </message>
    <message>
        <source>扫描完成：</source>
        <translation>Scan complete: </translation>
    </message>
    <message>
        <source>%1 台主机中 %2 台可连接，找到 %3 台设备。</source>
        <translation>%2 of %1 hosts connected, devices found: %3.</translation>
    </message>
    <message>
        <source>设备信息...</source>
        <translation>Device identity...</translation>
    </message>
    <message>
        <source>功能支持...</source>
        <translation>Function support...</translation>
    </message>
    <message>
        <source>读写窗口最多 %1 个，现在还能打开 %2 个；这个区块要 %3 个窗口。请先关闭一些窗口。</source>
        <translation>At most %1 poll windows: %2 more can be opened, and this block needs %3 windows. Close some windows first.</translation>
    </message>
    <message>
        <source>%1–%2 共 %3 个地址，一个读写窗口最多读 %4 个。</source>
        <translation>%1–%2 holds %3 addresses; one poll window reads at most %4.</translation>
    </message>
    <message>
        <source>打开 %1 个窗口?</source>
        <translation>Open %1 windows?</translation>
    </message>
</context>
<context>
    <name>zentiq::BusStatisticsWindow</name>
    <message>
        <source>总线统计</source>
        <translation>Bus statistics</translation>
    </message>
    <message>
        <source>重置</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>所有窗口和总线的统计从零开始</source>
        <translation>Start the figures of every window and of the bus from zero</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>保存 CSV...</source>
        <translation>Save CSV...</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
</context>
<context>
    <name>zentiq::CChildFrame</name>
    <message>
        <source>%1 [%2]</source>
        <translation>%1 [%2]</translation>
    </message>
</context>
<context>
    <name>zentiq::CCommunication</name>
    <message>
        <source>继续(&amp;C)</source>
        <translation>&amp;Continue</translation>
    </message>
    <message>
        <source>停止(&amp;S)</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
</context>
<context>
    <name>zentiq::CErrorCounter</name>
    <message>
        <source>计数时长: %1</source>
        <translation>Counting for: %1</translation>
    </message>
</context>
<context>
    <name>zentiq::CMBCommSetup</name>
    <message>
        <source>7 数据位</source>
        <translation>7 Data bits</translation>
    </message>
    <message>
        <source>8 数据位</source>
        <translation>8 Data bits</translation>
    </message>
    <message>
        <source>无校验</source>
        <translation>None Parity</translation>
    </message>
    <message>
        <source>奇校验</source>
        <translation>Odd Parity</translation>
    </message>
    <message>
        <source>偶校验</source>
        <translation>Even Parity</translation>
    </message>
    <message>
        <source>1 停止位</source>
        <translation>1 Stop Bit</translation>
    </message>
    <message>
        <source>2 停止位</source>
        <translation>2 Stop Bits</translation>
    </message>
    <message>
        <source>端口 %1</source>
        <translation>Port %1</translation>
    </message>
    <message>
        <source>%1 波特</source>
        <translation>%1 Baud</translation>
    </message>
    <message>
        <source>连接名称</source>
        <translation>Connection name</translation>
    </message>
</context>
<context>
    <name>zentiq::CMBForceMultibleCoils</name>
    <message>
        <source>线圈 %1</source>
        <translation>Coil %1</translation>
    </message>
    <message>
        <source>开</source>
        <translation>On</translation>
    </message>
    <message>
        <source>关</source>
        <translation>Off</translation>
    </message>
</context>
<context>
    <name>zentiq::CMBInputRegister</name>
    <message>
        <source>值 (HEX):</source>
        <translation>Value (HEX):</translation>
    </message>
</context>
<context>
    <name>zentiq::CMBPresetMultibleRegister</name>
    <message>
        <source>16: 写寄存器组 (signed)</source>
        <translation>16: Write Multiple Registers (signed)</translation>
    </message>
    <message>
        <source>16: 写寄存器组 (unsigned)</source>
        <translation>16: Write Multiple Registers (unsigned)</translation>
    </message>
    <message>
        <source>16: 写寄存器组 (HEX)</source>
        <translation>16: Write Multiple Registers (HEX)</translation>
    </message>
    <message>
        <source>16: 写寄存器组 (binary)</source>
        <translation>16: Write Multiple Registers (binary)</translation>
    </message>
    <message>
        <source>16: 写寄存器组 (floating point)</source>
        <translation>16: Write Multiple Registers (floating point)</translation>
    </message>
    <message>
        <source>16: 写寄存器组 (floating point inv.)</source>
        <translation>16: Write Multiple Registers (floating point inv.)</translation>
    </message>
    <message>
        <source>16: 写寄存器组 (double floating point)</source>
        <translation>16: Write Multiple Registers (double floating point)</translation>
    </message>
    <message>
        <source>16: 写寄存器组 (double floating point inv.)</source>
        <translation>16: Write Multiple Registers (double floating point inv.)</translation>
    </message>
    <message>
        <source>16: 写寄存器组 (long)</source>
        <translation>16: Write Multiple Registers (long)</translation>
    </message>
    <message>
        <source>16: 写寄存器组 (long inv.)</source>
        <translation>16: Write Multiple Registers (long inv.)</translation>
    </message>
    <message>
        <source>写多个寄存器</source>
        <translation>Write Multiple Registers</translation>
    </message>
</context>
<context>
    <name>zentiq::CMBReadWriteRegister</name>
    <message>
        <source>读写线圈组</source>
        <translation>Read/Write Multiple Registers</translation>
    </message>
    <message>
        <source>读取的数值已不可用，未列出。</source>
        <translation>The values read are no longer available and were not listed.</translation>
    </message>
    <message>
        <source>23: 读写寄存器组 (有符号整数)</source>
        <translation>23: Read/Write Registers (Signed)</translation>
    </message>
    <message>
        <source>23: 读写寄存器组 (无符号整数)</source>
        <translation>23: Read/Write Registers (Unsigned)</translation>
    </message>
    <message>
        <source>23: 读写寄存器组 (十六进制)</source>
        <translation>23: Read/Write Registers (Hex)</translation>
    </message>
    <message>
        <source>23: 读写寄存器组 (二进制)</source>
        <translation>23: Read/Write Registers (Binary)</translation>
    </message>
    <message>
        <source>23: 读写寄存器组 (单精度浮点数 CDAB)</source>
        <translation>23: Read/Write Registers (Float CDAB)</translation>
    </message>
    <message>
        <source>23: 读写寄存器组 (单精度浮点数 ABCD)</source>
        <translation>23: Read/Write Registers (Float Inverse ABCD)</translation>
    </message>
    <message>
        <source>23: 读写寄存器组 (双精度浮点数 CDAB)</source>
        <translation>23: Read/Write Registers (Double CDAB)</translation>
    </message>
    <message>
        <source>23: 读写寄存器组 (双精度浮点数 ABCD)</source>
        <translation>23: Read/Write Registers (Double Inverse ABCD)</translation>
    </message>
    <message>
        <source>23: 读写寄存器组 (长整数 CDAB)</source>
        <translation>23: Read/Write Registers (Long CDAB)</translation>
    </message>
    <message>
        <source>23: 读写寄存器组 (长整数 ABCD)</source>
        <translation>23: Read/Write Registers (Long Inverse ABCD)</translation>
    </message>
</context>
<context>
    <name>zentiq::CMBWriteCoil</name>
    <message>
        <source>开</source>
        <translation>On</translation>
    </message>
    <message>
        <source>关</source>
        <translation>Off</translation>
    </message>
</context>
<context>
    <name>zentiq::CMBWriteFloat</name>
    <message>
        <source>写双精度浮点数(Double)</source>
        <translation>Write Double</translation>
    </message>
</context>
<context>
    <name>zentiq::CMBWriteRegister</name>
    <message>
        <source>值 (HEX):</source>
        <translation>Value (HEX):</translation>
    </message>
</context>
<context>
    <name>zentiq::CMBWriteTyped</name>
    <message>
        <source>写入 %1</source>
        <translation>Write %1</translation>
    </message>
    <message>
        <source>尚未发送</source>
        <translation>N/A</translation>
    </message>
    <message>
        <source>&quot;应答正确！&quot;后关闭对话框</source>
        <translation>Close Dialog on &quot;Response OK&quot;</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>从站 ID:</source>
        <translation>Slave ID:</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>值:</source>
        <translation>Value:</translation>
    </message>
    <message>
        <source>寄存器:</source>
        <translation>Registers:</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>类型:</source>
        <translation>Type:</translation>
    </message>
</context>
<context>
    <name>zentiq::CMainFrame</name>
    <message>
        <source>工具栏</source>
        <translation>Toolbar</translation>
    </message>
</context>
<context>
    <name>zentiq::CTestCenter</name>
    <message>
        <source>列表最多保存 %1 条，本条未添加。</source>
        <translation>The list holds at most %1 entries; this one was not added.</translation>
    </message>
</context>
<context>
    <name>zentiq::CZentiqApp</name>
    <message>
        <source>关于 Zentiq</source>
        <translation>About Zentiq</translation>
    </message>
    <message>
        <source>&lt;b&gt;Zentiq %1&lt;/b&gt;&lt;br&gt;用于测试和调试 Modbus 从站设备的 Modbus 主站（RTU、ASCII、Modbus/TCP、RTU over TCP）。</source>
        <translation>&lt;b&gt;Zentiq %1&lt;/b&gt;&lt;br&gt;Modbus master for testing and commissioning Modbus slave devices (RTU, ASCII, Modbus/TCP, RTU over TCP).</translation>
    </message>
    <message>
        <source>没有显示器，仅以自动化模式运行</source>
        <translation>no display: running for automation only</translation>
    </message>
    <message>
        <source>无法加载英文翻译，界面仍为中文</source>
        <translation>the English translation could not be loaded; the interface stays Chinese</translation>
    </message>
    <message>
        <source>正在运行的 Zentiq 没有接受这次启动：%1</source>
        <translation>the running Zentiq did not take this start: %1</translation>
    </message>
    <message>
        <source>没有设置打印机</source>
        <translation>no printer is set up</translation>
    </message>
    <message>
        <source>%1 无法打印：%2</source>
        <translation>%1 could not be printed: %2</translation>
    </message>
    <message>
        <source>无法写入 %1</source>
        <translation>could not write %1</translation>
    </message>
    <message>
        <source>正在运行的 Zentiq 是在没有显示器的情况下启动的，无法显示窗口</source>
        <translation>The running Zentiq was started without a display and cannot show a window</translation>
    </message>
    <message>
        <source>正在运行的 Zentiq 的设置保存在 %1，而不是 %2</source>
        <translation>The running Zentiq keeps its settings in %1, not in %2</translation>
    </message>
    <message>
        <source>无法读取该文件</source>
        <translation>the file cannot be read</translation>
    </message>
    <message>
        <source>打印机没有接受任何一页</source>
        <translation>the printer took no page</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
    <message>
        <source>最多可以有 %1 个连接</source>
        <translation>There can be at most %1 connections</translation>
    </message>
    <message>
        <source>连接“%1”仍有 %2 个读写窗口，请先关闭它们或改用其他连接</source>
        <translation>Connection “%1” still has %2 poll windows: close them or move them to another connection first</translation>
    </message>
    <message>
        <source>连接“%1”的工具窗口仍然打开</source>
        <translation>A tool window of connection “%1” is still open</translation>
    </message>
</context>
<context>
    <name>zentiq::CZentiqDoc</name>
    <message>
        <source>保存%1吗？</source>
        <translation>Save changes to %1?</translation>
    </message>
    <message>
        <source>从站 ID 0 是广播地址，不能用于读取：此窗口不轮询。请在读写定义 (F8) 中选择 1 到 255 的从站 ID。</source>
        <translation>Slave ID 0 is the broadcast address and cannot be read from: this window does not poll. Choose a slave ID from 1 to 255 in the poll definition (F8).</translation>
    </message>
    <message>
        <source>不轮询：从站 ID 0 是广播地址，不能用于读取。</source>
        <translation>Not polling: slave ID 0 is the broadcast address and cannot be read from.</translation>
    </message>
    <message>
        <source>不轮询：32 个轮询窗口已满。关闭一个窗口后，按 F8 再按确定。</source>
        <translation>Not polling: all 32 poll windows are in use. Close a window, then press F8 and OK.</translation>
    </message>
    <message>
        <source>%1 个标注属于当前轮询范围之外的地址，没有存入文件。本窗口打开期间它们仍保留，导出寄存器表时也会写出。</source>
        <translation>%1 aliases belong to addresses outside the current poll and were not stored in the file. This window keeps them while it is open, and an export of the register map writes them.</translation>
    </message>
    <message>
        <source>Modbus 记录数据 (*.txt)</source>
        <translation>Modbus log data (*.txt)</translation>
    </message>
</context>
<context>
    <name>zentiq::CZentiqSetup</name>
    <message>
        <source>01读取线圈(0X)</source>
        <translation>01 Read Coils (0x)</translation>
    </message>
    <message>
        <source>02读取输入状态(1X)</source>
        <translation>02 Read Discrete Inputs (1x)</translation>
    </message>
    <message>
        <source>03读保持寄存器(4X)</source>
        <translation>03 Read Holding Registers (4x)</translation>
    </message>
    <message>
        <source>04读输入寄存器(3X)</source>
        <translation>04 Read Input Registers (3x)</translation>
    </message>
    <message>
        <source>05写单个线圈</source>
        <translation>05 Write Single Coil</translation>
    </message>
    <message>
        <source>06写单个寄存器</source>
        <translation>06 Write Single Register</translation>
    </message>
    <message>
        <source>15写多个线圈</source>
        <translation>15 Write Multiple Coils</translation>
    </message>
    <message>
        <source>16写多个寄存器</source>
        <translation>16 Write Multiple Registers</translation>
    </message>
    <message>
        <source>连接:</source>
        <translation>Connection:</translation>
    </message>
</context>
<context>
    <name>zentiq::CZentiqView</name>
    <message>
        <source>导出数据</source>
        <translation>Export Data</translation>
    </message>
    <message>
        <source>总线扫描占用通讯线路，暂停轮询</source>
        <translation>Bus scanner owns the line, polling paused</translation>
    </message>
    <message>
        <source>标注</source>
        <translation>Alias</translation>
    </message>
    <message>
        <source>%1 … %2（%3 行）</source>
        <translation>%1 … %2 (%3 rows)</translation>
    </message>
</context>
<context>
    <name>zentiq::ConnectionController</name>
    <message>
        <source>端口 %1: %2-%3-%4-%5</source>
        <translation>Port %1: %2-%3-%4-%5</translation>
    </message>
</context>
<context>
    <name>zentiq::ConnectionSet</name>
    <message>
        <source>连接 1</source>
        <translation>Connection 1</translation>
    </message>
    <message>
        <source>已有 %1 个连接打开，请先断开其中一个</source>
        <translation>%1 connections are open already: disconnect one of them first</translation>
    </message>
    <message>
        <source>连接名称不能为空</source>
        <translation>The connection name must not be empty</translation>
    </message>
    <message>
        <source>连接名称最多 %1 个字符</source>
        <translation>A connection name has at most %1 characters</translation>
    </message>
    <message>
        <source>已有名为“%1”的连接</source>
        <translation>There is a connection named “%1” already</translation>
    </message>
    <message>
        <source>连接 %1</source>
        <translation>Connection %1</translation>
    </message>
    <message>
        <source>最多可以有 %1 个连接</source>
        <translation>There can be at most %1 connections</translation>
    </message>
    <message>
        <source>第一个连接不能删除</source>
        <translation>The first connection cannot be removed</translation>
    </message>
    <message>
        <source>连接“%1”仍然打开，请先断开</source>
        <translation>Connection “%1” is still open: disconnect it first</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>not connected</translation>
    </message>
    <message>
        <source>正在连接</source>
        <translation>connecting</translation>
    </message>
    <message>
        <source>已连接</source>
        <translation>connected</translation>
    </message>
    <message>
        <source>正在断开</source>
        <translation>closing</translation>
    </message>
    <message>
        <source>%1 — %2 (%3)</source>
        <translation>%1 — %2 (%3)</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>zentiq::DecodeWindow</name>
    <message>
        <source>解码助手</source>
        <translation>Decode Assistant</translation>
    </message>
    <message>
        <source>十六进制寄存器值：</source>
        <translation>Registers in hex:</translation>
    </message>
    <message>
        <source>例如 4366 8000；留空则跟随所选单元</source>
        <translation>e.g. 4366 8000; leave empty to follow the selected cells</translation>
    </message>
    <message>
        <source>我期望：</source>
        <translation>I expect:</translation>
    </message>
    <message>
        <source>设备应显示的值，例如 230.5、-12 或 &quot;ABC&quot;</source>
        <translation>the value the device should show, e.g. 230.5, -12 or &quot;ABC&quot;</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>解读</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>偏差</source>
        <translation>Deviation</translation>
    </message>
    <message>
        <source>显示格式</source>
        <translation>Display format</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>输入的 %1 个寄存器</source>
        <translation>%1 typed registers</translation>
    </message>
    <message>
        <source>此窗口没有所选的读寄存器单元：请输入十六进制寄存器值。</source>
        <translation>No register cells of a read poll are selected in this window: type register values in hex.</translation>
    </message>
    <message>
        <source>%1 的寄存器 %2（%3 个起始地址，实时）</source>
        <translation>Registers %2 of %1 (%3 start addresses, live)</translation>
    </message>
    <message>
        <source>没有读数接近期望值。</source>
        <translation>No reading comes close to the expected value.</translation>
    </message>
    <message>
        <source>没有读数接近期望值；表中是最接近的读数，不是该值。</source>
        <translation>No reading comes close to the expected value; the table lists the nearest readings, none of them is the value.</translation>
    </message>
    <message>
        <source>该值从所选两个寄存器中的第二个 %1 开始，超出所选范围：地址可能差一。</source>
        <translation>The value starts at %1, the second of the two selected registers, and runs past them: the address may be off by one.</translation>
    </message>
    <message>
        <source>相符 ×%1</source>
        <translation>matches ×%1</translation>
    </message>
    <message>
        <source>该值从所选寄存器的前一个寄存器 %1 开始：地址可能差一。</source>
        <translation>The value starts one register before the selection, at %1: the address may be off by one.</translation>
    </message>
    <message>
        <source>该值从所选寄存器的后一个寄存器 %1 开始：地址可能差一。</source>
        <translation>The value starts one register after the selection, at %1: the address may be off by one.</translation>
    </message>
    <message>
        <source>没有显示格式能显示它（%1），它留在本窗口中可观察。</source>
        <translation>No display format shows it (%1); it stays in view in this window.</translation>
    </message>
    <message>
        <source>显示格式 %1 能显示它。</source>
        <translation>The display format %1 shows it.</translation>
    </message>
    <message>
        <source>窗口已使用显示格式 %1。</source>
        <translation>The window already uses the display format %1.</translation>
    </message>
    <message>
        <source>（前一个）</source>
        <translation> (one before)</translation>
    </message>
    <message>
        <source>（后一个）</source>
        <translation> (one after)</translation>
    </message>
    <message>
        <source>相符</source>
        <translation>matches</translation>
    </message>
    <message>
        <source>%1 的寄存器 %2（%3 个起始地址，%4）</source>
        <translation>Registers %2 of %1 (%3 start addresses, %4)</translation>
    </message>
    <message>
        <source>应用到整个窗口</source>
        <translation>Apply to whole window</translation>
    </message>
    <message>
        <source>设置整个窗口的显示格式，而不是起始寄存器的类型</source>
        <translation>Set the display format of the whole window instead of the type of the start register</translation>
    </message>
    <message>
        <source>寄存器中的整数 %1 是该值 ×%2。</source>
        <translation>The register holds the integer %1, the value ×%2.</translation>
    </message>
    <message>
        <source>该行的类型 %1 已显示它。</source>
        <translation>The row&apos;s type %1 already shows it.</translation>
    </message>
    <message>
        <source>按“应用”把 %1 的类型设为 %2。</source>
        <translation>Press Apply to set the type of %1 to %2.</translation>
    </message>
    <message>
        <source>显示格式 %1 也能显示它（应用到整个窗口）。</source>
        <translation>The display format %1 also shows it (Apply to whole window).</translation>
    </message>
    <message>
        <source>没有显示格式能显示它（%1）。</source>
        <translation>No display format shows it (%1).</translation>
    </message>
    <message>
        <source>显示格式 %1 能显示它：按“应用”。</source>
        <translation>The display format %1 shows it: press Apply.</translation>
    </message>
</context>
<context>
    <name>zentiq::DeviceIdentityDialog</name>
    <message>
        <source>从站 ID:</source>
        <translation>Slave ID:</translation>
    </message>
    <message>
        <source>报告从站 ID (17)</source>
        <translation>Report slave ID (17)</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>十六进制:</source>
        <translation>Hex:</translation>
    </message>
    <message>
        <source>文本:</source>
        <translation>Text:</translation>
    </message>
    <message>
        <source>设备识别 (43/14)</source>
        <translation>Device identification (43/14)</translation>
    </message>
    <message>
        <source>1: 基本</source>
        <translation>1: Basic</translation>
    </message>
    <message>
        <source>2: 常规</source>
        <translation>2: Regular</translation>
    </message>
    <message>
        <source>3: 扩展</source>
        <translation>3: Extended</translation>
    </message>
    <message>
        <source>4: 单个对象</source>
        <translation>4: One object</translation>
    </message>
    <message>
        <source>读取代码:</source>
        <translation>Read code:</translation>
    </message>
    <message>
        <source>对象 ID:</source>
        <translation>Object ID:</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>回环测试 (08/00)</source>
        <translation>Loopback test (08/00)</translation>
    </message>
    <message>
        <source>次数:</source>
        <translation>Count:</translation>
    </message>
    <message>
        <source>数据 (十六进制):</source>
        <translation>Data (hex):</translation>
    </message>
    <message>
        <source>复制文本</source>
        <translation>Copy as text</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>没有连接。请先连接（通讯 → 连接），再读取从站的设备信息。</source>
        <translation>Not connected. Connect first (Connection → Connect), then read the slave&apos;s identity.</translation>
    </message>
    <message>
        <source>数据请输入 1 到 %1 个十六进制字节，以空格分隔（例如 A5 37）。</source>
        <translation>Enter 1 to %1 hex bytes for the data, separated by blanks (for example A5 37).</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>正在读取从站 ID…</source>
        <translation>Reading the slave ID…</translation>
    </message>
    <message>
        <source>从站 ID 已读取。</source>
        <translation>Slave ID read.</translation>
    </message>
    <message>
        <source>报告从站 ID 失败：%1</source>
        <translation>Report slave ID failed: %1</translation>
    </message>
    <message>
        <source>正在读取设备识别…</source>
        <translation>Reading the device identification…</translation>
    </message>
    <message>
        <source>设备识别已读取：%1 个对象，%2 次请求。</source>
        <translation>Device identification read: %1 objects in %2 requests.</translation>
    </message>
    <message>
        <source>设备识别失败：%1</source>
        <translation>Device identification failed: %1</translation>
    </message>
    <message>
        <source>往返时间 最小 / 平均 / 最大: %1</source>
        <translation>Round trip min / avg / max: %1</translation>
    </message>
    <message>
        <source>回环测试进行中…</source>
        <translation>Loopback test running…</translation>
    </message>
    <message>
        <source>回环测试结束。</source>
        <translation>Loopback test finished.</translation>
    </message>
    <message>
        <source>每个功能一个不改变设备的请求。</source>
        <translation>One request per function that leaves the device as it is.</translation>
    </message>
    <message>
        <source>功能支持</source>
        <translation>Function support</translation>
    </message>
    <message>
        <source>设备信息 - 从站 %1</source>
        <translation>Device identity - slave %1</translation>
    </message>
    <message>
        <source>检测</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>设备识别已读取 %1 个对象。%2</source>
        <translation>Device identification read %1 objects. %2</translation>
    </message>
    <message>
        <source>正在检测功能支持…</source>
        <translation>Checking function support…</translation>
    </message>
    <message>
        <source>功能检测已停止。</source>
        <translation>Function check stopped.</translation>
    </message>
    <message>
        <source>功能检测结束。</source>
        <translation>Function check finished.</translation>
    </message>
</context>
<context>
    <name>zentiq::HeadlessLogger</name>
    <message>
        <source>已被本次运行的另一个文档记录</source>
        <translation>is being logged by another document of this run</translation>
    </message>
    <message>
        <source>%1：从站 ID 0 是广播地址，不能用于读取。</source>
        <translation>%1: slave ID 0 is the broadcast address and cannot be read from.</translation>
    </message>
    <message>
        <source>%1：最多可以同时轮询 32 个文档。</source>
        <translation>%1: at most 32 documents can be polled at once.</translation>
    </message>
    <message>
        <source>工程 %1 无法读取。</source>
        <translation>The workspace %1 cannot be read.</translation>
    </message>
    <message>
        <source>工程 %1 在一个文档条目的中途结束。</source>
        <translation>The workspace %1 ends in the middle of a document entry.</translation>
    </message>
    <message>
        <source>工程 %1 中没有轮询文档。</source>
        <translation>The workspace %1 holds no poll documents.</translation>
    </message>
    <message>
        <source>无法创建记录文件夹 %1。</source>
        <translation>The log folder %1 cannot be created.</translation>
    </message>
    <message>
        <source>%1：没有为它设置数据记录（--log-dir DIR 记录每个文档），它只轮询。</source>
        <translation>%1: no data log is set for it (--log-dir DIR logs every document); it only polls.</translation>
    </message>
    <message>
        <source>%1 记录到 %2</source>
        <translation>%1 logs to %2</translation>
    </message>
    <message>
        <source>没有要记录的文档。用 --log-dir DIR 记录每个文档，或者在窗口中用“记录..”为文档设置记录。</source>
        <translation>No document has a log. --log-dir DIR logs every document; or start a log for a document with &quot;Log..&quot; in its window.</translation>
    </message>
    <message>
        <source>已连接 %1。</source>
        <translation>Connected to %1.</translation>
    </message>
    <message>
        <source>--headless 需要一个工程文件 (.zqw) 或一个或多个轮询文档 (.zqd)。</source>
        <translation>--headless needs a workspace (.zqw) or one or more poll documents (.zqd).</translation>
    </message>
    <message>
        <source>--headless 只接受一个工程文件，且不能与轮询文档同时给出。</source>
        <translation>--headless takes one workspace, and no poll documents beside it.</translation>
    </message>
    <message>
        <source>--headless 不能与 --automation 或 --print 一起使用</source>
        <translation>--headless runs without --automation and --print</translation>
    </message>
</context>
<context>
    <name>zentiq::HelpWindow</name>
    <message>
        <source>Zentiq 帮助</source>
        <translation>Zentiq Help</translation>
    </message>
    <message>
        <source>目录</source>
        <translation>Contents</translation>
    </message>
    <message>
        <source>后退</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>前进</source>
        <translation>Forward</translation>
    </message>
</context>
<context>
    <name>zentiq::OneShotRequest</name>
    <message>
        <source>上一个请求仍在等待发送，本次未发送。</source>
        <translation>The previous request is still waiting to be sent; this one was not sent.</translation>
    </message>
    <message>
        <source>要写入的数据无法装入请求，本次未发送。</source>
        <translation>The data to write could not be loaded into the request; nothing was sent.</translation>
    </message>
</context>
<context>
    <name>zentiq::RowTypeDialog</name>
    <message>
        <source>数据类型</source>
        <translation>Data Type</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>行:</source>
        <translation>Rows:</translation>
    </message>
    <message>
        <source>类型(&amp;T):</source>
        <translation>&amp;Type:</translation>
    </message>
    <message>
        <source>文本寄存器数(&amp;R):</source>
        <translation>Text &amp;registers:</translation>
    </message>
    <message>
        <source>倍率(&amp;S):</source>
        <translation>&amp;Scale:</translation>
    </message>
    <message>
        <source>偏移(&amp;O):</source>
        <translation>&amp;Offset:</translation>
    </message>
    <message>
        <source>单位(&amp;U):</source>
        <translation>&amp;Unit:</translation>
    </message>
    <message>
        <source>小数位(&amp;D):</source>
        <translation>&amp;Decimals:</translation>
    </message>
    <message>
        <source>预览:</source>
        <translation>Preview:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>恢复显示格式(&amp;F)</source>
        <translation>Back to Display &amp;Format</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>请选择类型。</source>
        <translation>Choose a type.</translation>
    </message>
    <message>
        <source>倍率必须是不为 0 的数字。</source>
        <translation>The scale must be a number other than 0.</translation>
    </message>
    <message>
        <source>偏移必须是数字。</source>
        <translation>The offset must be a number.</translation>
    </message>
    <message>
        <source>单位太长或含有分隔符（, ; &quot; [ ]）。</source>
        <translation>The unit is too long or contains a separator (, ; &quot; [ ]).</translation>
    </message>
    <message>
        <source>(尚无数值)</source>
        <translation>(no value yet)</translation>
    </message>
</context>
<context>
    <name>zentiq::SingleWriteDialog</name>
    <message>
        <source>当前值: %1</source>
        <translation>Current value: %1</translation>
    </message>
    <message>
        <source>未读取</source>
        <translation>not read</translation>
    </message>
</context>
<context>
    <name>zentiq::TrafficFrameModel</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>间隔(ms)</source>
        <translation>Gap (ms)</translation>
    </message>
    <message>
        <source>报文</source>
        <translation>Frame</translation>
    </message>
</context>
<context>
    <name>zentiq::TrendWindow</name>
    <message>
        <source>1 分钟</source>
        <translation>1 min</translation>
    </message>
    <message>
        <source>2 分钟</source>
        <translation>2 min</translation>
    </message>
    <message>
        <source>5 分钟</source>
        <translation>5 min</translation>
    </message>
    <message>
        <source>10 分钟</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>30 分钟</source>
        <translation>30 min</translation>
    </message>
    <message>
        <source>1 小时</source>
        <translation>1 hour</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>趋势图</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>自动缩放</source>
        <translation>Auto Scale</translation>
    </message>
    <message>
        <source>导出 CSV..</source>
        <translation>Export CSV..</translation>
    </message>
    <message>
        <source>导出 PNG..</source>
        <translation>Export PNG..</translation>
    </message>
    <message>
        <source>从站或数值的读法已改变，这些曲线重新开始：%1</source>
        <translation>The slave or the way the values read has changed; these lines start again: %1</translation>
    </message>
    <message>
        <source>这些数值不再单独显示，曲线已关闭：%1</source>
        <translation>These values are no longer shown on their own; their lines were closed: %1</translation>
    </message>
</context>
<context>
    <name>zentiq::ValueListFile</name>
    <message>
        <source>不正确的数据格式</source>
        <translation>Incorrect data format</translation>
    </message>
</context>
<context>
    <name>zentiq::WorkspaceController</name>
    <message>
        <source>这些窗口没有保存，不会在工程中：
%1

仍要保存工程吗？选“否”可先保存它们。</source>
        <translation>These windows are not saved and will not be in the workspace:
%1

Save the workspace anyway? Choose No to save them first.</translation>
    </message>
    <message>
        <source>工程 %1 中没有窗口：保存它时没有已保存的轮询窗口。</source>
        <translation>The workspace %1 holds no window: no poll window had been saved when it was saved.</translation>
    </message>
    <message>
        <source>Zentiq 工程 (*.zqw)</source>
        <translation>Zentiq workspace (*.zqw)</translation>
    </message>
    <message>
        <source>保存工程</source>
        <translation>Save Workspace</translation>
    </message>
    <message>
        <source>打开工程</source>
        <translation>Open Workspace</translation>
    </message>
    <message>
        <source>工程</source>
        <translation>resume</translation>
    </message>
    <message>
        <source>工程中的连接“%1”无法建立：%2。它的窗口没有打开。</source>
        <translation>The workspace&apos;s connection “%1” cannot be set up: %2. Its windows were not opened.</translation>
    </message>
</context>
<context>
    <name>zentiq::WorkspaceFile</name>
    <message>
        <source>找不到 %1</source>
        <translation>%1 was not found</translation>
    </message>
</context>
<context>
    <name>zentiq::ZqdFile</name>
    <message>
        <source>文件格式错误</source>
        <translation>File format error</translation>
    </message>
</context>
<context>
    <name>zentiq::activation_file</name>
    <message>
        <source>程序路径 %1 无法写入激活文件</source>
        <translation>the program path %1 cannot be named in an activation file</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>the folder %1 could not be made</translation>
    </message>
    <message>
        <source>%1 无法写入：%2</source>
        <translation>%1 could not be written: %2</translation>
    </message>
    <message>
        <source>%1 无法删除：%2</source>
        <translation>%1 could not be removed: %2</translation>
    </message>
</context>
</TS>
