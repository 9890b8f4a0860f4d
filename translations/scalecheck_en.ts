<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AtomicWrite</name>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>cannot write %1: %2</translation>
    </message>
</context>
<context>
    <name>BusModel</name>
    <message>
        <source>端口未打开，无法扫描</source>
        <translation>The port is not open: cannot scan</translation>
    </message>
    <message>
        <source>正在扫描…</source>
        <translation>Scanning…</translation>
    </message>
    <message>
        <source>扫描完成：找到 %1 台仪表</source>
        <translation>Scan finished: %1 instrument(s) found</translation>
    </message>
    <message>
        <source>扫描完成：未找到仪表</source>
        <translation>Scan finished: no instrument found</translation>
    </message>
    <message>
        <source>；有仪表应答迟到，可加大应答延时</source>
        <translation>; an instrument answered late, raise the turnaround</translation>
    </message>
    <message>
        <source>扫描中断：端口已关闭</source>
        <translation>Scan interrupted: the port was closed</translation>
    </message>
    <message>
        <source>扫描已停止：找到 %1 台仪表</source>
        <translation>Scan stopped: %1 instrument(s) found</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>answers</translation>
    </message>
    <message>
        <source>转换器</source>
        <translation>converter</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>重量</source>
        <translation>Weight</translation>
    </message>
    <message>
        <source>应答 ms</source>
        <translation>Reply ms</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>应答无效：</source>
        <translation>invalid reply: </translation>
    </message>
    <message>
        <source>（迟到）</source>
        <translation> (late)</translation>
    </message>
    <message>
        <source>；线路分辨不出波特率，每个地址只列一次</source>
        <translation>; the line cannot tell rates apart: each address listed once</translation>
    </message>
    <message>
        <source>扫描</source>
        <translation>Scan</translation>
    </message>
    <message>
        <source>轮询</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>%1：请求 %2  应答 %3  无应答 %4  无效 %5</source>
        <translation>%1: sent %2  answered %3  no reply %4  invalid %5</translation>
    </message>
    <message>
        <source>  用时 —</source>
        <translation>  reply time —</translation>
    </message>
    <message>
        <source>  用时 中位 %1  最慢 %2</source>
        <translation>  reply median %1  slowest %2</translation>
    </message>
