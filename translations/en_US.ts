<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="en_US">
    <context>
        <name>ConnectionForm</name>
        <message>
            <source>MainWindow</source>
            <translation>MainWindow</translation>
        </message>
        <message>
            <source>&lt;!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0//EN" "http://www.w3.org/TR/REC-html40/strict.dtd"&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name="qrichtext" content="1" /&gt;&lt;style type="text/css"&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=" font-family:'Microsoft YaHei UI'; font-size:13pt; font-weight:400; font-style:normal;"&gt;
&lt;p style=" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;"&gt;&lt;span style=" font-family:'SimSun'; font-size:12pt;"&gt;Notice:&lt;/span&gt;&lt;/p&gt;
&lt;p style=" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;"&gt;&lt;span style=" font-family:'SimSun'; font-size:12pt;"&gt;Make sure to read and understand the Manual of your gripper;&lt;/span&gt;&lt;/p&gt;
&lt;p style=" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;"&gt;&lt;span style=" font-family:'SimSun'; font-size:12pt;"&gt;Make sure the wiring is correct;&lt;/span&gt;&lt;/p&gt;
&lt;p style=" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;"&gt;&lt;span style=" font-family:'SimSun'; font-size:12pt;"&gt;This software is just for setup, testing and debugging purposes.&lt;/span&gt;&lt;/p&gt;
&lt;p style="-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-family:'SimSun'; font-size:12pt;"&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;"&gt;&lt;span style=" font-family:'SimSun'; font-size:12pt;"&gt;Auto Connection : for single gripper;&lt;/span&gt;&lt;/p&gt;
&lt;p style=" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;"&gt;&lt;span style=" font-family:'SimSun'; font-size:12pt;"&gt;Connect: for mutiple grippers.&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
            <translation>&lt;!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0//EN" "http://www.w3.org/TR/REC-html40/strict.dtd"&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name="qrichtext" content="1" /&gt;&lt;style type="text/css"&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=" font-family:'Microsoft YaHei UI'; font-size:13pt; font-weight:400; font-style:normal;"&gt;
&lt;p style=" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;"&gt;&lt;span style=" font-family:'SimSun'; font-size:12pt;"&gt;Notice:&lt;/span&gt;&lt;/p&gt;
&lt;p style=" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;"&gt;&lt;span style=" font-family:'SimSun'; font-size:12pt;"&gt;Make sure to read and understand the Manual of your gripper;&lt;/span&gt;&lt;/p&gt;
&lt;p style=" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;"&gt;&lt;span style=" font-family:'SimSun'; font-size:12pt;"&gt;Make sure the wiring is correct;&lt;/span&gt;&lt;/p&gt;
&lt;p style=" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;"&gt;&lt;span style=" font-family:'SimSun'; font-size:12pt;"&gt;This software is just for setup, testing and debugging purposes.&lt;/span&gt;&lt;/p&gt;
&lt;p style="-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-family:'SimSun'; font-size:12pt;"&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;"&gt;&lt;span style=" font-family:'SimSun'; font-size:12pt;"&gt;Auto Connection : for single gripper;&lt;/span&gt;&lt;/p&gt;
&lt;p style=" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;"&gt;&lt;span style=" font-family:'SimSun'; font-size:12pt;"&gt;Connect: for mutiple grippers.&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
        </message>
        <message>
            <source>Auto Connection</source>
            <translation>Auto Connection</translation>
        </message>
        <message>
            <source>Auto-Connect</source>
            <translation>Auto-Connect</translation>
        </message>
        <message>
            <source>Connect</source>
            <translation>Connect</translation>
        </message>
        <message>
            <source>Port:</source>
            <translation>Port:</translation>
        </message>
        <message>
            <source>ID:</source>
            <translation>ID:</translation>
        </message>
        <message>
            <source>To</source>
            <translation>To</translation>
        </message>
        <message>
            <source>Search</source>
            <translation>Search</translation>
        </message>
        <message>
            <source>Help</source>
            <translation>Help</translation>
        </message>
        <message>
            <source>Admin</source>
            <translation>Admin</translation>
        </message>
        <message>
            <source>Help Topic</source>
            <translation>Help Topic</translation>
        </message>
        <message>
            <source>About</source>
            <translation>About</translation>
        </message>
        <message>
            <source>Costum</source>
            <translation>Costum</translation>
        </message>
        <message>
            <source>Grivant -- Connection configuration</source>
            <translation>Grivant -- Connection configuration</translation>
        </message>
        <message>
            <source>Copyright (c) Grivant developers. All rights reserved.</source>
            <translation>Copyright (c) Grivant developers. All rights reserved.</translation>
        </message>
        <message>
            <source>Search All</source>
            <translation>Search All</translation>
        </message>
        <message>
            <source>Warning</source>
            <translation>Warning</translation>
        </message>
        <message>
            <source>The start address is higher then the end address.</source>
            <translation>The start address is higher then the end address.</translation>
        </message>
        <message>
            <source>Stop</source>
            <translation>Stop</translation>
        </message>
        <message>
            <source>Searching: </source>
            <translation>Searching: </translation>
        </message>
        <message>
            <source>Device Model</source>
            <translation>Device Model</translation>
        </message>
        <message>
            <source>Code:</source>
            <translation>Code:</translation>
        </message>
        <message>
            <source>Online help: https://www.grivant.example/support</source>
            <translation>Online help: https://www.grivant.example/support</translation>
        </message>
        <message>
            <source>Serial ports on Linux</source>
            <translation>Serial ports on Linux</translation>
        </message>
        <message>
            <source>Only members of the group dialout may open serial ports. Join it, then log out and in again:</source>
            <translation>Only members of the group dialout may open serial ports. Join it, then log out and in again:</translation>
        </message>
        <message>
            <source>ModemManager may probe USB modem-class ports (ttyACM) for some seconds after they appear, which disturbs a search. The udev rule shipped with the tool keeps it away. Install it, then replug the adapter:</source>
            <translation>ModemManager may probe USB modem-class ports (ttyACM) for some seconds after they appear, which disturbs a search. The udev rule shipped with the tool keeps it away. Install it, then replug the adapter:</translation>
        </message>
        <message>
            <source>An FTDI adapter holds every answer for its latency timer (16 ms unless lowered), which slows polling to about a third. Grivant lowers it while it is connected where the driver or sysfs let it (the line under the port list tells); this udev rule sets it to 1 ms for good, and grivantctl doctor --port PORT shows it:</source>
            <translation>An FTDI adapter holds every answer for its latency timer (16 ms unless lowered), which slows polling to about a third. Grivant lowers it while it is connected where the driver or sysfs let it (the line under the port list tells); this udev rule sets it to 1 ms for good, and grivantctl doctor --port PORT shows it:</translation>
        </message>
        <message>
            <source>Names under /dev/serial/by-id stay the same when an adapter is replugged; the process log shows them. Start the tool with such a name to list it:</source>
            <translation>Names under /dev/serial/by-id stay the same when an adapter is replugged; the process log shows them. Start the tool with such a name to list it:</translation>
        </message>
        <message>
            <source>View</source>
            <translation>View</translation>
        </message>
        <message>
            <source>Traffic monitor</source>
            <translation>Traffic monitor</translation>
        </message>
        <message>
            <source>ID %1 on %2, %3 baud, parity %4, %5 stop bit(s)
(%6)
Double-click to connect.</source>
            <translation>ID %1 on %2, %3 baud, parity %4, %5 stop bit(s)
(%6)
Double-click to connect.</translation>
        </message>
        <message>
            <source>Double-click a device to connect to it.</source>
            <translation>Double-click a device to connect to it.</translation>
        </message>
        <message>
            <source>Grivant User Interface 

 Version : %1

Website : </source>
            <translation>Grivant User Interface 

 Version : %1

Website : </translation>
        </message>
        <message>
            <source>USB adapter</source>
            <translation>USB adapter</translation>
        </message>
        <message>
            <source>%1 (%2)</source>
            <translation>%1 (%2)</translation>
        </message>
        <message>
            <source>serial port of this computer (%1)</source>
            <translation>serial port of this computer (%1)</translation>
        </message>
        <message>
            <source>pseudo-terminal, no adapter</source>
            <translation>pseudo-terminal, no adapter</translation>
        </message>
        <message>
            <source>terminal without hardware</source>
            <translation>terminal without hardware</translation>
        </message>
        <message>
            <source>adapter not known</source>
            <translation>adapter not known</translation>
        </message>
        <message>
            <source>no latency timer</source>
            <translation>no latency timer</translation>
        </message>
        <message>
            <source>latency timer not known</source>
            <translation>latency timer not known</translation>
        </message>
        <message>
            <source>latency timer %1 ms</source>
            <translation>latency timer %1 ms</translation>
        </message>
        <message>
            <source>latency timer not known, left as it is</source>
            <translation>latency timer not known, left as it is</translation>
        </message>
        <message>
            <source>latency timer %1 → %2 ms while connected (low latency)</source>
            <translation>latency timer %1 → %2 ms while connected (low latency)</translation>
        </message>
        <message>
            <source>latency timer %1 → %2 ms while connected (timer written)</source>
            <translation>latency timer %1 → %2 ms while connected (timer written)</translation>
        </message>
        <message>
            <source>latency timer %1 ms: every answer waits in the adapter</source>
            <translation>latency timer %1 ms: every answer waits in the adapter</translation>
        </message>
        <message>
            <source>	 adapter: %1
</source>
            <translation>	 adapter: %1
</translation>
        </message>
        <message>
            <source>Adapter: choose a port to see what stands behind it.</source>
            <translation>Adapter: choose a port to see what stands behind it.</translation>
        </message>
        <message>
            <source>echoes the requests</source>
            <translation>echoes the requests</translation>
        </message>
        <message>
            <source>Adapter: %1</source>
            <translation>Adapter: %1</translation>
        </message>
        <message>
            <source>serial number %1</source>
            <translation>serial number %1</translation>
        </message>
        <message>
            <source>Grivant lowers the latency timer to 1 ms while it is connected where the driver or sysfs let it, and puts it back when it disconnects.</source>
            <translation>Grivant lowers the latency timer to 1 ms while it is connected where the driver or sysfs let it, and puts it back when it disconnects.</translation>
        </message>
        <message>
            <source>ID %1 behind %2
(%3)
Double-click to connect.</source>
            <translation>ID %1 behind %2
(%3)
Double-click to connect.</translation>
        </message>
        <message>
            <source>Network device…</source>
            <translation>Network device…</translation>
        </message>
        <message>
            <source>Connection back:	 %1
</source>
            <translation>Connection back:	 %1
</translation>
        </message>
        <message>
            <source>Connection lost:	 %1 (%2); trying again with growing pauses
</source>
            <translation>Connection lost:	 %1 (%2); trying again with growing pauses
</translation>
        </message>
        <message>
            <source>%1 is no network port</source>
            <translation>%1 is no network port</translation>
        </message>
        <message>
            <source>Network: give the address of a device server or a Modbus TCP device.</source>
            <translation>Network: give the address of a device server or a Modbus TCP device.</translation>
        </message>
        <message>
            <source>Network: Modbus TCP device at %1</source>
            <translation>Network: Modbus TCP device at %1</translation>
        </message>
        <message>
            <source>Network: device server at %1, RTU over TCP</source>
            <translation>Network: device server at %1, RTU over TCP</translation>
        </message>
        <message>
            <source>its line %1 baud</source>
            <translation>its line %1 baud</translation>
        </message>
        <message>
            <source>line settings are the device server's</source>
            <translation>line settings are the device server's</translation>
        </message>
        <message>
            <source>%1
The search tries the IDs only: baud rate, parity and stop bits do not apply to a network port. A connection that ends is made again with growing pauses; the process log tells when the device server cannot be reached, apart from devices that do not answer behind it.</source>
            <translation>%1
The search tries the IDs only: baud rate, parity and stop bits do not apply to a network port. A connection that ends is made again with growing pauses; the process log tells when the device server cannot be reached, apart from devices that do not answer behind it.</translation>
        </message>
        <message>
            <source>Through a gateway…</source>
            <translation>Through a gateway…</translation>
        </message>
        <message>
            <source>ID %1 is no device ID (1 to 247)</source>
            <translation>ID %1 is no device ID (1 to 247)</translation>
        </message>
        <message>
            <source>Through gateway %1, bus %2, ID %3: asking the broker at %4 for its lease
</source>
            <translation>Through gateway %1, bus %2, ID %3: asking the broker at %4 for its lease
</translation>
        </message>
        <message>
            <source>Gateway: a device of a running gateway's bus, leased through its broker.</source>
            <translation>Gateway: a device of a running gateway's bus, leased through its broker.</translation>
        </message>
        <message>
            <source>Gateway %1, bus %2, ID %3 · through the broker at %4 · the line is the gateway's</source>
            <translation>Gateway %1, bus %2, ID %3 · through the broker at %4 · the line is the gateway's</translation>
        </message>
        <message>
            <source>%1, ID %2
