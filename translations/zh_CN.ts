<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en_US">
<context>
    <name>ConnectionForm</name>
    <message>
        <source>MainWindow</source>
        <translation>主窗口</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:13pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;Notice:&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;Make sure to read and understand the Manual of your gripper;&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;Make sure the wiring is correct;&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;This software is just for setup, testing and debugging purposes.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;Auto Connection : for single gripper;&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;Connect: for mutiple grippers.&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:13pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;注意：&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;请确保已阅读并理解夹爪的使用手册；&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;请确保接线正确；&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;本软件仅用于设置、测试和调试。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;自动连接：用于单个夹爪；&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;SimSun&apos;; font-size:12pt;&quot;&gt;连接：用于多个夹爪。&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Auto Connection</source>
        <translation>自动连接</translation>
    </message>
    <message>
        <source>Auto-Connect</source>
        <translation>自动连接</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>ID:</source>
        <translation>ID：</translation>
    </message>
    <message>
        <source>To</source>
        <translation>至</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>Admin</source>
        <translation>管理员</translation>
    </message>
    <message>
        <source>Help Topic</source>
        <translation>帮助主题</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Costum</source>
        <translation>自定义</translation>
    </message>
    <message>
        <source>Grivant -- Connection configuration</source>
        <translation>Grivant -- 连接配置</translation>
    </message>
    <message>
        <source>Copyright (c) Grivant developers. All rights reserved.</source>
        <translation>版权所有 (c) Grivant 开发者。保留所有权利。</translation>
    </message>
    <message>
        <source>Search All</source>
        <translation>搜索全部</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>The start address is higher then the end address.</source>
        <translation>起始地址高于结束地址。</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Searching: </source>
        <translation>正在搜索：</translation>
    </message>
    <message>
        <source>Device Model</source>
        <translation>设备型号</translation>
    </message>
    <message>
        <source>Code:</source>
        <translation>代码：</translation>
    </message>
    <message>
        <source>Online help: https://www.grivant.example/support</source>
        <translation>在线帮助：https://www.grivant.example/support</translation>
    </message>
    <message>
        <source>Serial ports on Linux</source>
        <translation>Linux 下的串口</translation>
    </message>
    <message>
        <source>Only members of the group dialout may open serial ports. Join it, then log out and in again:</source>
        <translation>只有 dialout 组的成员才能打开串口。加入该组，然后注销并重新登录：</translation>
    </message>
    <message>
        <source>ModemManager may probe USB modem-class ports (ttyACM) for some seconds after they appear, which disturbs a search. The udev rule shipped with the tool keeps it away. Install it, then replug the adapter:</source>
        <translation>ModemManager 可能在 USB 调制解调器类串口（ttyACM）出现后的几秒内探测它们，从而干扰搜索。本软件附带的 udev 规则可让它不再碰这些串口。安装该规则，然后重新插拔适配器：</translation>
    </message>
    <message>
        <source>An FTDI adapter holds every answer for its latency timer (16 ms unless lowered), which slows polling to about a third. Grivant lowers it while it is connected where the driver or sysfs let it (the line under the port list tells); this udev rule sets it to 1 ms for good, and grivantctl doctor --port PORT shows it:</source>
        <translation>FTDI 适配器会将每个应答保留其延迟定时器的时长（未降低时为 16 ms），使轮询速度降至约三分之一。在驱动或 sysfs 允许时，Grivant 在连接期间将其降低（端口列表下方的一行会说明）；此 udev 规则可将其永久设为 1 ms，grivantctl doctor --port PORT 可显示它：</translation>
    </message>
    <message>
        <source>Names under /dev/serial/by-id stay the same when an adapter is replugged; the process log shows them. Start the tool with such a name to list it:</source>
        <translation>/dev/serial/by-id 下的名称在重新插拔适配器后保持不变；过程日志会显示这些名称。用这样的名称启动本软件即可列出该串口：</translation>
    </message>
    <message>
        <source>View</source>
        <translation>视图</translation>
    </message>
    <message>
        <source>Traffic monitor</source>
        <translation>通信监视器</translation>
    </message>
    <message>
        <source>ID %1 on %2, %3 baud, parity %4, %5 stop bit(s)
(%6)
Double-click to connect.</source>
        <translation>ID %1，端口 %2，波特率 %3，校验 %4，停止位 %5
(%6)
双击即可连接。</translation>
    </message>
    <message>
        <source>Double-click a device to connect to it.</source>
        <translation>双击设备即可连接。</translation>
    </message>
    <message>
        <source>Grivant User Interface 

 Version : %1

Website : </source>
        <translation>Grivant 用户界面 

 版本 : %1

网站 : </translation>
    </message>
    <message>
        <source>USB adapter</source>
        <translation>USB 适配器</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>serial port of this computer (%1)</source>
        <translation>本机串口（%1）</translation>
    </message>
    <message>
        <source>pseudo-terminal, no adapter</source>
        <translation>伪终端，无适配器</translation>
    </message>
    <message>
        <source>terminal without hardware</source>
        <translation>无硬件的终端</translation>
    </message>
    <message>
        <source>adapter not known</source>
        <translation>适配器未知</translation>
    </message>
    <message>
        <source>no latency timer</source>
        <translation>无延迟定时器</translation>
    </message>
    <message>
        <source>latency timer not known</source>
        <translation>延迟定时器未知</translation>
    </message>
    <message>
        <source>latency timer %1 ms</source>
        <translation>延迟定时器 %1 ms</translation>
    </message>
    <message>
        <source>latency timer not known, left as it is</source>
        <translation>延迟定时器未知，保持原样</translation>
    </message>
    <message>
        <source>latency timer %1 → %2 ms while connected (low latency)</source>
        <translation>延迟定时器 %1 → %2 ms（连接期间，低延迟）</translation>
    </message>
    <message>
        <source>latency timer %1 → %2 ms while connected (timer written)</source>
        <translation>延迟定时器 %1 → %2 ms（连接期间，已写入定时器）</translation>
    </message>
    <message>
        <source>latency timer %1 ms: every answer waits in the adapter</source>
        <translation>延迟定时器 %1 ms：每个应答都在适配器中等待</translation>
    </message>
    <message>
        <source>	 adapter: %1
</source>
        <translation>	 适配器：%1
</translation>
    </message>
    <message>
        <source>Adapter: choose a port to see what stands behind it.</source>
        <translation>适配器：请选择端口以查看其后的适配器。</translation>
    </message>
    <message>
        <source>echoes the requests</source>
        <translation>回显请求</translation>
    </message>
    <message>
        <source>Adapter: %1</source>
        <translation>适配器：%1</translation>
    </message>
    <message>
        <source>serial number %1</source>
        <translation>序列号 %1</translation>
    </message>
    <message>
        <source>Grivant lowers the latency timer to 1 ms while it is connected where the driver or sysfs let it, and puts it back when it disconnects.</source>
        <translation>在驱动或 sysfs 允许时，Grivant 在连接期间将延迟定时器降至 1 ms，断开连接时恢复原值。</translation>
    </message>
    <message>
        <source>ID %1 behind %2
(%3)
Double-click to connect.</source>
        <translation>ID %1，位于 %2 之后
(%3)
双击连接。</translation>
    </message>
    <message>
        <source>Network device…</source>
        <translation>网络设备…</translation>
    </message>
    <message>
        <source>Connection back:	 %1
</source>
        <translation>连接已恢复：	 %1
</translation>
    </message>
    <message>
        <source>Connection lost:	 %1 (%2); trying again with growing pauses
</source>
        <translation>连接中断：	 %1 (%2)；将以逐渐加长的间隔重试
</translation>
    </message>
    <message>
        <source>%1 is no network port</source>
        <translation>%1 不是网络端口</translation>
    </message>
    <message>
        <source>Network: give the address of a device server or a Modbus TCP device.</source>
        <translation>网络：请填写串口服务器或 Modbus TCP 设备的地址。</translation>
    </message>
    <message>
        <source>Network: Modbus TCP device at %1</source>
        <translation>网络：位于 %1 的 Modbus TCP 设备</translation>
    </message>
    <message>
        <source>Network: device server at %1, RTU over TCP</source>
        <translation>网络：位于 %1 的串口服务器，RTU over TCP</translation>
    </message>
    <message>
        <source>its line %1 baud</source>
        <translation>其串行线路 %1 波特</translation>
    </message>
    <message>
        <source>line settings are the device server&apos;s</source>
        <translation>线路参数由串口服务器决定</translation>
    </message>
    <message>
        <source>%1
The search tries the IDs only: baud rate, parity and stop bits do not apply to a network port. A connection that ends is made again with growing pauses; the process log tells when the device server cannot be reached, apart from devices that do not answer behind it.</source>
        <translation>%1
搜索只尝试各个 ID：波特率、校验位和停止位不适用于网络端口。连接中断后会以逐渐加长的间隔重新建立；过程日志会区分“串口服务器无法连接”和“其后的设备没有应答”。</translation>
    </message>
    <message>
        <source>Through a gateway…</source>
        <translation>经由网关…</translation>
    </message>
    <message>
        <source>ID %1 is no device ID (1 to 247)</source>
        <translation>ID %1 不是设备 ID（1 至 247）</translation>
    </message>
    <message>
        <source>Through gateway %1, bus %2, ID %3: asking the broker at %4 for its lease
</source>
        <translation>经由网关 %1、总线 %2、ID %3：向 %4 的代理请求借用
</translation>
    </message>
    <message>
        <source>Gateway: a device of a running gateway&apos;s bus, leased through its broker.</source>
        <translation>网关：运行中网关总线上的设备，经其代理借用。</translation>
    </message>
    <message>
        <source>Gateway %1, bus %2, ID %3 · through the broker at %4 · the line is the gateway&apos;s</source>
        <translation>网关 %1，总线 %2，ID %3 · 经由 %4 的代理 · 线路由网关管理</translation>
    </message>
    <message>
        <source>%1, ID %2
While the window is connected the gateway lends the device to it alone: it does not poll it, shows it as leased, and passes the window&apos;s requests to it between the polls of the other devices of its bus. The lease ends when the window disconnects, or by itself if the window goes away.</source>
        <translation>%1，ID %2
窗口连接期间，网关只把该设备借给本窗口：不再轮询它，将其显示为已借出，并在总线上其他设备的轮询之间转发本窗口的请求。窗口断开连接时借用结束；窗口意外消失时借用也会自行结束。</translation>
    </message>
</context>
<context>
    <name>FeedbackWords</name>
    <message>
        <source>not initialised</source>
        <translation>未初始化</translation>
    </message>
    <message>
        <source>initialised</source>
        <translation>已初始化</translation>
    </message>
    <message>
        <source>initialising</source>
        <translation>初始化中</translation>
    </message>
    <message>
        <source>not homed</source>
        <translation>未回零</translation>
    </message>
    <message>
        <source>homed</source>
        <translation>已回零</translation>
    </message>
    <message>
        <source>homing</source>
        <translation>回零中</translation>
    </message>
    <message>
        <source>moving</source>
        <translation>运动中</translation>
    </message>
    <message>
        <source>arrived</source>
        <translation>到位</translation>
    </message>
    <message>
        <source>caught an object</source>
        <translation>夹住物体</translation>
    </message>
    <message>
        <source>object dropped</source>
        <translation>物体掉落</translation>
    </message>
    <message>
        <source>met an object while pushing</source>
        <translation>推压时遇到物体</translation>
    </message>
    <message>
        <source>push band ended without an object</source>
        <translation>推压区间结束未遇到物体</translation>
    </message>
