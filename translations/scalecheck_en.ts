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
    <message>
        <source>与参考</source>
        <translation>Reference</translation>
    </message>
    <message>
        <source>没有可比较的仪表：请先扫描</source>
        <translation>No instruments to compare: scan first</translation>
    </message>
    <message>
        <source>正在与参考比较…</source>
        <translation>Comparing with the reference…</translation>
    </message>
    <message>
        <source>小数点</source>
        <translation>decimal point</translation>
    </message>
    <message>
        <source>%1读取失败：%2</source>
        <translation>%1 read failed: %2</translation>
    </message>
    <message>
        <source>比较完成：%1 台相同，%2 台不同，%3 台无法比较</source>
        <translation>Compared: %1 same, %2 differ, %3 could not be compared</translation>
    </message>
    <message>
        <source>等待比较</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>读取中…</source>
        <translation>Reading…</translation>
    </message>
    <message>
        <source>同</source>
        <translation>Same</translation>
    </message>
    <message>
        <source>不同 %1 项</source>
        <translation>%1 differ</translation>
    </message>
    <message>
        <source>无法比较：%1</source>
        <translation>Cannot compare: %1</translation>
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
    <message>
        <source>与参考比较</source>
        <translation>Compare with reference</translation>
    </message>
    <message>
        <source>依次读取列表中各仪表的 35 个参数，与参考文件比较；双击“与参考”一栏查看不同之处</source>
        <translation>Reads the 35 parameters of each instrument listed and compares them with the reference file; double-click the Reference column to see the differences</translation>
    </message>
    <message>
        <source>选择参考文件</source>
        <translation>Choose reference file</translation>
    </message>
    <message>
        <source>参考文件 (*.json)</source>
        <translation>Reference files (*.json)</translation>
    </message>
    <message>
        <source>地址 %1 与参考的不同</source>
        <translation>Address %1: differences from the reference</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>参考值</source>
        <translation>Reference</translation>
    </message>
    <message>
        <source>仪表值</source>
        <translation>Instrument</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>容差内</source>
        <translation>Within tolerance</translation>
    </message>
    <message>
        <source>不同</source>
        <translation>Differs</translation>
    </message>
    <message>
        <source>查找设置</source>
        <translation>Find settings</translation>
    </message>
    <message>
        <source>采用</source>
        <translation>Use</translation>
    </message>
    <message>
        <source>地址、波特率和校验位都不知道时：先试窗口的设置，再试常用设置，找到第一台应答的仪表即停</source>
        <translation>When address, baud rate and parity are all unknown: tries the window&apos;s settings, then common ones, and stops at the first instrument that answers</translation>
    </message>
    <message>
        <source>窗口即按找到的地址和波特率读取</source>
        <translation>The window reads at the address and baud rate found</translation>
    </message>
    <message>
        <source>正在查找设置：已试 %1 / %2</source>
        <translation>Finding settings: %1 of %2 tried</translation>
    </message>
    <message>
        <source>未找到仪表：%1 种设置都没有应答</source>
        <translation>No instrument found: none of %1 settings answered</translation>
    </message>
    <message>
        <source>端口已关闭，查找中止</source>
        <translation>The port closed: finding stopped</translation>
    </message>
    <message>
        <source>请先打开端口</source>
        <translation>Open the port first</translation>
    </message>
    <message>
        <source>上一次查找正在结束，请稍候再试</source>
        <translation>The last search is ending; try again in a moment</translation>
    </message>
    <message>
        <source>已停止查找</source>
        <translation>Finding stopped</translation>
    </message>
    <message>
        <source>找到仪表：地址 %1，%2</source>
        <translation>Instrument found: address %1, %2</translation>
    </message>
    <message>
        <source>，应答用时 %1 ms</source>
        <translation>, reply in %1 ms</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>；%1</source>
        <translation>; %1</translation>
    </message>
    <message>
        <source>查找完成：试了 %1 种设置</source>
        <translation>Finding done: %1 settings tried</translation>
    </message>
</context>
<context>
    <name>Certificate</name>
    <message>
        <source>称重仪器检定测试记录</source>
        <translation>Weighing instrument verification test record</translation>
    </message>
    <message>
        <source>验收允差</source>
        <translation>Acceptance tolerance</translation>
    </message>
    <message>
        <source>维护允差</source>
        <translation>Maintenance tolerance</translation>
    </message>
    <message>
        <source>首次检定</source>
        <translation>Initial verification</translation>
    </message>
    <message>
        <source>使用中检验</source>
        <translation>In service</translation>
    </message>
    <message>
        <source>合格</source>
        <translation>PASS</translation>
    </message>
    <message>
        <source>不合格</source>
        <translation>FAIL</translation>
    </message>
    <message>
        <source>不稳定</source>
        <translation>Unstable</translation>
    </message>
    <message>
        <source>示值未变化</source>
        <translation>No change seen</translation>
    </message>
    <message>
        <source>通过</source>
        <translation>Pass</translation>
    </message>
    <message>
        <source>超差</source>
        <translation>Out of limits</translation>
    </message>
    <message>
        <source>&lt;h2&gt;3&#x3000;限值&lt;/h2&gt;
</source>
        <translation>&lt;h2&gt;3 Limits&lt;/h2&gt;
</translation>
    </message>
    <message>
        <source>准确度等级</source>
        <translation>Accuracy class</translation>
    </message>
    <message>
        <source>限值</source>
        <translation>Limits</translation>
    </message>
    <message>
        <source>最大秤量 Max</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>最小秤量 Min</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>检定分度值 e</source>
        <translation>Verification interval e</translation>
    </message>
    <message>
        <source>检定分度数 n</source>
        <translation>Number of intervals n</translation>
    </message>
    <message>
        <source>限值来源</source>
        <translation>Source of limits</translation>
    </message>
    <message>
        <source>&lt;h2&gt;4&#x3000;测试步骤&lt;/h2&gt;
</source>
        <translation>&lt;h2&gt;4 Steps&lt;/h2&gt;
</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>载荷 L</source>
        <translation>Load L</translation>
    </message>
    <message>
        <source>示值 I</source>
        <translation>Indication I</translation>
    </message>
    <message>
        <source>误差 E</source>
        <translation>Error E</translation>
    </message>
    <message>
        <source>E/e</source>
        <translation>E/e</translation>
    </message>
    <message>
        <source>MPE</source>
        <translation>MPE</translation>
    </message>
    <message>
        <source>稳定用时(ms)</source>
        <translation>Settle (ms)</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>&lt;h2&gt;5&#x3000;重复性与偏载&lt;/h2&gt;
</source>
        <translation>&lt;h2&gt;5 Repeatability and eccentricity&lt;/h2&gt;
</translation>
    </message>
    <message>
        <source>测试</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>载荷</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>结果值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>重复性（最大差值）</source>
        <translation>Repeatability (spread)</translation>
    </message>
    <message>
        <source>未通过</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>偏载（最大误差）</source>
        <translation>Eccentricity (largest error)</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>线路设置</source>
        <translation>Line settings</translation>
    </message>
    <message>
        <source>仪表地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>仪表 ID</source>
        <translation>Instrument ID</translation>
    </message>
    <message>
        <source>开始时读取的参数</source>
        <translation>Parameters read at the start</translation>
    </message>
    <message>
        <source>本文件为测试记录，不是法定检定标记或检定证书。</source>
        <translation>This is a test record, not a legal verification mark or certificate.</translation>
    </message>
    <message>
        <source>结论：</source>
        <translation>Verdict:</translation>
    </message>
    <message>
        <source>&lt;h2&gt;1&#x3000;仪表&lt;/h2&gt;
</source>
        <translation>&lt;h2&gt;1 Instrument&lt;/h2&gt;
</translation>
    </message>
    <message>
        <source>&lt;h2&gt;2&#x3000;测试条件&lt;/h2&gt;
</source>
        <translation>&lt;h2&gt;2 Test conditions&lt;/h2&gt;