</context>
<context>
    <name>BusPanel</name>
    <message>
        <source>扫描</source>
        <translation>Scan</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>轮询</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>仪表收到请求后开始应答所需的时间，含 USB 适配器延迟</source>
        <translation>How long an instrument takes from receiving a request to starting its reply, the USB adapter&apos;s latency included</translation>
    </message>
    <message>
        <source>依次读取列表中各仪表的重量；窗口自己的读取优先</source>
        <translation>Read the weight of each listed instrument in turn; the window&apos;s own reads go first</translation>
    </message>
    <message>
        <source>双击一台仪表，窗口即按它的地址和波特率读取</source>
        <translation>Double-click an instrument and the window reads it at its address and baud rate</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>至</source>
        <translation>to</translation>
    </message>
    <message>
        <source>应答延时</source>
        <translation>Turnaround</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>请至少选择一个波特率</source>
        <translation>Select at least one baud rate</translation>
    </message>
    <message>
        <source>网络线路：按转换器的波特率扫描</source>
        <translation>Network line: scanned at the converter&apos;s baud rate</translation>
    </message>
    <message>
        <source>扫描和轮询单独计数，不计入状态栏的计数、应答用时和报告的统计</source>
        <translation>Scan and poll are counted apart: not in the status bar&apos;s counters, reply times or the report&apos;s figures</translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <source>--%1 的值“%2”无效（应为 %3）</source>
        <translation>bad value &apos;%2&apos; for --%1 (must be %3)</translation>
    </message>
    <message>
        <source>未知选项 %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>选项有误</source>
        <translation>bad option</translation>
    </message>
    <message>
        <source>缺少命令 read、scan 或 report</source>
        <translation>missing command: read, scan or report</translation>
    </message>
    <message>
        <source>未知命令“%1”</source>
        <translation>unknown command &apos;%1&apos;</translation>
    </message>
    <message>
        <source>%1 命令没有 --%2 选项</source>
        <translation>--%2 does not apply to %1</translation>
    </message>
    <message>
        <source>read 缺少读取内容：weight、alarm、func1、func2、comm 或 all</source>
        <translation>read needs what to read: weight, alarm, func1, func2, comm or all</translation>
    </message>
    <message>
        <source>未知读取内容“%1”</source>
        <translation>unknown block &apos;%1&apos; (weight, alarm, func1, func2, comm or all)</translation>
    </message>
    <message>
        <source>多余的参数“%1”</source>
        <translation>unexpected argument &apos;%1&apos;</translation>
    </message>
    <message>
        <source>缺少 --port 串口设备或网络地址</source>
        <translation>missing --port PATH, the serial device or converter</translation>
    </message>
    <message>
        <source>--csv 记录的是毛重：请读取 weight 或 all</source>
        <translation>--csv logs the weight: read weight or all</translation>
    </message>
    <message>
        <source>report 缺少 --out 报告文件</source>
        <translation>report needs --out FILE, the PDF to write</translation>
    </message>
    <message>
        <source>--from %1 大于 --to %2</source>
        <translation>--from %1 is above --to %2</translation>
    </message>
    <message>
        <source>端口被占用</source>
        <translation>in use by another program</translation>
    </message>
    <message>
        <source>找不到主机</source>
        <translation>host not found</translation>
    </message>
    <message>
        <source>设备不存在</source>
        <translation>no such device</translation>
    </message>
    <message>
        <source>无法连接</source>
        <translation>cannot connect</translation>
    </message>
    <message>
        <source>端口拒绝打开</source>
        <translation>the port refused to open</translation>
    </message>
    <message>
        <source>无法打开端口 %1：%2</source>
        <translation>cannot open port %1: %2</translation>
    </message>
    <message>
        <source>连接已断开（%1）</source>
        <translation>connection lost (%1)</translation>
    </message>
    <message>
        <source>端口已断开（%1）</source>
        <translation>port lost (%1)</translation>
    </message>
    <message>
        <source>（线路回显已去除）</source>
        <translation> (echo removed)</translation>
    </message>
    <message>
        <source>（应答前的杂散字节已跳过）</source>
        <translation> (leading bytes skipped)</translation>
    </message>
    <message>
        <source>小数点位数读取失败：%1</source>
        <translation>decimal point could not be read: %1</translation>
    </message>
    <message>
        <source>第 %1 次读取失败</source>
        <translation>reading %1 failed</translation>
    </message>
    <message>
        <source>读取失败</source>
        <translation>read failed</translation>
    </message>
    <message>
        <source>毛重</source>
        <translation>gross weight</translation>
    </message>
    <message>
        <source>%1 次应答用时：中位 %2 ms，P99 %3 ms，最慢 %4 ms；线路传输 %5 ms；建议超时 %6 ms；回显已去除 %7 次，杂散字节已跳过 %8 次</source>
        <translation>%1 replies: median %2 ms, p99 %3 ms, slowest %4 ms; wire %5 ms; suggested timeout %6 ms; echo removed %7 times, leading bytes skipped %8 times</translation>
    </message>
    <message>
        <source>记录已停止：%1</source>
        <translation>log stopped: %1</translation>
    </message>
    <message>
        <source>%1读取失败：%2</source>
        <translation>%1 could not be read: %2</translation>
    </message>
    <message>
        <source>毛重读取失败：%1</source>
        <translation>the gross weight could not be read: %1</translation>
    </message>
    <message>
        <source>报告已写出，但有读取失败，见报告的附注</source>
        <translation>report written, but a reading failed: see its notes</translation>
    </message>
    <message>
        <source>转换器的波特率</source>
        <translation>at the converter&apos;s rate</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>answers</translation>
    </message>
    <message>
        <source>（迟到）</source>
        <translation> (late)</translation>
    </message>
    <message>
        <source>扫描中断：端口已断开（%1）</source>
        <translation>scan stopped: port lost (%1)</translation>
    </message>
    <message>
        <source>有仪表应答晚于 %1 ms 的应答延时，请用 --turnaround 加大</source>
        <translation>an instrument answered later than the %1 ms turnaround allows; raise it with --turnaround</translation>
    </message>
    <message>
        <source>地址 %1 至 %2 无仪表应答（%3）</source>
        <translation>no instrument answered at addresses %1 to %2 (%3)</translation>
    </message>
    <message>
        <source>用法见 scalecheck-cli --help</source>
        <translation>see scalecheck-cli --help</translation>
    </message>
    <message>
        <source>报警参数组</source>
        <translation>alarm parameters</translation>
    </message>
    <message>
        <source>仪表功能参数组1</source>
        <translation>function parameters 1</translation>
    </message>
    <message>
        <source>仪表功能参数组2</source>
        <translation>function parameters 2</translation>
    </message>
    <message>
        <source>通信，时间参数组</source>
        <translation>communication and time parameters</translation>
    </message>
    <message>
        <source>%1（%2）：%3</source>
        <translation>%1 (%2): %3</translation>
    </message>
    <message>
        <source>没有收到应答，无用时数据</source>
        <translation>no reply came: no reply times</translation>
    </message>
    <message>
        <source>无法写出报告 %1</source>
        <translation>cannot write the report to %1</translation>
    </message>
    <message>
        <source>%1 波特</source>
        <translation>%1 baud</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>应答无效：%1</source>
        <translation>invalid reply: %1</translation>
    </message>
    <message>
        <source>同一地址在多个波特率下都应答：线路分辨不出波特率（如伪终端），每个地址只列一次</source>
        <translation>The same address answers at several rates: the line cannot tell rates apart (a pseudo-terminal, say); each address is listed once</translation>
    </message>
    <message>
        <source>网络转换器只按它自己的波特率通讯，扫描分辨不出仪表的波特率</source>
        <translation>A network converter talks at its own rate only: the scan cannot tell the instrument&apos;s rate</translation>
    </message>