</context>
<context>
    <name>GatewayDialog</name>
    <message>
        <source>Through a gateway</source>
        <translation>经由网关</translation>
    </message>
    <message>
        <source>broker[:port]</source>
        <translation>代理[:端口]</translation>
    </message>
    <message>
        <source>The broker the gateways publish to, as they reach it: host or address, and its port (1883, or 8883 with TLS).</source>
        <translation>网关发布数据的代理，按网关访问它的方式填写：主机名或地址，以及端口（1883，使用 TLS 时为 8883）。</translation>
    </message>
    <message>
        <source>Login…</source>
        <translation>登录…</translation>
    </message>
    <message>
        <source>Show devices</source>
        <translation>显示设备</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>网关</translation>
    </message>
    <message>
        <source>Bus</source>
        <translation>总线</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>型号</translation>
    </message>
    <message>
        <source>Unique ID</source>
        <translation>唯一 ID</translation>
    </message>
    <message>
        <source>State</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>The gateway lends the device to this window alone while it is connected: it stops polling it, shows it as leased and passes the window&apos;s requests to it between the polls of the other devices of its bus (allow_diagnosis = yes in the gateway&apos;s configuration). A device that is offline, or leased by another client, cannot be chosen.</source>
        <translation>连接期间，网关只把设备借给本窗口：停止轮询它，将其显示为已借出，并在总线上其他设备的轮询之间转发本窗口的请求（网关配置中须有 allow_diagnosis = yes）。离线的设备或已被其他客户端借用的设备不能选择。</translation>
    </message>
    <message>
        <source>Give the broker and show the devices its gateways publish.</source>
        <translation>填写代理，然后显示其网关发布的设备。</translation>
    </message>
    <message>
        <source>Connecting to the broker at %1…</source>
        <translation>正在连接 %1 的代理…</translation>
    </message>
    <message>
        <source>The broker at %1 shows these devices.</source>
        <translation>%1 的代理显示以下设备。</translation>
    </message>
    <message>
        <source>The broker at %1 refused the login: %2</source>
        <translation>%1 的代理拒绝登录：%2</translation>
    </message>
    <message>
        <source>The broker at %1 cannot be reached: %2</source>
        <translation>无法连接 %1 的代理：%2</translation>
    </message>
    <message>
        <source>online</source>
        <translation>在线</translation>
    </message>
    <message>
        <source>leased</source>
        <translation>已借出</translation>
    </message>
    <message>
        <source>offline</source>
        <translation>离线</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1，%2</translation>
    </message>
</context>
<context>
    <name>LeaseTransport</name>
    <message>
        <source>gateway %1 went offline</source>
        <translation>网关 %1 已离线</translation>
    </message>
    <message>
        <source>without a user name</source>
        <translation>未使用用户名</translation>
    </message>
    <message>
        <source>user &quot;%1&quot;</source>
        <translation>用户“%1”</translation>
    </message>
    <message>
        <source>the broker at %1 refused the connection (%2): %3</source>
        <translation>%1 的代理拒绝连接（%2）：%3</translation>
    </message>
    <message>
        <source>the broker at %1 cannot be reached: %2</source>
        <translation>无法连接 %1 的代理：%2</translation>
    </message>
    <message>
        <source>the broker at %1 ended the connection: %2</source>
        <translation>%1 的代理断开了连接：%2</translation>
    </message>
    <message>
        <source>the broker at %1 does not answer</source>
        <translation>%1 的代理无应答</translation>
    </message>
    <message>
        <source>the connection to the broker at %1 is gone</source>
        <translation>与 %1 的代理的连接已断开</translation>
    </message>
    <message>
        <source>gateway %1 is offline (its status on the broker at %2)</source>
        <translation>网关 %1 已离线（其在 %2 的代理上的状态）</translation>
    </message>
    <message>
        <source>gateway %1 does not answer: the broker at %2 knows of no gateway of that name (grivant/%1/status)</source>
        <translation>网关 %1 无应答：%2 的代理上没有该名称的网关（grivant/%1/status）</translation>
    </message>
    <message>
        <source>gateway %1 does not answer the lease of ID %2 on bus %3 within %4 s</source>
        <translation>网关 %1 未在 %4 秒内应答对总线 %3 上 ID %2 的借用请求</translation>
    </message>
    <message>
        <source>only ID %1 of bus %2 is leased here; a request for ID %3 is not sent</source>
        <translation>此处只借用了总线 %2 上的 ID %1；发给 ID %3 的请求不会发送</translation>
    </message>
    <message>
        <source>through gateway %1: %2</source>
        <translation>经由网关 %1：%2</translation>
    </message>
    <message>
        <source>the lease of ID %1 on bus %2 ended</source>
        <translation>总线 %2 上 ID %1 的借用已结束</translation>
    </message>
    <message>
        <source>the connection to the broker at %1 ended before the answer came</source>
        <translation>应答到达之前，与 %1 的代理的连接已断开</translation>
    </message>
    <message>
        <source>no answer through gateway %1 in time (the broker, the gateway and the line of bus %2)</source>
        <translation>经由网关 %1 未能及时得到应答（请检查代理、网关及总线 %2 的线路）</translation>
    </message>
</context>
<context>
    <name>LineBrokerDialog</name>
    <message>
        <source>Broker login and TLS</source>
        <translation>代理服务器登录与 TLS</translation>
    </message>
    <message>
        <source>User name:</source>
        <translation>用户名：</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>密码：</translation>
    </message>
    <message>
        <source>or password file:</source>
        <translation>或密码文件：</translation>
    </message>
    <message>
        <source>CA file (TLS):</source>
        <translation>CA 文件（TLS）：</translation>
    </message>
    <message>
        <source>Client certificate:</source>
        <translation>客户端证书：</translation>
    </message>
    <message>
        <source>Client key:</source>
        <translation>客户端密钥：</translation>
    </message>
    <message>
        <source>The password is kept until the program ends, never stored; a password file is read at each connection (its first line). With a CA file the broker is reached over TLS, at port 8883 unless the address names another.</source>
        <translation>密码只保留到程序结束，从不存储；密码文件在每次连接时读取（其第一行）。提供 CA 文件时通过 TLS 连接代理服务器，除非地址另有指定，端口为 8883。</translation>
    </message>
</context>
<context>
    <name>LineBusModel</name>
    <message>
        <source>Known from the broker&apos;s retained status: it held before the Line view connected.</source>
        <translation>来自代理服务器保留的状态：在产线视图连接之前即已如此。</translation>
    </message>
    <message>
        <source>no status</source>
        <translation>无状态</translation>
    </message>
    <message>
        <source>before %1</source>
        <translation>%1 之前</translation>
    </message>
    <message>
        <source>%1 of %2 online</source>
        <translation>%1/%2 在线</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>网关</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Since</source>
        <translation>起始时间</translation>
    </message>
    <message>
        <source>Bus</source>
        <translation>总线</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>线路</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>Line share</source>
        <translation>线路占用</translation>
    </message>
    <message>
        <source>Failures/min</source>
        <translation>失败/分钟</translation>
    </message>
    <message>
        <source>Idle: %1 % of the time nothing was due</source>
        <translation>空闲：%1 % 的时间没有待发的轮询</translation>
    </message>
</context>
<context>
    <name>LineCharts</name>
    <message>
        <source>Position</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Position (%1)</source>
        <translation>位置(%1)</translation>
    </message>
    <message>
        <source>Current (mA)</source>
        <translation>电流(mA)</translation>
    </message>
    <message>
        <source>The first %1 of the chosen devices are drawn.</source>
        <translation>只绘制所选设备中的前 %1 台。</translation>
    </message>
    <message>
        <source>Choose several rows (Ctrl+click) to compare their devices.</source>
        <translation>选择多行（Ctrl+单击）以比较这些设备。</translation>
    </message>
</context>
<context>
    <name>LineTableModel</name>
    <message>
        <source>%1 (unknown)</source>
        <translation>%1（未知）</translation>
    </message>
    <message>
        <source>online</source>
        <translation>在线</translation>
    </message>
    <message>
        <source>offline</source>
        <translation>离线</translation>
    </message>
    <message>
        <source>leased</source>
        <translation>已借出</translation>
    </message>
    <message>
        <source>gripper</source>
        <translation>夹爪</translation>
    </message>
    <message>
        <source>rotary gripper</source>
        <translation>旋转夹爪</translation>
    </message>
    <message>
        <source>linear module</source>
        <translation>直线模组</translation>
    </message>
    <message>
        <source>error %1</source>
        <translation>错误 %1</translation>
    </message>
    <message>
        <source>fault</source>
        <translation>故障</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 分钟</translation>
    </message>
    <message>
        <source>%1 h</source>
        <translation>%1 小时</translation>
    </message>
    <message>
        <source>%1 days</source>
        <translation>%1 天</translation>
    </message>
    <message>
        <source>The gateway %1 is offline: nobody watches this device now.</source>
        <translation>网关 %1 离线：目前无人监视此设备。</translation>
    </message>
    <message>
        <source>Model code %1, hardware %2, software %3, unique ID %4</source>
        <translation>型号代码 %1，硬件 %2，软件 %3，唯一ID %4</translation>
    </message>
    <message>
        <source>Last state at %1</source>
        <translation>最后状态于 %1</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>网关</translation>
    </message>
    <message>
        <source>Bus</source>
        <translation>总线</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>型号</translation>
    </message>
    <message>
        <source>Family</source>
        <translation>类别</translation>
    </message>
    <message>
        <source>Availability</source>
        <translation>可用性</translation>
    </message>
    <message>
        <source>Initialisation</source>
        <translation>初始化</translation>
    </message>
    <message>
        <source>State</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Current</source>
        <translation>电流</translation>
    </message>
    <message>
        <source>Fault</source>
        <translation>故障</translation>
    </message>
    <message>
        <source>Age</source>
        <translation>时长</translation>
    </message>
    <message>
        <source>%1 / %2 ms</source>
        <translation>%1 / %2 ms</translation>
    </message>
    <message>
        <source>%1 ms</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>Achieved poll interval, median / 95 %</source>
        <translation>实际轮询间隔，中位数 / 95 %</translation>
    </message>
    <message>
        <source>Poll interval</source>
        <translation>轮询间隔</translation>
    </message>
    <message>
        <source>Achieved poll interval, median / 95 %: slower than its period of %1 ms</source>
        <translation>实际轮询间隔，中位数 / 95 %：慢于其 %1 ms 的设定周期</translation>
    </message>
    <message>
        <source>Lent to a client for diagnosis</source>
        <translation>已借给客户端进行诊断</translation>
    </message>
    <message>
        <source>Lent to %1 for diagnosis</source>
        <translation>已借给 %1 进行诊断</translation>
    </message>
    <message>
        <source>Lent to %1 for diagnosis since %2</source>
        <translation>自 %2 起已借给 %1 进行诊断</translation>
    </message>
