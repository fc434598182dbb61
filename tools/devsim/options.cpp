#include "options.h"

#include "bus.h"

#include <cerrno>
#include <cstdlib>
#include <getopt.h>

const char *helpText()
{
    return R"(Usage: devsim [options]
A simulated gripper or linear module: a Modbus-RTU slave on a pseudo-terminal, or on
the network as a Modbus TCP device or a serial device server (--listen).
The first output line is the path to open (the slave pseudo-terminal, or the --link
path). The simulator answers functions 0x03, 0x06 and 0x10 at its own address and at
255 (always replying with its own address); 0 is a broadcast (executed, no reply).
Exceptions: 0x01 unknown function, 0x02 unmapped or read-only address (also a write of
a factory register, 0x1100-0x15FF or the unique ID 0x0A03/0x0A04, without access code
0x6969 or 0xC3C3 in 0x0000), 0x03 bad count (0 or more than 125 registers to read,
more than 123 to write, a byte count that does not match). A request with a bad CRC
gets no answer.

Line:
  --link PATH         also make PATH a symlink to the slave (parent folders are made;
                      the link is removed on exit)
  --listen HOST:PORT  serve on the network instead of a pseudo-terminal (port 0: any
                      free one; an IPv6 address in brackets); the first output line is
                      then the address to open, tcp://HOST:PORT or rtu+tcp://HOST:PORT.
                      Any number of clients; their requests take turns on the one line
                      of devices, one at a time, each answer going to the client that
                      asked. The line keeps the settings the devices start with, as a
                      device server's serial side does: a device saved to other settings
                      no longer hears it. --wire-time is the time on that line
  --framing F         with --listen: tcp (default), Modbus TCP with its MBAP header (a
                      request's transaction and unit id come back with its answer; a
                      header out of step closes the connection; --bad-crc changes the
                      answer's last byte, as there is no CRC), or rtu, RTU frames with
                      their CRC over the stream, as a serial device server passes them
  --id N              slave address, 1-247 (default 1); a list or a range such as
                      1,2,3 or 1-4 puts a bus of several devices on the one line, each
                      with its own state and unique ID (one --uid is counted up from
                      device to device), each answering only its own address; a
                      request to 255 is then answered by every device at once, which
                      garbles the answer, and a broadcast is executed by all
  --baud RATE         115200 (default), 57600, 38400, 19200, 9600, 4800 or 230400
  --parity P          none (default), even or odd
  --stopbits N        1 (default) or 2
  --lenient-stopbits  answer whatever number of stop bits the master uses
  The simulator stays silent while the settings of the master side do not match its
  own. A pseudo-terminal shows the master's baud rate, stop bits and odd parity, but
  the kernel clears the parity-enable flag, so even parity and no parity cannot be told
  apart there: a device set to none or even answers a master set to none or even, a
  device set to odd answers only a master set to odd. New settings written to 0x0302 to
  0x0305 take effect after a save (0x0300 = 1), once the reply to the save has gone out.
  Like a serial port, which loses what arrives while it is closed, the simulator drops
  replies that no one has read whenever a master opens or closes the port.

Device:
  --model HEX         model code of 0x0A00 (default 2701); on a bus, one for every
                      device or a list of one per ID (2701,4001,5201)
  --kind K            gripper, rotary, adaptive or module (default from the model code:
                      series 4 module, series 5 rotary, series 0 adaptive, else
                      gripper; the series is the top four bits)
  --hw A.B.C          hardware version (default 1.2.3): 0x0A01 = A.B, 0x0A05 = C
  --sw A.B            software version (default 2.30): 0x0A02
  --uid HEX8          unique ID (default from the seed): 0x0A03 = last four digits,
                      0x0A04 = first four; on a bus, a list of one per ID
  --initialised       start initialised (default: wait for 0x0100 = 1 or 165)
  --error-code N      report the error code N (decimal) in 0x0205, a device with a fault
                      (default 0); on a bus, one for every device or a list of one per ID
  --object POS        an object in the way at POS (position units: 0.1 % for a gripper,
                      0.01 mm for a module): a move towards it stops there with grip
                      state 2 (caught); SIGUSR1 takes it away (a held object drops: state
                      3), SIGUSR2 puts it back
  --state FILE        saved parameters persist in FILE ("ADDRESS VALUE" hexadecimal lines;
                      the saved values win over --id, --baud, --parity, --stopbits);
                      each device of a bus keeps its own in FILE.ID (ID as given)
  --seed N            seed of the current noise, the unique ID and the fault injection
                      (default 1); runs are repeatable for a given seed and request timing;
                      the further devices of a bus take the next seeds
  --speedup F         motion runs F times faster than real time (default 1)

Behaviour: 0x0100 = 1 or 165 initialises (0x0200: 0, 2 while running, then 1). A gripper
moves to 0x0103 (0.1 %, 0-1000) at a rate set by 0x0104 (full stroke in 0.5 s at 100 %)
with 0x0201 = 0 while moving, then 1 arrived, 2 caught, 3 dropped; 0x0202 position,
0x0203 speed, 0x0204 current (mA). Rotary: 0x0105 target angle (degrees), 0x0109
relative, 0x0107 speed, 0x0108 torque; 0x0208/0x0209 angle (low, high word), 0x020A
initialised, 0x020B rotation state, 0x0506 = 165 resets the angle. Module: 0x0103
target (0.01 mm, up to the stroke in 0x0306/0x0307), 0x0106 relative, 0x0107 jog (1, -1,
0); with a push band (0x0102) it pushes on at the push speed (0x0309) with the push
force (0x0101): state 2 when it meets the object, 3 when the band ends without one;
0x0400 = 1 emergency stop, 0x0501 = 0 servo off. Motion commands are ignored until
initialised and while I/O mode (0x0402) is on. 0x0502 stops. Factory triggers (175 in
0x1100-0x1105): electric angle calibration, test, backup, upgrade, restore, save.

Faults:
  --exception CODE    answer every request with exception CODE
  --exceptions F      refuse a fraction F of the requests with exception 0x04 (device
                      failure) without executing them
  --late F            answer a fraction F of the requests 100 to 200 ms late, around a
                      master's usual time-out
  --drop F            drop the reply to a fraction F of the requests (still executed)
  --bad-crc F         corrupt the CRC of a fraction F of the replies
  --delay MS          answer MS milliseconds late; on a bus, one for every device or a
                      list of one per ID (0,0,80: the third answers 80 ms late)
  --echo              the line returns every request to the master before the answer,
                      as a two-wire RS-485 adapter with its echo on does
  --hold MS           hand echoes and answers over only at the next boundary of MS
                      milliseconds (1-255), as a USB adapter holds received bytes for
                      its latency timer (16 ms on an FTDI adapter unless lowered)
  --wire-time         answer after the time the request and the reply take on the wire
                      with the line's settings (start, data, parity and stop bits of
                      each character, 3.5 characters of silence after each frame, at
                      least 1.75 ms); a request sent before the silence after the last
                      reply has passed waits for it (off by default)
  --lose-requests F   lose a fraction F of the requests on the line before the device:
                      it never sees them and does not answer
  --corrupt-requests F  corrupt a fraction F of the requests on the line (one byte):
                      the device's CRC check fails and it ignores them
  --vanish-after N    close the pseudo-terminal once the master has read the reply to
                      the Nth request (a second after it at the latest), as if unplugged:
                      the link is removed, the process stays until it is told to end

Replay:
  --replay FILE       serve the device recorded in a Grivant session file: reads are
                      answered with the values it had at that moment of the recording
                      (time runs from the start, --speedup times faster), registers it
                      never answered come from the simulated device; it identifies as
                      the recorded model with its unique ID; writes are taken as the
                      simulator takes them, and a written register answers from the
                      simulator from then on (one device: not with a bus of several IDs);
                      it answers at the recorded slave ID, baud rate, parity and stop
                      bits unless --id, --baud, --parity or --stopbits say otherwise
  --loop              start the recording again at its end (default: hold its last values)

  -v, --verbose       log each request and reply in hexadecimal to stderr, and on exit
                      the values the registers written during the run hold
  -h, --help          this text
  --version           the version
Ends cleanly on SIGTERM or SIGINT, and when the program that started it ends.
)";
}