</context>
<context>
    <name>CounterBar</name>
    <message>
        <source>发送：发出的请求；正常：通过检查的应答；无应答：超时未收到；校验：CRC 错误；异常：仪表拒绝请求（异常应答）；地址：其他从站的应答；不完整：只收到一部分；其他：功能码错误、字节数错误、帧格式错误、发送失败；回显：去除了适配器回送的请求的应答（线路有回显，不是仪表故障）；跳过：应答前有杂散字节（如收发器切换时的 0x00）被跳过的应答</source>
        <translation>Sent: requests sent; OK: replies that passed checking; No reply: timed out; CRC: CRC errors; Exception: the instrument refused the request (exception reply); Address: replies from another slave; Incomplete: only part received; Other: wrong function code, wrong byte count, malformed frame, write failed; Echo: replies after the adapter&apos;s echo of the request was removed (the line echoes, the instrument is not at fault); Skipped: replies after stray leading bytes (such as a 0x00 when the transceiver switches) were skipped</translation>
    </message>
    <message>
        <source>清零</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>计数清零</source>
        <translation>Reset the counters</translation>
    </message>
    <message>
        <source>应答 用时 —</source>
        <translation>Reply time —</translation>
    </message>
    <message>
        <source>应答 中位 %1  P99 %2  最慢 %3</source>
        <translation>Reply median %1  P99 %2  slowest %3</translation>
    </message>
    <message>
        <source>最近 %1 次应答的用时：从请求发出到应答的最后一个字节收到</source>
        <translation>Reply times of the last %1 replies: from the request sent to the last byte of the reply received</translation>
    </message>
    <message>
        <source>；请求和应答在线路上传输需 %1</source>
        <translation>; the request and the reply take %1 on the wire</translation>
    </message>
    <message>
        <source>。建议超时 %1（P99 的三倍，不少于传输时间加 %2 ms）；本工具不会自动更改超时</source>
        <translation>. Suggested timeout %1 (three times P99, at least the wire time plus %2 ms); this tool never changes the timeout by itself</translation>
    </message>
    <message>
        <source>。只计本窗口的读取（读重量、自动读取、各页的读取）；总线扫描和轮询在“总线”中单独计数</source>
        <translation>. Only this window&apos;s own reads are counted (Read weight, automatic reading, each page&apos;s Read); the bus scan and polling are counted apart in Bus</translation>
    </message>
</context>
<context>
    <name>DevicePort</name>
    <message>
        <source>网络地址应写作 tcp://主机:端口 或 mbtcp://主机:端口</source>
        <translation>write a network address as tcp://HOST:PORT or mbtcp://HOST:PORT</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>毛重显示</source>
        <translation>Gross weight</translation>
    </message>
    <message>
        <source>自动读取</source>
        <translation>Auto read</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>端口设置</source>
        <translation>Port settings</translation>
    </message>
    <message>
        <source>端口选择</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>通讯波特率:</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>仪表地址</source>
        <translation>Instrument address</translation>
    </message>
    <message>
        <source>打开端口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>通讯端口信息</source>
        <translation>Port information</translation>
    </message>
    <message>
        <source>DWX智能称重仪通讯测试</source>
        <translation>DWX Weighing Indicator Communication Test</translation>
    </message>
    <message>
        <source>毛重</source>
        <translation>Gross weight</translation>
    </message>
    <message>
        <source>读取毛重</source>
        <translation>Read the gross weight</translation>
    </message>
    <message>
        <source>通讯波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>通讯监视</source>
        <translation>Monitor</translation>
    </message>
    <message>
        <source>趋势图</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>总线</source>
        <translation>Bus</translation>
    </message>
    <message>
        <source>端口…</source>
        <translation>Ports…</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>报告</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>报告已写出：%1，%2</source>
        <translation>Report written: %1, %2</translation>
    </message>
    <message>
        <source>所选的端口被占用！</source>
        <translation>The selected port is in use by another program!</translation>
    </message>
    <message>
        <source>无法启动模拟仪表 %1：%2</source>
        <translation>Cannot start the simulated instrument %1: %2</translation>
    </message>
    <message>
        <source>读取报警参数组</source>
        <translation>Read the alarm parameters</translation>
    </message>
    <message>
        <source>读取仪表功能参数组1</source>
        <translation>Read function parameters 1</translation>
    </message>
    <message>
        <source>读取仪表功能参数组2</source>
        <translation>Read function parameters 2</translation>
    </message>
    <message>
        <source>读取通信，时间参数组</source>
        <translation>Read the communication and time parameters</translation>
    </message>
    <message>
        <source>已导出：%1</source>
        <translation>Exported: %1</translation>
    </message>
    <message>
        <source>还没有读到毛重或任何参数，报告中的数值将全部为空。
仍然写出报告？</source>
        <translation>Neither the weight nor any parameter has been read: every value in the report will be empty.
Write the report anyway?</translation>
    </message>