</context>
<context>
    <name>LineWindow</name>
    <message>
        <source>The broker&apos;s address %1 is not usable: %2</source>
        <translation>代理服务器地址 %1 不可用：%2</translation>
    </message>
    <message>
        <source>Not connected: %1</source>
        <translation>未连接：%1</translation>
    </message>
    <message>
        <source>Grivant -- Line</source>
        <translation>Grivant -- 产线</translation>
    </message>
    <message>
        <source>Broker:</source>
        <translation>代理服务器：</translation>
    </message>
    <message>
        <source>host or host:port</source>
        <translation>主机 或 主机:端口</translation>
    </message>
    <message>
        <source>Login...</source>
        <translation>登录...</translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation>网关：</translation>
    </message>
    <message>
        <source>Bus:</source>
        <translation>总线：</translation>
    </message>
    <message>
        <source>Show:</source>
        <translation>显示：</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>All devices</source>
        <translation>全部设备</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>在线</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>离线</translation>
    </message>
    <message>
        <source>Leased</source>
        <translation>已借出</translation>
    </message>
    <message>
        <source>Faults only</source>
        <translation>仅故障</translation>
    </message>
    <message>
        <source>Find a model, unique ID, bus or ID</source>
        <translation>查找型号、唯一ID、总线或 ID</translation>
    </message>
    <message>
        <source>Charts</source>
        <translation>曲线</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>项目</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>值</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>Diagnose</source>
        <translation>诊断</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>断开连接</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>未连接</translation>
    </message>
    <message>
        <source>Connecting to %1...</source>
        <translation>正在连接 %1...</translation>
    </message>
    <message>
        <source>Connected to %1</source>
        <translation>已连接到 %1</translation>
    </message>
    <message>
        <source>%1 refused the connection: %2</source>
        <translation>%1 拒绝了连接：%2</translation>
    </message>
    <message>
        <source>%1 cannot be reached: %2</source>
        <translation>无法连接 %1：%2</translation>
    </message>
    <message>
        <source>The connection to %1 was lost: %2</source>
        <translation>与 %1 的连接已断开：%2</translation>
    </message>
    <message>
        <source>The broker is out of reach: the table shows what was known before, and the view connects again by itself.</source>
        <translation>无法连接代理服务器：表格显示的是之前已知的情况，视图会自动重新连接。</translation>
    </message>
    <message>
        <source>The table holds at most %1 devices (%2 gateways, %3 buses): %4 messages of further ones were left out.</source>
        <translation>表格最多容纳 %1 台设备（%2 个网关，%3 条总线）：其余设备的 %4 条消息已被忽略。</translation>
    </message>
    <message>
        <source>%1 messages came faster than the view could take them and were dropped.</source>
        <translation>%1 条消息到达过快，视图来不及处理，已被丢弃。</translation>
    </message>
    <message>
        <source>larger than %1 kB</source>
        <translation>大于 %1 kB</translation>
    </message>
    <message>
        <source>not JSON</source>
        <translation>不是 JSON</translation>
    </message>
    <message>
        <source>not a JSON object</source>
        <translation>不是 JSON 对象</translation>
    </message>
    <message>
        <source>neither online nor offline</source>
        <translation>既不是在线也不是离线</translation>
    </message>
    <message>
        <source>not a slave ID from 1 to 247</source>
        <translation>不是 1 到 247 之间的从站 ID</translation>
    </message>
    <message>
        <source>not a topic of the gateways</source>
        <translation>不是网关的主题</translation>
    </message>
    <message>
        <source>%1 messages under grivant/ were not understood and left out; the last: %2 (%3).</source>
        <translation>grivant/ 下有 %1 条消息无法识别，已被忽略；最后一条：%2（%3）。</translation>
    </message>
    <message>
        <source>Gateways: %1 · devices: %2 · offline: %3 · with a fault: %4 · shown: %5</source>
        <translation>%1 个网关，%2 台设备：%3 台离线，%4 台有故障；显示 %5 台</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>网关</translation>
    </message>
    <message>
        <source>Bus</source>
        <translation>总线</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Availability</source>
        <translation>可用性</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>型号</translation>
    </message>
    <message>
        <source>Model code</source>
        <translation>型号代码</translation>
    </message>
    <message>
        <source>%1 (key %2)</source>
        <translation>%1（键 %2）</translation>
    </message>
    <message>
        <source>Family</source>
        <translation>类别</translation>
    </message>
    <message>
        <source>Hardware version</source>
        <translation>硬件版本</translation>
    </message>
    <message>
        <source>Software version</source>
        <translation>软件版本</translation>
    </message>
    <message>
        <source>Unique ID</source>
        <translation>唯一ID</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>线路</translation>
    </message>
    <message>
        <source>Identified at</source>
        <translation>识别时间</translation>
    </message>
    <message>
        <source>Last state at</source>
        <translation>最后状态时间</translation>
    </message>
    <message>
        <source>Initialisation</source>
        <translation>初始化</translation>
    </message>
    <message>
        <source>State</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Fault</source>
        <translation>故障</translation>
    </message>
    <message>
        <source>fault</source>
        <translation>故障</translation>
    </message>
    <message>
        <source>%1 more left out</source>
        <translation>另有 %1 项未显示</translation>
    </message>
    <message>
        <source>Poll period</source>
        <translation>轮询周期</translation>
    </message>
    <message>
        <source>as fast as the line goes</source>
        <translation>线路允许的最快速度</translation>
    </message>
    <message>
        <source>%1 ms</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>late</source>
        <translation>滞后</translation>
    </message>
    <message>
        <source>Poll interval, median / 95 %</source>
        <translation>轮询间隔，中位数 / 95 %</translation>
    </message>
    <message>
        <source>Polls and failures</source>
        <translation>轮询与失败</translation>
    </message>
    <message>
        <source>%1 polls, %2 failures (%3 without an answer, %4 garbled, %5 refused)</source>
        <translation>%1 次轮询，%2 次失败（%3 次无应答，%4 次应答损坏，%5 次被拒绝）</translation>
    </message>
    <message>
        <source>Lease holder</source>
        <translation>借用者</translation>
    </message>
    <message>
        <source>Opens this device in the main window through its gateway: the gateway lends it to the window alone, and polls it again when the window disconnects.</source>
        <translation>经由网关在主窗口中打开此设备：网关只把它借给本窗口，窗口断开连接后再恢复轮询。</translation>
    </message>
    <message>
        <source>Choose a device above.</source>
        <translation>请在上方选择一台设备。</translation>
    </message>
    <message>
        <source>Its gateway has not told yet what this device is.</source>
        <translation>网关尚未报告此设备的信息。</translation>
    </message>
    <message>
        <source>Its gateway lends no device for diagnosis (allow_diagnosis = yes in the gateway&apos;s configuration turns it on).</source>
        <translation>其网关不借出设备用于诊断（在网关配置中设置 allow_diagnosis = yes 可开启）。</translation>
    </message>
    <message>
        <source>Its gateway is offline.</source>
        <translation>其网关已离线。</translation>
    </message>
    <message>
        <source>The device is offline: its gateway does not reach it.</source>
        <translation>设备已离线：其网关无法访问它。</translation>
    </message>
    <message>
        <source>Another client holds its lease.</source>
        <translation>另一客户端正在借用此设备。</translation>
    </message>
    <message>
        <source>%1 holds its lease.</source>
        <translation>%1 正在借用此设备。</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation>主窗口</translation>
    </message>
    <message>
        <source>Control</source>
        <translation>控制</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>型号：</translation>
    </message>
    <message>
        <source>HW Version:</source>
        <translation>硬件版本：</translation>
    </message>
    <message>
        <source>SW Version:</source>
        <translation>软件版本：</translation>
    </message>
    <message>
        <source>Unique ID:</source>
        <translation>唯一ID：</translation>
    </message>
    <message>
        <source>Initialize</source>
        <translation>初始化</translation>
    </message>
    <message>
        <source>Demo Mode</source>
        <translation>演示模式</translation>
    </message>
    <message>
        <source>Position(%):</source>
        <translation>位置(%)：</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>闭合</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>张开</translation>
    </message>
    <message>
        <source>Force(%):</source>
        <translation>力(%)：</translation>
    </message>
    <message>
        <source>Min.</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>Max.</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>Speed(%):</source>
        <translation>速度(%)：</translation>
    </message>
    <message>
        <source>Rotation(°):</source>
        <translation>旋转(°)：</translation>
    </message>
    <message>
        <source>Torque(%):</source>
        <translation>扭矩(%)：</translation>
    </message>
    <message>
        <source>Position(mm):</source>
        <translation>位置(mm)：</translation>
    </message>
    <message>
        <source>Backward</source>
        <translation>后退</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>前进</translation>
    </message>
    <message>
        <source>Acc/Dec(%):</source>
        <translation>加减速(%)：</translation>
    </message>
    <message>
        <source>PushBand(mm):</source>
        <translation>推压段(mm)：</translation>
    </message>
    <message>
        <source>PushForce(%):</source>
        <translation>推压力(%)：</translation>
    </message>
    <message>
        <source>Gripper</source>
        <translation>夹爪</translation>
    </message>
    <message>
        <source>Rotating</source>
        <translation>旋转</translation>
    </message>
    <message>
        <source>Modbus-RTU Parameters</source>
        <translation>Modbus-RTU参数</translation>
    </message>
    <message>
        <source>BaudRate:</source>
        <translation>波特率：</translation>
    </message>
    <message>
        <source>Parity:</source>
        <translation>校验位：</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Odd</source>
        <translation>奇校验</translation>
    </message>
    <message>
        <source>Even</source>
        <translation>偶校验</translation>
    </message>
    <message>
        <source>Stopbits:</source>
        <translation>停止位：</translation>
    </message>
    <message>
        <source>1 StopBit</source>
        <translation>1位停止位</translation>
    </message>
    <message>
        <source>2 StopBits</source>
        <translation>2位停止位</translation>
    </message>
    <message>
        <source>Gripper ID:</source>
        <translation>夹爪ID：</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>默认</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>I/O Parameters</source>
        <translation>I/O参数</translation>
    </message>
    <message>
        <source>I/O Mode:</source>
        <translation>I/O模式：</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>关</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>开</translation>
    </message>
    <message>
        <source>Group 1</source>
        <translation>第1组</translation>
    </message>
    <message>
        <source>Group 2</source>
        <translation>第2组</translation>
    </message>
    <message>
        <source>Group 3</source>
        <translation>第3组</translation>
    </message>
    <message>
        <source>Group 4</source>
        <translation>第4组</translation>
    </message>
    <message>
        <source>Position:</source>
        <translation>位置：</translation>
    </message>
    <message>
        <source>Test 1</source>
        <translation>测试1</translation>
    </message>
    <message>
        <source>Test 2</source>
        <translation>测试2</translation>
    </message>
    <message>
        <source>Test 3</source>
        <translation>测试3</translation>
    </message>
    <message>
        <source>Test 4</source>
        <translation>测试4</translation>
    </message>
    <message>
        <source>Position(0.01mm):</source>
        <translation>位置(0.01mm)：</translation>
    </message>
    <message>
        <source>PushBand(0.01mm):</source>
        <translation>推压段(0.01mm)：</translation>
    </message>
    <message>
        <source>PushSpeed(%):</source>
        <translation>推压速度(%)：</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>Initialization Direction:</source>
        <translation>初始化方向：</translation>
    </message>
    <message>
        <source>External</source>
        <translation>向外</translation>
    </message>
    <message>
        <source>Internal</source>
        <translation>向内</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>测试</translation>
    </message>
    <message>
        <source>User</source>
        <translation>用户</translation>
    </message>
    <message>
        <source>Advance</source>
        <translation>高级</translation>
    </message>
    <message>
        <source>Factory</source>
        <translation>工厂</translation>
    </message>
    <message>
        <source>Administrater</source>
        <translation>管理员</translation>
    </message>
    <message>
        <source>Para_A</source>
        <translation>参数A</translation>
    </message>
    <message>
        <source>Para_B</source>
        <translation>参数B</translation>
    </message>
    <message>
        <source>Para_C</source>
        <translation>参数C</translation>
    </message>
    <message>
        <source>Para_D</source>
        <translation>参数D</translation>
    </message>
    <message>
        <source>Set_UID</source>
        <translation>设置UID</translation>
    </message>
    <message>
        <source>Cali zero Angle</source>
        <translation>校准零角度</translation>
    </message>
    <message>
        <source>Save Backup</source>
        <translation>保存备份</translation>
    </message>
    <message>
        <source>Recover Backup</source>
        <translation>恢复备份</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>升级</translation>
    </message>
    <message>
        <source>STOP</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>RECOVER</source>
        <translation>恢复</translation>
    </message>
    <message>
        <source>E_Close</source>
        <translation>紧急闭合</translation>
    </message>
    <message>
        <source>E_Open</source>
        <translation>紧急张开</translation>
    </message>
    <message>
        <source>Export Parameters</source>
        <translation>导出参数</translation>
    </message>
    <message>
        <source>temp</source>
        <translation>临时</translation>
    </message>
    <message>
        <source>loop</source>
        <translation>循环</translation>
    </message>
    <message>
        <source>position1</source>
        <translation>位置1</translation>
    </message>
    <message>
        <source>position2</source>
        <translation>位置2</translation>
    </message>
    <message>
        <source>force1</source>
        <translation>力1</translation>
    </message>
    <message>
        <source>force2</source>
        <translation>力2</translation>
    </message>
    <message>
        <source>Demo</source>
        <translation>演示</translation>
    </message>
    <message>
        <source>New</source>
        <translation>新建</translation>
    </message>
    <message>
        <source>Rotary</source>
        <translation>旋转</translation>
    </message>
    <message>
        <source>Logical</source>
        <translation>逻辑</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>运行</translation>
    </message>
    <message>
        <source>Puase</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Grip State:</source>
        <translation>夹持状态：</translation>
    </message>
    <message>
        <source>Moving</source>
        <translation>运动中</translation>
    </message>
    <message>
        <source>Arrived</source>
        <translation>到位</translation>
    </message>
    <message>
        <source>Caught</source>
        <translation>夹住</translation>
    </message>
    <message>
        <source>Dropped</source>
        <translation>掉落</translation>
    </message>
    <message>
        <source>Connection</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>View</source>
        <translation>视图</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>断开连接</translation>
    </message>
    <message>
        <source>Configuration</source>
        <translation>配置</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Registers</source>
        <translation>寄存器</translation>
    </message>
    <message>
        <source>Simple</source>
        <translation>简易</translation>
    </message>
    <message>
        <source>
 Please visit  &lt;a href=&quot;https://www.grivant.example/&quot;&gt;Grivant&lt;/a&gt; website for help! 