</translation>
    </message>
    <message>
        <source>砝码编号</source>
        <translation>Test weights</translation>
    </message>
    <message>
        <source>技术员</source>
        <translation>Technician</translation>
    </message>
    <message>
        <source>地点</source>
        <translation>Place</translation>
    </message>
    <message>
        <source>温度</source>
        <translation>Temperature</translation>
    </message>
    <message>
        <source>日期时间</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>软件</source>
        <translation>Software</translation>
    </message>
    <message>
        <source>技术员签名：</source>
        <translation>Technician&apos;s signature:</translation>
    </message>
    <message>
        <source>日期：</source>
        <translation>Date:</translation>
    </message>
    <message>
        <source>零点</source>
        <translation>Zero</translation>
    </message>
    <message>
        <source>加载</source>
        <translation>Increasing</translation>
    </message>
    <message>
        <source>卸载</source>
        <translation>Decreasing</translation>
    </message>
    <message>
        <source>偏载</source>
        <translation>Eccentricity</translation>
    </message>
    <message>
        <source>重复性</source>
        <translation>Repeatability</translation>
    </message>
    <message>
        <source>闪变点</source>
        <translation>Change point</translation>
    </message>
    <message>
        <source>中心</source>
        <translation>Centre</translation>
    </message>
    <message>
        <source>左前</source>
        <translation>Front left</translation>
    </message>
    <message>
        <source>左后</source>
        <translation>Back left</translation>
    </message>
    <message>
        <source>右后</source>
        <translation>Back right</translation>
    </message>
    <message>
        <source>右前</source>
        <translation>Front right</translation>
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
        <source>%1 给出了两次</source>
        <translation>%1 is given twice</translation>
    </message>
    <message>
        <source>缺少 %1 的值</source>
        <translation>%1 needs a value</translation>
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
    <message>
        <source>reference 后应为 save：reference save --out 文件</source>
        <translation>reference must be followed by save: reference save --out FILE</translation>
    </message>
    <message>
        <source>serve 缺少 --listen 地址:端口（本机一个网络接口的地址）</source>
        <translation>serve needs --listen HOST:PORT (an address of one of this machine&apos;s interfaces)</translation>
    </message>
    <message>
        <source>reference save 缺少 --out 参考文件</source>
        <translation>reference save needs --out FILE</translation>
    </message>
    <message>
        <source>compare 缺少 --reference 参考文件</source>
        <translation>compare needs --reference FILE</translation>
    </message>
    <message>
        <source>地址 %1 至 %2 在任何波特率和校验位下都无仪表应答</source>
        <translation>no instrument answers at addresses %1 to %2 at any rate or parity</translation>
    </message>
    <message>
        <source>本工具按 8N2 通讯：请在仪表的通讯参数中把校验位和停止位从 %1 改为 8N2</source>
        <translation>this tool speaks 8N2: change the instrument&apos;s parity and stop bits from %1 to 8N2</translation>
    </message>
    <message>
        <source>小数点</source>
        <translation>decimal point</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>addr</translation>
    </message>
    <message>
        <source>参考</source>
        <translation>ref</translation>
    </message>
    <message>
        <source>地址 %1：无法比较，%2</source>
        <translation>address %1: cannot compare, %2</translation>
    </message>
    <message>
        <source>地址 %1：同</source>
        <translation>address %1: same</translation>
    </message>
    <message>
        <source>地址 %1：不同 %2 项（%3）</source>
        <translation>address %1: differs in %2 (%3)</translation>
    </message>
    <message>
        <source>地址 %1 的参数未读全，未写出参考：%2</source>
        <translation>address %1 not read in full, no reference written: %2</translation>
    </message>
    <message>
        <source>无法写出参考文件 %1</source>
        <translation>cannot write the reference file %1</translation>
    </message>
    <message>
        <source>无法写出比较结果 %1</source>
        <translation>cannot write the comparison %1</translation>
    </message>
    <message>
        <source>无法在 %1:%2 提供实时页面：%3</source>
        <translation>cannot serve the live page on %1:%2: %3</translation>
    </message>
    <message>
        <source>实时页面的查看者：%1</source>
        <translation>live page viewers: %1</translation>
    </message>
    <message>
        <source>缺少命令：read、scan、report、diagnose、find、reference、compare、verify、serve 或 ports</source>
        <translation>missing command: read, scan, report, diagnose, find, reference, compare, verify, serve or ports</translation>
    </message>
    <message>
        <source>%1 已断开，等待它重新出现…</source>
        <translation>%1 is gone; waiting for it to come back…</translation>
    </message>
    <message>
        <source>%1 已重新连接</source>
        <translation>%1 reconnected</translation>
    </message>
    <message>
        <source>端口已断开</source>
        <translation>port disconnected</translation>
    </message>
    <message>
        <source>端口被占用（Windows 不告知是哪个程序）</source>
        <translation>in use by another program (Windows does not tell which)</translation>
    </message>
    <message>
        <source>未找到串口</source>
        <translation>no serial ports found</translation>
    </message>
    <message>
        <source>gross weight (0x0100, 2 registers)</source>
        <translation>gross weight (0x0100, 2 registers)</translation>
    </message>
    <message>
        <source>alarm parameters (0x0010, 14 registers)</source>
        <translation>alarm parameters (0x0010, 14 registers)</translation>
    </message>
    <message>
        <source>function parameters 1 (0x0020, 16 registers)</source>
        <translation>function parameters 1 (0x0020, 16 registers)</translation>
    </message>
    <message>
        <source>function parameters 2 (0x0034, 7 registers)</source>
        <translation>function parameters 2 (0x0034, 7 registers)</translation>
    </message>
    <message>
        <source>communication and time (0x0040, 13 registers)</source>
        <translation>communication and time (0x0040, 13 registers)</translation>
    </message>
    <message>
        <source>Usage:</source>
        <translation>Usage:</translation>
    </message>
    <message>
        <source>Line:</source>
        <translation>Line:</translation>
    </message>
    <message>
        <source>Other:</source>
        <translation>Other:</translation>
    </message>
    <message>
        <source>the serial device: %1; or an RS-485-to-Ethernet converter: tcp://HOST:PORT carries the RTU frames as they are (a transparent converter), mbtcp://HOST:PORT is a Modbus TCP gateway (MBAP header, unit id = --addr). A host that does not answer is given up after 5 s</source>
        <translation>the serial device: %1; or an RS-485-to-Ethernet converter: tcp://HOST:PORT carries the RTU frames as they are (a transparent converter), mbtcp://HOST:PORT is a Modbus TCP gateway (MBAP header, unit id = --addr). A host that does not answer is given up after 5 s</translation>
    </message>
    <message>
        <source>1200, 2400, 4800, 9600 (default), 19200, 38400, 57600 or 115200; always no parity, 8 data bits, 2 stop bits. Behind a converter the converter&apos;s own serial settings hold</source>
        <translation>1200, 2400, 4800, 9600 (default), 19200, 38400, 57600 or 115200; always no parity, 8 data bits, 2 stop bits. Behind a converter the converter&apos;s own serial settings hold</translation>
    </message>
    <message>
        <source>the instrument&apos;s bus address, 1..247 (default 1); 0 is the broadcast address, where every instrument listens and none answers</source>
        <translation>the instrument&apos;s bus address, 1..247 (default 1); 0 is the broadcast address, where every instrument listens and none answers</translation>
    </message>
    <message>
        <source>how long to wait for each reply. Default for read as the window waits: weight 400, decimal point, alarm, func1 and func2 1000, comm 1500; for scan 400 for a reply that has begun (a silent address is given up sooner)</source>
        <translation>how long to wait for each reply. Default for read as the window waits: weight 400, decimal point, alarm, func1 and func2 1000, comm 1500; for scan 400 for a reply that has begun (a silent address is given up sooner)</translation>
    </message>
    <message>
        <source>this text</source>
        <translation>this text</translation>
    </message>
    <message>
        <source>the version</source>
        <translation>the version</translation>
    </message>
    <message>
        <source>say messages in English or in Chinese alone; without it every message is said in both, Chinese first</source>
        <translation>say messages in English or in Chinese alone; without it every message is said in both, Chinese first</translation>
    </message>
    <message>
        <source>the five, in this order</source>
        <translation>the five, in this order</translation>
    </message>
    <message>
        <source>Reads a digital weighing indicator over Modbus RTU (function 03, read holding registers; it never writes) with the same requests, reply checks and decimal rules as the scalecheck window.</source>
        <translation>Reads a digital weighing indicator over Modbus RTU (function 03, read holding registers; it never writes) with the same requests, reply checks and decimal rules as the scalecheck window.</translation>
    </message>
    <message>
        <source>Exit status: 0 when every reading succeeded (scan: an instrument answered; report: it was written and every reading for it succeeded); 1 when a reading failed, the port would not open or was lost, or a file could not be written, with the reason on stderr in Chinese and English unless --lang says one; 2 for bad usage (an option given twice or its value left out among them).</source>
        <translation>Exit status: 0 when every reading succeeded (scan: an instrument answered; report: it was written and every reading for it succeeded); 1 when a reading failed, the port would not open or was lost, or a file could not be written, with the reason on stderr in Chinese and English unless --lang says one; 2 for bad usage (an option given twice or its value left out among them).</translation>
    </message>
    <message>
        <source>one JSON object per reading, on one line, instead of CODE VALUE lines</source>
        <translation>one JSON object per reading, on one line, instead of CODE VALUE lines</translation>
    </message>
    <message>
        <source>take N readings (default 1); 0 reads until Ctrl-C or SIGTERM, which end the run after the reading under way, with the summary line</source>
        <translation>take N readings (default 1); 0 reads until Ctrl-C or SIGTERM, which end the run after the reading under way, with the summary line</translation>
    </message>
    <message>
        <source>from the start of one reading to the start of the next (default 1500)</source>
        <translation>from the start of one reading to the start of the next (default 1500)</translation>
    </message>
    <message>
        <source>append each weight reading to FILE as the window&apos;s %1 does: UTF-8 with a byte-order mark, a header line if the file is new, then one line per reading: UTC time, weight as shown, counts, decimal places, result, reply time in ms. Each line is on the disk before the next reading; a write that fails (disk full, stick pulled) ends the run with exit status 1</source>
        <translation>append each weight reading to FILE as the window&apos;s %1 does: UTF-8 with a byte-order mark, a header line if the file is new, then one line per reading: UTC time, weight as shown, counts, decimal places, result, reply time in ms. Each line is on the disk before the next reading; a write that fails (disk full, stick pulled) ends the run with exit status 1</translation>
    </message>
    <message>
        <source>Decimal places come from the instrument&apos;s own decimal point, its &quot;dot&quot; parameter (registers 0x0024/0x0025), read once before the first reading that needs it. The weight and every field that the window formats by its &quot;dot&quot; box take that value:</source>
        <translation>Decimal places come from the instrument&apos;s own decimal point, its &quot;dot&quot; parameter (registers 0x0024/0x0025), read once before the first reading that needs it. The weight and every field that the window formats by its &quot;dot&quot; box take that value:</translation>
    </message>
    <message>
        <source>The window uses what stands in its &quot;dot&quot; box instead, and its PvH takes the box as it was before the func1 reply came in; the values agree once the window has read func1. PSS always has five decimal places; the other fields are whole numbers. A 16-bit value is printed without the blank the window shows before it. A decimal point below 0 or of more than 10 places (a 32-bit count has at most 10 digits) is refused: the values it would place are not printed, and the reading fails with the reason.</source>
        <translation>The window uses what stands in its &quot;dot&quot; box instead, and its PvH takes the box as it was before the func1 reply came in; the values agree once the window has read func1. PSS always has five decimal places; the other fields are whole numbers. A 16-bit value is printed without the blank the window shows before it. A decimal point below 0 or of more than 10 places (a 32-bit count has at most 10 digits) is refused: the values it would place are not printed, and the reading fails with the reason.</translation>
    </message>
    <message>
        <source>first address to try (default 1)</source>
        <translation>first address to try (default 1)</translation>
    </message>
    <message>
        <source>last address to try (default 247)</source>
        <translation>last address to try (default 247)</translation>
    </message>
    <message>
        <source>how long an instrument may take from the end of a request to the start of its reply, the USB adapter&apos;s latency included (default %1)</source>
        <translation>how long an instrument may take from the end of a request to the start of its reply, the USB adapter&apos;s latency included (default %1)</translation>
    </message>
    <message>
        <source>the rates to try, each over the whole range: rates separated by commas (9600,2400), all for 9600, 4800, 2400 and 1200, fast for 19200, 38400, 57600 and 115200, or both (all,fast). Default: the --baud rate alone. Each request carries its rate; the port&apos;s --baud is not changed</source>
        <translation>the rates to try, each over the whole range: rates separated by commas (9600,2400), all for 9600, 4800, 2400 and 1200, fast for 19200, 38400, 57600 and 115200, or both (all,fast). Default: the --baud rate alone. Each request carries its rate; the port&apos;s --baud is not changed</translation>
    </message>
    <message>
        <source>one JSON object per address that answers</source>
        <translation>one JSON object per address that answers</translation>
    </message>
    <message>
        <source>Each address gets a read of the weight (0x0100, 2 registers). An address from which no byte has come once the request, the turnaround and one character have passed on the wire is silent and the next is asked: %1 ms an address at 9600 baud, %2 ms at 1200, addresses 1 to 128 at 9600 in %3 s. A reply that has begun gets --timeout.</source>
        <translation>Each address gets a read of the weight (0x0100, 2 registers). An address from which no byte has come once the request, the turnaround and one character have passed on the wire is silent and the next is asked: %1 ms an address at 9600 baud, %2 ms at 1200, addresses 1 to 128 at 9600 in %3 s. A reply that has begun gets --timeout.</translation>
    </message>
    <message>
        <source>Every address that answers is listed, one line each: ADDRESS BAUD RESULT. An exception reply is listed with its code: an instrument is there but refused the read. A reply that fails checking is listed as invalid and not counted as an instrument. A reply that comes only after its address was given up is listed as late: raise --turnaround.</source>
        <translation>Every address that answers is listed, one line each: ADDRESS BAUD RESULT. An exception reply is listed with its code: an instrument is there but refused the read. A reply that fails checking is listed as invalid and not counted as an instrument. A reply that comes only after its address was given up is listed as late: raise --turnaround.</translation>
    </message>
    <message>
        <source>Behind a converter (tcp://, mbtcp://) only the converter&apos;s own rate is tried, shown as -. A transparent converter gets %1 ms more for the network; a Modbus TCP gateway waits for each address itself, and its exception 0A or 0B means nobody is there.</source>
        <translation>Behind a converter (tcp://, mbtcp://) only the converter&apos;s own rate is tried, shown as -. A transparent converter gets %1 ms more for the network; a Modbus TCP gateway waits for each address itself, and its exception 0A or 0B means nobody is there.</translation>
    </message>
    <message>
        <source>JSON: address; baud (null behind a converter); answer: ok, exception or invalid; weight: the gross weight in counts as the instrument sends it, without its decimal point (with ok); late: true when late; exceptionCode; reason and reasonEn when not ok.</source>
        <translation>JSON: address; baud (null behind a converter); answer: ok, exception or invalid; weight: the gross weight in counts as the instrument sends it, without its decimal point (with ok); late: true when late; exceptionCode; reason and reasonEn when not ok.</translation>
    </message>
    <message>
        <source>who the report is for, where, by whom, and the instrument&apos;s serial number, printed at its head; a line to sign ends it</source>
        <translation>who the report is for, where, by whom, and the instrument&apos;s serial number, printed at its head; a line to sign ends it</translation>
    </message>
    <message>
        <source>the commissioning report as PDF (A4); the same as HTML beside it, the name&apos;s .pdf replaced by .html (report.pdf -&gt; report.html). Both are written to a temporary file first: a failed write leaves no part of a report</source>
        <translation>the commissioning report as PDF (A4); the same as HTML beside it, the name&apos;s .pdf replaced by .html (report.pdf -&gt; report.html). Both are written to a temporary file first: a failed write leaves no part of a report</translation>
    </message>
    <message>
        <source>read the weight for N seconds for the report&apos;s trend chart (default 10; 0 leaves the chart out)</source>
        <translation>read the weight for N seconds for the report&apos;s trend chart (default 10; 0 leaves the chart out)</translation>
    </message>
    <message>
        <source>between those weight readings (default 250)</source>
        <translation>between those weight readings (default 250)</translation>
    </message>
    <message>
        <source>First reads the weight and the four parameter groups as read all does; the report holds the line, the instrument&apos;s address, the 35 values by page, the weight, the counters and reply times with the suggested timeout, the trend and the last frames on the line.</source>
        <translation>First reads the weight and the four parameter groups as read all does; the report holds the line, the instrument&apos;s address, the 35 values by page, the weight, the counters and reply times with the suggested timeout, the trend and the last frames on the line.</translation>
    </message>
    <message>
        <source>serve the live page on this address of the machine alone (the one on the network the phones are on; 127.0.0.1 for this machine only); PORT 0 picks a free port. Required: the page is never served anywhere unasked</source>
        <translation>serve the live page on this address of the machine alone (the one on the network the phones are on; 127.0.0.1 for this machine only); PORT 0 picks a free port. Required: the page is never served anywhere unasked</translation>
    </message>
    <message>
        <source>from the start of one weight reading to the start of the next (default 1500)</source>
        <translation>from the start of one weight reading to the start of the next (default 1500)</translation>
    </message>
    <message>
        <source>Reads the weight as read weight --count 0 does and serves it, read-only, to up to 8 phones at once: the weight as the window shows it, whether the last read gave one, the address, the line and how the last read ended, updated at each reading. The first line printed is the address to open, with a random token (128 bits, new at each start); a request without it is refused. Then each reading as read prints it; on stderr the number of phones watching whenever it changes. Ctrl-C or SIGTERM end it and close every connection.</source>
        <translation>Reads the weight as read weight --count 0 does and serves it, read-only, to up to 8 phones at once: the weight as the window shows it, whether the last read gave one, the address, the line and how the last read ended, updated at each reading. The first line printed is the address to open, with a random token (128 bits, new at each start); a request without it is refused. Then each reading as read prints it; on stderr the number of phones watching whenever it changes. Ctrl-C or SIGTERM end it and close every connection.</translation>
    </message>
    <message>
        <source>Exit status 0 when it was stopped so, 1 when the address could not be served or the port was lost.</source>
        <translation>Exit status 0 when it was stopped so, 1 when the address could not be served or the port was lost.</translation>
    </message>
    <message>
        <source>write the 35 parameters of the instrument at --addr as the reference: JSON, one entry a line with code, group, raw count and decimal places; the clock (year .. sec) marked ignore, ID and bAud perInstrument. Add &quot;tolerance&quot;: N (counts) or &quot;ignore&quot;: true to an entry by hand</source>
        <translation>write the 35 parameters of the instrument at --addr as the reference: JSON, one entry a line with code, group, raw count and decimal places; the clock (year .. sec) marked ignore, ID and bAud perInstrument. Add &quot;tolerance&quot;: N (counts) or &quot;ignore&quot;: true to an entry by hand</translation>
    </message>
    <message>
        <source>the reference file; one with a missing, unknown, duplicated or malformed entry is refused (its line and entry named, exit status 2)</source>
        <translation>the reference file; one with a missing, unknown, duplicated or malformed entry is refused (its line and entry named, exit status 2)</translation>
    </message>
    <message>
        <source>the instruments to compare, one after another: 1,2,5-9 (default 1)</source>
        <translation>the instruments to compare, one after another: 1,2,5-9 (default 1)</translation>
    </message>
    <message>
        <source>one JSON object: per instrument its result (same, differs, failed), each difference with code, reference and instrument value (raw, places, text)</source>
        <translation>one JSON object: per instrument its result (same, differs, failed), each difference with code, reference and instrument value (raw, places, text)</translation>
    </message>
    <message>
        <source>also write the matrix as CSV</source>
        <translation>also write the matrix as CSV</translation>
    </message>
    <message>
        <source>Reads each instrument&apos;s decimal point and four parameter groups, then prints the matrix of the parameters that differ on some instrument (= the reference&apos;s value, ~ within its tolerance, - not read) and a line per instrument. Exit status 0 when every instrument matches, 1 when one differs or could not be read.</source>
        <translation>Reads each instrument&apos;s decimal point and four parameter groups, then prints the matrix of the parameters that differ on some instrument (= the reference&apos;s value, ~ within its tolerance, - not read) and a line per instrument. Exit status 0 when every instrument matches, 1 when one differs or could not be read.</translation>
    </message>
    <message>
        <source>one object: {&quot;diagnosis&quot;: {&quot;code&quot;, &quot;advice&quot;, &quot;evidence&quot;, ...}}</source>
        <translation>one object: {&quot;diagnosis&quot;: {&quot;code&quot;, &quot;advice&quot;, &quot;evidence&quot;, ...}}</translation>
    </message>
    <message>
        <source>Why the instrument at --addr does not answer at --baud: listens to the line, reads the weight once with a 2 s wait, then asks a few short questions (other rates, parity and stop bits, addresses 1 to 32), reads only, and names the cause: ok, silent, wrong-address, wrong-baud, wrong-parity, late-reply, garbled, echo-only, exception, gateway, ascii-output, modbus-ascii or unrequested, with what to change and the evidence: what was sent, what came back and when, and on a real serial port its error counters.</source>
        <translation>Why the instrument at --addr does not answer at --baud: listens to the line, reads the weight once with a 2 s wait, then asks a few short questions (other rates, parity and stop bits, addresses 1 to 32), reads only, and names the cause: ok, silent, wrong-address, wrong-baud, wrong-parity, late-reply, garbled, echo-only, exception, gateway, ascii-output, modbus-ascii or unrequested, with what to change and the evidence: what was sent, what came back and when, and on a real serial port its error counters.</translation>
    </message>
    <message>
        <source>Exit status 0 when the instrument answers as set, 1 otherwise.</source>
        <translation>Exit status 0 when the instrument answers as set, 1 otherwise.</translation>
    </message>
    <message>
        <source>{&quot;address&quot;, &quot;baud&quot;, &quot;parity&quot;, &quot;stopBits&quot;, ...}</source>
        <translation>{&quot;address&quot;, &quot;baud&quot;, &quot;parity&quot;, &quot;stopBits&quot;, ...}</translation>
    </message>
    <message>
        <source>Finds an instrument whose address, rate and parity/stop bits are all unknown: --addr at --baud 8N2 first, address 1 at every rate and framing (8N2, 8N1, 8E1, 8O1), then every address of --from..--to at each; bytes that come lead to their rate first. Stops at the first checked frame and prints: address A baud B parity none|even|odd stopBits 1|2.</source>
        <translation>Finds an instrument whose address, rate and parity/stop bits are all unknown: --addr at --baud 8N2 first, address 1 at every rate and framing (8N2, 8N1, 8E1, 8O1), then every address of --from..--to at each; bytes that come lead to their rate first. Stops at the first checked frame and prints: address A baud B parity none|even|odd stopBits 1|2.</translation>
    </message>
    <message>
        <source>one JSON object per port: path, description, manufacturer, serialNumber, stableNames</source>
        <translation>one JSON object per port: path, description, manufacturer, serialNumber, stableNames</translation>
    </message>
    <message>
        <source>The serial ports this machine lists, one a line: the name to give --port, the adapter&apos;s description, manufacturer and serial number where it has them, and below it the stable names that lead to it (/dev/serial/by-id; Windows has none). Opens no port.</source>
        <translation>The serial ports this machine lists, one a line: the name to give --port, the adapter&apos;s description, manufacturer and serial number where it has them, and below it the stable names that lead to it (/dev/serial/by-id; Windows has none). Opens no port.</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>%1 给出了两次</source>
        <translation>%1 is given twice</translation>
    </message>
    <message>
        <source>缺少 %1 的值</source>
        <translation>%1 needs a value</translation>
    </message>
    <message>
        <source>--lang 应为 en 或 zh，而不是“%1”</source>
        <translation>--lang must be en or zh, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>用法见 scalecheck --help</source>
        <translation>see scalecheck --help</translation>
    </message>
    <message>
        <source>未找到中文字体，窗口的中文会显示为方框 / No font with Chinese characters: the window&apos;s Chinese shows as boxes. Install Chinese (Simplified) fonts, or keep the fonts folder beside scalecheck.exe</source>
        <translation>No font with Chinese characters: the window&apos;s Chinese shows as boxes. Install Chinese (Simplified) fonts, or keep the fonts folder beside scalecheck.exe</translation>
    </message>
</context>
<context>
    <name>CounterBar</name>
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
    <message>
        <source>发送：发出的请求；正常：通过检查的应答；无应答：超时未收到；校验：CRC 错误；异常：仪表拒绝请求（异常应答）；地址：其他从站的应答；不完整：只收到一部分；其他：功能码错误、字节数错误、帧格式错误、发送失败；回显：去除了适配器回送的请求的应答（线路有回显，不是仪表故障）；跳过：应答前有杂散字节（如收发器切换时的 0x00）被跳过的应答；迟到：超时之后才到的应答，不采用，计在这里而不计为无应答</source>
        <translation>Sent: requests sent; OK: replies that passed checking; No reply: timed out; CRC: CRC errors; Exception: the instrument refused the request (exception reply); Address: replies from another slave; Incomplete: only part received; Other: wrong function code, wrong byte count, malformed frame, write failed; Echo: replies after the adapter&apos;s echo of the request was removed (the line echoes, the instrument is not at fault); Skipped: replies after stray leading bytes (such as a 0x00 when the transceiver switches) were skipped; Late: replies that came after their timeout, not used, counted here instead of as no reply</translation>
    </message>
</context>
<context>
    <name>Diagnosis</name>
    <message>
        <source>转换器的设置</source>
        <translation>the converter&apos;s settings</translation>
    </message>
    <message>
        <source>仪表按当前设置应答（用时 %1 ms）</source>
        <translation>the instrument answers as set (%1 ms)</translation>
    </message>
    <message>
        <source>仪表按当前设置应答</source>
        <translation>the instrument answers as set</translation>
    </message>
    <message>
        <source>无应答：线路上没有收到任何字节</source>
        <translation>no reply: not a byte came back</translation>
    </message>
    <message>
        <source>无应答：线路上没有收到任何字节（只问了地址 1–%1）</source>
        <translation>no reply: not a byte came back (only addresses 1–%1 were asked)</translation>
    </message>
    <message>
        <source>地址 %1 的仪表应答，当前地址为 %2</source>
        <translation>an instrument answers at address %1; address set: %2</translation>
    </message>
    <message>
        <source>仪表在 %1 波特应答，当前为 %2 波特</source>
        <translation>an instrument answers at %1 baud; rate set: %2</translation>
    </message>
    <message>
        <source>仪表只按 %1 应答，当前为 %2</source>
        <translation>it answers only with %1; the line is %2</translation>
    </message>
    <message>
        <source>应答迟到：%1 ms 后才到，超时为 %2 ms</source>
        <translation>late reply: after %1 ms, timeout %2 ms</translation>
    </message>
    <message>
        <source>应答迟到：超时 %1 ms 之后才到</source>
        <translation>late reply: after the %1 ms timeout</translation>
    </message>
    <message>
        <source>收到字节，但没有一个有效的帧</source>
        <translation>bytes arrive, never a valid frame</translation>
    </message>
    <message>
        <source>只收到适配器的回显，仪表没有应答</source>
        <translation>only the adapter&apos;s echo; the instrument is silent</translation>
    </message>
    <message>
        <source>仪表拒绝读取：%1</source>
        <translation>the instrument refuses the read: %1</translation>
    </message>
    <message>
        <source>网关应答%1：联系不到仪表</source>
        <translation>the gateway answers %1: it cannot reach the instrument</translation>
    </message>
    <message>
        <source>仪表在连续发送文本：%1</source>
        <translation>the indicator sends text lines: %1</translation>
    </message>
    <message>
        <source>收到 Modbus ASCII 帧：%1</source>
        <translation>Modbus ASCII frames arrive: %1</translation>
    </message>
    <message>
        <source>线路上有无人请求的字节流（%1 字节）</source>
        <translation>a stream nobody asked for (%1 bytes)</translation>
    </message>
    <message>
        <source>可能是波特率或校验位不一致、线路干扰，或线路上有另一个主站</source>
        <translation>a rate or parity mismatch, noise, or a second master</translation>
    </message>
    <message>
        <source>请检查接线、A/B 是否接反、仪表电源，再核对仪表的地址和波特率</source>
        <translation>check the wiring, A/B swapped, the instrument&apos;s power, then its address and baud rate</translation>
    </message>
    <message>
        <source>地址或波特率不明时，在“总线”中点“查找设置”查找仪表</source>
        <translation>if the address or rate is not known, press Find settings in Bus to search for the instrument</translation>
    </message>
    <message>
        <source>地址或波特率不明时，用 scalecheck-cli find 查找仪表</source>
        <translation>if the address or rate is not known, search for the instrument with scalecheck-cli find</translation>
    </message>
    <message>
        <source>将地址改为 %1</source>
        <translation>set the address to %1</translation>
    </message>
    <message>
        <source>将波特率改为 %1</source>
        <translation>set the baud rate to %1</translation>
    </message>
    <message>
        <source>本工具按 %1 通讯：请在仪表的通讯参数中把校验位和停止位设为 %1</source>
        <translation>this tool speaks %1: set the instrument&apos;s parity and stop bits to %1</translation>
    </message>
    <message>
        <source>将超时加大到 %1 ms</source>
        <translation>raise the timeout to %1 ms</translation>
    </message>
    <message>
        <source>请加大超时</source>
        <translation>raise the timeout</translation>
    </message>
    <message>
        <source>请检查仪表的电源、接线和地址</source>
        <translation>check the instrument&apos;s power, wiring and address</translation>
    </message>
    <message>
        <source>请将仪表的通讯方式设为 Modbus RTU</source>
        <translation>set the instrument to Modbus RTU</translation>
    </message>
    <message>
        <source>请断开另一个主站，或把处于连续发送模式的设备改为 Modbus RTU</source>
        <translation>disconnect the other master, or set the streaming device to Modbus RTU</translation>
    </message>
    <message>
        <source>仪表在线，但不提供此数据：请核对仪表型号和寄存器地址</source>
        <translation>the instrument is there but lacks this data: check its model and registers</translation>
    </message>
    <message>
        <source>请检查网关串口侧的设置，以及网关后仪表的地址和接线</source>
        <translation>check the gateway&apos;s serial settings and the instrument behind it</translation>
    </message>
    <message>
        <source>%1；%2</source>
        <translation>%1; %2</translation>
    </message>
    <message>
        <source>地址 %1，%2</source>
        <translation>address %1, %2</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>%1，%2 ms</source>
        <translation>%1, %2 ms</translation>
    </message>
    <message>
        <source>%1：发送 %2；收到 %3（%4）</source>
        <translation>%1: sent %2; received %3 (%4)</translation>
    </message>
    <message>
        <source>问 %1</source>
        <translation>asked %1</translation>
    </message>
    <message>
        <source>静听 %1 ms：无人请求的字节为零</source>
        <translation>listened %1 ms: nothing unrequested</translation>
    </message>
    <message>
        <source>无人请求的字节（%1 字节）：%2</source>
        <translation>unrequested bytes (%1): %2</translation>
    </message>
    <message>
        <source>串口错误计数：帧错误 %1，校验错误 %2，溢出 %3，中断 %4</source>
        <translation>UART errors: framing %1, parity %2, overrun %3, break %4</translation>
    </message>
    <message>
        <source>串口错误计数：帧错误 %1，校验错误 %2，溢出 %3（系统不计中断）</source>
        <translation>UART errors: framing %1, parity %2, overrun %3 (the system counts no breaks)</translation>
    </message>
</context>
<context>
    <name>DiagnosisView</name>
    <message>
        <source>应用建议</source>
        <translation>Apply advice</translation>
    </message>
    <message>
        <source>立即诊断</source>
        <translation>Diagnose now</translation>
    </message>
    <message>
        <source>读取失败时，这里列出原因和依据</source>
        <translation>When a read fails, its cause and evidence are listed here</translation>
    </message>
    <message>
        <source>在操作员的读取之间向线路提几个简短的问题（只读，几秒内结束）</source>
        <translation>Asks the line a few short questions between the operator&apos;s reads (read-only, over in seconds)</translation>
    </message>
    <message>
        <source>查找设置</source>
        <translation>Find settings</translation>
    </message>
    <message>
        <source>在“总线”中查找仪表的地址、波特率和校验位</source>
        <translation>Searches Bus for the instrument&apos;s address, baud rate and parity</translation>
    </message>
    <message>
        <source>诊断完成：向线路提问 %1 次</source>
        <translation>Diagnosis done: %1 questions asked</translation>
    </message>
    <message>
        <source>依据：这次读取本身</source>
        <translation>From the failed read itself</translation>
    </message>
    <message>
        <source>正在诊断：在读取之间向线路提问…</source>
        <translation>Diagnosing: asking the line between reads…</translation>
    </message>
    <message>
        <source>端口或设置已更改，诊断已停止</source>
        <translation>Port or settings changed: diagnosis stopped</translation>
    </message>
    <message>
        <source>端口或设置已更改：以上原因是按之前的设置找到的</source>
        <translation>Port or settings changed: the cause above was found with the earlier settings</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>毛重显示</source>
        <translation>Gross weight</translation>
    </message>
    <message>
        <source>点击在“总线”中查找设置</source>
        <translation>Click to find the settings in Bus</translation>
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
    <message>
        <source>地址 %1</source>
        <translation>address %1</translation>
    </message>
    <message>
        <source>请先读取全部四页参数，再保存为参考</source>
        <translation>Read all four pages first, then save them as the reference</translation>
    </message>
    <message>
        <source>保存为参考</source>
        <translation>Save as reference</translation>
    </message>
    <message>
        <source>参考文件 (*.json)</source>
        <translation>Reference files (*.json)</translation>
    </message>
    <message>
        <source>参考</source>
        <translation>Reference</translation>
    </message>
    <message>
        <source>参考已保存：%1</source>
        <translation>Reference saved: %1</translation>
    </message>
    <message>
        <source>载入参考</source>
        <translation>Load reference</translation>
    </message>
    <message>
        <source>已载入参考：%1</source>
        <translation>Reference loaded: %1</translation>
    </message>
    <message>
        <source>保存为参考…</source>
        <translation>Save as reference…</translation>
    </message>
    <message>
        <source>载入参考并比较…</source>
        <translation>Load reference and compare…</translation>
    </message>
    <message>
        <source>清除参考</source>
        <translation>Clear reference</translation>
    </message>
    <message>
        <source>手机查看</source>
        <translation>Phone view</translation>
    </message>
    <message>
        <source>诊断</source>
        <translation>Diagnosis</translation>
    </message>
    <message>
        <source>端口已关闭，诊断中止</source>
        <translation>The port closed: the diagnosis stopped</translation>
    </message>
    <message>
        <source>上一次诊断还没有结束，请稍候再试</source>
        <translation>The last diagnosis has not ended; try again in a moment</translation>
    </message>
    <message>
        <source>请先打开端口</source>
        <translation>Open the port first</translation>
    </message>
    <message>
        <source>点击应用：%1</source>
        <translation>Click to apply: %1</translation>
    </message>
    <message>
        <source>已将地址改为 %1</source>
        <translation>Address set to %1</translation>
    </message>
    <message>
        <source>已将波特率改为 %1</source>
        <translation>Baud rate set to %1</translation>
    </message>
    <message>
        <source>已将超时加大到 %1 ms</source>
        <translation>Timeout raised to %1 ms</translation>
    </message>
    <message>
        <source>检定测试</source>
        <translation>Verification</translation>
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
    <name>LiveServer</name>
    <message>
        <source>查看的人数已满（%1），请稍后再试。</source>
        <translation>Too many viewers (%1); try again later.</translation>
    </message>
    <message>
        <source>实时重量</source>
        <translation>Live weight</translation>
    </message>
    <message>
        <source>毛重</source>
        <translation>Gross weight</translation>
    </message>
    <message>
        <source>等待读数…</source>
        <translation>Waiting for a reading…</translation>
    </message>
    <message>
        <source>正在连接…</source>
        <translation>Connecting…</translation>
    </message>
    <message>
        <source>请放置</source>
        <translation>Place next</translation>
    </message>
    <message>
        <source>上一步</source>
        <translation>Last step</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>线路</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>上次读取</source>
        <translation>Last read</translation>
    </message>
    <message>
        <source>更新于</source>
        <translation>Updated</translation>
    </message>
    <message>
        <source>只读：此页面只显示读数，不能操作仪表。</source>
        <translation>Read-only: this page shows readings and cannot operate the instrument.</translation>
    </message>
    <message>
        <source>稳定</source>
        <translation>Stable</translation>
    </message>
    <message>
        <source>未稳定</source>
        <translation>Not stable</translation>
    </message>
    <message>
        <source>无有效读数</source>
        <translation>No valid reading</translation>
    </message>
    <message>
        <source>未收到新读数</source>
        <translation>No new reading</translation>
    </message>
    <message>
        <source>已连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>连接中断，正在重连…</source>
        <translation>Connection lost, reconnecting…</translation>
    </message>
    <message>
        <source>端口已断开</source>
        <translation>Port disconnected</translation>
    </message>
</context>
<context>
    <name>LiveViewDialog</name>
    <message>
        <source>手机查看</source>
        <translation>View on phone</translation>
    </message>
    <message>
        <source>%1（仅本机）</source>
        <translation>%1 (this machine only)</translation>
    </message>
    <message>
        <source>本机地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>手机打开</source>
        <translation>Open on phone</translation>
    </message>
    <message>
        <source>手机与本机须在同一网络。页面只读，不能操作仪表；关闭后地址失效。</source>
        <translation>The phone must be on the same network. The page is read-only and cannot operate the instrument; the address stops working once turned off.</translation>
    </message>
    <message>
        <source>无法在 %1 端口 %2 上开启：%3</source>
        <translation>Cannot turn on at %1 port %2: %3</translation>
    </message>
    <message>
        <source>关闭手机查看</source>
        <translation>Turn off</translation>
    </message>
    <message>
        <source>开启手机查看</source>
        <translation>Turn on</translation>
    </message>
    <message>
        <source>正在查看的手机：%1 台（最多 %2 台）</source>
        <translation>Phones watching: %1 (at most %2)</translation>
    </message>
    <message>
        <source>未开启</source>
        <translation>Off</translation>
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
    <message>
        <source>网络地址应写作 tcp://主机:端口 或 mbtcp://主机:端口</source>
        <translation>write a network address as tcp://HOST:PORT or mbtcp://HOST:PORT</translation>
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
        <source>%1 超时 %2 ms</source>
        <translation>%1 timeout %2 ms</translation>
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
        <translation>device disconnected (%1)</translation>
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
    <message>
        <source>端口被其他程序占用（Windows 不告知是哪个程序）</source>
        <translation>in use by another program (Windows does not tell which)</translation>
    </message>
</context>
<context>
    <name>PortListDialog</name>
    <message>
        <source>选择串口</source>
        <translation>Choose a port</translation>
    </message>
    <message>
        <source>应答超时：</source>
        <translation>Reply timeout:</translation>
    </message>
    <message>
        <source>标准（400/1000/1500 ms）</source>
        <translation>Standard (400/1000/1500 ms)</translation>
    </message>
    <message>
        <source>仪表应答迟到时加大：每次读取至少等待这么长</source>
        <translation>Raise it for an instrument that answers late: every read waits at least this long</translation>
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
        <source>例如 %1 或 tcp://主机:端口</source>
        <translation>for example %1 or tcp://HOST:PORT</translation>
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
    <name>ReadStatus</name>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>毛重：</source>
        <translation>Gross weight: </translation>
    </message>
    <message>
        <source>读取成功</source>
        <translation>read OK</translation>
    </message>
    <message>
        <source>读取成功（“dot”框为空，小数点位数取自仪表：%1 位）</source>
        <translation>read OK (dot box empty: %1 decimal places from the instrument)</translation>
    </message>
    <message>
        <source>读取成功；%1</source>
        <translation>read OK; %1</translation>
    </message>
    <message>
        <source>仪表地址无效，未发送读取请求</source>
        <translation>invalid instrument address, no request sent</translation>
    </message>
    <message>
        <source>端口未打开</source>
        <translation>port not open</translation>
    </message>
    <message>
        <source>读取请求已在排队</source>
        <translation>a read is already queued</translation>
    </message>
</context>
<context>
    <name>Reference</name>
    <message>
        <source>参考 %1，仪表未读到</source>
        <translation>reference %1, instrument not read</translation>
    </message>
    <message>
        <source>参考 %1，仪表 %2</source>
        <translation>reference %1, instrument %2</translation>
    </message>
    <message>
        <source>无法读取参考文件：%1</source>
        <translation>Cannot read the reference file: %1</translation>
    </message>
    <message>
        <source>不是完整有效的 JSON（%1）</source>
        <translation>not complete, valid JSON (%1)</translation>
    </message>
    <message>
        <source>不是 scalecheck 参考文件（缺少 &quot;format&quot;: &quot;scalecheck-reference&quot;）</source>
        <translation>not a scalecheck reference file (no &quot;format&quot;: &quot;scalecheck-reference&quot;)</translation>
    </message>
    <message>
        <source>缺少版本号 &quot;version&quot;</source>
        <translation>no &quot;version&quot;</translation>
    </message>
    <message>
        <source>版本 %1 不受支持（本工具读写版本 %2）</source>
        <translation>version %1 not supported (this tool reads and writes version %2)</translation>
    </message>
    <message>
        <source>未知字段“%1”</source>
        <translation>unknown field &quot;%1&quot;</translation>
    </message>
    <message>
        <source>缺少参数列表 &quot;parameters&quot;</source>
        <translation>no &quot;parameters&quot; list</translation>
    </message>
    <message>
        <source>条目不是对象</source>
        <translation>the entry is not an object</translation>
    </message>
    <message>
        <source>缺少字段“%1”</source>
        <translation>field &quot;%1&quot; missing</translation>
    </message>
    <message>
        <source>字段“%1”类型错误（应为 %2）</source>
        <translation>field &quot;%1&quot; has the wrong type (should be %2)</translation>
    </message>
    <message>
        <source>字段“%1”超出范围（应为 %2）</source>
        <translation>field &quot;%1&quot; out of range (should be %2)</translation>
    </message>
    <message>
        <source>仪表没有这个参数代码</source>
        <translation>the instrument has no such parameter code</translation>
    </message>
    <message>
        <source>参数组应为“%1”</source>
        <translation>the group should be &quot;%1&quot;</translation>
    </message>
    <message>
        <source>参数重复（第 %1 行已有）</source>
        <translation>given twice (already on line %1)</translation>
    </message>
    <message>
        <source>缺少参数 %1</source>
        <translation>parameter %1 missing</translation>
    </message>
    <message>
        <source>参考文件第 %1 行</source>
        <translation>reference file, line %1</translation>
    </message>
    <message>
        <source>参考文件</source>
        <translation>reference file</translation>
    </message>
    <message>
        <source>%1，参数 %2</source>
        <translation>%1, parameter %2</translation>
    </message>
    <message>
        <source>%1，第 %2 个条目</source>
        <translation>%1, entry %2</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>ReferenceMarks</name>
    <message>
        <source>在参考容差内（±%1）：%2</source>
        <translation>Within the reference&apos;s tolerance (±%1): %2</translation>
    </message>
    <message>
        <source>与参考不同：%1</source>
        <translation>Differs from the reference: %1</translation>
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
        <source>应答超时</source>
        <translation>Reply timeout</translation>
    </message>
    <message>
        <source>每次读取至少 %1 ms</source>
        <translation>at least %1 ms for every read</translation>
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
    <message>
        <source>&lt;h2&gt;与参考比较&lt;/h2&gt;
</source>
        <translation>&lt;h2&gt;Comparison with the reference&lt;/h2&gt;
</translation>
    </message>
    <message>
        <source>&lt;p&gt;参考：%1&lt;/p&gt;
</source>
        <translation>&lt;p&gt;Reference: %1&lt;/p&gt;
</translation>
    </message>
    <message>
        <source>仪表</source>
        <translation>Instrument</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>参考值</source>
        <translation>Reference</translation>
    </message>
    <message>
        <source>仪表值</source>
        <translation>Instrument value</translation>
    </message>
    <message>
        <source>%1（容差内）</source>
        <translation>%1 (within tolerance)</translation>
    </message>
    <message>
        <source>合格</source>
        <translation>PASS</translation>
    </message>
    <message>
        <source>不合格</source>
        <translation>FAIL</translation>
    </message>
    <message>
        <source>检定测试结论：</source>
        <translation>Verification test:</translation>
    </message>
    <message>
        <source>%1，%2；这是测试记录的结论，不是法定检定标记。</source>
        <translation>%1, %2; the result of a test record, not a legal verification mark.</translation>
    </message>
    <message>
        <source>迟到</source>
        <translation>Late</translation>
    </message>
    <message>
        <source>同</source>
        <translation>Same</translation>
    </message>
    <message>
        <source>不同 %1 项</source>
        <translation>%1 differ</translation>
    </message>
    <message>
        <source>无法比较：%1</source>
        <translation>Cannot compare: %1</translation>
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
    <message>
        <source>  迟到 %1</source>
        <translation>  Late %1</translation>
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
    <message>
        <source>迟到</source>
        <translation>Late</translation>
    </message>
    <message>
        <source>超时后 %1 到达，未采用</source>
        <translation>came %1 after the timeout, not used</translation>
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
    <message>
        <source>%1，读不出延迟：可在 设备管理器 → 端口设置 → 高级 → Latency Timer 设为 %2</source>
        <translation>%1, latency not readable: set Device Manager → Port Settings → Advanced → Latency Timer to %2</translation>
    </message>
    <message>
        <source>%1，延迟 %2：可在 设备管理器 → 端口设置 → 高级 → Latency Timer 改为 %3</source>
        <translation>%1, latency %2: set Device Manager → Port Settings → Advanced → Latency Timer to %3</translation>
    </message>
</context>
<context>
    <name>VerificationDialog</name>
    <message>
        <source>不稳定</source>
        <translation>Not stable</translation>
    </message>
    <message>
        <source>示值未变化</source>
        <translation>No change seen</translation>
    </message>
    <message>
        <source>通过</source>
        <translation>Pass</translation>
    </message>
    <message>
        <source>超差</source>
        <translation>Out of limits</translation>
    </message>
    <message>
        <source>开始测试</source>
        <translation>Start test</translation>
    </message>
    <message>
        <source>已放好，继续</source>
        <translation>Placed, continue</translation>
    </message>
    <message>
        <source>写出记录…</source>
        <translation>Write record…</translation>
    </message>
    <message>
        <source>检定测试</source>
        <translation>Verification test</translation>
    </message>
    <message>
        <source>写出检定测试记录</source>
        <translation>Write test record</translation>
    </message>
    <message>
        <source>PDF 文件 (*.pdf)</source>
        <translation>PDF files (*.pdf)</translation>
    </message>
    <message>
        <source>首次检定</source>
        <translation>Initial verification</translation>
    </message>
    <message>
        <source>使用中检验</source>
        <translation>In service</translation>
    </message>
    <message>
        <source>按等级（可空）</source>
        <translation>By class (optional)</translation>
    </message>
    <message>
        <source>0,50,100,200,300（可空）</source>
        <translation>0,50,100,200,300 (optional)</translation>
    </message>
    <message>
        <source>约 Max/3（可空）</source>
        <translation>About Max/3 (optional)</translation>
    </message>
    <message>
        <source>3@150（可空）</source>
        <translation>3@150 (optional)</translation>
    </message>
    <message>
        <source>测试方案</source>
        <translation>Test plan</translation>
    </message>
    <message>
        <source>准确度等级</source>
        <translation>Accuracy class</translation>
    </message>
    <message>
        <source>限值</source>
        <translation>Limits</translation>
    </message>
    <message>
        <source>最大秤量 Max</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>最小秤量 Min</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>检定分度值 e</source>
        <translation>Verification interval e</translation>
    </message>
    <message>
        <source>载荷</source>
        <translation>Loads</translation>
    </message>
    <message>
        <source>偏载载荷</source>
        <translation>Eccentricity load</translation>
    </message>
    <message>
        <source>重复性</source>
        <translation>Repeatability</translation>
    </message>
    <message>
        <source>测试条件</source>
        <translation>Test conditions</translation>
    </message>
    <message>
        <source>砝码编号</source>
        <translation>Test weights</translation>
    </message>
    <message>
        <source>技术员</source>
        <translation>Technician</translation>
    </message>
    <message>
        <source>地点</source>
        <translation>Place</translation>
    </message>
    <message>
        <source>温度</source>
        <translation>Temperature</translation>
    </message>
    <message>
        <source>仪表</source>
        <translation>Instrument</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>载荷 L</source>
        <translation>Load L</translation>
    </message>
    <message>
        <source>示值 I</source>
        <translation>Indication I</translation>
    </message>
    <message>
        <source>误差 E</source>
        <translation>Error E</translation>
    </message>
    <message>
        <source>E/e</source>
        <translation>E/e</translation>
    </message>
    <message>
        <source>MPE</source>
        <translation>MPE</translation>
    </message>
    <message>
        <source>稳定用时(ms)</source>
        <translation>Settle (ms)</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>填写测试方案，然后按“开始测试”。</source>
        <translation>Fill in the plan, then press &quot;Start test&quot;.</translation>
    </message>
    <message>
        <source>没有可读取的毛重</source>
        <translation>No weight to read</translation>
    </message>
    <message>
        <source>稳定</source>
        <translation>Stable</translation>
    </message>
    <message>
        <source>测试结束。</source>
        <translation>Test finished.</translation>
    </message>
    <message>
        <source>第 %1/%2 步 %3</source>
        <translation>Step %1/%2 %3</translation>
    </message>
    <message>
        <source>%1：等待示值稳定…</source>
        <translation>%1: waiting for the weight to settle…</translation>
    </message>
    <message>
        <source>%1：请再加 0.1 e，然后按“已放好，继续”</source>
        <translation>%1: add 0.1 e, then press &quot;Placed, continue&quot;</translation>
    </message>
    <message>
        <source>%1：请清空秤台，然后按“已放好，继续”</source>
        <translation>%1: clear the platform, then press &quot;Placed, continue&quot;</translation>
    </message>
    <message>
        <source>%1：请放上 %2%3，然后按“已放好，继续”</source>
        <translation>%1: put on %2%3, then press &quot;Placed, continue&quot;</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>合格</source>
        <translation>PASS</translation>
    </message>
    <message>
        <source>不合格</source>
        <translation>FAIL</translation>
    </message>
    <message>
        <source>检定测试记录.pdf</source>
        <translation>verification-record.pdf</translation>
    </message>
    <message>
        <source>无法写出检定测试记录：%1</source>
        <translation>Cannot write the test record: %1</translation>
    </message>
    <message>
        <source>检定测试记录已写出：%1，%2，%3</source>
        <translation>Test record written: %1, %2, %3</translation>
    </message>
    <message>
        <source>%1，e %2，Max %3，%4</source>
        <translation>%1, e %2, Max %3, %4</translation>
    </message>
    <message>
        <source>%1“%2”应为 1、2 或 5 × 10^k</source>
        <translation>%1 &quot;%2&quot; must be 1, 2 or 5 × 10^k</translation>
    </message>
    <message>
        <source>%1“%2”应为检定分度值 e 的整数倍</source>
        <translation>%1 &quot;%2&quot; must be a whole number of the verification interval e</translation>
    </message>
    <message>
        <source>%1“%2”无效</source>
        <translation>%1 &quot;%2&quot; is not valid</translation>
    </message>
    <message>
        <source>%1“%2”的小数位多于仪表显示的 %3 位</source>
        <translation>%1 &quot;%2&quot; has more decimals than the %3 the indicator shows</translation>
    </message>
    <message>
        <source>%1“%2”超出允许的范围</source>
        <translation>%1 &quot;%2&quot; is out of range</translation>
    </message>
    <message>
        <source>%1应从小到大排列</source>
        <translation>%1 must be in ascending order</translation>
    </message>
    <message>
        <source>Max/e = %1：%2 级的检定分度数应为 %3 至 %4（%5）</source>
        <translation>Max/e = %1: a class %2 instrument has %3 to %4 verification intervals (%5)</translation>
    </message>
    <message>
        <source>Max/e = %1：%2 级的检定分度数应至少为 %3（%4）</source>
        <translation>Max/e = %1: a class %2 instrument has at least %3 verification intervals (%4)</translation>
    </message>
    <message>
        <source>变化点载荷</source>
        <translation>Change-point load</translation>
    </message>
    <message>
        <source>测试方案与仪表不符，请修改后重新开始。</source>
        <translation>The plan does not fit the indicator: change it and start again.</translation>
    </message>
    <message>
        <source>测试结束</source>
        <translation>Test finished</translation>
    </message>
    <message>
        <source>请填写%1</source>
        <translation>Fill in %1</translation>
    </message>
</context>
<context>
    <name>Verify</name>
    <message>
        <source>第 %1/%2 步 %3：请再加 %4（0.1 e），然后按回车</source>
        <translation>Step %1/%2 %3: add %4 (0.1 e), then press Enter</translation>
    </message>
    <message>
        <source>第 %1/%2 步 %3：请清空秤台，然后按回车</source>
        <translation>Step %1/%2 %3: clear the platform, then press Enter</translation>
    </message>
    <message>
        <source>第 %1/%2 步 %3：请放上 %4%5，然后按回车</source>
        <translation>Step %1/%2 %3: put on %4%5, then press Enter</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>不稳定，不合格</source>
        <translation>unstable, fail</translation>
    </message>
    <message>
        <source>示值未变化，不合格</source>
        <translation>no change seen, fail</translation>
    </message>
    <message>
        <source>通过</source>
        <translation>pass</translation>
    </message>
    <message>
        <source>超差</source>
        <translation>out of limits</translation>
    </message>
    <message>
        <source>第 %1 步 %2：载荷 %3，示值 %4，误差 %5（%6 e），MPE %7：%8</source>
        <translation>Step %1 %2: load %3, indication %4, error %5 (%6 e), MPE %7: %8</translation>
    </message>
    <message>
        <source>测试未完成，不能判定合格</source>
        <translation>The test did not finish; no pass can be given</translation>
    </message>
    <message>
        <source>无法写出检定测试记录 %1</source>
        <translation>Cannot write the test record %1</translation>
    </message>
    <message>
        <source>检定测试记录已写出：%1</source>
        <translation>Test record written: %1</translation>
    </message>
    <message>
        <source>结论：合格</source>
        <translation>Verdict: PASS</translation>
    </message>
    <message>
        <source>结论：不合格</source>
        <translation>Verdict: FAIL</translation>
    </message>
    <message>
        <source>--plan 与方案的选项不能同时给出</source>
        <translation>--plan and plan options do not go together</translation>
    </message>
    <message>
        <source>无法读取方案文件 %1</source>
        <translation>Cannot read the plan file %1</translation>
    </message>
    <message>
        <source>%1 的值“%2”不是 1、2 或 5 × 10^k</source>
        <translation>%1: &quot;%2&quot; is not 1, 2 or 5 × 10^k</translation>
    </message>
    <message>
        <source>%1 的值“%2”不是 e 的整数倍</source>
        <translation>%1: &quot;%2&quot; is not a whole number of e</translation>
    </message>
    <message>
        <source>%1 的值“%2”使 n = Max/e = %3，%4 级应为 %5（%6）</source>
        <translation>%1: &quot;%2&quot; makes n = Max/e = %3; class %4 takes %5 (%6)</translation>
    </message>
    <message>
        <source>%1 的值“%2”无效</source>
        <translation>%1: &quot;%2&quot; is not valid</translation>
    </message>
    <message>
        <source>%1 的值“%2”的小数位多于仪表显示的 %3 位</source>
        <translation>%1: &quot;%2&quot; has more decimals than the %3 the indicator shows</translation>
    </message>
    <message>
        <source>%1 的值“%2”超出允许的范围</source>
        <translation>%1: &quot;%2&quot; is out of range</translation>
    </message>
    <message>
        <source>%1 的载荷应从小到大排列</source>
        <translation>%1: the loads must be in ascending order</translation>
    </message>
    <message>
        <source>%1 给出了两次</source>
        <translation>%1 is given twice</translation>
    </message>
    <message>
        <source>%1 至 %2</source>
        <translation>%1 to %2</translation>
    </message>
    <message>
        <source>方案文件不是有效的 JSON 对象</source>
        <translation>The plan file is not a valid JSON object</translation>
    </message>
    <message>
        <source>方案文件中没有 %1 这一项</source>
        <translation>The plan file has no entry %1</translation>
    </message>
    <message>
        <source>方案文件中的 %1</source>
        <translation>%1 in the plan file</translation>
    </message>
    <message>
        <source>缺少 %1 的值</source>
        <translation>%1 needs a value</translation>
    </message>
    <message>
        <source>至少 %1</source>
        <translation>at least %1</translation>
    </message>
    <message>
        <source>in the indicator&apos;s unit, with its decimal point</source>
        <translation>in the indicator&apos;s unit, with its decimal point</translation>
    </message>
    <message>
        <source>the test weights&apos; identifier, who tested, where and at what temperature, as the record prints them</source>
        <translation>the test weights&apos; identifier, who tested, where and at what temperature, as the record prints them</translation>
    </message>
    <message>
        <source>I, II, III, IIII (OIML R76-1) or HB44-III (NIST Handbook 44)</source>
        <translation>I, II, III, IIII (OIML R76-1) or HB44-III (NIST Handbook 44)</translation>
    </message>
    <message>
        <source>in-service limits (Handbook 44: maintenance); else initial</source>
        <translation>in-service limits (Handbook 44: maintenance); else initial</translation>
    </message>
    <message>
        <source>the repeatability test</source>
        <translation>the repeatability test</translation>
    </message>
    <message>
        <source>adds a change-point step</source>
        <translation>adds a change-point step</translation>
    </message>
    <message>
        <source>the plan from a JSON file instead of the options above, a key for each: class, inService, e, max, min, loads, eccentricity, repeat, changePoint</source>
        <translation>the plan from a JSON file instead of the options above, a key for each: class, inService, e, max, min, loads, eccentricity, repeat, changePoint</translation>
    </message>
    <message>
        <source>each prompt as one line {&quot;prompt&quot;: &quot;place&quot;, &quot;step&quot;: N, &quot;kind&quot;, &quot;load&quot;, &quot;position&quot;}, the results as one object at the end</source>
        <translation>each prompt as one line {&quot;prompt&quot;: &quot;place&quot;, &quot;step&quot;: N, &quot;kind&quot;, &quot;load&quot;, &quot;position&quot;}, the results as one object at the end</translation>
    </message>
    <message>
        <source>the test record as PDF, with FILE.html and FILE.json beside it; a test record, not a legal verification mark</source>
        <translation>the test record as PDF, with FILE.html and FILE.json beside it; a test record, not a legal verification mark</translation>
    </message>
    <message>
        <source>how long a load may take to come to rest, in seconds (default 30)</source>
        <translation>how long a load may take to come to rest, in seconds (default 30)</translation>
    </message>
    <message>
        <source>from the start of one weight reading to the start of the next while a load settles (default 0: as fast as the line allows)</source>
        <translation>from the start of one weight reading to the start of the next while a load settles (default 0: as fast as the line allows)</translation>
    </message>
    <message>
        <source>Each step says what to put on the platform and waits for Enter on standard input; the weight is then read as fast as the line allows (--interval) until it is stable (every reading of 1 s within ±0.5 e of their mean), for at most --settle-limit seconds: a step that does not settle is recorded as unstable and fails.</source>
        <translation>Each step says what to put on the platform and waits for Enter on standard input; the weight is then read as fast as the line allows (--interval) until it is stable (every reading of 1 s within ±0.5 e of their mean), for at most --settle-limit seconds: a step that does not settle is recorded as unstable and fails.</translation>
    </message>
    <message>
        <source>A plan is refused when e is not 1, 2 or 5 x 10^k, when n = Max/e is not whole or outside the class (OIML R76-1 Table 3, Handbook 44 Table 3), or when a figure has more decimals than the indicator shows.</source>
        <translation>A plan is refused when e is not 1, 2 or 5 x 10^k, when n = Max/e is not whole or outside the class (OIML R76-1 Table 3, Handbook 44 Table 3), or when a figure has more decimals than the indicator shows.</translation>
    </message>
    <message>
        <source>Exit status 0 when the scale passed, 1 when it failed or the test did not end, 2 for bad usage or a plan refused.</source>
        <translation>Exit status 0 when the scale passed, 1 when it failed or the test did not end, 2 for bad usage or a plan refused.</translation>
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
    <message>
        <source>稳定</source>
        <translation>Stable</translation>
    </message>
    <message>
        <source>稳定用时(ms)</source>
        <translation>Settle time (ms)</translation>
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
    <name>WeightReading</name>
    <message>
        <source>无数据“</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>小数点 %1 无效</source>
        <translation>decimal point %1 is not valid</translation>
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
    <message>
        <source>稳定（%1 s）</source>
        <translation>Stable (%1 s)</translation>
    </message>
    <message>
        <source>未稳定</source>
        <translation>Not stable</translation>
    </message>
</context>
</TS>