</context>
<context>
    <name>GroupReader</name>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>仪表地址无效，未发送读取请求</source>
        <translation>invalid instrument address, no request sent</translation>
    </message>
    <message>
        <source>读取成功</source>
        <translation>read OK</translation>
    </message>
    <message>
        <source>读取请求已在排队</source>
        <translation>a read is already queued</translation>
    </message>
    <message>
        <source>端口未打开</source>
        <translation>port not open</translation>
    </message>
    <message>
        <source>读取成功（“dot”框为空，小数点位数取自仪表：%1 位）</source>
        <translation>read OK (dot box empty: %1 decimal places from the instrument)</translation>
    </message>
    <message>
        <source>读取成功；%1</source>
        <translation>read OK; %1</translation>
    </message>
</context>
<context>
    <name>InstrumentDecimals</name>
    <message>
        <source>小数点位数未知，按 0 位显示</source>
        <translation>decimal point unknown; shown with 0 places</translation>
    </message>
    <message>
        <source>小数点位数读取失败（%1），按 0 位显示</source>
        <translation>decimal point could not be read (%1); shown with 0 places</translation>
    </message>
    <message>
        <source>仪表不提供小数点位数（%1），按 0 位显示</source>
        <translation>the instrument has no decimal point parameter (%1); shown with 0 places</translation>
    </message>
</context>
<context>
    <name>LineNotices</name>
    <message>
        <source>检测到本地回显（适配器回送发出的请求），已自动去除</source>
        <translation>Local echo detected (the adapter sends back the request): removed automatically</translation>
    </message>
    <message>
        <source>应答前有杂散字节（如收发器切换时的 0x00），已自动跳过</source>
        <translation>Stray bytes before the reply (such as a 0x00 when the transceiver switches): skipped automatically</translation>
    </message>
    <message>
        <source>线路上有未经请求的数据（约每秒 %1 字节）：仪表可能处于连续发送方式，或波特率、转换器工作方式不对</source>
        <translation>Unrequested data on the line (about %1 bytes a second): the instrument may be in continuous output mode, or the baud rate or the converter&apos;s mode is wrong</translation>
    </message>
</context>
<context>
    <name>Modbus</name>
    <message>
        <source>非法功能</source>
        <translation>illegal function</translation>
    </message>
    <message>
        <source>非法数据地址</source>
        <translation>illegal data address</translation>
    </message>
    <message>
        <source>非法数据值</source>
        <translation>illegal data value</translation>
    </message>
    <message>
        <source>从站设备故障</source>
        <translation>server device failure</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>acknowledge</translation>
    </message>
    <message>
        <source>从站设备忙</source>
        <translation>server device busy</translation>
    </message>
    <message>
        <source>否定确认</source>
        <translation>negative acknowledge</translation>
    </message>
    <message>
        <source>存储奇偶性差错</source>
        <translation>memory parity error</translation>
    </message>
    <message>
        <source>网关路径不可用</source>
        <translation>gateway path unavailable</translation>
    </message>
    <message>
        <source>网关目标设备响应失败</source>
        <translation>gateway target device failed to respond</translation>
    </message>
    <message>
        <source>未知异常</source>
        <translation>unknown exception</translation>
    </message>
    <message>
        <source>通讯正常</source>
        <translation>ok</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>no reply</translation>
    </message>
    <message>
        <source>应答不完整</source>
        <translation>incomplete reply</translation>
    </message>
    <message>
        <source>校验错误</source>
        <translation>CRC error</translation>
    </message>
    <message>
        <source>地址错误</source>
        <translation>reply from another address</translation>
    </message>
    <message>
        <source>功能码错误</source>
        <translation>wrong function code</translation>
    </message>
    <message>
        <source>字节数错误</source>
        <translation>wrong byte count</translation>
    </message>
    <message>
        <source>帧格式错误</source>
        <translation>malformed frame</translation>
    </message>
    <message>
        <source>异常应答 %1：%2</source>
        <translation>exception %1: %2</translation>
    </message>
    <message>
        <source>端口未打开</source>
        <translation>port not open</translation>
    </message>
    <message>
        <source>发送失败</source>
        <translation>write failed</translation>
    </message>
    <message>
        <source>无应答（地址 0 为广播地址，仪表不应答）</source>
        <translation>no reply (0 is the broadcast address, which no instrument answers)</translation>
    </message>
    <message>
        <source>应答不是 Modbus：这个地址和端口上是网页服务器（HTTP），请检查转换器的端口号</source>
        <translation>not a Modbus reply: a web server (HTTP) answers at this address and port; check the converter&apos;s port number</translation>
    </message>
</context>
<context>
    <name>ParameterGroups</name>
    <message>
        <source>报警参数组</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>仪表功能参数组1</source>
        <translation>Function 1</translation>
    </message>
    <message>
        <source>仪表功能参数组2</source>
        <translation>Function 2</translation>
    </message>
    <message>
        <source>通信，时间参数组</source>
        <translation>Comm and time</translation>
    </message>
</context>
<context>
    <name>Port</name>
    <message>
        <source>串口参数以转换器设置为准，按 %1 波特计时</source>
        <translation>converter&apos;s serial settings; timed for %1 baud</translation>
    </message>
    <message>
        <source>Modbus TCP 网关</source>
        <translation>Modbus TCP gateway</translation>
    </message>