</source>
        <translation>
 请访问 &lt;a href=&quot;https://www.grivant.example/&quot;&gt;Grivant&lt;/a&gt; 网站获取帮助！ 
</translation>
    </message>
    <message>
        <source>Reserve</source>
        <translation>保留</translation>
    </message>
    <message>
        <source>Offset</source>
        <translation>偏移</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>描述</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>值</translation>
    </message>
    <message>
        <source>Value Range</source>
        <translation>取值范围</translation>
    </message>
    <message>
        <source>Write Register</source>
        <translation>写寄存器</translation>
    </message>
    <message>
        <source>Input:</source>
        <translation>输入：</translation>
    </message>
    <message>
        <source>IO Mode is enabled!!</source>
        <translation>IO模式已启用！！</translation>
    </message>
    <message>
        <source>Position(%)</source>
        <translation>位置(%)</translation>
    </message>
    <message>
        <source>Motor Current(mA)</source>
        <translation>电机电流(mA)</translation>
    </message>
    <message>
        <source>Open</source>
        <comment>program file</comment>
        <translation>打开</translation>
    </message>
    <message>
        <source>Notice: Saving</source>
        <translation>提示：正在保存</translation>
    </message>
    <message>
        <source>odd</source>
        <comment>parity</comment>
        <translation>奇</translation>
    </message>
    <message>
        <source>even</source>
        <comment>parity</comment>
        <translation>偶</translation>
    </message>
    <message>
        <source>no</source>
        <comment>parity</comment>
        <translation>无</translation>
    </message>
    <message>
        <source>The device now answers at ID %1, %2 baud, %3 parity, %4 stop bit(s): disconnect and connect again with these settings.</source>
        <translation>设备现在以 ID %1、%2 波特率、%3校验、%4 个停止位应答：请断开连接，并以这些设置重新连接。</translation>
    </message>
    <message>
        <source>Search and Auto-Connect try one stop bit only.</source>
        <translation>搜索和自动连接只尝试 1 个停止位。</translation>
    </message>
    <message>
        <source>
File Name: %1
Remark:
%2

Are you want to continue?
</source>
        <translation>
文件名：%1
备注：
%2

是否继续？
</translation>
    </message>
    <message>
        <source>Notice</source>
        <translation>注意</translation>
    </message>
    <message>
        <source>The parameters could not be saved to %1:
%2</source>
        <translation>无法将参数保存到 %1：
%2</translation>
    </message>
    <message>
        <source>User Level</source>
        <translation>用户等级</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>密码：</translation>
    </message>
    <message>
        <source>The unique ID needs eight hexadecimal digits.</source>
        <translation>唯一ID需要八位十六进制数字。</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>工具</translation>
    </message>
    <message>
        <source>Back up parameters…</source>
        <translation>备份参数…</translation>
    </message>
    <message>
        <source>Restore parameters…</source>
        <translation>恢复参数…</translation>
    </message>
    <message>
        <source>Parameter files (*.json);;All files (*)</source>
        <translation>参数文件 (*.json);;所有文件 (*)</translation>
    </message>
    <message>
        <source>No device is connected.</source>
        <translation>未连接设备。</translation>
    </message>
    <message>
        <source>Parameters are being transferred; wait until that has finished.</source>
        <translation>正在传输参数，请等待完成。</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Parameters</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>Back up parameters</source>
        <translation>备份参数</translation>
    </message>
    <message>
        <source>Reading the parameters from the device…</source>
        <translation>正在从设备读取参数…</translation>
    </message>
    <message>
        <source>The file %1 cannot be written: %2</source>
        <translation>无法写入文件 %1：%2</translation>
    </message>
    <message>
        <source>%1 parameters of %2 (unique ID %3) were saved to %4.</source>
        <translation>%2（唯一ID %3）的 %1 个参数已保存到 %4。</translation>
    </message>
    <message>
        <source>No backup was made: %1.</source>
        <translation>未完成备份：%1。</translation>
    </message>
    <message>
        <source>Restore parameters</source>
        <translation>恢复参数</translation>
    </message>
    <message>
        <source>%1 cannot be restored: %2. Nothing was written.</source>
        <translation>无法恢复 %1：%2。未写入任何参数。</translation>
    </message>
    <message>
        <source>The file holds the parameters of %1 (model code %2), the connected device is %3 (model code %4). Parameters of another model are not restored; nothing was written.</source>
        <translation>该文件保存的是 %1（型号代码 %2）的参数，当前连接的设备是 %3（型号代码 %4）。不恢复其他型号的参数，未写入任何参数。</translation>
    </message>
    <message>
        <source>The file holds no parameter this device stores. Nothing was written.</source>
        <translation>该文件中没有本设备保存的参数。未写入任何参数。</translation>
    </message>
    <message>
        <source>The register map refuses values of the file; nothing was written:
%1</source>
        <translation>寄存器表不接受文件中的数值，未写入任何参数：
%1</translation>
    </message>
    <message>
        <source>Nothing was written: %1.</source>
        <translation>未写入任何参数：%1。</translation>
    </message>
    <message>
        <source>an unknown time</source>
        <translation>未知时间</translation>
    </message>
    <message>
        <source>File %1
Saved from %2, unique ID %3, at %4.</source>
        <translation>文件 %1
保存自 %2，唯一ID %3，时间 %4。</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>File</source>
        <translation>文件</translation>
    </message>
    <message>
        <source>The line settings (slave ID, baud rate, stop bits, parity) are not restored: the device keeps its own, so that it stays reachable. Change them on the Modbus-RTU Parameters tab.</source>
        <translation>通信设置（从站ID、波特率、停止位、校验位）不恢复：设备保留自己的设置，以保持可连接。请在Modbus-RTU参数页修改。</translation>
    </message>
    <message>
        <source>Restoring writes the %1 parameters of the file and saves them on the device.</source>
        <translation>恢复将写入文件中的 %1 个参数并保存到设备。</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>恢复</translation>
    </message>
    <message>
        <source>Writing the parameters…</source>
        <translation>正在写入参数…</translation>
    </message>
    <message>
        <source>Reading the parameters back…</source>
        <translation>正在读回参数…</translation>
    </message>
    <message>
        <source>%1 parameters were written, saved on the device and read back unchanged.</source>
        <translation>%1 个参数已写入并保存到设备，读回的数值一致。</translation>
    </message>
    <message>
        <source>%1 %2: file %3, device %4</source>
        <translation>%1 %2：文件 %3，设备 %4</translation>
    </message>
    <message>
        <source>The parameters were written and saved, but %1 differ from the file when read back:
%2</source>
        <translation>参数已写入并保存，但读回时有 %1 个与文件不同：
%2</translation>
    </message>
    <message>
        <source>The restore stopped: %1.</source>
        <translation>恢复已中止：%1。</translation>
    </message>
    <message>
        <source>Written: %1</source>
        <translation>已写入：%1</translation>
    </message>
    <message>
        <source>nothing</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Not written: %1</source>
        <translation>未写入：%1</translation>
    </message>
    <message>
        <source>The values were saved on the device.</source>
        <translation>数值已保存到设备。</translation>
    </message>
    <message>
        <source>Nothing was saved on the device.</source>
        <translation>设备上未保存任何数值。</translation>
    </message>
    <message>
        <source>Write 0x%1 not sent: connection changed</source>
        <translation>写入 0x%1 未发送：连接已变化</translation>
    </message>
    <message>
        <source>Write 0x%1 failed: no answer after %2 tries</source>
        <translation>写入 0x%1 失败：%2 次无应答</translation>
    </message>
    <message>
        <source>Write 0x%1: outcome unknown, not repeated</source>
        <translation>写入 0x%1：结果未知，未重发</translation>
    </message>
    <message>
        <source>Traffic monitor</source>
        <translation>通信监视器</translation>
    </message>
    <message>
        <source>The device was disconnected before the restore started. Nothing was written.</source>
        <translation>恢复开始前设备已断开连接。未写入任何数据。</translation>
    </message>
    <message>
        <source>The device already holds the %1 parameters that the restore writes.</source>
        <translation>设备已保存本次恢复要写入的 %1 个参数的数值。</translation>
    </message>
    <message>
        <source>%1 of the %2 parameters that the restore writes differ from the device:</source>
        <translation>本次恢复要写入的 %2 个参数中有 %1 个与设备不同：</translation>
    </message>
    <message>
        <source>The restore was prepared for %1 (unique ID %2), but the connected device is %3 (unique ID %4). Nothing was written.</source>
        <translation>此恢复是为 %1（唯一 ID %2）准备的，但当前连接的设备是 %3（唯一 ID %4）。未写入任何数据。</translation>
    </message>
    <message>
        <source>Not written, %1 of the file&apos;s registers:</source>
        <translation>不写入文件中的 %1 个寄存器：</translation>
    </message>
    <message>
        <source>- %1: %2</source>
        <translation>- %1：%2</translation>
    </message>
    <message>
        <source>Record session...</source>
        <translation>录制会话...</translation>
    </message>
    <message>
        <source>Stop recording</source>
        <translation>停止录制</translation>
    </message>
    <message>
        <source>A replayed session is not recorded again.</source>
        <translation>回放中的会话不会再次录制。</translation>
    </message>
    <message>
        <source>Session saved to %1 (%2).</source>
        <translation>会话已保存到 %1（%2）。</translation>
    </message>
    <message>
        <source>The session %1 could not be finished: %2</source>
        <translation>会话 %1 无法完成：%2</translation>
    </message>
    <message>
        <source>● REC %1:%2:%3, %4</source>
        <translation>● 录制 %1:%2:%3，%4</translation>
    </message>
    <message>
        <source>Recording to %1</source>
        <translation>正在录制到 %1</translation>
    </message>
    <message>
        <source>Record session</source>
        <translation>录制会话</translation>
    </message>
    <message>
        <source>Grivant sessions (*%1)</source>
        <translation>Grivant 会话 (*%1)</translation>
    </message>
    <message>
        <source>Open session...</source>
        <translation>打开会话...</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>会话</translation>
    </message>
    <message>
        <source>Open session</source>
        <translation>打开会话</translation>
    </message>
    <message>
        <source>Grivant sessions (*%1);;All files (*)</source>
        <translation>Grivant 会话 (*%1);;所有文件 (*)</translation>
    </message>
    <message>
        <source>This build does not know the model %1 (key %2): the session is replayed with the register tables it holds.</source>
        <translation>本版本不认识型号 %1（键 %2）：使用会话文件中保存的寄存器表进行回放。</translation>
    </message>
    <message>
        <source>Nothing more of that kind in this session.</source>
        <translation>本会话中后面没有此类记录了。</translation>
    </message>
    <message>
        <source>Recorded: %1</source>
        <translation>录制内容：%1</translation>
    </message>
    <message>
        <source>A recorded session is replayed: nothing is written to a device.</source>
        <translation>正在回放录制的会话：不会向设备写入任何内容。</translation>
    </message>
    <message>
        <source>%1 (unknown)</source>
        <translation>%1（未知）</translation>
    </message>
    <message>
        <source>Not saved: the device reports a value of %1 that this program does not know. Choose one first.</source>
        <translation>未保存：设备报告的%1的值本软件无法识别，请先选择一个值。</translation>
    </message>
    <message>
        <source>baud rate</source>
        <translation>波特率</translation>
    </message>
    <message>
        <source>stop bits</source>
        <translation>停止位</translation>
    </message>
    <message>
        <source>parity</source>
        <translation>校验位</translation>
    </message>
    <message>
        <source>initialization direction</source>
        <translation>初始化方向</translation>
    </message>
    <message>
        <source>Write 0x%1 refused by the device: %2</source>
        <translation>写入 0x%1 被设备拒绝：%2</translation>
    </message>
    <message>
        <source>Closing: sending the writes still queued (%1) first...</source>
        <translation>正在关闭：先发送仍在队列中的写入（%1 条）……</translation>
    </message>
    <message>
        <source>Writes not confirmed</source>
        <translation>写入未确认</translation>
    </message>
    <message>
        <source>These writes were still queued when the program closed; the device has not confirmed them:
%1</source>
        <translation>程序关闭时以下写入仍在队列中，设备未确认：
%1</translation>
    </message>
    <message>
        <source>Position(mm)</source>
        <translation>位置(mm)</translation>
    </message>
    <message>
        <source>Copyright (c) Grivant developers. All rights reserved.</source>
        <translation>版权所有 (c) Grivant 开发者。保留所有权利。</translation>
    </message>
    <message>
        <source>Grivant User Interface 

 Version : %1

 Website : </source>
        <translation>Grivant 用户界面 

 版本 : %1

 网站 : </translation>
    </message>
    <message>
        <source>Not saved: unknown value</source>
        <translation>未保存：值未知</translation>
    </message>
    <message>
        <source>The device holds %1, outside %2~%3. It is shown as it is and never written: choose a value to save one.</source>
        <translation>设备中的值为 %1，超出 %2~%3。按原值显示，不会写入：请先选择一个值再保存。</translation>
    </message>
    <message>
        <source>Not saved: the device reports a value outside the range of %1. Choose one first.</source>
        <translation>未保存：设备报告的 %1 的值超出范围。请先选择一个值。</translation>
    </message>
    <message>
        <source>Not saved: out of range</source>
        <translation>未保存：值超出范围</translation>
    </message>
    <message>
        <source>slave ID</source>
        <translation>从站ID</translation>
    </message>
    <message>
        <source>● REC %1:%2:%3</source>
        <translation>● 录制 %1:%2:%3</translation>
    </message>
    <message>
        <source>Opening %1…</source>
        <translation>正在打开 %1…</translation>
    </message>
    <message>
        <source>Line...</source>
        <translation>产线...</translation>
    </message>
    <message>
        <source>The recording stopped at %3: %1. %2 holds what was recorded before.</source>
        <translation>录制在 %3 停止：%1。%2 保存了此前录制的内容。</translation>
    </message>
    <message>
        <source>The recording stopped: %1. Nothing was written to %2.</source>
        <translation>录制已停止：%1。没有写入 %2。</translation>
    </message>
    <message>
        <source>Through a gateway</source>
        <translation>经由网关</translation>
    </message>
    <message>
        <source>Diagnose</source>
        <translation>诊断</translation>
    </message>
    <message>
        <source>The main window shows another device. Disconnect it and open ID %1 of bus %2 on gateway %3 instead?</source>
        <translation>主窗口正在显示另一台设备。是否断开它，改为打开网关 %3 上总线 %2 的 ID %1？</translation>
    </message>
</context>
<context>
    <name>ModbusClient</name>
    <message>
        <source>no answer (only the adapter&apos;s echo of the request came back)</source>
        <translation>无应答（只收到适配器回送的请求）</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>无应答</translation>
    </message>
    <message>
        <source>device refused: %1 (exception 0x%2)</source>
        <translation>设备拒绝：%1（异常 0x%2）</translation>
    </message>
    <message>
        <source>garbled answers, and bytes kept arriving unasked: the line is busy or noisy (another master, a device that sends by itself, or noise on the wires?)</source>
        <translation>应答损坏，且不断收到未请求的字节：线路繁忙或有干扰（有另一个主站、有自行发送的设备，或线路上有噪声？）</translation>
    </message>
    <message>
        <source>garbled answer (bad CRC or length); this adapter echoes what it sends, and what came first was no copy of the request</source>
        <translation>应答损坏（CRC 或长度错误）；此适配器会回送所发数据，但最先收到的并不是请求的副本</translation>
    </message>
    <message>
        <source>garbled answer (bad CRC or length)</source>
        <translation>应答损坏（CRC 或长度错误）</translation>
    </message>
    <message>
        <source>port not open</source>
        <translation>端口未打开</translation>
    </message>
    <message>
        <source>the line is busy or noisy: bytes kept arriving without a pause of %1 ms for %2 s (another master, a device that sends by itself, or noise on the wires?)</source>
        <translation>线路繁忙或有干扰：%2 秒内字节不断到达，没有出现 %1 毫秒的间隙（有另一个主站、有自行发送的设备，或线路上有噪声？）</translation>
    </message>
    <message>
        <source>not sent, stopped by a signal</source>
        <translation>未发送，已被信号中止</translation>
    </message>
    <message>
        <source>the device server cannot be reached</source>
        <translation>无法连接串口服务器</translation>
    </message>
    <message>
        <source>the connection ended before the answer came</source>
        <translation>应答到达之前连接已断开</translation>
    </message>
    <message>
        <source>%1 is a network port: the device server keeps its own line settings</source>
        <translation>%1 是网络端口：线路设置由串口服务器自行保持</translation>
    </message>
    <message>
        <source>the adapter&apos;s echo of the request set aside</source>
        <translation>已忽略适配器回送的请求</translation>
    </message>
    <message>
        <source>a late answer to an earlier request, discarded</source>
        <translation>对先前请求的迟到应答，已丢弃</translation>
    </message>
    <message>
        <source>exception 0x%1</source>
        <translation>异常 0x%1</translation>
    </message>
</context>
<context>
    <name>NetworkLink</name>
    <message>
        <source>timeout=%1 is longer than the window&apos;s polling waits for an answer (%2 ms): the window waits %3 ms</source>
        <translation>timeout=%1 长于窗口轮询等待应答的时间（%2 毫秒）：窗口只等待 %3 毫秒</translation>
    </message>
</context>
<context>
    <name>NetworkPortDialog</name>
    <message>
        <source>Network device</source>
        <translation>网络设备</translation>
    </message>
    <message>
        <source>name or address, such as 192.168.1.20</source>
        <translation>主机名或地址，例如 192.168.1.20</translation>
    </message>
    <message>
        <source>Modbus TCP</source>
        <translation>Modbus TCP</translation>
    </message>
    <message>
        <source>RTU over TCP (serial device server)</source>
        <translation>RTU over TCP（串口服务器）</translation>
    </message>
    <message>
        <source>not given</source>
        <translation>未指定</translation>
    </message>
    <message>
        <source>%1 baud</source>
        <translation>%1 波特</translation>
    </message>
    <message>
        <source>The device server&apos;s serial line to the devices: the wait for each answer grows by the time its frames take there. The device server keeps its own line settings.</source>
        <translation>串口服务器连接设备的串行线路：每次等待应答的时间会加上帧在该线路上所需的时间。线路参数由串口服务器自行保持。</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> 毫秒</translation>
    </message>
    <message>
        <source>as usual</source>
        <translation>默认</translation>
    </message>
    <message>
        <source>How long to wait for an answer beyond its time on the line. Usually 1000 ms on the network; the window&apos;s polling waits at most about 200 ms.</source>
        <translation>在帧的线路时间之外等待应答的时长。网络上默认 1000 毫秒；窗口的轮询最多等待约 200 毫秒。</translation>
    </message>
    <message>
        <source>Host:</source>
        <translation>主机：</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>Framing:</source>
        <translation>帧格式：</translation>
    </message>
    <message>
        <source>Device server&apos;s line:</source>
        <translation>串口服务器线路：</translation>
    </message>
    <message>
        <source>Time-out:</source>
        <translation>超时：</translation>
    </message>
    <message>
        <source>Give the host&apos;s name or address.</source>
        <translation>请填写主机名或地址。</translation>
    </message>
    <message>
        <source>A time-out is 10 ms at least.</source>
        <translation>超时至少为 10 毫秒。</translation>
    </message>
    <message>
        <source>Not an address: %1</source>
        <translation>地址无效：%1</translation>
    </message>
    <message>
        <source>Port: %1</source>
        <translation>端口：%1</translation>
    </message>
</context>
<context>
    <name>NetworkWorker</name>
    <message>
        <source>identification (0x0A00): %1</source>
        <translation>识别（0x0A00）：%1</translation>
    </message>