While the window is connected the gateway lends the device to it alone: it does not poll it, shows it as leased, and passes the window's requests to it between the polls of the other devices of its bus. The lease ends when the window disconnects, or by itself if the window goes away.</source>
            <translation>%1, ID %2
While the window is connected the gateway lends the device to it alone: it does not poll it, shows it as leased, and passes the window's requests to it between the polls of the other devices of its bus. The lease ends when the window disconnects, or by itself if the window goes away.</translation>
        </message>
    </context>
    <context>
        <name>FeedbackWords</name>
        <message>
            <source>not initialised</source>
            <translation>not initialised</translation>
        </message>
        <message>
            <source>initialised</source>
            <translation>initialised</translation>
        </message>
        <message>
            <source>initialising</source>
            <translation>initialising</translation>
        </message>
        <message>
            <source>not homed</source>
            <translation>not homed</translation>
        </message>
        <message>
            <source>homed</source>
            <translation>homed</translation>
        </message>
        <message>
            <source>homing</source>
            <translation>homing</translation>
        </message>
        <message>
            <source>moving</source>
            <translation>moving</translation>
        </message>
        <message>
            <source>arrived</source>
            <translation>arrived</translation>
        </message>
        <message>
            <source>caught an object</source>
            <translation>caught an object</translation>
        </message>
        <message>
            <source>object dropped</source>
            <translation>object dropped</translation>
        </message>
        <message>
            <source>met an object while pushing</source>
            <translation>met an object while pushing</translation>
        </message>
        <message>
            <source>push band ended without an object</source>
            <translation>push band ended without an object</translation>
        </message>
    </context>
    <context>
        <name>GatewayDialog</name>
        <message>
            <source>Through a gateway</source>
            <translation>Through a gateway</translation>
        </message>
        <message>
            <source>broker[:port]</source>
            <translation>broker[:port]</translation>
        </message>
        <message>
            <source>The broker the gateways publish to, as they reach it: host or address, and its port (1883, or 8883 with TLS).</source>
            <translation>The broker the gateways publish to, as they reach it: host or address, and its port (1883, or 8883 with TLS).</translation>
        </message>
        <message>
            <source>Login…</source>
            <translation>Login…</translation>
        </message>
        <message>
            <source>Show devices</source>
            <translation>Show devices</translation>
        </message>
        <message>
            <source>Connect</source>
            <translation>Connect</translation>
        </message>
        <message>
            <source>Gateway</source>
            <translation>Gateway</translation>
        </message>
        <message>
            <source>Bus</source>
            <translation>Bus</translation>
        </message>
        <message>
            <source>ID</source>
            <translation>ID</translation>
        </message>
        <message>
            <source>Model</source>
            <translation>Model</translation>
        </message>
        <message>
            <source>Unique ID</source>
            <translation>Unique ID</translation>
        </message>
        <message>
            <source>State</source>
            <translation>State</translation>
        </message>
        <message>
            <source>The gateway lends the device to this window alone while it is connected: it stops polling it, shows it as leased and passes the window's requests to it between the polls of the other devices of its bus (allow_diagnosis = yes in the gateway's configuration). A device that is offline, or leased by another client, cannot be chosen.</source>
            <translation>The gateway lends the device to this window alone while it is connected: it stops polling it, shows it as leased and passes the window's requests to it between the polls of the other devices of its bus (allow_diagnosis = yes in the gateway's configuration). A device that is offline, or leased by another client, cannot be chosen.</translation>
        </message>
        <message>
            <source>Give the broker and show the devices its gateways publish.</source>
            <translation>Give the broker and show the devices its gateways publish.</translation>
        </message>
        <message>
            <source>Connecting to the broker at %1…</source>
            <translation>Connecting to the broker at %1…</translation>
        </message>
        <message>
            <source>The broker at %1 shows these devices.</source>
            <translation>The broker at %1 shows these devices.</translation>
        </message>
        <message>
            <source>The broker at %1 refused the login: %2</source>
            <translation>The broker at %1 refused the login: %2</translation>
        </message>
        <message>
            <source>The broker at %1 cannot be reached: %2</source>
            <translation>The broker at %1 cannot be reached: %2</translation>
        </message>
        <message>
            <source>online</source>
            <translation>online</translation>
        </message>
        <message>
            <source>leased</source>
            <translation>leased</translation>
        </message>
        <message>
            <source>offline</source>
            <translation>offline</translation>
        </message>
        <message>
            <source>unknown</source>
            <translation>unknown</translation>
        </message>
        <message>
            <source>%1, %2</source>
            <translation>%1, %2</translation>
        </message>
    </context>
    <context>
        <name>LeaseTransport</name>
        <message>
            <source>gateway %1 went offline</source>
            <translation>gateway %1 went offline</translation>
        </message>
        <message>
            <source>without a user name</source>
            <translation>without a user name</translation>
        </message>
        <message>
            <source>user "%1"</source>
            <translation>user "%1"</translation>
        </message>
        <message>
            <source>the broker at %1 refused the connection (%2): %3</source>
            <translation>the broker at %1 refused the connection (%2): %3</translation>
        </message>
        <message>
            <source>the broker at %1 cannot be reached: %2</source>
            <translation>the broker at %1 cannot be reached: %2</translation>
        </message>
        <message>
            <source>the broker at %1 ended the connection: %2</source>
            <translation>the broker at %1 ended the connection: %2</translation>
        </message>
        <message>
            <source>the broker at %1 does not answer</source>
            <translation>the broker at %1 does not answer</translation>
        </message>
        <message>
            <source>the connection to the broker at %1 is gone</source>
            <translation>the connection to the broker at %1 is gone</translation>
        </message>
        <message>
            <source>gateway %1 is offline (its status on the broker at %2)</source>
            <translation>gateway %1 is offline (its status on the broker at %2)</translation>
        </message>
        <message>
            <source>gateway %1 does not answer: the broker at %2 knows of no gateway of that name (grivant/%1/status)</source>
            <translation>gateway %1 does not answer: the broker at %2 knows of no gateway of that name (grivant/%1/status)</translation>
        </message>
        <message>
            <source>gateway %1 does not answer the lease of ID %2 on bus %3 within %4 s</source>
            <translation>gateway %1 does not answer the lease of ID %2 on bus %3 within %4 s</translation>
        </message>
        <message>
            <source>only ID %1 of bus %2 is leased here; a request for ID %3 is not sent</source>
            <translation>only ID %1 of bus %2 is leased here; a request for ID %3 is not sent</translation>
        </message>
        <message>
            <source>through gateway %1: %2</source>
            <translation>through gateway %1: %2</translation>
        </message>
        <message>
            <source>the lease of ID %1 on bus %2 ended</source>
            <translation>the lease of ID %1 on bus %2 ended</translation>
        </message>
        <message>
            <source>the connection to the broker at %1 ended before the answer came</source>
            <translation>the connection to the broker at %1 ended before the answer came</translation>
        </message>
        <message>
            <source>no answer through gateway %1 in time (the broker, the gateway and the line of bus %2)</source>
            <translation>no answer through gateway %1 in time (the broker, the gateway and the line of bus %2)</translation>
        </message>
    </context>
    <context>
        <name>LineBrokerDialog</name>
        <message>
            <source>Broker login and TLS</source>
            <translation>Broker login and TLS</translation>
        </message>
        <message>
            <source>User name:</source>
            <translation>User name:</translation>
        </message>
        <message>
            <source>Password:</source>
            <translation>Password:</translation>
        </message>
        <message>
            <source>or password file:</source>
            <translation>or password file:</translation>
        </message>
        <message>
            <source>CA file (TLS):</source>
            <translation>CA file (TLS):</translation>
        </message>
        <message>
            <source>Client certificate:</source>
            <translation>Client certificate:</translation>
        </message>
        <message>
            <source>Client key:</source>
            <translation>Client key:</translation>
        </message>
        <message>
            <source>The password is kept until the program ends, never stored; a password file is read at each connection (its first line). With a CA file the broker is reached over TLS, at port 8883 unless the address names another.</source>
            <translation>The password is kept until the program ends, never stored; a password file is read at each connection (its first line). With a CA file the broker is reached over TLS, at port 8883 unless the address names another.</translation>
        </message>
    </context>
    <context>
        <name>LineBusModel</name>
        <message>
            <source>Known from the broker's retained status: it held before the Line view connected.</source>
            <translation>Known from the broker's retained status: it held before the Line view connected.</translation>
        </message>
        <message>
            <source>no status</source>
            <translation>no status</translation>
        </message>
        <message>
            <source>before %1</source>
            <translation>before %1</translation>
        </message>
        <message>
            <source>%1 of %2 online</source>
            <translation>%1 of %2 online</translation>
        </message>
        <message>
            <source>Gateway</source>
            <translation>Gateway</translation>
        </message>
        <message>
            <source>Status</source>
            <translation>Status</translation>
        </message>
        <message>
            <source>Since</source>
            <translation>Since</translation>
        </message>
        <message>
            <source>Bus</source>
            <translation>Bus</translation>
        </message>
        <message>
            <source>Line</source>
            <translation>Line</translation>
        </message>
        <message>
            <source>Devices</source>
            <translation>Devices</translation>
        </message>
        <message>
            <source>Line share</source>
            <translation>Line share</translation>
        </message>
        <message>
            <source>Failures/min</source>
            <translation>Failures/min</translation>
        </message>
        <message>
            <source>Idle: %1 % of the time nothing was due</source>
            <translation>Idle: %1 % of the time nothing was due</translation>
        </message>
    </context>
    <context>
        <name>LineCharts</name>
        <message>
            <source>Position</source>
            <translation>Position</translation>
        </message>
        <message>
            <source>Position (%1)</source>
            <translation>Position (%1)</translation>
        </message>
        <message>
            <source>Current (mA)</source>
            <translation>Current (mA)</translation>
        </message>
        <message>
            <source>The first %1 of the chosen devices are drawn.</source>
            <translation>The first %1 of the chosen devices are drawn.</translation>
        </message>
        <message>
            <source>Choose several rows (Ctrl+click) to compare their devices.</source>
            <translation>Choose several rows (Ctrl+click) to compare their devices.</translation>
        </message>
    </context>
    <context>
        <name>LineTableModel</name>
        <message>
            <source>%1 (unknown)</source>
            <translation>%1 (unknown)</translation>
        </message>
        <message>
            <source>online</source>
            <translation>online</translation>
        </message>
        <message>
            <source>offline</source>
            <translation>offline</translation>
        </message>
        <message>
            <source>leased</source>
            <translation>leased</translation>
        </message>
        <message>
            <source>gripper</source>
            <translation>gripper</translation>
        </message>
        <message>
            <source>rotary gripper</source>
            <translation>rotary gripper</translation>
        </message>
        <message>
            <source>linear module</source>
            <translation>linear module</translation>
        </message>
        <message>
            <source>error %1</source>
            <translation>error %1</translation>
        </message>
        <message>
            <source>fault</source>
            <translation>fault</translation>
        </message>
        <message>
            <source>%1 s</source>
            <translation>%1 s</translation>
        </message>
        <message>
            <source>%1 min</source>
            <translation>%1 min</translation>
        </message>
        <message>
            <source>%1 h</source>
            <translation>%1 h</translation>
        </message>
        <message>
            <source>%1 days</source>
            <translation>%1 days</translation>
        </message>
        <message>
            <source>The gateway %1 is offline: nobody watches this device now.</source>
            <translation>The gateway %1 is offline: nobody watches this device now.</translation>
        </message>
        <message>
            <source>Model code %1, hardware %2, software %3, unique ID %4</source>
            <translation>Model code %1, hardware %2, software %3, unique ID %4</translation>
        </message>
        <message>
            <source>Last state at %1</source>
            <translation>Last state at %1</translation>
        </message>
        <message>
            <source>Gateway</source>
            <translation>Gateway</translation>
        </message>
        <message>
            <source>Bus</source>
            <translation>Bus</translation>
        </message>
        <message>
            <source>ID</source>
            <translation>ID</translation>
        </message>
        <message>
            <source>Model</source>
            <translation>Model</translation>
        </message>
        <message>
            <source>Family</source>
            <translation>Family</translation>
        </message>
        <message>
            <source>Availability</source>
            <translation>Availability</translation>
        </message>
        <message>
            <source>Initialisation</source>
            <translation>Initialisation</translation>
        </message>
        <message>
            <source>State</source>
            <translation>State</translation>
        </message>
        <message>
            <source>Position</source>
            <translation>Position</translation>
        </message>
        <message>
            <source>Current</source>
            <translation>Current</translation>
        </message>
        <message>
            <source>Fault</source>
            <translation>Fault</translation>
        </message>
        <message>
            <source>Age</source>
            <translation>Age</translation>
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
            <translation>Achieved poll interval, median / 95 %</translation>
        </message>
        <message>
            <source>Poll interval</source>
            <translation>Poll interval</translation>
        </message>
        <message>
            <source>Achieved poll interval, median / 95 %: slower than its period of %1 ms</source>
            <translation>Achieved poll interval, median / 95 %: slower than its period of %1 ms</translation>
        </message>
        <message>
            <source>Lent to a client for diagnosis</source>
            <translation>Lent to a client for diagnosis</translation>
        </message>
        <message>
            <source>Lent to %1 for diagnosis</source>
            <translation>Lent to %1 for diagnosis</translation>
        </message>
        <message>
            <source>Lent to %1 for diagnosis since %2</source>
            <translation>Lent to %1 for diagnosis since %2</translation>
        </message>
    </context>
    <context>
        <name>LineWindow</name>
        <message>
            <source>The broker's address %1 is not usable: %2</source>
            <translation>The broker's address %1 is not usable: %2</translation>
        </message>
        <message>
            <source>Not connected: %1</source>
            <translation>Not connected: %1</translation>
        </message>
        <message>
            <source>Grivant -- Line</source>
            <translation>Grivant -- Line</translation>
        </message>
        <message>
            <source>Broker:</source>
            <translation>Broker:</translation>
        </message>
        <message>
            <source>host or host:port</source>
            <translation>host or host:port</translation>
        </message>
        <message>
            <source>Login...</source>
            <translation>Login...</translation>
        </message>
        <message>
            <source>Gateway:</source>
            <translation>Gateway:</translation>
        </message>
        <message>
            <source>Bus:</source>
            <translation>Bus:</translation>
        </message>
        <message>
            <source>Show:</source>
            <translation>Show:</translation>
        </message>
        <message>
            <source>All</source>
            <translation>All</translation>
        </message>
        <message>
            <source>All devices</source>
            <translation>All devices</translation>
        </message>
        <message>
            <source>Online</source>
            <translation>Online</translation>
        </message>
        <message>
            <source>Offline</source>
            <translation>Offline</translation>
        </message>
        <message>
            <source>Leased</source>
            <translation>Leased</translation>
        </message>
        <message>
            <source>Faults only</source>
            <translation>Faults only</translation>
        </message>
        <message>
            <source>Find a model, unique ID, bus or ID</source>
            <translation>Find a model, unique ID, bus or ID</translation>
        </message>
        <message>
            <source>Charts</source>
            <translation>Charts</translation>
        </message>
        <message>
            <source>Device</source>
            <translation>Device</translation>
        </message>
        <message>
            <source>Item</source>
            <translation>Item</translation>
        </message>
        <message>
            <source>Value</source>
            <translation>Value</translation>
        </message>
        <message>
            <source>Address</source>
            <translation>Address</translation>
        </message>
        <message>
            <source>Parameter</source>
            <translation>Parameter</translation>
        </message>
        <message>
            <source>Diagnose</source>
            <translation>Diagnose</translation>
        </message>
        <message>
            <source>Disconnect</source>
            <translation>Disconnect</translation>
        </message>
        <message>
            <source>Connect</source>
            <translation>Connect</translation>
        </message>
        <message>
            <source>Not connected</source>
            <translation>Not connected</translation>
        </message>
        <message>
            <source>Connecting to %1...</source>
            <translation>Connecting to %1...</translation>
        </message>
        <message>
            <source>Connected to %1</source>
            <translation>Connected to %1</translation>
        </message>
        <message>
            <source>%1 refused the connection: %2</source>
            <translation>%1 refused the connection: %2</translation>
        </message>
        <message>
            <source>%1 cannot be reached: %2</source>
            <translation>%1 cannot be reached: %2</translation>
        </message>
        <message>
            <source>The connection to %1 was lost: %2</source>
            <translation>The connection to %1 was lost: %2</translation>
        </message>
        <message>
            <source>The broker is out of reach: the table shows what was known before, and the view connects again by itself.</source>
            <translation>The broker is out of reach: the table shows what was known before, and the view connects again by itself.</translation>
        </message>
        <message>
            <source>The table holds at most %1 devices (%2 gateways, %3 buses): %4 messages of further ones were left out.</source>
            <translation>The table holds at most %1 devices (%2 gateways, %3 buses): %4 messages of further ones were left out.</translation>
        </message>
        <message>
            <source>%1 messages came faster than the view could take them and were dropped.</source>
            <translation>%1 messages came faster than the view could take them and were dropped.</translation>
        </message>
        <message>
            <source>larger than %1 kB</source>
            <translation>larger than %1 kB</translation>
        </message>
        <message>
            <source>not JSON</source>
            <translation>not JSON</translation>
        </message>
        <message>
            <source>not a JSON object</source>
            <translation>not a JSON object</translation>
        </message>
        <message>
            <source>neither online nor offline</source>
            <translation>neither online nor offline</translation>
        </message>
        <message>
            <source>not a slave ID from 1 to 247</source>
            <translation>not a slave ID from 1 to 247</translation>
        </message>
        <message>
            <source>not a topic of the gateways</source>
            <translation>not a topic of the gateways</translation>
        </message>
        <message>
            <source>%1 messages under grivant/ were not understood and left out; the last: %2 (%3).</source>
            <translation>%1 messages under grivant/ were not understood and left out; the last: %2 (%3).</translation>
        </message>
        <message>
            <source>Gateway</source>
            <translation>Gateway</translation>
        </message>
        <message>
            <source>Bus</source>
            <translation>Bus</translation>
        </message>
        <message>
            <source>ID</source>
            <translation>ID</translation>
        </message>
        <message>
            <source>Availability</source>
            <translation>Availability</translation>
        </message>
        <message>
            <source>Model</source>
            <translation>Model</translation>
        </message>
        <message>
            <source>Model code</source>
            <translation>Model code</translation>
        </message>
        <message>
            <source>%1 (key %2)</source>
            <translation>%1 (key %2)</translation>
        </message>
        <message>
            <source>Family</source>
            <translation>Family</translation>
        </message>
        <message>
            <source>Hardware version</source>
            <translation>Hardware version</translation>
        </message>
        <message>
            <source>Software version</source>
            <translation>Software version</translation>
        </message>
        <message>
            <source>Unique ID</source>
            <translation>Unique ID</translation>
        </message>
        <message>
            <source>Port</source>
            <translation>Port</translation>
        </message>
        <message>
            <source>Line</source>
            <translation>Line</translation>
        </message>
        <message>
            <source>Identified at</source>
            <translation>Identified at</translation>
        </message>
        <message>
            <source>Last state at</source>
            <translation>Last state at</translation>
        </message>
        <message>
            <source>Initialisation</source>
            <translation>Initialisation</translation>
        </message>
        <message>
            <source>State</source>
            <translation>State</translation>
        </message>
        <message>
            <source>Fault</source>
            <translation>Fault</translation>
        </message>
        <message>
            <source>fault</source>
            <translation>fault</translation>
        </message>
        <message>
            <source>%1 more left out</source>
            <translation>%1 more left out</translation>
        </message>
        <message>
            <source>Poll period</source>
            <translation>Poll period</translation>
        </message>
        <message>
            <source>as fast as the line goes</source>
            <translation>as fast as the line goes</translation>
        </message>
        <message>
            <source>%1 ms</source>
            <translation>%1 ms</translation>
        </message>
        <message>
            <source>late</source>
            <translation>late</translation>
        </message>
        <message>
            <source>Poll interval, median / 95 %</source>
            <translation>Poll interval, median / 95 %</translation>
        </message>
        <message>
            <source>Polls and failures</source>
            <translation>Polls and failures</translation>
        </message>
        <message>
            <source>%1 polls, %2 failures (%3 without an answer, %4 garbled, %5 refused)</source>
            <translation>%1 polls, %2 failures (%3 without an answer, %4 garbled, %5 refused)</translation>
        </message>
        <message>
            <source>Lease holder</source>
            <translation>Lease holder</translation>
        </message>
        <message>
            <source>Opens this device in the main window through its gateway: the gateway lends it to the window alone, and polls it again when the window disconnects.</source>
            <translation>Opens this device in the main window through its gateway: the gateway lends it to the window alone, and polls it again when the window disconnects.</translation>
        </message>
        <message>
            <source>Choose a device above.</source>
            <translation>Choose a device above.</translation>
        </message>
        <message>
            <source>Its gateway has not told yet what this device is.</source>
            <translation>Its gateway has not told yet what this device is.</translation>
        </message>
        <message>
            <source>Its gateway lends no device for diagnosis (allow_diagnosis = yes in the gateway's configuration turns it on).</source>
            <translation>Its gateway lends no device for diagnosis (allow_diagnosis = yes in the gateway's configuration turns it on).</translation>
        </message>
        <message>
            <source>Its gateway is offline.</source>
            <translation>Its gateway is offline.</translation>
        </message>
        <message>
            <source>The device is offline: its gateway does not reach it.</source>
            <translation>The device is offline: its gateway does not reach it.</translation>
        </message>
        <message>
            <source>Another client holds its lease.</source>
            <translation>Another client holds its lease.</translation>
        </message>
        <message>
            <source>%1 holds its lease.</source>
            <translation>%1 holds its lease.</translation>
        </message>
        <message>
            <source>Gateways: %1 · devices: %2 · offline: %3 · with a fault: %4 · shown: %5</source>
            <translation>Gateways: %1 · devices: %2 · offline: %3 · with a fault: %4 · shown: %5</translation>
        </message>
    </context>
    <context>
        <name>MainWindow</name>
        <message>
            <source>MainWindow</source>
            <translation>MainWindow</translation>
        </message>
        <message>
            <source>Control</source>
            <translation>Control</translation>
        </message>
        <message>
            <source>Model:</source>
            <translation>Model:</translation>
        </message>
        <message>
            <source>HW Version:</source>
            <translation>HW Version:</translation>
        </message>
        <message>
            <source>SW Version:</source>
            <translation>SW Version:</translation>
        </message>
        <message>
            <source>Unique ID:</source>
            <translation>Unique ID:</translation>
        </message>
        <message>
            <source>Initialize</source>
            <translation>Initialize</translation>
        </message>
        <message>
            <source>Demo Mode</source>
            <translation>Demo Mode</translation>
        </message>
        <message>
            <source>Position(%):</source>
            <translation>Position(%):</translation>
        </message>
        <message>
            <source>Close</source>
            <translation>Close</translation>
        </message>
        <message>
            <source>Open</source>
            <translation>Open</translation>
        </message>
        <message>
            <source>Force(%):</source>
            <translation>Force(%):</translation>
        </message>
        <message>
            <source>Min.</source>
            <translation>Min.</translation>
        </message>
        <message>
            <source>Max.</source>
            <translation>Max.</translation>
        </message>
        <message>
            <source>Speed(%):</source>
            <translation>Speed(%):</translation>
        </message>
        <message>
            <source>Rotation(°):</source>
            <translation>Rotation(°):</translation>
        </message>
        <message>
            <source>Torque(%):</source>
            <translation>Torque(%):</translation>
        </message>
        <message>
            <source>Position(mm):</source>
            <translation>Position(mm):</translation>
        </message>
        <message>
            <source>Backward</source>
            <translation>Backward</translation>
        </message>
        <message>
            <source>Forward</source>
            <translation>Forward</translation>
        </message>
        <message>
            <source>Acc/Dec(%):</source>
            <translation>Acc/Dec(%):</translation>
        </message>
        <message>
            <source>PushBand(mm):</source>
            <translation>PushBand(mm):</translation>
        </message>
        <message>
            <source>PushForce(%):</source>
            <translation>PushForce(%):</translation>
        </message>
        <message>
            <source>Gripper</source>
            <translation>Gripper</translation>
        </message>
        <message>
            <source>Rotating</source>
            <translation>Rotating</translation>
        </message>
        <message>
            <source>Modbus-RTU Parameters</source>
            <translation>Modbus-RTU Parameters</translation>
        </message>
        <message>
            <source>BaudRate:</source>
            <translation>BaudRate:</translation>
        </message>
        <message>
            <source>Parity:</source>
            <translation>Parity:</translation>
        </message>
        <message>
            <source>None</source>
            <translation>None</translation>
        </message>
        <message>
            <source>Odd</source>
            <translation>Odd</translation>
        </message>
        <message>
            <source>Even</source>
            <translation>Even</translation>
        </message>
        <message>
            <source>Stopbits:</source>
            <translation>Stopbits:</translation>
        </message>
        <message>
            <source>1 StopBit</source>
            <translation>1 StopBit</translation>
        </message>
        <message>
            <source>2 StopBits</source>
            <translation>2 StopBits</translation>
        </message>
        <message>
            <source>Gripper ID:</source>
            <translation>Gripper ID:</translation>
        </message>
        <message>
            <source>Default</source>
            <translation>Default</translation>
        </message>
        <message>
            <source>Save</source>
            <translation>Save</translation>
        </message>
        <message>
            <source>I/O Parameters</source>
            <translation>I/O Parameters</translation>
        </message>
        <message>
            <source>I/O Mode:</source>
            <translation>I/O Mode:</translation>
        </message>
        <message>
            <source>OFF</source>
            <translation>OFF</translation>
        </message>
        <message>
            <source>ON</source>
            <translation>ON</translation>
        </message>
        <message>
            <source>Group 1</source>
            <translation>Group 1</translation>
        </message>
        <message>
            <source>Group 2</source>
            <translation>Group 2</translation>
        </message>
        <message>
            <source>Group 3</source>
            <translation>Group 3</translation>
        </message>
        <message>
            <source>Group 4</source>
            <translation>Group 4</translation>
        </message>
        <message>
            <source>Position:</source>
            <translation>Position:</translation>
        </message>
        <message>
            <source>Test 1</source>
            <translation>Test 1</translation>
        </message>
        <message>
            <source>Test 2</source>
            <translation>Test 2</translation>
        </message>
        <message>
            <source>Test 3</source>
            <translation>Test 3</translation>
        </message>
        <message>
            <source>Test 4</source>
            <translation>Test 4</translation>
        </message>
        <message>
            <source>Position(0.01mm):</source>
            <translation>Position(0.01mm):</translation>
        </message>
        <message>
            <source>PushBand(0.01mm):</source>
            <translation>PushBand(0.01mm):</translation>
        </message>
        <message>
            <source>PushSpeed(%):</source>
            <translation>PushSpeed(%):</translation>
        </message>
        <message>
            <source>Other</source>
            <translation>Other</translation>
        </message>
        <message>
            <source>Initialization Direction:</source>
            <translation>Initialization Direction:</translation>
        </message>
        <message>
            <source>External</source>
            <translation>External</translation>
        </message>
        <message>
            <source>Internal</source>
            <translation>Internal</translation>
        </message>
        <message>
            <source>Test</source>
            <translation>Test</translation>
        </message>
        <message>
            <source>User</source>
            <translation>User</translation>
        </message>
        <message>
            <source>Advance</source>
            <translation>Advance</translation>
        </message>
        <message>
            <source>Factory</source>
            <translation>Factory</translation>
        </message>
        <message>
            <source>Administrater</source>
            <translation>Administrater</translation>
        </message>
        <message>
            <source>Para_A</source>
            <translation>Para_A</translation>
        </message>
        <message>
            <source>Para_B</source>
            <translation>Para_B</translation>
        </message>
        <message>
            <source>Para_C</source>
            <translation>Para_C</translation>
        </message>
        <message>
            <source>Para_D</source>
            <translation>Para_D</translation>
        </message>
        <message>
            <source>Set_UID</source>
            <translation>Set_UID</translation>
        </message>
        <message>
            <source>Cali zero Angle</source>
            <translation>Cali zero Angle</translation>
        </message>
        <message>
            <source>Save Backup</source>
            <translation>Save Backup</translation>
        </message>
        <message>
            <source>Recover Backup</source>
            <translation>Recover Backup</translation>
        </message>
        <message>
            <source>Upgrade</source>
            <translation>Upgrade</translation>
        </message>
        <message>
            <source>STOP</source>
            <translation>STOP</translation>
        </message>
        <message>
            <source>RECOVER</source>
            <translation>RECOVER</translation>
        </message>
        <message>
            <source>E_Close</source>
            <translation>E_Close</translation>
        </message>
        <message>
            <source>E_Open</source>
            <translation>E_Open</translation>
        </message>
        <message>
            <source>Export Parameters</source>
            <translation>Export Parameters</translation>
        </message>
        <message>
            <source>temp</source>
            <translation>temp</translation>
        </message>
        <message>
            <source>loop</source>
            <translation>loop</translation>
        </message>
        <message>
            <source>position1</source>
            <translation>position1</translation>
        </message>
        <message>
            <source>position2</source>
            <translation>position2</translation>
        </message>
        <message>
            <source>force1</source>
            <translation>force1</translation>
        </message>
        <message>
            <source>force2</source>
            <translation>force2</translation>
        </message>
        <message>
            <source>Demo</source>
            <translation>Demo</translation>
        </message>
        <message>
            <source>New</source>
            <translation>New</translation>
        </message>
        <message>
            <source>Rotary</source>
            <translation>Rotary</translation>
        </message>
        <message>
            <source>Logical</source>
            <translation>Logical</translation>
        </message>
        <message>
            <source>Run</source>
            <translation>Run</translation>
        </message>
        <message>
            <source>Puase</source>
            <translation>Puase</translation>
        </message>
        <message>
            <source>Stop</source>
            <translation>Stop</translation>
        </message>
        <message>
            <source>Grip State:</source>
            <translation>Grip State:</translation>
        </message>
        <message>
            <source>Moving</source>
            <translation>Moving</translation>
        </message>
        <message>
            <source>Arrived</source>
            <translation>Arrived</translation>
        </message>
        <message>
            <source>Caught</source>
            <translation>Caught</translation>
        </message>
        <message>
            <source>Dropped</source>
            <translation>Dropped</translation>
        </message>
        <message>
            <source>Connection</source>
            <translation>Connection</translation>
        </message>
        <message>
            <source>Language</source>
            <translation>Language</translation>
        </message>
        <message>
            <source>View</source>
            <translation>View</translation>
        </message>
        <message>
            <source>Help</source>
            <translation>Help</translation>
        </message>
        <message>
            <source>Connect</source>
            <translation>Connect</translation>
        </message>
        <message>
            <source>Disconnect</source>
            <translation>Disconnect</translation>
        </message>
        <message>
            <source>Configuration</source>
            <translation>Configuration</translation>
        </message>
        <message>
            <source>About</source>
            <translation>About</translation>
        </message>
        <message>
            <source>Registers</source>
            <translation>Registers</translation>
        </message>
        <message>
            <source>Simple</source>
            <translation>Simple</translation>
        </message>
        <message>
            <source>
 Please visit  &lt;a href="https://www.grivant.example/"&gt;Grivant&lt;/a&gt; website for help! 
</source>
            <translation>
 Please visit  &lt;a href="https://www.grivant.example/"&gt;Grivant&lt;/a&gt; website for help! 
</translation>
        </message>
        <message>
            <source>Reserve</source>
            <translation>Reserve</translation>
        </message>
        <message>
            <source>Offset</source>
            <translation>Offset</translation>
        </message>
        <message>
            <source>Description</source>
            <translation>Description</translation>
        </message>
        <message>
            <source>Value</source>
            <translation>Value</translation>
        </message>
        <message>
            <source>Value Range</source>
            <translation>Value Range</translation>
        </message>
        <message>
            <source>Write Register</source>
            <translation>Write Register</translation>
        </message>
        <message>
            <source>Input:</source>
            <translation>Input:</translation>
        </message>
        <message>
            <source>IO Mode is enabled!!</source>
            <translation>IO Mode is enabled!!</translation>
        </message>
        <message>
            <source>Position(%)</source>
            <translation>Position(%)</translation>
        </message>
        <message>
            <source>Motor Current(mA)</source>
            <translation>Motor Current(mA)</translation>
        </message>
        <message>
            <source>Open</source>
            <comment>program file</comment>
            <translation>Open</translation>
        </message>
        <message>
            <source>Notice: Saving</source>
            <translation>Notice: Saving</translation>
        </message>
        <message>
            <source>The device now answers at ID %1, %2 baud, %3 parity, %4 stop bit(s): disconnect and connect again with these settings.</source>
            <translation>The device now answers at ID %1, %2 baud, %3 parity, %4 stop bit(s): disconnect and connect again with these settings.</translation>
        </message>
        <message>
            <source>Search and Auto-Connect try one stop bit only.</source>
            <translation>Search and Auto-Connect try one stop bit only.</translation>
        </message>
        <message>
            <source>odd</source>
            <comment>parity</comment>
            <translation>odd</translation>
        </message>
        <message>
            <source>even</source>
            <comment>parity</comment>
            <translation>even</translation>
        </message>
        <message>
            <source>no</source>
            <comment>parity</comment>
            <translation>no</translation>
        </message>
        <message>
            <source>
File Name: %1
Remark:
%2

Are you want to continue?
</source>
            <translation>
File Name: %1
Remark:
%2

Are you want to continue?
</translation>
        </message>
        <message>
            <source>Notice</source>
            <translation>Notice</translation>
        </message>
        <message>
            <source>The parameters could not be saved to %1:
%2</source>
            <translation>The parameters could not be saved to %1:
%2</translation>
        </message>
        <message>
            <source>User Level</source>
            <translation>User Level</translation>
        </message>
        <message>
            <source>Password:</source>
            <translation>Password:</translation>
        </message>
        <message>
            <source>The unique ID needs eight hexadecimal digits.</source>
            <translation>The unique ID needs eight hexadecimal digits.</translation>
        </message>
        <message>
            <source>Tools</source>
            <translation>Tools</translation>
        </message>
        <message>
            <source>Back up parameters…</source>
            <translation>Back up parameters…</translation>
        </message>
        <message>
            <source>Restore parameters…</source>
            <translation>Restore parameters…</translation>
        </message>
        <message>
            <source>Parameter files (*.json);;All files (*)</source>
            <translation>Parameter files (*.json);;All files (*)</translation>
        </message>
        <message>
            <source>No device is connected.</source>
            <translation>No device is connected.</translation>
        </message>
        <message>
            <source>Parameters are being transferred; wait until that has finished.</source>
            <translation>Parameters are being transferred; wait until that has finished.</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>Cancel</translation>
        </message>
        <message>
            <source>Parameters</source>
            <translation>Parameters</translation>
        </message>
        <message>
            <source>Back up parameters</source>
            <translation>Back up parameters</translation>
        </message>
        <message>
            <source>Reading the parameters from the device…</source>
            <translation>Reading the parameters from the device…</translation>
        </message>
        <message>
            <source>The file %1 cannot be written: %2</source>
            <translation>The file %1 cannot be written: %2</translation>
        </message>
        <message>
            <source>%1 parameters of %2 (unique ID %3) were saved to %4.</source>
            <translation>%1 parameters of %2 (unique ID %3) were saved to %4.</translation>
        </message>
        <message>
            <source>No backup was made: %1.</source>
            <translation>No backup was made: %1.</translation>
        </message>
        <message>
            <source>Restore parameters</source>
            <translation>Restore parameters</translation>
        </message>
        <message>
            <source>%1 cannot be restored: %2. Nothing was written.</source>
            <translation>%1 cannot be restored: %2. Nothing was written.</translation>
        </message>
        <message>
            <source>The file holds the parameters of %1 (model code %2), the connected device is %3 (model code %4). Parameters of another model are not restored; nothing was written.</source>
            <translation>The file holds the parameters of %1 (model code %2), the connected device is %3 (model code %4). Parameters of another model are not restored; nothing was written.</translation>
        </message>
        <message>
            <source>The file holds no parameter this device stores. Nothing was written.</source>
            <translation>The file holds no parameter this device stores. Nothing was written.</translation>
        </message>
        <message>
            <source>The register map refuses values of the file; nothing was written:
%1</source>
            <translation>The register map refuses values of the file; nothing was written:
%1</translation>
        </message>
        <message>
            <source>Nothing was written: %1.</source>
            <translation>Nothing was written: %1.</translation>
        </message>
        <message>
            <source>an unknown time</source>
            <translation>an unknown time</translation>
        </message>
        <message>
            <source>File %1
Saved from %2, unique ID %3, at %4.</source>
            <translation>File %1
Saved from %2, unique ID %3, at %4.</translation>
        </message>
        <message>
            <source>unknown</source>
            <translation>unknown</translation>
        </message>
        <message>
            <source>Address</source>
            <translation>Address</translation>
        </message>
        <message>
            <source>Name</source>
            <translation>Name</translation>
        </message>
        <message>
            <source>Device</source>
            <translation>Device</translation>
        </message>
        <message>
            <source>File</source>
            <translation>File</translation>
        </message>
        <message>
            <source>The line settings (slave ID, baud rate, stop bits, parity) are not restored: the device keeps its own, so that it stays reachable. Change them on the Modbus-RTU Parameters tab.</source>
            <translation>The line settings (slave ID, baud rate, stop bits, parity) are not restored: the device keeps its own, so that it stays reachable. Change them on the Modbus-RTU Parameters tab.</translation>
        </message>
        <message>
            <source>Restoring writes the %1 parameters of the file and saves them on the device.</source>
            <translation>Restoring writes the %1 parameters of the file and saves them on the device.</translation>
        </message>
        <message>
            <source>Restore</source>
            <translation>Restore</translation>
        </message>
        <message>
            <source>Writing the parameters…</source>
            <translation>Writing the parameters…</translation>
        </message>
        <message>
            <source>Reading the parameters back…</source>
            <translation>Reading the parameters back…</translation>
        </message>
        <message>
            <source>%1 parameters were written, saved on the device and read back unchanged.</source>
            <translation>%1 parameters were written, saved on the device and read back unchanged.</translation>
        </message>
        <message>
            <source>%1 %2: file %3, device %4</source>
            <translation>%1 %2: file %3, device %4</translation>
        </message>
        <message>
            <source>The parameters were written and saved, but %1 differ from the file when read back:
%2</source>
            <translation>The parameters were written and saved, but %1 differ from the file when read back:
%2</translation>
        </message>
        <message>
            <source>The restore stopped: %1.</source>
            <translation>The restore stopped: %1.</translation>
        </message>
        <message>
            <source>Written: %1</source>
            <translation>Written: %1</translation>
        </message>
        <message>
            <source>nothing</source>
            <translation>nothing</translation>
        </message>
        <message>
            <source>Not written: %1</source>
            <translation>Not written: %1</translation>
        </message>
        <message>
            <source>The values were saved on the device.</source>
            <translation>The values were saved on the device.</translation>
        </message>
        <message>
            <source>Nothing was saved on the device.</source>
            <translation>Nothing was saved on the device.</translation>
        </message>
        <message>
            <source>Write 0x%1 not sent: connection changed</source>
            <translation>Write 0x%1 not sent: connection changed</translation>
        </message>
        <message>
            <source>Write 0x%1 failed: no answer after %2 tries</source>
            <translation>Write 0x%1 failed: no answer after %2 tries</translation>
        </message>
        <message>
            <source>Write 0x%1: outcome unknown, not repeated</source>
            <translation>Write 0x%1: outcome unknown, not repeated</translation>
        </message>
        <message>
            <source>Traffic monitor</source>
            <translation>Traffic monitor</translation>
        </message>
        <message>
            <source>The device was disconnected before the restore started. Nothing was written.</source>
            <translation>The device was disconnected before the restore started. Nothing was written.</translation>
        </message>
        <message>
            <source>The device already holds the %1 parameters that the restore writes.</source>
            <translation>The device already holds the %1 parameters that the restore writes.</translation>
        </message>
        <message>
            <source>%1 of the %2 parameters that the restore writes differ from the device:</source>
            <translation>%1 of the %2 parameters that the restore writes differ from the device:</translation>
        </message>
        <message>
            <source>The restore was prepared for %1 (unique ID %2), but the connected device is %3 (unique ID %4). Nothing was written.</source>
            <translation>The restore was prepared for %1 (unique ID %2), but the connected device is %3 (unique ID %4). Nothing was written.</translation>
        </message>
        <message>
            <source>Not written, %1 of the file's registers:</source>
            <translation>Not written, %1 of the file's registers:</translation>
        </message>
        <message>
            <source>- %1: %2</source>
            <translation>- %1: %2</translation>
        </message>
        <message>
            <source>Record session...</source>
            <translation>Record session...</translation>
        </message>
        <message>
            <source>Stop recording</source>
            <translation>Stop recording</translation>
        </message>
        <message>
            <source>A replayed session is not recorded again.</source>
            <translation>A replayed session is not recorded again.</translation>
        </message>
        <message>
            <source>Session saved to %1 (%2).</source>
            <translation>Session saved to %1 (%2).</translation>
        </message>
        <message>
            <source>The session %1 could not be finished: %2</source>
            <translation>The session %1 could not be finished: %2</translation>
        </message>
        <message>
            <source>● REC %1:%2:%3, %4</source>
            <translation>● REC %1:%2:%3, %4</translation>
        </message>
        <message>
            <source>Recording to %1</source>
            <translation>Recording to %1</translation>
        </message>
        <message>
            <source>Record session</source>
            <translation>Record session</translation>
        </message>
        <message>
            <source>Grivant sessions (*%1)</source>
            <translation>Grivant sessions (*%1)</translation>
        </message>
        <message>
            <source>Open session...</source>
            <translation>Open session...</translation>
        </message>
        <message>
            <source>Session</source>
            <translation>Session</translation>
        </message>
        <message>
            <source>Open session</source>
            <translation>Open session</translation>
        </message>
        <message>
            <source>Grivant sessions (*%1);;All files (*)</source>
            <translation>Grivant sessions (*%1);;All files (*)</translation>
        </message>
        <message>
            <source>This build does not know the model %1 (key %2): the session is replayed with the register tables it holds.</source>
            <translation>This build does not know the model %1 (key %2): the session is replayed with the register tables it holds.</translation>
        </message>
        <message>
            <source>Nothing more of that kind in this session.</source>
            <translation>Nothing more of that kind in this session.</translation>
        </message>
        <message>
            <source>Recorded: %1</source>
            <translation>Recorded: %1</translation>
        </message>
        <message>
            <source>A recorded session is replayed: nothing is written to a device.</source>
            <translation>A recorded session is replayed: nothing is written to a device.</translation>
        </message>
        <message>
            <source>%1 (unknown)</source>
            <translation>%1 (unknown)</translation>
        </message>
        <message>
            <source>Not saved: the device reports a value of %1 that this program does not know. Choose one first.</source>
            <translation>Not saved: the device reports a value of %1 that this program does not know. Choose one first.</translation>
        </message>
        <message>
            <source>baud rate</source>
            <translation>baud rate</translation>
        </message>
        <message>
            <source>stop bits</source>
            <translation>stop bits</translation>
        </message>
        <message>
            <source>parity</source>
            <translation>parity</translation>
        </message>
        <message>
            <source>initialization direction</source>
            <translation>initialization direction</translation>
        </message>
        <message>
            <source>Write 0x%1 refused by the device: %2</source>
            <translation>Write 0x%1 refused by the device: %2</translation>
        </message>
        <message>
            <source>Closing: sending the writes still queued (%1) first...</source>
            <translation>Closing: sending the writes still queued (%1) first...</translation>
        </message>
        <message>
            <source>Writes not confirmed</source>
            <translation>Writes not confirmed</translation>
        </message>
        <message>
            <source>These writes were still queued when the program closed; the device has not confirmed them:
%1</source>
            <translation>These writes were still queued when the program closed; the device has not confirmed them:
%1</translation>
        </message>
        <message>
            <source>Position(mm)</source>
            <translation>Position(mm)</translation>
        </message>
        <message>
            <source>Copyright (c) Grivant developers. All rights reserved.</source>
            <translation>Copyright (c) Grivant developers. All rights reserved.</translation>
        </message>
        <message>
            <source>Grivant User Interface 

 Version : %1

 Website : </source>
            <translation>Grivant User Interface 

 Version : %1

 Website : </translation>
        </message>
        <message>
            <source>Not saved: unknown value</source>
            <translation>Not saved: unknown value</translation>
        </message>
        <message>
            <source>The device holds %1, outside %2~%3. It is shown as it is and never written: choose a value to save one.</source>
            <translation>The device holds %1, outside %2~%3. It is shown as it is and never written: choose a value to save one.</translation>
        </message>
        <message>
            <source>Not saved: the device reports a value outside the range of %1. Choose one first.</source>
            <translation>Not saved: the device reports a value outside the range of %1. Choose one first.</translation>
        </message>
        <message>
            <source>Not saved: out of range</source>
            <translation>Not saved: out of range</translation>
        </message>
        <message>
            <source>slave ID</source>
            <translation>slave ID</translation>
        </message>
        <message>
            <source>● REC %1:%2:%3</source>
            <translation>● REC %1:%2:%3</translation>
        </message>
        <message>
            <source>Opening %1…</source>
            <translation>Opening %1…</translation>
        </message>
        <message>
            <source>Line...</source>
            <translation>Line...</translation>
        </message>
        <message>
            <source>The recording stopped at %3: %1. %2 holds what was recorded before.</source>
            <translation>The recording stopped at %3: %1. %2 holds what was recorded before.</translation>
        </message>
        <message>
            <source>The recording stopped: %1. Nothing was written to %2.</source>
            <translation>The recording stopped: %1. Nothing was written to %2.</translation>
        </message>
        <message>
            <source>Through a gateway</source>
            <translation>Through a gateway</translation>
        </message>
        <message>
            <source>Diagnose</source>
            <translation>Diagnose</translation>
        </message>
        <message>
            <source>The main window shows another device. Disconnect it and open ID %1 of bus %2 on gateway %3 instead?</source>
            <translation>The main window shows another device. Disconnect it and open ID %1 of bus %2 on gateway %3 instead?</translation>
        </message>
    </context>
    <context>
        <name>ModbusClient</name>
        <message>
            <source>no answer (only the adapter's echo of the request came back)</source>
            <translation>no answer (only the adapter's echo of the request came back)</translation>
        </message>
        <message>
            <source>no answer</source>
            <translation>no answer</translation>
        </message>
        <message>
            <source>device refused: %1 (exception 0x%2)</source>
            <translation>device refused: %1 (exception 0x%2)</translation>
        </message>
        <message>
            <source>garbled answers, and bytes kept arriving unasked: the line is busy or noisy (another master, a device that sends by itself, or noise on the wires?)</source>
            <translation>garbled answers, and bytes kept arriving unasked: the line is busy or noisy (another master, a device that sends by itself, or noise on the wires?)</translation>
        </message>
        <message>
            <source>garbled answer (bad CRC or length); this adapter echoes what it sends, and what came first was no copy of the request</source>
            <translation>garbled answer (bad CRC or length); this adapter echoes what it sends, and what came first was no copy of the request</translation>
        </message>
        <message>
            <source>garbled answer (bad CRC or length)</source>
            <translation>garbled answer (bad CRC or length)</translation>
        </message>
        <message>
            <source>port not open</source>
            <translation>port not open</translation>
        </message>
        <message>
            <source>the line is busy or noisy: bytes kept arriving without a pause of %1 ms for %2 s (another master, a device that sends by itself, or noise on the wires?)</source>
            <translation>the line is busy or noisy: bytes kept arriving without a pause of %1 ms for %2 s (another master, a device that sends by itself, or noise on the wires?)</translation>
        </message>
        <message>
            <source>not sent, stopped by a signal</source>
            <translation>not sent, stopped by a signal</translation>
        </message>
        <message>
            <source>the device server cannot be reached</source>
            <translation>the device server cannot be reached</translation>
        </message>
        <message>
            <source>the connection ended before the answer came</source>
            <translation>the connection ended before the answer came</translation>
        </message>
        <message>
            <source>%1 is a network port: the device server keeps its own line settings</source>
            <translation>%1 is a network port: the device server keeps its own line settings</translation>
        </message>
        <message>
            <source>the adapter's echo of the request set aside</source>
            <translation>the adapter's echo of the request set aside</translation>
        </message>
        <message>
            <source>a late answer to an earlier request, discarded</source>
            <translation>a late answer to an earlier request, discarded</translation>
        </message>
        <message>
            <source>exception 0x%1</source>
            <translation>exception 0x%1</translation>
        </message>
    </context>
    <context>
        <name>NetworkLink</name>
        <message>
            <source>timeout=%1 is longer than the window's polling waits for an answer (%2 ms): the window waits %3 ms</source>
            <translation>timeout=%1 is longer than the window's polling waits for an answer (%2 ms): the window waits %3 ms</translation>
        </message>
    </context>
    <context>
        <name>NetworkPortDialog</name>
        <message>
            <source>Network device</source>
            <translation>Network device</translation>
        </message>
        <message>
            <source>name or address, such as 192.168.1.20</source>
            <translation>name or address, such as 192.168.1.20</translation>
        </message>
        <message>
            <source>Modbus TCP</source>
            <translation>Modbus TCP</translation>
        </message>
        <message>
            <source>RTU over TCP (serial device server)</source>
            <translation>RTU over TCP (serial device server)</translation>
        </message>
        <message>
            <source>not given</source>
            <translation>not given</translation>
        </message>
        <message>
            <source>%1 baud</source>
            <translation>%1 baud</translation>
        </message>
        <message>
            <source>The device server's serial line to the devices: the wait for each answer grows by the time its frames take there. The device server keeps its own line settings.</source>
            <translation>The device server's serial line to the devices: the wait for each answer grows by the time its frames take there. The device server keeps its own line settings.</translation>
        </message>
        <message>
            <source> ms</source>
            <translation> ms</translation>
        </message>
        <message>
            <source>as usual</source>
            <translation>as usual</translation>
        </message>
        <message>
            <source>How long to wait for an answer beyond its time on the line. Usually 1000 ms on the network; the window's polling waits at most about 200 ms.</source>
            <translation>How long to wait for an answer beyond its time on the line. Usually 1000 ms on the network; the window's polling waits at most about 200 ms.</translation>
        </message>
        <message>
            <source>Host:</source>
            <translation>Host:</translation>
        </message>
        <message>
            <source>Port:</source>
            <translation>Port:</translation>
        </message>
        <message>
            <source>Framing:</source>
            <translation>Framing:</translation>
        </message>
        <message>
            <source>Device server's line:</source>
            <translation>Device server's line:</translation>
        </message>
        <message>
            <source>Time-out:</source>
            <translation>Time-out:</translation>
        </message>
        <message>
            <source>Give the host's name or address.</source>
            <translation>Give the host's name or address.</translation>
        </message>
        <message>
            <source>A time-out is 10 ms at least.</source>
            <translation>A time-out is 10 ms at least.</translation>
        </message>
        <message>
            <source>Not an address: %1</source>
            <translation>Not an address: %1</translation>
        </message>
        <message>
            <source>Port: %1</source>
            <translation>Port: %1</translation>
        </message>
    </context>
    <context>
        <name>NetworkWorker</name>
        <message>
            <source>identification (0x0A00): %1</source>
            <translation>identification (0x0A00): %1</translation>
        </message>
    </context>
    <context>
        <name>ParameterBackup</name>
        <message>
            <source>the file is empty</source>
            <translation>the file is empty</translation>
        </message>
        <message>
            <source>not a complete parameter file (%1 at byte %2)</source>
            <translation>not a complete parameter file (%1 at byte %2)</translation>
        </message>
        <message>
            <source>not a parameter file of this tool</source>
            <translation>not a parameter file of this tool</translation>
        </message>
        <message>
            <source>format version %1 is not supported (this tool reads version %2)</source>
            <translation>format version %1 is not supported (this tool reads version %2)</translation>
        </message>
        <message>
            <source>(none)</source>
            <translation>(none)</translation>
        </message>
        <message>
            <source>the model code is missing or not a 16-bit number</source>
            <translation>the model code is missing or not a 16-bit number</translation>
        </message>
        <message>
            <source>the file lists no registers</source>
            <translation>the file lists no registers</translation>
        </message>
        <message>
            <source>register %1 in the file has no valid address</source>
            <translation>register %1 in the file has no valid address</translation>
        </message>
        <message>
            <source>register %1 has no valid 16-bit value</source>
            <translation>register %1 has no valid 16-bit value</translation>
        </message>
        <message>
            <source>register %1 is listed twice</source>
            <translation>register %1 is listed twice</translation>
        </message>
        <message>
            <source>%1 is not in the register map of this device</source>
            <translation>%1 is not in the register map of this device</translation>
        </message>
        <message>
            <source>%1 is read-only</source>
            <translation>%1 is read-only</translation>
        </message>
        <message>
            <source>%1: %2 is outside %3</source>
            <translation>%1: %2 is outside %3</translation>
        </message>
        <message>
            <source>not a stored parameter</source>
            <translation>not a stored parameter</translation>
        </message>
        <message>
            <source>a command, not a value</source>
            <translation>a command, not a value</translation>
        </message>
        <message>
            <source>not in the register map of this device</source>
            <translation>not in the register map of this device</translation>
        </message>
        <message>
            <source>read-only</source>
            <translation>read-only</translation>
        </message>
        <message>
            <source>line setting, kept as the device has it</source>
            <translation>line setting, kept as the device has it</translation>
        </message>
        <message>
            <source>the key "%1" appears twice in one object (byte %2): a file with a repeated key is refused</source>
            <translation>the key "%1" appears twice in one object (byte %2): a file with a repeated key is refused</translation>
        </message>
        <message>
            <source>%1: %2 is outside %3 (a signed 16-bit register)</source>
            <translation>%1: %2 is outside %3 (a signed 16-bit register)</translation>
        </message>
        <message>
            <source>%1: %2 is outside %3 (an unsigned 16-bit register)</source>
            <translation>%1: %2 is outside %3 (an unsigned 16-bit register)</translation>
        </message>
        <message>
            <source>a folder</source>
            <translation>a folder</translation>
        </message>
        <message>
            <source>a FIFO (named pipe)</source>
            <translation>a FIFO (named pipe)</translation>
        </message>
        <message>
            <source>a device</source>
            <translation>a device</translation>
        </message>
        <message>
            <source>a socket</source>
            <translation>a socket</translation>
        </message>
        <message>
            <source>a special file</source>
            <translation>a special file</translation>
        </message>
        <message>
            <source>it holds %1 bytes, more than a parameter file can (at most %2)</source>
            <translation>it holds %1 bytes, more than a parameter file can (at most %2)</translation>
        </message>
        <message>
            <source>it is %1; parameters are read only from a regular file</source>
            <translation>it is %1; parameters are read only from a regular file</translation>
        </message>
        <message>
            <source>it is not a regular file; parameters are read only from a regular file</source>
            <translation>it is not a regular file; parameters are read only from a regular file</translation>
        </message>
        <message>
            <source>it is %1; a backup is written only to a regular file or a new one</source>
            <translation>it is %1; a backup is written only to a regular file or a new one</translation>
        </message>
        <message>
            <source>it is not a regular file; a backup is written only to a regular file or a new one</source>
            <translation>it is not a regular file; a backup is written only to a regular file or a new one</translation>
        </message>
    </context>
    <context>
        <name>ParameterTransfer</name>
        <message>
            <source>cancelled by the operator</source>
            <translation>cancelled by the operator</translation>
        </message>
        <message>
            <source>the device did not answer the save command; the values are written but not saved</source>
            <translation>the device did not answer the save command; the values are written but not saved</translation>
        </message>
        <message>
            <source>the device did not answer the write of %1</source>
            <translation>the device did not answer the write of %1</translation>
        </message>
        <message>
            <source>the connection was closed</source>
            <translation>the connection was closed</translation>
        </message>
        <message>
            <source>the device stopped answering while its parameters were read</source>
            <translation>the device stopped answering while its parameters were read</translation>
        </message>
        <message>
            <source>the device stopped answering</source>
            <translation>the device stopped answering</translation>
        </message>
    </context>
    <context>
        <name>ProcessLog</name>
        <message>
            <source>Connect successful:	 %1,%2,%3,%4,%5</source>
            <translation>Connect successful:	 %1,%2,%3,%4,%5</translation>
        </message>
        <message>
            <source>Connect failed:	 %1,%2,%3,%4,%5</source>
            <translation>Connect failed:	 %1,%2,%3,%4,%5</translation>
        </message>
        <message>
            <source>Connection lost:	 %1 (%2)
</source>
            <translation>Connection lost:	 %1 (%2)
</translation>
        </message>
        <message>
            <source>No permission to open %1: this user may not read and write it.
</source>
            <translation>No permission to open %1: this user may not read and write it.
</translation>
        </message>
        <message>
            <source>No permission to open %1, although this session belongs to its group %2 (owner %3, mode %4).
</source>
            <translation>No permission to open %1, although this session belongs to its group %2 (owner %3, mode %4).
</translation>
        </message>
        <message>
            <source>No permission to open %1: this account has joined the group %2, which may read and write it, since this session began; log out and in again.
</source>
            <translation>No permission to open %1: this account has joined the group %2, which may read and write it, since this session began; log out and in again.
</translation>
        </message>
        <message>
            <source>No permission to open %1: join the group %2, which may read and write it, then log out and in again.
</source>
            <translation>No permission to open %1: join the group %2, which may read and write it, then log out and in again.
</translation>
        </message>
        <message>
            <source>only the administrators' group may use it</source>
            <translation>only the administrators' group may use it</translation>
        </message>
        <message>
            <source>no group may read and write it</source>
            <translation>no group may read and write it</translation>
        </message>
        <message>
            <source>, then log out and in again</source>
            <translation>, then log out and in again</translation>
        </message>
        <message>
            <source>, then join that group and log in again</source>
            <translation>, then join that group and log in again</translation>
        </message>
        <message>
            <source>No permission to open %1: it belongs to %2:%3 with mode %4, so %5. The udev rule %6 gives serial ports to the group %7: install it (sudo cp %6 /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload) and replug the adapter or run sudo udevadm trigger %8%9.
</source>
            <translation>No permission to open %1: it belongs to %2:%3 with mode %4, so %5. The udev rule %6 gives serial ports to the group %7: install it (sudo cp %6 /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload) and replug the adapter or run sudo udevadm trigger %8%9.
</translation>
        </message>
        <message>
            <source>	 stable name: %1 (kept across replugging; grivant --port takes it)
</source>
            <translation>	 stable name: %1 (kept across replugging; grivant --port takes it)
</translation>
        </message>
        <message>
            <source>	 %1: ModemManager may probe this port with modem commands for some seconds after it appears, which disturbs a search; the udev rule %2 keeps it away (see Help).
</source>
            <translation>	 %1: ModemManager may probe this port with modem commands for some seconds after it appears, which disturbs a search; the udev rule %2 keeps it away (see Help).
</translation>
        </message>
        <message>
            <source>Scaned COM port:	 %1 - %2 
</source>
            <translation>Scaned COM port:	 %1 - %2 
</translation>
        </message>
        <message>
            <source>unpluged COM port:	 %1 - %2 
</source>
            <translation>unpluged COM port:	 %1 - %2 
</translation>
        </message>
        <message>
            <source>Scanning COM Port:	 %1</source>
            <translation>Scanning COM Port:	 %1</translation>
        </message>
        <message>
            <source>Scaned a device in %1, Varified</source>
            <translation>Scaned a device in %1, Varified</translation>
        </message>
        <message>
            <source>response: %1</source>
            <translation>response: %1</translation>
        </message>
        <message>
            <source>response rejected: bad CRC or length (wrong line settings?)</source>
            <translation>response rejected: bad CRC or length (wrong line settings?)</translation>
        </message>
        <message>
            <source>Scan error:	 %1: no such port (unplugged?)
</source>
            <translation>Scan error:	 %1: no such port (unplugged?)
</translation>
        </message>
        <message>
            <source>Scan error:	 %1: busy, another program is using it
</source>
            <translation>Scan error:	 %1: busy, another program is using it
</translation>
        </message>
        <message>
            <source>Scan error:	 %1: no permission to open it
</source>
            <translation>Scan error:	 %1: no permission to open it
</translation>
        </message>
        <message>
            <source>Scan error:	 %1: already open
</source>
            <translation>Scan error:	 %1: already open
</translation>
        </message>
        <message>
            <source>Scan error:	 %1: cannot open it (%2)
</source>
            <translation>Scan error:	 %1: cannot open it (%2)
</translation>
        </message>
        <message>
            <source>none</source>
            <translation>none</translation>
        </message>
        <message>
            <source>even</source>
            <translation>even</translation>
        </message>
        <message>
            <source>odd</source>
            <translation>odd</translation>
        </message>
        <message>
            <source>No serial port to search: plug in the adapter, or start the tool with --port for a port the system does not list.
</source>
            <translation>No serial port to search: plug in the adapter, or start the tool with --port for a port the system does not list.
</translation>
        </message>
        <message>
            <source>Auto-Connect found no device on %1. Check the wiring, the power of the device and its line settings (baud rate 4800 to 230400); Search with an ID range finds a device that does not answer Auto-Connect.
</source>
            <translation>Auto-Connect found no device on %1. Check the wiring, the power of the device and its line settings (baud rate 4800 to 230400); Search with an ID range finds a device that does not answer Auto-Connect.
</translation>
        </message>
        <message>
            <source>Search stopped: %1 device(s) found on %2; double-click one in the list to connect.
</source>
            <translation>Search stopped: %1 device(s) found on %2; double-click one in the list to connect.
</translation>
        </message>
        <message>
            <source>Search finished: %1 device(s) found on %2; double-click one in the list to connect.
</source>
            <translation>Search finished: %1 device(s) found on %2; double-click one in the list to connect.
</translation>
        </message>
        <message>
            <source>Search stopped: no device found so far on %1.
</source>
            <translation>Search stopped: no device found so far on %1.
</translation>
        </message>
        <message>
            <source>Search finished: no device answered on %1 with an ID from %2 to %3. Check the wiring, the power of the device, the ID range and its line settings (baud rate 4800 to 230400, parity).
</source>
            <translation>Search finished: no device answered on %1 with an ID from %2 to %3. Check the wiring, the power of the device, the ID range and its line settings (baud rate 4800 to 230400, parity).
</translation>
        </message>
        <message>
            <source>Auto-Connect found a device: ID %1 on %2, %3 baud, parity %4.
</source>
            <translation>Auto-Connect found a device: ID %1 on %2, %3 baud, parity %4.
</translation>
        </message>
        <message>
            <source>No permission to open %1: it belongs to %2:%3 with mode %4, so %5. The udev rule %6 gives that group read and write rights to serial ports: install it (sudo cp %6 /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload) and replug the adapter or run sudo udevadm trigger %7%8.
</source>
            <translation>No permission to open %1: it belongs to %2:%3 with mode %4, so %5. The udev rule %6 gives that group read and write rights to serial ports: install it (sudo cp %6 /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload) and replug the adapter or run sudo udevadm trigger %7%8.
</translation>
        </message>
        <message>
            <source>Write not sent:	 %1 = %2, dropped when reading was switched over</source>
            <translation>Write not sent:	 %1 = %2, dropped when reading was switched over</translation>
        </message>
        <message>
            <source>Write given up:	 %1 = %2, no answer after %3 tries</source>
            <translation>Write given up:	 %1 = %2, no answer after %3 tries</translation>
        </message>
        <message>
            <source>Write outcome unknown:	 0x%1 = %2, no answer; not sent again, since the device may have carried it out</source>
            <translation>Write outcome unknown:	 0x%1 = %2, no answer; not sent again, since the device may have carried it out</translation>
        </message>
        <message>
            <source>Write refused:	 0x%1 = %2, the device answered %3 (exception 0x%4); not sent again</source>
            <translation>Write refused:	 0x%1 = %2, the device answered %3 (exception 0x%4); not sent again</translation>
        </message>
        <message>
            <source> (an earlier send went unanswered and may have been carried out)</source>
            <translation> (an earlier send went unanswered and may have been carried out)</translation>
        </message>
        <message>
            <source>Write not confirmed:	 0x%1 = %2, still queued when the program ended</source>
            <translation>Write not confirmed:	 0x%1 = %2, still queued when the program ended</translation>
        </message>
        <message>
            <source>	 adapter of %1: %2</source>
            <translation>	 adapter of %1: %2</translation>
        </message>
        <message>
            <source>	 %1: %2</source>
            <translation>	 %1: %2</translation>
        </message>
        <message>
            <source>this adapter echoes what it sends: switch its echo off, or let Grivant skip it (grivantctl and the gateway skip it; the window's link cannot)</source>
            <translation>this adapter echoes what it sends: switch its echo off, or let Grivant skip it (grivantctl and the gateway skip it; the window's link cannot)</translation>
        </message>
        <message>
            <source>id: %1 , BaudRate: %2, parity: %3</source>
            <translation>id: %1 , BaudRate: %2, parity: %3</translation>
        </message>
        <message>
            <source>Network port:	 %1 - %2 
</source>
            <translation>Network port:	 %1 - %2 
</translation>
        </message>
    </context>
    <context>
        <name>ReplayTimeline</name>
        <message>
            <source>Pause</source>
            <translation>Pause</translation>
        </message>
        <message>
            <source>Play</source>
            <translation>Play</translation>
        </message>
        <message>
            <source>Next error</source>
            <translation>Next error</translation>
        </message>
        <message>
            <source>Next write</source>
            <translation>Next write</translation>
        </message>
        <message>
            <source>Next notice</source>
            <translation>Next notice</translation>
        </message>
        <message>
            <source>Close replay</source>
            <translation>Close replay</translation>
        </message>
        <message>
            <source>Replay speed</source>
            <translation>Replay speed</translation>
        </message>
        <message>
            <source>Drag to any moment of the session</source>
            <translation>Drag to any moment of the session</translation>
        </message>
        <message>
            <source>The next failure on the line: no answer, an exception or a bad CRC</source>
            <translation>The next failure on the line: no answer, an exception or a bad CRC</translation>
        </message>
        <message>
            <source>The next write that was queued or sent</source>
            <translation>The next write that was queued or sent</translation>
        </message>
        <message>
            <source>The next notice or process-log line</source>
            <translation>The next notice or process-log line</translation>
        </message>
        <message>
            <source>Replay of %1: nothing is written to a device</source>
            <translation>Replay of %1: nothing is written to a device</translation>
        </message>
    </context>
    <context>
        <name>SerialAdapter</name>
        <message>
            <source>not on this system</source>
            <translation>not on this system</translation>
        </message>
        <message>
            <source>%1 may not be written (%2)</source>
            <translation>%1 may not be written (%2)</translation>
        </message>
        <message>
            <source>%1 refused %2 (%3)</source>
            <translation>%1 refused %2 (%3)</translation>
        </message>
        <message>
            <source>%1 cannot be read (%2)</source>
            <translation>%1 cannot be read (%2)</translation>
        </message>
        <message>
            <source>latency_timer reads "%1", not a number</source>
            <translation>latency_timer reads "%1", not a number</translation>
        </message>
        <message>
            <source>latency_timer reads %1, beyond the %2 ms an adapter can hold</source>
            <translation>latency_timer reads %1, beyond the %2 ms an adapter can hold</translation>
        </message>
        <message>
            <source>no sysfs at %1</source>
            <translation>no sysfs at %1</translation>
        </message>
        <message>
            <source>%1 has no entry under %2</source>
            <translation>%1 has no entry under %2</translation>
        </message>
        <message>
            <source>no driver link in %1</source>
            <translation>no driver link in %1</translation>
        </message>
        <message>
            <source>no USB device above %1</source>
            <translation>no USB device above %1</translation>
        </message>
        <message>
            <source>no readable USB IDs in %1</source>
            <translation>no readable USB IDs in %1</translation>
        </message>
        <message>
            <source>no latency_timer in %1</source>
            <translation>no latency_timer in %1</translation>
        </message>
        <message>
            <source>low latency is on, yet the timer reads %1 ms</source>
            <translation>low latency is on, yet the timer reads %1 ms</translation>
        </message>
        <message>
            <source>the driver took low latency, yet the timer stayed at %1 ms</source>
            <translation>the driver took low latency, yet the timer stayed at %1 ms</translation>
        </message>
        <message>
            <source>latency_timer took 1 ms but cannot be read back (%1)</source>
            <translation>latency_timer took 1 ms but cannot be read back (%1)</translation>
        </message>
        <message>
            <source>latency_timer took 1 ms but reads %1 ms</source>
            <translation>latency_timer took 1 ms but reads %1 ms</translation>
        </message>
        <message>
            <source>low latency refused: %1; latency_timer not written: %2</source>
            <translation>low latency refused: %1; latency_timer not written: %2</translation>
        </message>
        <message>
            <source>low latency could not be switched off again on %1: %2</source>
            <translation>low latency could not be switched off again on %1: %2</translation>
        </message>
        <message>
            <source>the latency timer of %1 could not be put back to %2 ms: %3</source>
            <translation>the latency timer of %1 could not be put back to %2 ms: %3</translation>
        </message>
        <message>
            <source>a pseudo-terminal (a simulator or a virtual port), no adapter</source>
            <translation>a pseudo-terminal (a simulator or a virtual port), no adapter</translation>
        </message>
        <message>
            <source>%1, a terminal without hardware</source>
            <translation>%1, a terminal without hardware</translation>
        </message>
        <message>
            <source>a serial port of this computer (%1)</source>
            <translation>a serial port of this computer (%1)</translation>
        </message>
        <message>
            <source>a serial port of this computer (%1), driver %2</source>
            <translation>a serial port of this computer (%1), driver %2</translation>
        </message>
        <message>
            <source>%1, driver %2</source>
            <translation>%1, driver %2</translation>
        </message>
        <message>
            <source>adapter not known</source>
            <translation>adapter not known</translation>
        </message>
        <message>
            <source>adapter not known: %1</source>
            <translation>adapter not known: %1</translation>
        </message>
        <message>
            <source>%1: no latency timer, nothing to set</source>
            <translation>%1: no latency timer, nothing to set</translation>
        </message>
        <message>
            <source>no latency timer</source>
            <translation>no latency timer</translation>
        </message>
        <message>
            <source>latency timer not known (%1): left as it is</source>
            <translation>latency timer not known (%1): left as it is</translation>
        </message>
        <message>
            <source>latency timer %1 ms</source>
            <translation>latency timer %1 ms</translation>
        </message>
        <message>
            <source>latency timer %1 ms, %2 ms while the port is open (low latency asked of the driver, put back at close)</source>
            <translation>latency timer %1 ms, %2 ms while the port is open (low latency asked of the driver, put back at close)</translation>
        </message>
        <message>
            <source>latency timer %1 ms, %2 ms while the port is open (latency_timer written, put back at close)</source>
            <translation>latency timer %1 ms, %2 ms while the port is open (latency_timer written, put back at close)</translation>
        </message>
        <message>
            <source>latency timer %1 ms: every answer waits up to %1 ms in the adapter (%2)</source>
            <translation>latency timer %1 ms: every answer waits up to %1 ms in the adapter (%2)</translation>
        </message>
        <message>
            <source>Install the udev rule %1, which sets the latency timer of every FTDI adapter to 1 ms when it is plugged in: sudo cp %1 /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload, then replug the adapter.</source>
            <translation>Install the udev rule %1, which sets the latency timer of every FTDI adapter to 1 ms when it is plugged in: sudo cp %1 /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload, then replug the adapter.</translation>
        </message>
        <message>
            <source>latency timer not known (%1)</source>
            <translation>latency timer not known (%1)</translation>
        </message>
    </context>
    <context>
        <name>SessionFile</name>
        <message>
            <source>frame %1 at %2 %3</source>
            <translation>frame %1 at %2 %3</translation>
        </message>
        <message>
            <source>is older than the frame before it</source>
            <translation>is older than the frame before it</translation>
        </message>
        <message>
            <source>holds a request other than the one recorded with it</source>
            <translation>holds a request other than the one recorded with it</translation>
        </message>
        <message>
            <source>answers another function than its request</source>
            <translation>answers another function than its request</translation>
        </message>
        <message>
            <source>answers no request</source>
            <translation>answers no request</translation>
        </message>
        <message>
            <source>has an unknown direction</source>
            <translation>has an unknown direction</translation>
        </message>
        <message>
            <source>%1: no such file</source>
            <translation>%1: no such file</translation>
        </message>
        <message>
            <source>Cannot read %1: %2</source>
            <translation>Cannot read %1: %2</translation>
        </message>
        <message>
            <source>%1 is not a Grivant session: it is not an SQLite database.</source>
            <translation>%1 is not a Grivant session: it is not an SQLite database.</translation>
        </message>
        <message>
            <source>The recording did not end cleanly; its log was read as well.</source>
            <translation>The recording did not end cleanly; its log was read as well.</translation>
        </message>
        <message>
            <source>%1 is not a Grivant session: it is an SQLite database of another kind.</source>
            <translation>%1 is not a Grivant session: it is an SQLite database of another kind.</translation>
        </message>
        <message>
            <source>%1 was recorded by a newer Grivant (session format %2); this one reads format %3 and older. Open it with a newer Grivant.</source>
            <translation>%1 was recorded by a newer Grivant (session format %2); this one reads format %3 and older. Open it with a newer Grivant.</translation>
        </message>
        <message>
            <source>The recording did not end cleanly: it ends at its last complete second, %1.</source>
            <translation>The recording did not end cleanly: it ends at its last complete second, %1.</translation>
        </message>
        <message>
            <source>%1 cannot be replayed: its frames contradict each other (%2).</source>
            <translation>%1 cannot be replayed: its frames contradict each other (%2).</translation>
        </message>
        <message>
            <source>a folder</source>
            <translation>a folder</translation>
        </message>
        <message>
            <source>a FIFO (named pipe)</source>
            <translation>a FIFO (named pipe)</translation>
        </message>
        <message>
            <source>a device</source>
            <translation>a device</translation>
        </message>
        <message>
            <source>a socket</source>
            <translation>a socket</translation>
        </message>
        <message>
            <source>a special file</source>
            <translation>a special file</translation>
        </message>
        <message>
            <source>view</source>
            <translation>view</translation>
        </message>
        <message>
            <source>trigger</source>
            <translation>trigger</translation>
        </message>
        <message>
            <source>index</source>
            <translation>index</translation>
        </message>
        <message>
            <source>virtual table</source>
            <translation>virtual table</translation>
        </message>
        <message>
            <source>table</source>
            <translation>table</translation>
        </message>
        <message>
            <source>Cannot read %1: the log beside it (%2-wal) is %3, not a file.</source>
            <translation>Cannot read %1: the log beside it (%2-wal) is %3, not a file.</translation>
        </message>
        <message>
            <source>%1 is %2, not a file: a session is read only from a regular file.</source>
            <translation>%1 is %2, not a file: a session is read only from a regular file.</translation>
        </message>
        <message>
            <source>%1 is not a Grivant session: no Grivant writes a session of format %2.</source>
            <translation>%1 is not a Grivant session: no Grivant writes a session of format %2.</translation>
        </message>
        <message>
            <source>%1 is refused: it holds the %2 "%3", and a session holds nothing but its tables, so that nothing in it runs when it is read.</source>
            <translation>%1 is refused: it holds the %2 "%3", and a session holds nothing but its tables, so that nothing in it runs when it is read.</translation>
        </message>
        <message>
            <source>%1 is not a session of this format: it has no table "%2".</source>
            <translation>%1 is not a session of this format: it has no table "%2".</translation>
        </message>
        <message>
            <source>%1 is not a session of this format: it has no column %2.</source>
            <translation>%1 is not a session of this format: it has no column %2.</translation>
        </message>
        <message>
            <source>%1 is not a session of this format: its column %2 is declared "%3".</source>
            <translation>%1 is not a session of this format: its column %2 is declared "%3".</translation>
        </message>
        <message>
            <source>%1 is refused: its column %2 is computed as it is read (a generated column), which a session never holds.</source>
            <translation>%1 is refused: its column %2 is computed as it is read (a generated column), which a session never holds.</translation>
        </message>
        <message>
            <source>%1 is refused: its column %2 is hidden, which a session never holds.</source>
            <translation>%1 is refused: its column %2 is hidden, which a session never holds.</translation>
        </message>
        <message>
            <source>%1 contradicts the session format: its header holds %2 twice.</source>
            <translation>%1 contradicts the session format: its header holds %2 twice.</translation>
        </message>
        <message>
            <source>%1 contradicts the session format: its header has no %2.</source>
            <translation>%1 contradicts the session format: its header has no %2.</translation>
        </message>
        <message>
            <source>%1 contradicts the session format: its header's %2 is %3.</source>
            <translation>%1 contradicts the session format: its header's %2 is %3.</translation>
        </message>
        <message>
            <source>%1 contradicts the session format: %2 of row %3 is %4.</source>
            <translation>%1 contradicts the session format: %2 of row %3 is %4.</translation>
        </message>
        <message>
            <source>%1 is damaged: not even its beginning can be read.</source>
            <translation>%1 is damaged: not even its beginning can be read.</translation>
        </message>
        <message>
            <source>Reading %1 was stopped.</source>
            <translation>Reading %1 was stopped.</translation>
        </message>
        <message>
            <source>%1 is refused: reading it took far longer than a file of its size can need; it is damaged or made to hold the reader up.</source>
            <translation>%1 is refused: reading it took far longer than a file of its size can need; it is damaged or made to hold the reader up.</translation>
        </message>
        <message>
            <source>Cannot read %1: no room for a copy of it and its log (%2)</source>
            <translation>Cannot read %1: no room for a copy of it and its log (%2)</translation>
        </message>
        <message>
            <source>%1 is damaged: it is read up to %2, the last complete second before the damage (%3 frames); what follows is lost.</source>
            <translation>%1 is damaged: it is read up to %2, the last complete second before the damage (%3 frames); what follows is lost.</translation>
        </message>
        <message>
            <source>Its header gives the session a length of %1, which its frames and events contradict: it is taken to end with them, at %2.</source>
            <translation>Its header gives the session a length of %1, which its frames and events contradict: it is taken to end with them, at %2.</translation>
        </message>
        <message>
            <source>Answers that did not fit their request (another number of registers than it asked for, or registers beyond 0xFFFF): %1. They are in the traffic, but neither replayed nor exported.</source>
            <translation>Answers that did not fit their request (another number of registers than it asked for, or registers beyond 0xFFFF): %1. They are in the traffic, but neither replayed nor exported.</translation>
        </message>
    </context>
    <context>
        <name>SessionWriter</name>
        <message>
            <source>A recording is already running.</source>
            <translation>A recording is already running.</translation>
        </message>
        <message>
            <source>Cannot create %1: %2</source>
            <translation>Cannot create %1: %2</translation>
        </message>
        <message>
            <source>Cannot write %1: %2</source>
            <translation>Cannot write %1: %2</translation>
        </message>
        <message>
            <source>Frames could not be written</source>
            <translation>Frames could not be written</translation>
        </message>
        <message>
            <source>%1 is not a file: a session is written only to a regular file or a new one.</source>
            <translation>%1 is not a file: a session is written only to a regular file or a new one.</translation>
        </message>
        <message>
            <source>%1 exists already; it is not replaced.</source>
            <translation>%1 exists already; it is not replaced.</translation>
        </message>
        <message>
            <source>Cannot name the recording %1</source>
            <translation>Cannot name the recording %1</translation>
        </message>
    </context>
    <context>
        <name>TcpTransport</name>
        <message>
            <source>looking up the host name "%1" took longer than the time-out</source>
            <translation>looking up the host name "%1" took longer than the time-out</translation>
        </message>
        <message>
            <source>the host name "%1" is not known (%2)</source>
            <translation>the host name "%1" is not known (%2)</translation>
        </message>
        <message>
            <source>the Modbus TCP device at %1</source>
            <translation>the Modbus TCP device at %1</translation>
        </message>
        <message>
            <source>the device server at %1</source>
            <translation>the device server at %1</translation>
        </message>
        <message>
            <source>no answer: %1 took the request, but neither it nor a device behind it answered</source>
            <translation>no answer: %1 took the request, but neither it nor a device behind it answered</translation>
        </message>
        <message>
            <source>no answer: %1 took the request, but the device behind it did not answer</source>
            <translation>no answer: %1 took the request, but the device behind it did not answer</translation>
        </message>
        <message>
            <source>it refuses the connection (nothing listens at port %1?)</source>
            <translation>it refuses the connection (nothing listens at port %1?)</translation>
        </message>
        <message>
            <source>no connection within %1 ms (switched off, on another network, or held back by a firewall?)</source>
            <translation>no connection within %1 ms (switched off, on another network, or held back by a firewall?)</translation>
        </message>
        <message>
            <source>%1 cannot be reached: %2</source>
            <translation>%1 cannot be reached: %2</translation>
        </message>
        <message>
            <source>the connection to %1 ended before the request went out</source>
            <translation>the connection to %1 ended before the request went out</translation>
        </message>
    </context>
    <context>
        <name>TrafficModel</name>
        <message>
            <source>Time</source>
            <translation>Time</translation>
        </message>
        <message>
            <source>Direction</source>
            <translation>Direction</translation>
        </message>
        <message>
            <source>Port</source>
            <translation>Port</translation>
        </message>
        <message>
            <source>Bytes</source>
            <translation>Bytes</translation>
        </message>
        <message>
            <source>Decoded</source>
            <translation>Decoded</translation>
        </message>
    </context>
    <context>
        <name>TrafficMonitor</name>
        <message>
            <source>Grivant -- Traffic monitor</source>
            <translation>Grivant -- Traffic monitor</translation>
        </message>
        <message>
            <source>Resume</source>
            <translation>Resume</translation>
        </message>
        <message>
            <source>Pause</source>
            <translation>Pause</translation>
        </message>
        <message>
            <source>Clear</source>
            <translation>Clear</translation>
        </message>
        <message>
            <source>Copy</source>
            <translation>Copy</translation>
        </message>
        <message>
            <source>Save...</source>
            <translation>Save...</translation>
        </message>
        <message>
            <source>ID:</source>
            <translation>ID:</translation>
        </message>
        <message>
            <source>any</source>
            <translation>any</translation>
        </message>
        <message>
            <source>Function:</source>
            <translation>Function:</translation>
        </message>
        <message>
            <source>All</source>
            <translation>All</translation>
        </message>
        <message>
            <source>0x03 read</source>
            <translation>0x03 read</translation>
        </message>
        <message>
            <source>0x06 write one</source>
            <translation>0x06 write one</translation>
        </message>
        <message>
            <source>0x10 write several</source>
            <translation>0x10 write several</translation>
        </message>
        <message>
            <source>Errors only</source>
            <translation>Errors only</translation>
        </message>
        <message>
            <source>Register:</source>
            <translation>Register:</translation>
        </message>
        <message>
            <source>e.g. 0x0202</source>
            <translation>e.g. 0x0202</translation>
        </message>
        <message>
            <source>CSV files (*.csv)</source>
            <translation>CSV files (*.csv)</translation>
        </message>
        <message>
            <source>Text files (*.txt)</source>
            <translation>Text files (*.txt)</translation>
        </message>
        <message>
            <source>Save traffic</source>
            <translation>Save traffic</translation>
        </message>
        <message>
            <source>Saved to %1 (frames: %2).</source>
            <translation>Saved to %1 (frames: %2).</translation>
        </message>
        <message>
            <source>Could not save %1: %2</source>
            <translation>Could not save %1: %2</translation>
        </message>
        <message>
            <source>%1 of %2 frames shown; the newest %3 are kept.</source>
            <translation>%1 of %2 frames shown; the newest %3 are kept.</translation>
        </message>
        <message>
            <source>Paused: nothing is recorded.</source>
            <translation>Paused: nothing is recorded.</translation>
        </message>
    </context>
    <context>
        <name>TrafficText</name>
        <message>
            <source>Sent</source>
            <translation>Sent</translation>
        </message>
        <message>
            <source>Received</source>
            <translation>Received</translation>
        </message>
        <message>
            <source>No answer</source>
            <translation>No answer</translation>
        </message>
        <message>
            <source>illegal function</source>
            <translation>illegal function</translation>
        </message>
        <message>
            <source>illegal data address</source>
            <translation>illegal data address</translation>
        </message>
        <message>
            <source>illegal data value</source>
            <translation>illegal data value</translation>
        </message>
        <message>
            <source>server device failure</source>
            <translation>server device failure</translation>
        </message>
        <message>
            <source>acknowledge</source>
            <translation>acknowledge</translation>
        </message>
        <message>
            <source>server device busy</source>
            <translation>server device busy</translation>
        </message>
        <message>
            <source>memory parity error</source>
            <translation>memory parity error</translation>
        </message>
        <message>
            <source>gateway path unavailable</source>
            <translation>gateway path unavailable</translation>
        </message>
        <message>
            <source>gateway target device failed to respond</source>
            <translation>gateway target device failed to respond</translation>
        </message>
        <message>
            <source>unknown exception</source>
            <translation>unknown exception</translation>
        </message>
        <message>
            <source>ID %1</source>
            <translation>ID %1</translation>
        </message>
        <message>
            <source>no answer after %1 ms</source>
            <translation>no answer after %1 ms</translation>
        </message>
        <message>
            <source>no answer: %1</source>
            <translation>no answer: %1</translation>
        </message>
        <message>
            <source>read from %1, count %2</source>
            <translation>read from %1, count %2</translation>
        </message>
        <message>
            <source>answer from %1, count %2: %3</source>
            <translation>answer from %1, count %2: %3</translation>
        </message>
        <message>
            <source>answer, count %1: %2</source>
            <translation>answer, count %1: %2</translation>
        </message>
        <message>
            <source>write %1 to %2</source>
            <translation>write %1 to %2</translation>
        </message>
        <message>
            <source>written: %1 to %2</source>
            <translation>written: %1 to %2</translation>
        </message>
        <message>
            <source>write from %1, count %2: %3</source>
            <translation>write from %1, count %2: %3</translation>
        </message>
        <message>
            <source>written from %1, count %2</source>
            <translation>written from %1, count %2</translation>
        </message>
        <message>
            <source>exception %1 to function %2: %3</source>
            <translation>exception %1 to function %2: %3</translation>
        </message>
        <message>
            <source>function %1</source>
            <translation>function %1</translation>
        </message>
        <message>
            <source>malformed frame of function %1</source>
            <translation>malformed frame of function %1</translation>
        </message>
        <message>
            <source>malformed frame</source>
            <translation>malformed frame</translation>
        </message>
        <message>
            <source>CRC ok</source>
            <translation>CRC ok</translation>
        </message>
        <message>
            <source>CRC bad (expected %1)</source>
            <translation>CRC bad (expected %1)</translation>
        </message>
        <message>
            <source>a late answer to an earlier request, discarded: %1</source>
            <translation>a late answer to an earlier request, discarded: %1</translation>
        </message>
    </context>
    <context>
        <name>VEVirurodOzoviDatabase</name>
        <message>
            <source>Not found file: %1</source>
            <translation>Not found file: %1</translation>
        </message>
        <message>
            <source>Sqlite not open: %1</source>
            <translation>Sqlite not open: %1</translation>
        </message>
        <message>
            <source>Sqlite not open</source>
            <translation>Sqlite not open</translation>
        </message>
    </context>
    <context>
        <name>VXRegisterDatabase</name>
        <message>
            <source>Not found file: %1</source>
            <translation>Not found file: %1</translation>
        </message>
        <message>
            <source>Sqlite not open: %1</source>
            <translation>Sqlite not open: %1</translation>
        </message>
        <message>
            <source>Sqlite not open</source>
            <translation>Sqlite not open</translation>
        </message>
    </context>
</TS>