</context>
<context>
    <name>PortControl</name>
    <message>
        <source>打开端口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>关闭端口</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>端口被其他程序占用</source>
        <translation>in use by another program</translation>
    </message>
    <message>
        <source>找不到主机</source>
        <translation>host not found</translation>
    </message>
    <message>
        <source>设备不存在</source>
        <translation>no such device</translation>
    </message>
    <message>
        <source>无法连接</source>
        <translation>cannot connect</translation>
    </message>
    <message>
        <source>无法打开</source>
        <translation>cannot open</translation>
    </message>
    <message>
        <source>%1 %2 已打开</source>
        <translation>%1 %2 open</translation>
    </message>
    <message>
        <source>%1 正在连接…</source>
        <translation>%1 connecting…</translation>
    </message>
    <message>
        <source>%1 %2 已关闭</source>
        <translation>%1 %2 closed</translation>
    </message>
    <message>
        <source>，等待重新连接</source>
        <translation>, waiting to reconnect</translation>
    </message>
    <message>
        <source>打开失败：%1</source>
        <translation>open failed: %1</translation>
    </message>
    <message>
        <source>%1 已重新连接</source>
        <translation>%1 reconnected</translation>
    </message>
    <message>
        <source>%1 已连接</source>
        <translation>%1 connected</translation>
    </message>
    <message>
        <source>连接失败：%1</source>
        <translation>connection failed: %1</translation>
    </message>
    <message>
        <source>无法打开 %1：%2</source>
        <translation>Cannot open %1: %2</translation>
    </message>
    <message>
        <source>波特率“%1”无效，端口设置未改变（%2）</source>
        <translation>Baud rate &quot;%1&quot; is not valid; the port settings are unchanged (%2)</translation>
    </message>
    <message>
        <source>连接已断开（%1）</source>
        <translation>connection lost (%1)</translation>
    </message>
    <message>
        <source>设备已断开（%1）</source>
        <translation>device unplugged (%1)</translation>
    </message>
    <message>
        <source>%1 连接已断开，端口已关闭</source>
        <translation>%1 connection lost, port closed</translation>
    </message>
    <message>
        <source>%1 设备已断开，端口已关闭</source>
        <translation>%1 device unplugged, port closed</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>端口被 %1 占用</source>
        <translation>in use by %1</translation>
    </message>