</context>
<context>
    <name>ParameterBackup</name>
    <message>
        <source>the file is empty</source>
        <translation>文件为空</translation>
    </message>
    <message>
        <source>not a complete parameter file (%1 at byte %2)</source>
        <translation>不是完整的参数文件（第 %2 字节处%1）</translation>
    </message>
    <message>
        <source>not a parameter file of this tool</source>
        <translation>不是本工具的参数文件</translation>
    </message>
    <message>
        <source>format version %1 is not supported (this tool reads version %2)</source>
        <translation>不支持格式版本 %1（本工具读取版本 %2）</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>（无）</translation>
    </message>
    <message>
        <source>the model code is missing or not a 16-bit number</source>
        <translation>缺少型号代码或其不是16位数字</translation>
    </message>
    <message>
        <source>the file lists no registers</source>
        <translation>文件中没有寄存器</translation>
    </message>
    <message>
        <source>register %1 in the file has no valid address</source>
        <translation>文件中第 %1 个寄存器没有有效地址</translation>
    </message>
    <message>
        <source>register %1 has no valid 16-bit value</source>
        <translation>寄存器 %1 没有有效的16位数值</translation>
    </message>
    <message>
        <source>register %1 is listed twice</source>
        <translation>寄存器 %1 出现了两次</translation>
    </message>
    <message>
        <source>%1 is not in the register map of this device</source>
        <translation>%1 不在本设备的寄存器表中</translation>
    </message>
    <message>
        <source>%1 is read-only</source>
        <translation>%1 为只读</translation>
    </message>
    <message>
        <source>%1: %2 is outside %3</source>
        <translation>%1：%2 超出范围 %3</translation>
    </message>
    <message>
        <source>not a stored parameter</source>
        <translation>不是保存的参数</translation>
    </message>
    <message>
        <source>a command, not a value</source>
        <translation>是命令而不是数值</translation>
    </message>
    <message>
        <source>not in the register map of this device</source>
        <translation>不在本设备的寄存器表中</translation>
    </message>
    <message>
        <source>read-only</source>
        <translation>只读</translation>
    </message>
    <message>
        <source>line setting, kept as the device has it</source>
        <translation>通信设置，保留设备当前值</translation>
    </message>
    <message>
        <source>the key &quot;%1&quot; appears twice in one object (byte %2): a file with a repeated key is refused</source>
        <translation>键“%1”在同一对象中出现两次（第 %2 字节）：含重复键的文件不予接受</translation>
    </message>
    <message>
        <source>%1: %2 is outside %3 (a signed 16-bit register)</source>
        <translation>%1：%2 超出 %3（有符号 16 位寄存器）</translation>
    </message>
    <message>
        <source>%1: %2 is outside %3 (an unsigned 16-bit register)</source>
        <translation>%1：%2 超出 %3（无符号 16 位寄存器）</translation>
    </message>
    <message>
        <source>a folder</source>
        <translation>文件夹</translation>
    </message>
    <message>
        <source>a FIFO (named pipe)</source>
        <translation>FIFO（命名管道）</translation>
    </message>
    <message>
        <source>a device</source>
        <translation>设备文件</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>套接字</translation>
    </message>
    <message>
        <source>a special file</source>
        <translation>特殊文件</translation>
    </message>
    <message>
        <source>it holds %1 bytes, more than a parameter file can (at most %2)</source>
        <translation>它有 %1 字节，超过参数文件的上限（最多 %2 字节）</translation>
    </message>
    <message>
        <source>it is %1; parameters are read only from a regular file</source>
        <translation>它是%1；参数只从普通文件读取</translation>
    </message>
    <message>
        <source>it is not a regular file; parameters are read only from a regular file</source>
        <translation>它不是普通文件；参数只从普通文件读取</translation>
    </message>
    <message>
        <source>it is %1; a backup is written only to a regular file or a new one</source>
        <translation>它是%1；备份只写入普通文件或新文件</translation>
    </message>
    <message>
        <source>it is not a regular file; a backup is written only to a regular file or a new one</source>
        <translation>它不是普通文件；备份只写入普通文件或新文件</translation>
    </message>
</context>
<context>
    <name>ParameterTransfer</name>
    <message>
        <source>cancelled by the operator</source>
        <translation>操作员已取消</translation>
    </message>
    <message>
        <source>the device did not answer the save command; the values are written but not saved</source>
        <translation>设备未应答保存命令；数值已写入但未保存</translation>
    </message>
    <message>
        <source>the device did not answer the write of %1</source>
        <translation>设备未应答 %1 的写入</translation>
    </message>
    <message>
        <source>the connection was closed</source>
        <translation>连接已关闭</translation>
    </message>
    <message>
        <source>the device stopped answering while its parameters were read</source>
        <translation>读取参数时设备停止应答</translation>
    </message>
    <message>
        <source>the device stopped answering</source>
        <translation>设备停止应答</translation>
    </message>
</context>
<context>
    <name>ProcessLog</name>
    <message>
        <source>Connect successful:	 %1,%2,%3,%4,%5</source>
        <translation>连接成功：	 %1,%2,%3,%4,%5</translation>
    </message>
    <message>
        <source>Connect failed:	 %1,%2,%3,%4,%5</source>
        <translation>连接失败：	 %1,%2,%3,%4,%5</translation>
    </message>
    <message>
        <source>Connection lost:	 %1 (%2)
</source>
        <translation>连接中断：	 %1 (%2)
</translation>
    </message>
    <message>
        <source>No permission to open %1: this user may not read and write it.
</source>
        <translation>无权限打开 %1：当前用户不能读写该端口。
</translation>
    </message>
    <message>
        <source>No permission to open %1, although this session belongs to its group %2 (owner %3, mode %4).
</source>
        <translation>无权限打开 %1，尽管当前会话已属于其用户组 %2（所有者 %3，权限 %4）。
</translation>
    </message>
    <message>
        <source>No permission to open %1: this account has joined the group %2, which may read and write it, since this session began; log out and in again.
</source>
        <translation>无权限打开 %1：本账户在当前会话开始之后才加入了可读写该端口的用户组 %2；请注销后重新登录。
</translation>
    </message>
    <message>
        <source>No permission to open %1: join the group %2, which may read and write it, then log out and in again.
</source>
        <translation>无权限打开 %1：请加入可读写该端口的用户组 %2，然后注销并重新登录。
</translation>
    </message>
    <message>
        <source>only the administrators&apos; group may use it</source>
        <translation>只有管理员组可以使用它</translation>
    </message>
    <message>
        <source>no group may read and write it</source>
        <translation>没有任何用户组可以读写它</translation>
    </message>
    <message>
        <source>, then log out and in again</source>
        <translation>，然后注销并重新登录</translation>
    </message>
    <message>
        <source>, then join that group and log in again</source>
        <translation>，然后加入该用户组并重新登录</translation>
    </message>
    <message>
        <source>No permission to open %1: it belongs to %2:%3 with mode %4, so %5. The udev rule %6 gives serial ports to the group %7: install it (sudo cp %6 /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload) and replug the adapter or run sudo udevadm trigger %8%9.
</source>
        <translation>无权限打开 %1：它属于 %2:%3，权限为 %4，因此%5。udev 规则 %6 会把串口交给用户组 %7：请安装该规则（sudo cp %6 /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload），然后重新插拔适配器或运行 sudo udevadm trigger %8%9。
</translation>
    </message>
    <message>
        <source>	 stable name: %1 (kept across replugging; grivant --port takes it)
</source>
        <translation>	 固定名称：%1（重新插拔后保持不变；grivant --port 可使用它）
</translation>
    </message>
    <message>
        <source>	 %1: ModemManager may probe this port with modem commands for some seconds after it appears, which disturbs a search; the udev rule %2 keeps it away (see Help).
</source>
        <translation>	 %1：ModemManager 可能在该端口出现后的几秒内用调制解调器命令探测它，从而干扰搜索；udev 规则 %2 可阻止它（见帮助）。
</translation>
    </message>
    <message>
        <source>Scaned COM port:	 %1 - %2 
</source>
        <translation>发现串口：	 %1 - %2 
</translation>
    </message>
    <message>
        <source>unpluged COM port:	 %1 - %2 
</source>
        <translation>串口已拔出：	 %1 - %2 
</translation>
    </message>
    <message>
        <source>Scanning COM Port:	 %1</source>
        <translation>正在扫描串口：	 %1</translation>
    </message>
    <message>
        <source>Scaned a device in %1, Varified</source>
        <translation>在 %1 上发现设备，已验证</translation>
    </message>
    <message>
        <source>response: %1</source>
        <translation>应答：%1</translation>
    </message>
    <message>
        <source>response rejected: bad CRC or length (wrong line settings?)</source>
        <translation>应答被拒绝：CRC 或长度错误（串口参数不对？）</translation>
    </message>
    <message>
        <source>Scan error:	 %1: no such port (unplugged?)
</source>
        <translation>扫描错误：	 %1：端口不存在（已拔出？）
</translation>
    </message>
    <message>
        <source>Scan error:	 %1: busy, another program is using it
</source>
        <translation>扫描错误：	 %1：端口忙，另一个程序正在使用它
</translation>
    </message>
    <message>
        <source>Scan error:	 %1: no permission to open it
</source>
        <translation>扫描错误：	 %1：无权限打开
</translation>
    </message>
    <message>
        <source>Scan error:	 %1: already open
</source>
        <translation>扫描错误：	 %1：已经打开
</translation>
    </message>
    <message>
        <source>Scan error:	 %1: cannot open it (%2)
</source>
        <translation>扫描错误：	 %1：无法打开（%2）
</translation>
    </message>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>even</source>
        <translation>偶</translation>
    </message>
    <message>
        <source>odd</source>
        <translation>奇</translation>
    </message>
    <message>
        <source>No serial port to search: plug in the adapter, or start the tool with --port for a port the system does not list.
</source>
        <translation>没有可搜索的串口：请插入适配器；系统未列出的端口请用 --port 启动本工具来指定。
</translation>
    </message>
    <message>
        <source>Auto-Connect found no device on %1. Check the wiring, the power of the device and its line settings (baud rate 4800 to 230400); Search with an ID range finds a device that does not answer Auto-Connect.
</source>
        <translation>自动连接在 %1 上未找到设备。请检查接线、设备电源及其串口参数（波特率 4800 至 230400）；不响应自动连接的设备可按 ID 范围搜索。
</translation>
    </message>
    <message>
        <source>Search stopped: %1 device(s) found on %2; double-click one in the list to connect.
</source>
        <translation>搜索已停止：在 %2 上找到 %1 个设备；双击列表中的设备即可连接。
</translation>
    </message>
    <message>
        <source>Search finished: %1 device(s) found on %2; double-click one in the list to connect.
</source>
        <translation>搜索完成：在 %2 上找到 %1 个设备；双击列表中的设备即可连接。
</translation>
    </message>
    <message>
        <source>Search stopped: no device found so far on %1.
</source>
        <translation>搜索已停止：在 %1 上尚未找到设备。
</translation>
    </message>
    <message>
        <source>Search finished: no device answered on %1 with an ID from %2 to %3. Check the wiring, the power of the device, the ID range and its line settings (baud rate 4800 to 230400, parity).
</source>
        <translation>搜索完成：%1 上 ID %2 至 %3 均无设备应答。请检查接线、设备电源、ID 范围及其串口参数（波特率 4800 至 230400、校验）。
</translation>
    </message>
    <message>
        <source>Auto-Connect found a device: ID %1 on %2, %3 baud, parity %4.
</source>
        <translation>自动连接找到设备：ID %1，端口 %2，波特率 %3，校验 %4。
</translation>
    </message>
    <message>
        <source>No permission to open %1: it belongs to %2:%3 with mode %4, so %5. The udev rule %6 gives that group read and write rights to serial ports: install it (sudo cp %6 /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload) and replug the adapter or run sudo udevadm trigger %7%8.
</source>
        <translation>无权限打开 %1：它属于 %2:%3，权限为 %4，因此%5。udev 规则 %6 会给该用户组读写串口的权限：请安装该规则（sudo cp %6 /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload），然后重新插拔适配器或运行 sudo udevadm trigger %7%8。
</translation>
    </message>
    <message>
        <source>Write not sent:	 %1 = %2, dropped when reading was switched over</source>
        <translation>写入未发送：	 %1 = %2，读取切换时已丢弃</translation>
    </message>
    <message>
        <source>Write given up:	 %1 = %2, no answer after %3 tries</source>
        <translation>写入已放弃：	 %1 = %2，尝试 %3 次后仍无应答</translation>
    </message>
    <message>
        <source>Write outcome unknown:	 0x%1 = %2, no answer; not sent again, since the device may have carried it out</source>
        <translation>写入结果未知：	 0x%1 = %2，无应答；设备可能已执行，因此不再重发</translation>
    </message>
    <message>
        <source>Write refused:	 0x%1 = %2, the device answered %3 (exception 0x%4); not sent again</source>
        <translation>写入被拒绝：	 0x%1 = %2，设备应答 %3（异常 0x%4）；不再重发</translation>
    </message>
    <message>
        <source> (an earlier send went unanswered and may have been carried out)</source>
        <translation>（之前的一次发送无应答，可能已被执行）</translation>
    </message>
    <message>
        <source>Write not confirmed:	 0x%1 = %2, still queued when the program ended</source>
        <translation>写入未确认：	 0x%1 = %2，程序结束时仍在队列中</translation>
    </message>
    <message>
        <source>	 adapter of %1: %2</source>
        <translation>	 %1 的适配器：%2</translation>
    </message>
    <message>
        <source>	 %1: %2</source>
        <translation>	 %1：%2</translation>
    </message>
    <message>
        <source>this adapter echoes what it sends: switch its echo off, or let Grivant skip it (grivantctl and the gateway skip it; the window&apos;s link cannot)</source>
        <translation>此适配器会回显其发送的内容：请关闭其回显，或让 Grivant 跳过回显（grivantctl 和网关会跳过；窗口的连接无法跳过）</translation>
    </message>
    <message>
        <source>id: %1 , BaudRate: %2, parity: %3</source>
        <translation>ID：%1，波特率：%2，校验：%3</translation>
    </message>
    <message>
        <source>Network port:	 %1 - %2 