namespace {

bool toLong(const char *text, long low, long high, long &value, int base = 10)
{
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, base);
    if (errno != 0 || end == text || *end != 0 || v < low || v > high)
        return false;
    value = v;
    return true;
}

bool toFraction(const char *text, double low, double high, double &value)
{
    char *end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != 0 || !(v >= low && v <= high))
        return false;
    value = v;
    return true;
}

// "A.B" or "A.B.C", each part 0-255.
bool toVersion(const std::string &text, int parts, int out[3])
{
    size_t at = 0;
    for (int i = 0; i < parts; ++i) {
        const size_t dot = text.find('.', at);
        const bool last = i == parts - 1;
        if (last != (dot == std::string::npos))
            return false;
        long v = 0;
        if (!toLong(text.substr(at, last ? std::string::npos : dot - at).c_str(), 0, 255, v))
            return false;
        out[i] = int(v);
        at = dot + 1;
    }
    return true;
}

} // namespace

ParseResult parseOptions(int argc, char **argv, Options &o, std::string &error)
{
    enum {
        OptLink = 1000, OptId, OptBaud, OptParity, OptStopBits, OptLenient, OptModel, OptKind,
        OptHw, OptSw, OptUid, OptInitialised, OptObject, OptState, OptSeed, OptSpeedup,
        OptException, OptDrop, OptBadCrc, OptDelay, OptWireTime, OptVanish, OptExceptions, OptLate,
        OptLoseRequests, OptCorruptRequests, OptVersion,
        OptReplay, OptLoop, OptListen, OptFraming, OptEcho, OptHold, OptErrorCode,
    };
    static const option longOptions[] = {
        {"link", required_argument, nullptr, OptLink},
        {"listen", required_argument, nullptr, OptListen},
        {"framing", required_argument, nullptr, OptFraming},
        {"id", required_argument, nullptr, OptId},
        {"baud", required_argument, nullptr, OptBaud},
        {"parity", required_argument, nullptr, OptParity},
        {"stopbits", required_argument, nullptr, OptStopBits},
        {"lenient-stopbits", no_argument, nullptr, OptLenient},
        {"model", required_argument, nullptr, OptModel},
        {"kind", required_argument, nullptr, OptKind},
        {"hw", required_argument, nullptr, OptHw},
        {"sw", required_argument, nullptr, OptSw},
        {"uid", required_argument, nullptr, OptUid},
        {"initialised", no_argument, nullptr, OptInitialised},
        {"error-code", required_argument, nullptr, OptErrorCode},
        {"object", required_argument, nullptr, OptObject},
        {"state", required_argument, nullptr, OptState},
        {"seed", required_argument, nullptr, OptSeed},
        {"speedup", required_argument, nullptr, OptSpeedup},
        {"exception", required_argument, nullptr, OptException},
        {"exceptions", required_argument, nullptr, OptExceptions},
        {"late", required_argument, nullptr, OptLate},
        {"drop", required_argument, nullptr, OptDrop},
        {"bad-crc", required_argument, nullptr, OptBadCrc},
        {"delay", required_argument, nullptr, OptDelay},
        {"wire-time", no_argument, nullptr, OptWireTime},
        {"echo", no_argument, nullptr, OptEcho},
        {"hold", required_argument, nullptr, OptHold},
        {"vanish-after", required_argument, nullptr, OptVanish},
        {"lose-requests", required_argument, nullptr, OptLoseRequests},
        {"corrupt-requests", required_argument, nullptr, OptCorruptRequests},
        {"version", no_argument, nullptr, OptVersion},
        {"replay", required_argument, nullptr, OptReplay},
        {"loop", no_argument, nullptr, OptLoop},
        {"verbose", no_argument, nullptr, 'v'},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };

    DeviceConfig &d = o.device;
    BusPlan bus;
    bool kindGiven = false;
    bool uidGiven = false;
    bool framingGiven = false;
    long v = 0;
    opterr = 0;
    optind = 1;
    int c;
    while ((c = getopt_long(argc, argv, "vh", longOptions, nullptr)) != -1) {
        const std::string arg = optarg ? optarg : "";
        switch (c) {
        case 'h':
            return ParseResult::Help;
        case OptVersion:
            return ParseResult::Version;
        case 'v':
            o.verbose = true;
            break;
        case OptLink:
            o.link = arg;
            if (o.link.empty()) {
                error = "--link needs a path";
                return ParseResult::Error;
            }
            break;
        case OptListen:
            o.listen = arg;
            if (o.listen.empty()) {
                error = "--listen needs HOST:PORT";
                return ParseResult::Error;
            }
            break;
        case OptFraming:
            if (arg != "tcp" && arg != "rtu") {
                error = "--framing: tcp (Modbus TCP) or rtu (RTU over TCP)";
                return ParseResult::Error;
            }
            o.framing = arg;
            framingGiven = true;
            break;
        case OptId:
            if (!parseIdList(arg, bus.ids)) {
                error = "--id: 1 to 247, or a list or range of them such as 1,2,3 or 1-4";
                return ParseResult::Error;
            }
            d.line.address = bus.ids.front();
            o.idGiven = true;
            break;
        case OptBaud:
            if (!toLong(optarg, 1, 1000000, v) || baudCode(int(v)) < 0) {
                error = "--baud: 115200, 57600, 38400, 19200, 9600, 4800 or 230400";
                return ParseResult::Error;
            }
            d.line.baud = int(v);
            o.baudGiven = true;
            break;
        case OptParity:
            if (arg == "none")
                d.line.parity = ParityNone;
            else if (arg == "even")
                d.line.parity = ParityEven;
            else if (arg == "odd")
                d.line.parity = ParityOdd;
            else {
                error = "--parity: none, even or odd";
                return ParseResult::Error;
            }
            o.parityGiven = true;
            break;
        case OptStopBits:
            if (!toLong(optarg, 1, 2, v)) {
                error = "--stopbits: 1 or 2";
                return ParseResult::Error;
            }
            d.line.stopBits = int(v);
            o.stopBitsGiven = true;
            break;
        case OptLenient:
            o.lenientStopBits = true;
            break;
        case OptModel:
            if (!parseHexList(arg, 0xFFFF, bus.models)) {
                error = "--model: a 16-bit hexadecimal code, e.g. 2701, or one per ID: 2701,4001";
                return ParseResult::Error;
            }
            d.model = uint16_t(bus.models.front());
            break;
        case OptKind:
            if (!parseKind(arg, d.kind)) {
                error = "--kind: gripper, rotary, adaptive or module";
                return ParseResult::Error;
            }
            kindGiven = true;
            break;
        case OptHw: {
            int p[3];
            if (!toVersion(arg, 3, p)) {
                error = "--hw: A.B.C, each 0 to 255";
                return ParseResult::Error;
            }
            d.hardware = uint16_t(p[0] << 8 | p[1]);
            d.hardwarePatch = uint8_t(p[2]);
            break;
        }
        case OptSw: {
            int p[3];
            if (!toVersion(arg, 2, p)) {
                error = "--sw: A.B, each 0 to 255";
                return ParseResult::Error;
            }
            d.software = uint16_t(p[0] << 8 | p[1]);
            break;
        }
        case OptUid: {
            bool eightDigits = true;
            for (size_t at = 0, comma = 0; comma != std::string::npos; at = comma + 1) {
                comma = arg.find(',', at);
                eightDigits = eightDigits && (comma == std::string::npos ? arg.size() - at : comma - at) == 8;
            }
            if (!eightDigits || !parseHexList(arg, 0xFFFFFFFFul, bus.uids)) {
                error = "--uid: eight hexadecimal digits, or such a unique ID per ID";
                return ParseResult::Error;
            }
            d.uid = uint32_t(bus.uids.front());
            uidGiven = true;
            break;
        }
        case OptInitialised:
            d.initialised = true;
            break;
        case OptErrorCode: {
            bus.errorCodes.clear();
            bool ok = !arg.empty();
            for (size_t at = 0, comma = 0; ok && comma != std::string::npos; at = comma + 1) {
                comma = arg.find(',', at);
                ok = toLong(arg.substr(at, comma == std::string::npos ? std::string::npos : comma - at).c_str(), 0,
                            65535, v);
                bus.errorCodes.push_back((unsigned long)v);
            }
            if (!ok) {
                error = "--error-code: a number 0 to 65535, or one per ID: 0,3,0";
                return ParseResult::Error;
            }
            break;
        }
        case OptObject:
            if (!toLong(optarg, 0, 65535, v)) {
                error = "--object: a position, 0 to 65535";
                return ParseResult::Error;
            }
            d.hasObject = true;
            d.objectPosition = int(v);
            break;
        case OptState:
            o.stateFile = arg;
            break;
        case OptSeed:
            if (!toLong(optarg, 0, 0xFFFFFFFFL, v)) {
                error = "--seed: a number, 0 to 4294967295";
                return ParseResult::Error;
            }
            d.seed = uint32_t(v);
            break;
        case OptSpeedup:
            if (!toFraction(optarg, 0.001, 1e6, o.speedup)) {
                error = "--speedup: a factor above 0";
                return ParseResult::Error;
            }
            break;
        case OptException:
            if (!toLong(optarg, 1, 255, v, 0)) {
                error = "--exception: a code, 1 to 255";
                return ParseResult::Error;
            }
            o.exception = int(v);
            break;
        case OptDrop:
        case OptBadCrc:
        case OptExceptions:
        case OptLate:
        case OptLoseRequests:
        case OptCorruptRequests: {
            double &fraction = c == OptDrop ? o.drop : c == OptBadCrc ? o.badCrc
                             : c == OptExceptions ? o.exceptions : c == OptLate ? o.late
                             : c == OptLoseRequests ? o.loseRequests : o.corruptRequests;
            if (!toFraction(optarg, 0, 1, fraction)) {
                error = "--drop, --bad-crc, --exceptions, --late, --lose-requests, --corrupt-requests: "
                        "a fraction, 0 to 1";
                return ParseResult::Error;
            }
            break;
        }
        case OptDelay:
            if (!parseNumberList(arg, 10, 600000, bus.delays)) {
                error = "--delay: milliseconds, 0 to 600000, or such a delay per ID";
                return ParseResult::Error;
            }
            d.delayMs = int(bus.delays.front());
            break;
        case OptWireTime:
            o.wireTime = true;
            break;
        case OptEcho:
            o.echo = true;
            break;
        case OptHold:
            if (!toLong(optarg, 1, 255, v)) {
                error = "--hold: milliseconds, 1 to 255";
                return ParseResult::Error;
            }
            o.holdMs = int(v);
            break;
        case OptVanish:
            if (!toLong(optarg, 1, 0x7FFFFFFFL, v)) {
                error = "--vanish-after: a number of requests, 1 or more";
                return ParseResult::Error;
            }
            o.vanishAfter = v;
            break;
        case OptReplay:
            o.replayFile = optarg;
            break;
        case OptLoop:
            o.loop = true;
            break;
        default:
            error = std::string("unknown or incomplete option ") + argv[optind - 1];
            return ParseResult::Error;
        }
    }
    if (optind < argc) {
        error = std::string("unexpected argument ") + argv[optind];
        return ParseResult::Error;
    }
    if (!o.listen.empty() && !o.link.empty()) {
        error = "--link names a pseudo-terminal, --listen an address: give one of them";
        return ParseResult::Error;
    }
    if (framingGiven && o.listen.empty()) {
        error = "--framing goes with --listen";
        return ParseResult::Error;
    }
    if (!kindGiven)
        d.kind = kindFromModel(d.model);
    if (!uidGiven)
        d.uid = 0x5A000000u | ((d.seed * 2654435761u) & 0xFFFFFFu);
    bus.kindGiven = kindGiven;
    if (!busDevices(d, uidGiven, bus, o.devices, error))
        return ParseResult::Error;
    if (!o.replayFile.empty() && o.devices.size() > 1) {
        error = "--replay serves one recorded device, not a bus of several IDs";
        return ParseResult::Error;
    }
    return ParseResult::Run;
}