</context>
<context>
    <name>PortListDialog</name>
    <message>
        <source>选择串口</source>
        <translation>Choose a port</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>厂商</source>
        <translation>Manufacturer</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>路径：</source>
        <translation>Path:</translation>
    </message>
    <message>
        <source>例如 /dev/ttyUSB0 或 tcp://主机:端口</source>
        <translation>for example /dev/ttyUSB0 or tcp://HOST:PORT</translation>
    </message>
    <message>
        <source>网络</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>透明传输 (tcp://)</source>
        <translation>Transparent (tcp://)</translation>
    </message>
    <message>
        <source>Modbus TCP 网关 (mbtcp://)</source>
        <translation>Modbus TCP gateway (mbtcp://)</translation>
    </message>
    <message>
        <source>IP 地址或主机名</source>
        <translation>IP address or host name</translation>
    </message>
    <message>
        <source>主机：</source>
        <translation>Host:</translation>
    </message>
    <message>
        <source>端口：</source>
        <translation>Port:</translation>
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
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>固定名称</source>
        <translation>fixed name</translation>
    </message>
    <message>
        <source>未找到串口，可在下面输入路径。</source>
        <translation>No serial port found; enter a path below.</translation>
    </message>
    <message>
        <source>找到 %1 个串口：</source>
        <translation>%1 serial port(s) found:</translation>
    </message>
    <message>
        <source>网络地址应写作 tcp://主机:端口 或 mbtcp://主机:端口，端口 1–65535</source>
        <translation>Write a network address as tcp://HOST:PORT or mbtcp://HOST:PORT, port 1–65535</translation>
    </message>
</context>
<context>
    <name>Report</name>
    <message>
        <source>称重仪表通讯调试报告</source>
        <translation>Weighing Indicator Commissioning Report</translation>
    </message>
    <message>
        <source>&lt;h2&gt;1&#x3000;线路与仪表&lt;/h2&gt;
</source>
        <translation>&lt;h2&gt;1 Line and instrument&lt;/h2&gt;
</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>软件版本</source>
        <translation>Software version</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>通讯参数</source>
        <translation>Line settings</translation>
    </message>
    <message>
        <source>USB 适配器</source>
        <translation>USB adapter</translation>
    </message>
    <message>
        <source>未识别（不是 USB 串口适配器，或系统未给出）</source>
        <translation>not identified (not a USB serial adapter, or the system does not say)</translation>
    </message>
    <message>
        <source>仪表地址</source>
        <translation>Instrument address</translation>
    </message>
    <message>
        <source>毛重</source>
        <translation>Gross weight</translation>
    </message>
    <message>
        <source>&lt;h2&gt;2&#x3000;通讯统计&lt;/h2&gt;
</source>
        <translation>&lt;h2&gt;2 Line statistics&lt;/h2&gt;
</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>No reply</translation>
    </message>
    <message>
        <source>校验</source>
        <translation>CRC</translation>
    </message>
    <message>
        <source>异常</source>
        <translation>Exception</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>不完整</source>
        <translation>Incomplete</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>回显</source>
        <translation>Echo</translation>
    </message>
    <message>
        <source>跳过</source>
        <translation>Skipped</translation>
    </message>
    <message>
        <source>&lt;p&gt;没有收到应答，无应答用时数据。&lt;/p&gt;
</source>
        <translation>&lt;p&gt;No reply came: no reply times.&lt;/p&gt;
</translation>
    </message>
    <message>
        <source>&lt;p&gt;应答用时（最近 %1 次应答，从请求发出到应答的最后一个字节）：&lt;/p&gt;
</source>
        <translation>&lt;p&gt;Reply times (the last %1 replies, from the request sent to the last byte of the reply):&lt;/p&gt;
</translation>
    </message>
    <message>
        <source>中位</source>
        <translation>Median</translation>
    </message>
    <message>
        <source>最慢</source>
        <translation>Slowest</translation>
    </message>
    <message>
        <source>线路传输</source>
        <translation>Wire time</translation>
    </message>
    <message>
        <source>建议超时</source>
        <translation>Suggested timeout</translation>
    </message>
    <message>
        <source>&lt;p class=&quot;note&quot;&gt;线路传输：请求和应答在线路上传输所需的时间。建议超时为 P99 的三倍，不少于传输时间加 %1 ms；本工具不会自动更改超时。&lt;/p&gt;
</source>
        <translation>&lt;p class=&quot;note&quot;&gt;Wire time: how long the request and the reply take on the line. The suggested timeout is three times P99, at least the wire time plus %1 ms; this tool never changes the timeout by itself.&lt;/p&gt;
</translation>
    </message>
    <message>
        <source>&lt;h2&gt;3&#x3000;参数&lt;/h2&gt;
</source>
        <translation>&lt;h2&gt;3 Parameters&lt;/h2&gt;
</translation>
    </message>
    <message>
        <source>&lt;p&gt;没有参数值。&lt;/p&gt;
</source>
        <translation>&lt;p&gt;No parameter values.&lt;/p&gt;
</translation>
    </message>
    <message>
        <source>&lt;h2 style=&quot;page-break-before: always&quot;&gt;4&#x3000;毛重趋势&lt;/h2&gt;
</source>
        <translation>&lt;h2 style=&quot;page-break-before: always&quot;&gt;4 Gross weight trend&lt;/h2&gt;
</translation>
    </message>
    <message>
        <source>&lt;p&gt;这段时间没有读到毛重，无趋势。&lt;/p&gt;
</source>
        <translation>&lt;p&gt;No gross weight was read in this time: no trend.&lt;/p&gt;
</translation>
    </message>
    <message>
        <source>&lt;p&gt;%1 至 %2：最小 %3，最大 %4，最新 %5。&lt;/p&gt;
</source>
        <translation>&lt;p&gt;%1 to %2: minimum %3, maximum %4, latest %5.&lt;/p&gt;
</translation>
    </message>
    <message>
        <source>&lt;h2&gt;5&#x3000;最近的通讯帧&lt;/h2&gt;
</source>
        <translation>&lt;h2&gt;5 Last frames on the line&lt;/h2&gt;
</translation>
    </message>
    <message>
        <source>&lt;p&gt;没有通讯帧。&lt;/p&gt;
</source>
        <translation>&lt;p&gt;No frames.&lt;/p&gt;
</translation>
    </message>
    <message>
        <source>&lt;p&gt;最近 %1 行，按时间先后：&lt;/p&gt;
</source>
        <translation>&lt;p&gt;The last %1 lines, oldest first:&lt;/p&gt;
</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>解码</source>
        <translation>Decoded</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>用时</source>
        <translation>Time taken</translation>
    </message>
    <message>
        <source>&lt;h2&gt;附注&lt;/h2&gt;
&lt;ul&gt;
</source>
        <translation>&lt;h2&gt;Notes&lt;/h2&gt;
&lt;ul&gt;
</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>zh-CN</source>
        <translation>en</translation>
    </message>
    <message>
        <source>scalecheck %1&#x3000;%2</source>
        <translation>scalecheck %1, %2</translation>
    </message>
    <message>
        <source>客户</source>
        <translation>Customer</translation>
    </message>
    <message>
        <source>地点</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>技术员</source>
        <translation>Technician</translation>
    </message>
    <message>
        <source>仪表序列号</source>
        <translation>Instrument serial no.</translation>
    </message>
    <message>
        <source>技术员签名：</source>
        <translation>Technician&apos;s signature:</translation>
    </message>
    <message>
        <source>客户签名：</source>
        <translation>Customer&apos;s signature:</translation>
    </message>
    <message>
        <source>日期：</source>
        <translation>Date:</translation>
    </message>
</context>
<context>
    <name>ReportDetailsDialog</name>
    <message>
        <source>报告信息</source>
        <translation>Report details</translation>
    </message>
    <message>
        <source>客户：</source>
        <translation>Customer:</translation>
    </message>
    <message>
        <source>地点：</source>
        <translation>Site:</translation>
    </message>
    <message>
        <source>技术员：</source>
        <translation>Technician:</translation>
    </message>
    <message>
        <source>仪表序列号：</source>
        <translation>Instrument serial no.:</translation>
    </message>
</context>
<context>
    <name>ReportExport</name>
    <message>
        <source>报告</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>PDF 文件 (*.pdf)</source>
        <translation>PDF files (*.pdf)</translation>
    </message>
</context>
<context>
    <name>RequestCounters</name>
    <message>
        <source>发送 %1  正常 %2  无应答 %3  校验 %4  异常 %5  地址 %6  不完整 %7  其他 %8  回显 %9  跳过 %10</source>
        <translation>Sent %1  OK %2  No reply %3  CRC %4  Exception %5  Address %6  Incomplete %7  Other %8  Echo %9  Skipped %10</translation>
    </message>
</context>
<context>
    <name>SerialLink</name>
    <message>
        <source>进程 %1</source>
        <translation>process %1</translation>
    </message>
    <message>
        <source>设备不存在</source>
        <translation>no such device</translation>
    </message>
    <message>
        <source>没有读写该设备的权限</source>
        <translation>no permission to read and write the device</translation>
    </message>
    <message>
        <source>端口已打开</source>
        <translation>already open</translation>
    </message>
    <message>
        <source>端口未打开</source>
        <translation>not open</translation>
    </message>
    <message>
        <source>写入失败</source>
        <translation>write failed</translation>
    </message>
    <message>
        <source>读取失败</source>
        <translation>read failed</translation>
    </message>
    <message>
        <source>设备不再响应</source>
        <translation>the device stopped responding</translation>
    </message>
    <message>
        <source>不是串口，或不支持所需的串口设置</source>
        <translation>not a serial port, or the settings are not supported</translation>
    </message>
    <message>
        <source>操作超时</source>
        <translation>timed out</translation>
    </message>
    <message>
        <source>未知错误</source>
        <translation>unknown error</translation>
    </message>
    <message>
        <source>本进程已通过 %1 打开</source>
        <translation>open in this process as %1</translation>
    </message>
    <message>
        <source>设备已拔出</source>
        <translation>device unplugged</translation>
    </message>
</context>
<context>
    <name>Snapshot</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>设备</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>通讯参数</source>
        <translation>Line settings</translation>
    </message>
    <message>
        <source>仪表地址</source>
        <translation>Instrument address</translation>
    </message>
    <message>
        <source>毛重</source>
        <translation>Gross weight</translation>
    </message>
    <message>
        <source>参数页</source>
        <translation>Page</translation>
    </message>
    <message>
        <source>代码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>框号</source>
        <translation>Box</translation>
    </message>
    <message>
        <source>值</source>
        <translation>Value</translation>
    </message>
</context>
<context>
    <name>SnapshotExport</name>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>JSON 文件 (*.json)</source>
        <translation>JSON files (*.json)</translation>
    </message>
</context>
<context>
    <name>StatusLabel</name>
    <message>
        <source>点击打开所在文件夹</source>
        <translation>Click to open the folder</translation>
    </message>
</context>
<context>
    <name>TcpLink</name>
    <message>
        <source>%1 秒内未连接上</source>
        <translation>not connected within %1 s</translation>
    </message>
    <message>
        <source>对方关闭了连接</source>
        <translation>the other end closed the connection</translation>
    </message>
    <message>
        <source>对方拒绝连接</source>
        <translation>connection refused</translation>
    </message>
    <message>
        <source>主机名无法解析</source>
        <translation>host name could not be resolved</translation>
    </message>
    <message>
        <source>没有权限</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>超时</source>
        <translation>timed out</translation>
    </message>
    <message>
        <source>网络不通</source>
        <translation>network unreachable</translation>
    </message>
    <message>
        <source>网络错误</source>
        <translation>network error</translation>
    </message>
</context>
<context>
    <name>TrafficModel</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>字节（十六进制）</source>
        <translation>Bytes (hex)</translation>
    </message>
    <message>
        <source>解读</source>
        <translation>Decoded</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>用时</source>
        <translation>Took</translation>
    </message>
    <message>
        <source>%1 字节</source>
        <translation>%1 bytes</translation>
    </message>
    <message>
        <source>读 0x%1 ×%2</source>
        <translation>read 0x%1 ×%2</translation>
    </message>
    <message>
        <source>应答 %1 字节</source>
        <translation>reply %1 bytes</translation>
    </message>
    <message>
        <source>异常 %1</source>
        <translation>exception %1</translation>
    </message>
    <message>
        <source>功能码 %1</source>
        <translation>function %1</translation>
    </message>
    <message>
        <source>无请求等待</source>
        <translation>no request waiting</translation>
    </message>
    <message>
        <source>适配器回送的请求，已去除</source>
        <translation>adapter echo, removed</translation>
    </message>
    <message>
        <source>应答前的杂散字节，已跳过</source>
        <translation>stray bytes skipped</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>接收</source>
        <translation>Received</translation>
    </message>
    <message>
        <source>丢弃</source>
        <translation>Dropped</translation>
    </message>
    <message>
        <source>回显</source>
        <translation>Echo</translation>
    </message>
</context>
<context>
    <name>TrafficMonitor</name>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>暂停记录；暂停期间的帧不记入</source>
        <translation>Pause recording; frames while paused are not kept</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>把选中的行复制到剪贴板（制表符分隔）</source>
        <translation>Copy the selected lines to the clipboard (tab-separated)</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>已暂停，跳过 %1 帧</source>
        <translation>Paused, %1 frames skipped</translation>
    </message>
    <message>
        <source>%1 行（最多 %2）</source>
        <translation>%1 lines (at most %2)</translation>
    </message>
</context>
<context>
    <name>TrendPicture</name>
    <message>
        <source>没有读到毛重，无趋势</source>
        <translation>No gross weight read: no trend</translation>
    </message>
</context>
<context>
    <name>UsbAdapter</name>
    <message>
        <source>权限不足</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>%1，已设为低延迟</source>
        <translation>%1, set to low latency</translation>
    </message>
    <message>
        <source>%1，已是低延迟</source>
        <translation>%1, already low latency</translation>
    </message>
    <message>
        <source>%1，无法设为低延迟（%2）</source>
        <translation>%1, cannot set low latency (%2)</translation>
    </message>
    <message>
        <source>%1，延迟 %2 → %3</source>
        <translation>%1, latency %2 → %3</translation>
    </message>
    <message>
        <source>%1，延迟已改为 %2</source>
        <translation>%1, latency changed to %2</translation>
    </message>
    <message>
        <source>%1，延迟已是 %2</source>
        <translation>%1, latency already %2</translation>
    </message>
    <message>
        <source>%1，延迟 %2，无法改为 %3</source>
        <translation>%1, latency %2, cannot change it to %3</translation>
    </message>
    <message>
        <source>%1，无法把延迟改为 %2</source>
        <translation>%1, cannot change the latency to %2</translation>
    </message>
    <message>
        <source>（驱动仍为 %1 ms）</source>
        <translation> (the driver still has %1 ms)</translation>
    </message>
    <message>
        <source>（读回的不是数字）</source>
        <translation> (what was read back is not a number)</translation>
    </message>
    <message>
        <source>。可加 udev 规则：</source>
        <translation>. A udev rule can do it: </translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
</context>
<context>
    <name>WeightLog</name>
    <message>
        <source>时间(UTC)</source>
        <translation>Time (UTC)</translation>
    </message>
    <message>
        <source>毛重</source>
        <translation>Gross weight</translation>
    </message>
    <message>
        <source>计数</source>
        <translation>Counts</translation>
    </message>
    <message>
        <source>小数位</source>
        <translation>Decimal places</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>应答用时(ms)</source>
        <translation>Reply time (ms)</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>cannot write %1: %2</translation>
    </message>
</context>
<context>
    <name>WeightLogButton</name>
    <message>
        <source>记录</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>记录未开始：</source>
        <translation>Log not started: </translation>
    </message>
    <message>
        <source>开始记录毛重：%1</source>
        <translation>Logging the gross weight to %1</translation>
    </message>
    <message>
        <source>开始记录毛重：%1；自动读取未开启，只记录读到的毛重</source>
        <translation>Logging the gross weight to %1; auto read is off, only the weights read are logged</translation>
    </message>
    <message>
        <source>记录已停止：%1 行，%2</source>
        <translation>Log stopped: %1 lines, %2</translation>
    </message>
    <message>
        <source>记录已停止：</source>
        <translation>Log stopped: </translation>
    </message>
    <message>
        <source>记录已停止。
</source>
        <translation>The log stopped.
</translation>
    </message>
    <message>
        <source>记录中…</source>
        <translation>Logging…</translation>
    </message>
    <message>
        <source>正在记录毛重到 %1；再按一次停止</source>
        <translation>Logging the gross weight to %1; press again to stop</translation>
    </message>
    <message>
        <source>把每次读到的毛重逐行记录到 CSV 文件</source>
        <translation>Log every gross weight read, one line each, to a CSV file</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
</context>
<context>
    <name>WeightReader</name>
    <message>
        <source>仪表地址无效，未发送读取请求</source>
        <translation>invalid instrument address, no request sent</translation>
    </message>
    <message>
        <source>端口未打开</source>
        <translation>port not open</translation>
    </message>
    <message>
        <source>读取成功</source>
        <translation>read OK</translation>
    </message>
    <message>
        <source>毛重：</source>
        <translation>Gross weight: </translation>
    </message>
</context>
<context>
    <name>WeightReading</name>
    <message>
        <source>无数据“</source>
        <translation>No data</translation>
    </message>
</context>
<context>
    <name>WeightTrend</name>
    <message>
        <source>最小</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>最新</source>
        <translation>Latest</translation>
    </message>
    <message>
        <source>近 %1 分钟</source>
        <translation>last %1 min</translation>
    </message>
    <message>
        <source>近 %1 秒</source>
        <translation>last %1 s</translation>
    </message>
</context>
</TS>