</source>
        <translation>网络端口：	 %1 - %2 
</translation>
    </message>
</context>
<context>
    <name>ReplayTimeline</name>
    <message>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>播放</translation>
    </message>
    <message>
        <source>Next error</source>
        <translation>下一个错误</translation>
    </message>
    <message>
        <source>Next write</source>
        <translation>下一次写入</translation>
    </message>
    <message>
        <source>Next notice</source>
        <translation>下一条提示</translation>
    </message>
    <message>
        <source>Close replay</source>
        <translation>关闭回放</translation>
    </message>
    <message>
        <source>Replay speed</source>
        <translation>回放速度</translation>
    </message>
    <message>
        <source>Drag to any moment of the session</source>
        <translation>拖动到会话的任意时刻</translation>
    </message>
    <message>
        <source>The next failure on the line: no answer, an exception or a bad CRC</source>
        <translation>线路上的下一个故障：无应答、异常应答或 CRC 错误</translation>
    </message>
    <message>
        <source>The next write that was queued or sent</source>
        <translation>下一次排队或发送的写入</translation>
    </message>
    <message>
        <source>The next notice or process-log line</source>
        <translation>下一条提示或过程日志</translation>
    </message>
    <message>
        <source>Replay of %1: nothing is written to a device</source>
        <translation>回放 %1：不会向设备写入任何内容</translation>
    </message>
</context>
<context>
    <name>SerialAdapter</name>
    <message>
        <source>not on this system</source>
        <translation>本系统不支持</translation>
    </message>
    <message>
        <source>%1 may not be written (%2)</source>
        <translation>%1 不允许写入（%2）</translation>
    </message>
    <message>
        <source>%1 refused %2 (%3)</source>
        <translation>%1 拒绝了 %2（%3）</translation>
    </message>
    <message>
        <source>%1 cannot be read (%2)</source>
        <translation>%1 无法读取（%2）</translation>
    </message>
    <message>
        <source>latency_timer reads &quot;%1&quot;, not a number</source>
        <translation>latency_timer 的内容为“%1”，不是数字</translation>
    </message>
    <message>
        <source>latency_timer reads %1, beyond the %2 ms an adapter can hold</source>
        <translation>latency_timer 的内容为 %1，超出适配器所能保持的 %2 ms</translation>
    </message>
    <message>
        <source>no sysfs at %1</source>
        <translation>%1 处没有 sysfs</translation>
    </message>
    <message>
        <source>%1 has no entry under %2</source>
        <translation>%2 下没有 %1 的条目</translation>
    </message>
    <message>
        <source>no driver link in %1</source>
        <translation>%1 中没有驱动链接</translation>
    </message>
    <message>
        <source>no USB device above %1</source>
        <translation>%1 之上没有 USB 设备</translation>
    </message>
    <message>
        <source>no readable USB IDs in %1</source>
        <translation>%1 中没有可读的 USB ID</translation>
    </message>
    <message>
        <source>no latency_timer in %1</source>
        <translation>%1 中没有 latency_timer</translation>
    </message>
    <message>
        <source>low latency is on, yet the timer reads %1 ms</source>
        <translation>低延迟已开启，但定时器读数为 %1 ms</translation>
    </message>
    <message>
        <source>the driver took low latency, yet the timer stayed at %1 ms</source>
        <translation>驱动接受了低延迟，但定时器仍为 %1 ms</translation>
    </message>
    <message>
        <source>latency_timer took 1 ms but cannot be read back (%1)</source>
        <translation>latency_timer 已写入 1 ms，但无法读回（%1）</translation>
    </message>
    <message>
        <source>latency_timer took 1 ms but reads %1 ms</source>
        <translation>latency_timer 已写入 1 ms，但读数为 %1 ms</translation>
    </message>
    <message>
        <source>low latency refused: %1; latency_timer not written: %2</source>
        <translation>低延迟被拒绝：%1；latency_timer 未写入：%2</translation>
    </message>
    <message>
        <source>low latency could not be switched off again on %1: %2</source>
        <translation>无法在 %1 上重新关闭低延迟：%2</translation>
    </message>
    <message>
        <source>the latency timer of %1 could not be put back to %2 ms: %3</source>
        <translation>无法将 %1 的延迟定时器恢复为 %2 ms：%3</translation>
    </message>
    <message>
        <source>a pseudo-terminal (a simulator or a virtual port), no adapter</source>
        <translation>伪终端（模拟器或虚拟端口），无适配器</translation>
    </message>
    <message>
        <source>%1, a terminal without hardware</source>
        <translation>%1，无硬件的终端</translation>
    </message>
    <message>
        <source>a serial port of this computer (%1)</source>
        <translation>本机串口（%1）</translation>
    </message>
    <message>
        <source>a serial port of this computer (%1), driver %2</source>
        <translation>本机串口（%1），驱动 %2</translation>
    </message>
    <message>
        <source>%1, driver %2</source>
        <translation>%1，驱动 %2</translation>
    </message>
    <message>
        <source>adapter not known</source>
        <translation>适配器未知</translation>
    </message>
    <message>
        <source>adapter not known: %1</source>
        <translation>适配器未知：%1</translation>
    </message>
    <message>
        <source>%1: no latency timer, nothing to set</source>
        <translation>%1：无延迟定时器，无需设置</translation>
    </message>
    <message>
        <source>no latency timer</source>
        <translation>无延迟定时器</translation>
    </message>
    <message>
        <source>latency timer not known (%1): left as it is</source>
        <translation>延迟定时器未知（%1）：保持原样</translation>
    </message>
    <message>
        <source>latency timer %1 ms</source>
        <translation>延迟定时器 %1 ms</translation>
    </message>
    <message>
        <source>latency timer %1 ms, %2 ms while the port is open (low latency asked of the driver, put back at close)</source>
        <translation>延迟定时器 %1 ms，端口打开期间为 %2 ms（已向驱动请求低延迟，关闭时恢复）</translation>
    </message>
    <message>
        <source>latency timer %1 ms, %2 ms while the port is open (latency_timer written, put back at close)</source>
        <translation>延迟定时器 %1 ms，端口打开期间为 %2 ms（已写入 latency_timer，关闭时恢复）</translation>
    </message>
    <message>
        <source>latency timer %1 ms: every answer waits up to %1 ms in the adapter (%2)</source>
        <translation>延迟定时器 %1 ms：每个应答在适配器中最多等待 %1 ms（%2）</translation>
    </message>
    <message>
        <source>Install the udev rule %1, which sets the latency timer of every FTDI adapter to 1 ms when it is plugged in: sudo cp %1 /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload, then replug the adapter.</source>
        <translation>请安装 udev 规则 %1，它会在插入时将每个 FTDI 适配器的延迟定时器设为 1 ms：sudo cp %1 /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload，然后重新插拔适配器。</translation>
    </message>
    <message>
        <source>latency timer not known (%1)</source>
        <translation>延迟定时器未知（%1）</translation>
    </message>
</context>
<context>
    <name>SessionFile</name>
    <message>
        <source>frame %1 at %2 %3</source>
        <translation>第 %1 帧（%2）%3</translation>
    </message>
    <message>
        <source>is older than the frame before it</source>
        <translation>早于它前面的帧</translation>
    </message>
    <message>
        <source>holds a request other than the one recorded with it</source>
        <translation>所含请求与记录的请求不一致</translation>
    </message>
    <message>
        <source>answers another function than its request</source>
        <translation>应答的功能码与其请求不同</translation>
    </message>
    <message>
        <source>answers no request</source>
        <translation>没有对应的请求</translation>
    </message>
    <message>
        <source>has an unknown direction</source>
        <translation>方向未知</translation>
    </message>
    <message>
        <source>%1: no such file</source>
        <translation>%1：文件不存在</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>无法读取 %1：%2</translation>
    </message>
    <message>
        <source>%1 is not a Grivant session: it is not an SQLite database.</source>
        <translation>%1 不是 Grivant 会话：它不是 SQLite 数据库。</translation>
    </message>
    <message>
        <source>The recording did not end cleanly; its log was read as well.</source>
        <translation>录制未正常结束；已一并读取其日志。</translation>
    </message>
    <message>
        <source>%1 is not a Grivant session: it is an SQLite database of another kind.</source>
        <translation>%1 不是 Grivant 会话：它是其他类型的 SQLite 数据库。</translation>
    </message>
    <message>
        <source>%1 was recorded by a newer Grivant (session format %2); this one reads format %3 and older. Open it with a newer Grivant.</source>
        <translation>%1 由更新版本的 Grivant 录制（会话格式 %2）；本版本只能读取格式 %3 及更早的格式。请使用更新版本的 Grivant 打开。</translation>
    </message>
    <message>
        <source>The recording did not end cleanly: it ends at its last complete second, %1.</source>
        <translation>录制未正常结束：结束于最后一个完整的秒，%1。</translation>
    </message>
    <message>
        <source>%1 cannot be replayed: its frames contradict each other (%2).</source>
        <translation>%1 无法回放：其中的帧互相矛盾（%2）。</translation>
    </message>
    <message>
        <source>a folder</source>
        <translation>一个文件夹</translation>
    </message>
    <message>
        <source>a FIFO (named pipe)</source>
        <translation>一个 FIFO（命名管道）</translation>
    </message>
    <message>
        <source>a device</source>
        <translation>一个设备</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>一个套接字</translation>
    </message>
    <message>
        <source>a special file</source>
        <translation>一个特殊文件</translation>
    </message>
    <message>
        <source>view</source>
        <translation>视图</translation>
    </message>
    <message>
        <source>trigger</source>
        <translation>触发器</translation>
    </message>
    <message>
        <source>index</source>
        <translation>索引</translation>
    </message>
    <message>
        <source>virtual table</source>
        <translation>虚拟表</translation>
    </message>
    <message>
        <source>table</source>
        <translation>表</translation>
    </message>
    <message>
        <source>Cannot read %1: the log beside it (%2-wal) is %3, not a file.</source>
        <translation>无法读取 %1：它旁边的日志（%2-wal）是%3，不是文件。</translation>
    </message>
    <message>
        <source>%1 is %2, not a file: a session is read only from a regular file.</source>
        <translation>%1 是%2，不是文件：会话只从普通文件读取。</translation>
    </message>
    <message>
        <source>%1 is not a Grivant session: no Grivant writes a session of format %2.</source>
        <translation>%1 不是 Grivant 会话：没有任何 Grivant 会写入格式为 %2 的会话。</translation>
    </message>
    <message>
        <source>%1 is refused: it holds the %2 &quot;%3&quot;, and a session holds nothing but its tables, so that nothing in it runs when it is read.</source>
        <translation>%1 被拒绝：它含有%2“%3”，而会话只含有它的表，读取时其中任何内容都不会运行。</translation>
    </message>
    <message>
        <source>%1 is not a session of this format: it has no table &quot;%2&quot;.</source>
        <translation>%1 不是此格式的会话：它没有表“%2”。</translation>
    </message>
    <message>
        <source>%1 is not a session of this format: it has no column %2.</source>
        <translation>%1 不是此格式的会话：它没有列 %2。</translation>
    </message>
    <message>
        <source>%1 is not a session of this format: its column %2 is declared &quot;%3&quot;.</source>
        <translation>%1 不是此格式的会话：它的列 %2 声明为“%3”。</translation>
    </message>
    <message>
        <source>%1 is refused: its column %2 is computed as it is read (a generated column), which a session never holds.</source>
        <translation>%1 被拒绝：它的列 %2 在读取时计算（生成列），会话从不含有这种列。</translation>
    </message>
    <message>
        <source>%1 is refused: its column %2 is hidden, which a session never holds.</source>
        <translation>%1 被拒绝：它的列 %2 是隐藏列，会话从不含有这种列。</translation>
    </message>
    <message>
        <source>%1 contradicts the session format: its header holds %2 twice.</source>
        <translation>%1 与会话格式矛盾：它的头部两次含有 %2。</translation>
    </message>
    <message>
        <source>%1 contradicts the session format: its header has no %2.</source>
        <translation>%1 与会话格式矛盾：它的头部没有 %2。</translation>
    </message>
    <message>
        <source>%1 contradicts the session format: its header&apos;s %2 is %3.</source>
        <translation>%1 与会话格式矛盾：它头部的 %2 为 %3。</translation>
    </message>
    <message>
        <source>%1 contradicts the session format: %2 of row %3 is %4.</source>
        <translation>%1 与会话格式矛盾：第 %3 行的 %2 为 %4。</translation>
    </message>
    <message>
        <source>%1 is damaged: not even its beginning can be read.</source>
        <translation>%1 已损坏：连开头都无法读取。</translation>
    </message>
    <message>
        <source>Reading %1 was stopped.</source>
        <translation>读取 %1 已停止。</translation>
    </message>
    <message>
        <source>%1 is refused: reading it took far longer than a file of its size can need; it is damaged or made to hold the reader up.</source>
        <translation>%1 被拒绝：读取它所用的时间远超过这样大小的文件所需；它已损坏，或是被做成用来拖住读取程序的。</translation>
    </message>
    <message>
        <source>Cannot read %1: no room for a copy of it and its log (%2)</source>
        <translation>无法读取 %1：没有空间存放它及其日志的副本（%2）</translation>
    </message>
    <message>
        <source>%1 is damaged: it is read up to %2, the last complete second before the damage (%3 frames); what follows is lost.</source>
        <translation>%1 已损坏：读取到 %2，即损坏之前最后一个完整的秒（%3 帧）；之后的内容已丢失。</translation>
    </message>
    <message>
        <source>Its header gives the session a length of %1, which its frames and events contradict: it is taken to end with them, at %2.</source>
        <translation>它的头部给出的会话长度为 %1，与其帧和事件矛盾：会话按它们结束，在 %2。</translation>
    </message>
    <message>
        <source>Answers that did not fit their request (another number of registers than it asked for, or registers beyond 0xFFFF): %1. They are in the traffic, but neither replayed nor exported.</source>
        <translation>与其请求不符的应答（寄存器数量与请求不同，或寄存器超出 0xFFFF）：%1 个。它们显示在通信记录中，但不回放也不导出。</translation>
    </message>
</context>
<context>
    <name>SessionWriter</name>
    <message>
        <source>A recording is already running.</source>
        <translation>已有录制正在进行。</translation>
    </message>
    <message>
        <source>Cannot create %1: %2</source>
        <translation>无法创建 %1：%2</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>Frames could not be written</source>
        <translation>无法写入帧</translation>
    </message>
    <message>
        <source>%1 is not a file: a session is written only to a regular file or a new one.</source>
        <translation>%1 不是文件：会话只写入普通文件或新文件。</translation>
    </message>
    <message>
        <source>%1 exists already; it is not replaced.</source>
        <translation>%1 已存在，不会被替换。</translation>
    </message>
    <message>
        <source>Cannot name the recording %1</source>
        <translation>无法将录制命名为 %1</translation>
    </message>
</context>
<context>
    <name>TcpTransport</name>
    <message>
        <source>looking up the host name &quot;%1&quot; took longer than the time-out</source>
        <translation>查找主机名“%1”超过了超时时间</translation>
    </message>
    <message>
        <source>the host name &quot;%1&quot; is not known (%2)</source>
        <translation>主机名“%1”未知（%2）</translation>
    </message>
    <message>
        <source>the Modbus TCP device at %1</source>
        <translation>位于 %1 的 Modbus TCP 设备</translation>
    </message>
    <message>
        <source>the device server at %1</source>
        <translation>位于 %1 的串口服务器</translation>
    </message>
    <message>
        <source>no answer: %1 took the request, but neither it nor a device behind it answered</source>
        <translation>无应答：%1 已收到请求，但它及其后的设备均未应答</translation>
    </message>
    <message>
        <source>no answer: %1 took the request, but the device behind it did not answer</source>
        <translation>无应答：%1 已收到请求，但其后的设备未应答</translation>
    </message>
    <message>
        <source>it refuses the connection (nothing listens at port %1?)</source>
        <translation>它拒绝连接（端口 %1 上没有服务在监听？）</translation>
    </message>
    <message>
        <source>no connection within %1 ms (switched off, on another network, or held back by a firewall?)</source>
        <translation>%1 毫秒内未能建立连接（已关机、位于其他网络，或被防火墙阻挡？）</translation>
    </message>
    <message>
        <source>%1 cannot be reached: %2</source>
        <translation>无法连接%1：%2</translation>
    </message>
    <message>
        <source>the connection to %1 ended before the request went out</source>
        <translation>请求发出之前，与%1的连接已断开</translation>
    </message>
</context>
<context>
    <name>TrafficModel</name>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>方向</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>Bytes</source>
        <translation>字节</translation>
    </message>
    <message>
        <source>Decoded</source>
        <translation>解析</translation>
    </message>
</context>
<context>
    <name>TrafficMonitor</name>
    <message>
        <source>Grivant -- Traffic monitor</source>
        <translation>Grivant -- 通信监视器</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>继续</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Save...</source>
        <translation>保存...</translation>
    </message>
    <message>
        <source>ID:</source>
        <translation>ID:</translation>
    </message>
    <message>
        <source>any</source>
        <translation>任意</translation>
    </message>
    <message>
        <source>Function:</source>
        <translation>功能码:</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>0x03 read</source>
        <translation>0x03 读</translation>
    </message>
    <message>
        <source>0x06 write one</source>
        <translation>0x06 写单个</translation>
    </message>
    <message>
        <source>0x10 write several</source>
        <translation>0x10 写多个</translation>
    </message>
    <message>
        <source>Errors only</source>
        <translation>仅错误</translation>
    </message>
    <message>
        <source>Register:</source>
        <translation>寄存器:</translation>
    </message>
    <message>
        <source>e.g. 0x0202</source>
        <translation>如 0x0202</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>文本文件 (*.txt)</translation>
    </message>
    <message>
        <source>Save traffic</source>
        <translation>保存通信记录</translation>
    </message>
    <message>
        <source>Saved to %1 (frames: %2).</source>
        <translation>已保存到 %1 (帧数: %2)。</translation>
    </message>
    <message>
        <source>Could not save %1: %2</source>
        <translation>无法保存 %1: %2</translation>
    </message>
    <message>
        <source>%1 of %2 frames shown; the newest %3 are kept.</source>
        <translation>显示 %1 帧, 共 %2 帧; 保留最新的 %3 帧。</translation>
    </message>
    <message>
        <source>Paused: nothing is recorded.</source>
        <translation>已暂停: 不记录任何帧。</translation>
    </message>
</context>
<context>
    <name>TrafficText</name>
    <message>
        <source>Sent</source>
        <translation>发送</translation>
    </message>
    <message>
        <source>Received</source>
        <translation>接收</translation>
    </message>
    <message>
        <source>No answer</source>
        <translation>无应答</translation>
    </message>
    <message>
        <source>illegal function</source>
        <translation>非法功能码</translation>
    </message>
    <message>
        <source>illegal data address</source>
        <translation>非法数据地址</translation>
    </message>
    <message>
        <source>illegal data value</source>
        <translation>非法数据值</translation>
    </message>
    <message>
        <source>server device failure</source>
        <translation>从站设备故障</translation>
    </message>
    <message>
        <source>acknowledge</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>server device busy</source>
        <translation>从站设备忙</translation>
    </message>
    <message>
        <source>memory parity error</source>
        <translation>存储奇偶校验错误</translation>
    </message>
    <message>
        <source>gateway path unavailable</source>
        <translation>网关路径不可用</translation>
    </message>
    <message>
        <source>gateway target device failed to respond</source>
        <translation>网关目标设备无响应</translation>
    </message>
    <message>
        <source>unknown exception</source>
        <translation>未知异常</translation>
    </message>
    <message>
        <source>ID %1</source>
        <translation>ID %1</translation>
    </message>
    <message>
        <source>no answer after %1 ms</source>
        <translation>%1 ms 后无应答</translation>
    </message>
    <message>
        <source>no answer: %1</source>
        <translation>无应答: %1</translation>
    </message>
    <message>
        <source>read from %1, count %2</source>
        <translation>读取 %1 起, 数量 %2</translation>
    </message>
    <message>
        <source>answer from %1, count %2: %3</source>
        <translation>应答 %1 起, 数量 %2: %3</translation>
    </message>
    <message>
        <source>answer, count %1: %2</source>
        <translation>应答, 数量 %1: %2</translation>
    </message>
    <message>
        <source>write %1 to %2</source>
        <translation>写入 %1 到 %2</translation>
    </message>
    <message>
        <source>written: %1 to %2</source>
        <translation>已写入: %1 到 %2</translation>
    </message>
    <message>
        <source>write from %1, count %2: %3</source>
        <translation>写入 %1 起, 数量 %2: %3</translation>
    </message>
    <message>
        <source>written from %1, count %2</source>
        <translation>已写入 %1 起, 数量 %2</translation>
    </message>
    <message>
        <source>exception %1 to function %2: %3</source>
        <translation>功能码 %2 的异常 %1: %3</translation>
    </message>
    <message>
        <source>function %1</source>
        <translation>功能码 %1</translation>
    </message>
    <message>
        <source>malformed frame of function %1</source>
        <translation>功能码 %1 的格式错误帧</translation>
    </message>
    <message>
        <source>malformed frame</source>
        <translation>格式错误帧</translation>
    </message>
    <message>
        <source>CRC ok</source>
        <translation>CRC 正确</translation>
    </message>
    <message>
        <source>CRC bad (expected %1)</source>
        <translation>CRC 错误 (应为 %1)</translation>
    </message>
    <message>
        <source>a late answer to an earlier request, discarded: %1</source>
        <translation>先前请求的迟到应答, 已丢弃: %1</translation>
    </message>
</context>
<context>
    <name>VEVirurodOzoviDatabase</name>
    <message>
        <source>Not found file: %1</source>
        <translation>找不到文件：%1</translation>
    </message>
    <message>
        <source>Sqlite not open: %1</source>
        <translation>SQLite 未打开：%1</translation>
    </message>
    <message>
        <source>Sqlite not open</source>
        <translation>SQLite 未打开</translation>
    </message>
</context>
<context>
    <name>VXRegisterDatabase</name>
    <message>
        <source>Not found file: %1</source>
        <translation>找不到文件：%1</translation>
    </message>
    <message>
        <source>Sqlite not open: %1</source>
        <translation>SQLite 未打开：%1</translation>
    </message>
    <message>
        <source>Sqlite not open</source>
        <translation>SQLite 未打开</translation>
    </message>
</context>
</TS>
