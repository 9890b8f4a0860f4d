// SPDX-License-Identifier: MIT
// Command line of scalecheck-sim: the options, their parsing and the --help text.
#include "simoptions.h"

#include "parsenumber.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace scalecheck::sim {
namespace {

// Baud rates the instrument offers, in the order of its baud code.
constexpr std::array<int, 8> kBaudRates{1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

constexpr std::int64_t kMaxTurnaroundMs = 10000;
constexpr std::int64_t kMaxReplyDelayMs = 60000;
constexpr double kMaxSeconds = 1e7;

bool takesValue(const std::string &name)
{
    static const std::array<const char *, 15> kWithValue{
        "--device", "--link",       "--log",      "--regs",    "--addr",
        "--baud",   "--turnaround", "--fault",    "--seed",    "--max-seconds",
        "--weight", "--tcp-listen", "--tcp-mode", "--framing", "--reply-delay"};
    for (const char *option : kWithValue) {
        if (name == option) {
            return true;
        }
    }
    return isScaleOption(name) || name == "--stop-bits";
}

std::optional<std::int64_t> integerIn(const std::string &name, const std::string &value,
                                      std::int64_t low, std::int64_t high, std::string &error)
{
    const auto number = parseInteger(value);
    if (!number || *number < low || *number > high) {
        error = "bad value '" + value + "' for " + name + " (expected " + std::to_string(low) +
                ".." + std::to_string(high) + ")";
        return std::nullopt;
    }
    return number;
}

// "7" or "7,12,30": the instruments on the line, each address once.
std::optional<std::vector<int>> addressList(const std::string &value, std::string &error)
{
    std::vector<int> addresses;
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t comma = std::min(value.find(',', start), value.size());
        const std::string entry = value.substr(start, comma - start);
        const auto n = integerIn("--addr", entry, 1, 247, error);
        if (!n) {
            return std::nullopt;
        }
        if (std::find(addresses.begin(), addresses.end(), *n) != addresses.end()) {
            error = "--addr: address " + std::to_string(*n) + " is given twice";
            return std::nullopt;
        }
        addresses.push_back(static_cast<int>(*n));
        start = comma + 1;
    }
    return addresses;
}

// HOST:PORT, with an IPv6 address in brackets: 127.0.0.1:5020, [::1]:0, localhost:502.
std::optional<TcpEndpoint> endpoint(const std::string &value, std::string &error)
{
    error = "bad value '" + value +
            "' for --tcp-listen (expected HOST:PORT, e.g. 127.0.0.1:5020 "
            "or [::1]:0)";
    const std::size_t colon = value.rfind(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    std::string host = value.substr(0, colon);
    if (!host.empty() && host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') {
            return std::nullopt;
        }
        host = host.substr(1, host.size() - 2);
    } else if (host.find_first_of(":[]") != std::string::npos) {
        return std::nullopt; // an IPv6 address needs its brackets
    }
    const std::string portText = value.substr(colon + 1);
    const auto port = parseInteger(portText);
    if (host.empty() || !port || *port < 0 || *port > 65535 || portText.front() == '+' ||
        portText.front() == '-') {
        return std::nullopt;
    }
    error.clear();
    return TcpEndpoint{host, static_cast<int>(*port)};
}

// Options that are fine one by one but not together.
bool checkCombination(const SimOptions &options, std::string &error)
{
    for (std::size_t i = 0; i < options.regsFor.size(); ++i) {
        const int address = options.regsFor[i].first;
        if (std::find(options.addresses.begin(), options.addresses.end(), address) ==
            options.addresses.end()) {
            error = "--regs-for " + std::to_string(address) +
                    ": no instrument at that address on the line (see --addr)";
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (options.regsFor[j].first == address) {
                error = "--regs-for: address " + std::to_string(address) + " is given twice";
                return false;
            }
        }
    }
    if (options.tcpListen && !options.device.empty()) {
        error = "--tcp-listen and --device do not go together: the simulator serves one line";
        return false;
    }
    if (options.tcpListen && !options.link.empty()) {
        error = "--link names a serial device; with --tcp-listen there is none";
        return false;
    }
    if (options.framing == Framing::Ascii && options.tcpMode == TcpMode::Mbap) {
        error = "--framing ascii is a serial line's framing; a Modbus TCP gateway (--tcp-mode "
                "mbap) has its own";
        return false;
    }
    if (options.tcpMode == TcpMode::Mbap) {
        // Modbus TCP has no CRC to spoil and no RS-485 line of its own to echo or turn around.
        for (const FaultRule &rule : options.faults) {
            if (rule.kind == FaultKind::BadCrc || rule.kind == FaultKind::Echo ||
                rule.kind == FaultKind::Zero) {
                error = "--fault " + std::string(faultName(rule.kind)) +
                        " does not apply to Modbus TCP (--tcp-mode mbap); use --tcp-mode rtu for "
                        "faults of the serial line";
                return false;
            }
        }
    }
    return true;
}

bool applyValue(SimOptions &options, const std::string &name, const std::string &value,
                std::string &error)
{
    if (isScaleOption(name)) {
        return applyScaleOption(options.scale, name, value, error);
    }
    if (name == "--device" || name == "--link" || name == "--log" || name == "--regs") {
        if (value.empty()) {
            error = name + " needs a path";
            return false;
        }
        (name == "--device" ? options.device
         : name == "--link" ? options.link
         : name == "--log"  ? options.logPath
                            : options.regsPath) = value;
        return true;
    }
    if (name == "--addr") {
        const auto addresses = addressList(value, error);
        if (addresses) {
            options.addresses = *addresses;
        }
        return addresses.has_value();
    }
    if (name == "--tcp-listen") {
        const auto where = endpoint(value, error);
        if (where) {
            options.tcpListen = where;
        }
        return where.has_value();
    }
    if (name == "--tcp-mode") {
        if (value != "rtu" && value != "mbap") {
            error = "bad value '" + value + "' for --tcp-mode (expected rtu or mbap)";
            return false;
        }
        options.tcpMode = value == "rtu" ? TcpMode::Rtu : TcpMode::Mbap;
        options.tcpModeGiven = true;
        return true;
    }
    if (name == "--framing") {
        if (value != "rtu" && value != "ascii") {
            error = "bad value '" + value + "' for --framing (expected rtu or ascii)";
            return false;
        }
        options.framing = value == "rtu" ? Framing::Rtu : Framing::Ascii;
        return true;
    }
    if (name == "--baud") {
        const auto n = parseInteger(value);
        if (!n || *n > std::numeric_limits<int>::max() || baudCode(static_cast<int>(*n)) < 0) {
            error = "bad value '" + value +
                    "' for --baud (expected 1200, 2400, 4800, 9600, 19200, 38400, 57600 or "
                    "115200)";
            return false;
        }
        options.baud = static_cast<int>(*n);
        options.baudGiven = true;
        return true;
    }
    if (name == "--stop-bits") {
        if (value != "1" && value != "2") {
            error = "bad value '" + value + "' for --stop-bits (expected 1 or 2)";
            return false;
        }
        options.stopBits = value == "1" ? 1 : 2;
        options.stopBitsGiven = true;
        return true;
    }
    if (name == "--turnaround") {
        const auto n = integerIn(name, value, 0, kMaxTurnaroundMs, error);
        if (n) {
            options.turnaround = std::chrono::milliseconds{*n};
            options.turnaroundGiven = true;
        }
        return n.has_value();
    }
    if (name == "--reply-delay") {
        const auto n = integerIn(name, value, 0, kMaxReplyDelayMs, error);
        if (n) {
            options.replyDelay = std::chrono::milliseconds{*n};
        }
        return n.has_value();
    }
    if (name == "--fault") {
        const auto rules = parseFaultList(value, error);
        if (!rules) {
            error = "--fault: " + error;
            return false;
        }
        options.faults.insert(options.faults.end(), rules->begin(), rules->end());
        if (!checkFaultRules(options.faults, error)) {
            error = "--fault, all options together: " + error;
            return false;
        }
        return true;
    }
    if (name == "--seed") {
        const auto n = integerIn(name, value, 0, std::numeric_limits<std::uint32_t>::max(), error);
        if (n) {
            options.seed = static_cast<std::uint32_t>(*n);
        }
        return n.has_value();
    }
    if (name == "--max-seconds") {
        const auto seconds = parseDecimal(value);
        if (!seconds || *seconds <= 0 || *seconds > kMaxSeconds) {
            error =
                "bad value '" + value + "' for --max-seconds (expected a number of seconds > 0)";
            return false;
        }
        options.maxTime = std::chrono::milliseconds{std::llround(*seconds * 1000.0)};
        return true;
    }
    if (name == "--weight") {
        const auto n = integerIn(name, value, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max(), error);
        if (n) {
            options.weight = static_cast<std::int32_t>(*n);
        }
        return n.has_value();
    }
    error = "unknown option '" + name + "'";
    return false;
}

} // namespace

std::optional<SimOptions> parseOptions(const std::vector<std::string> &args, std::string &error)
{
    SimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--version") {
            options.version = true;
            continue;
        }
        if (arg == "--pace") {
            options.pace = true;
            continue;
        }
        if (arg == "--text-output") {
            options.textOutput = true;
            continue;
        }
        // The one option with two values: the instrument's address and its registers file.
        if (arg == "--regs-for" || arg.rfind("--regs-for=", 0) == 0) {
            if (arg != "--regs-for") {
                error = "--regs-for takes two values: --regs-for ADDR FILE";
                return std::nullopt;
            }
            if (i + 2 >= args.size()) {
                error = "--regs-for needs an address and a file: --regs-for ADDR FILE";
                return std::nullopt;
            }
            const auto address = integerIn("--regs-for", args[i + 1], 1, 247, error);
            if (!address) {
                return std::nullopt;
            }
            if (args[i + 2].empty()) {
                error = "--regs-for needs a path";
                return std::nullopt;
            }
            options.regsFor.emplace_back(static_cast<int>(*address), args[i + 2]);
            i += 2;
            continue;
        }
        if (arg.rfind("--", 0) != 0) {
            error = "unexpected argument '" + arg + "'";
            return std::nullopt;
        }
        std::string name = arg;
        std::string value;
        if (const auto equals = arg.find('='); equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            if (!takesValue(name)) {
                error = name == "--pace" || name == "--help" || name == "--version" ||
                                name == "--text-output"
                            ? name + " takes no value"
                            : "unknown option '" + name + "'";
                return std::nullopt;
            }
        } else if (takesValue(name)) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return std::nullopt;
            }
            value = args[++i];
        } else {
            error = "unknown option '" + name + "'";
            return std::nullopt;
        }
        if (!applyValue(options, name, value, error)) {
            return std::nullopt;
        }
    }
    if (options.tcpModeGiven && !options.tcpListen) {
        error = "--tcp-mode needs --tcp-listen";
        return std::nullopt;
    }
    if (!checkCombination(options, error)) {
        return std::nullopt;
    }
    // The scale under test: its curve in counts once --e is known; it is the weight, so a
    // fixed one does not go with it.
    if (!resolveScaleOptions(options.scale, error)) {
        return std::nullopt;
    }
    if (options.scale.active() && (options.weight || options.addresses.size() > 1)) {
        error = "--control and --load put a load on one scale under test; they go with neither "
                "--weight nor several addresses";
        return std::nullopt;
    }
    return options;
}

std::string_view tcpScheme(TcpMode mode)
{
    return mode == TcpMode::Rtu ? "tcp" : "mbtcp";
}

int baudCode(int baud)
{
    for (std::size_t i = 0; i < kBaudRates.size(); ++i) {
        if (kBaudRates[i] == baud) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string helpText()
{
    return R"(Usage: scalecheck-sim [OPTION]...
Simulated digital weighing indicator: a Modbus RTU slave answering function 03
(read holding registers) on a pseudo-terminal, on a serial device or on TCP.

It opens a pseudo-terminal pair and prints the device path to open (for example
/dev/pts/5) as the first line of its output, then serves until it is stopped
with SIGTERM or SIGINT (exit status 0). With --tcp-listen the first line is the
address to connect to instead: tcp://HOST:PORT or mbtcp://HOST:PORT.
Windows has no pseudo-terminals: there it serves a COM port (--device COM5, one
end of a null-modem pair such as com0com's for a master on the same machine)
or TCP, and stops on Ctrl+C, Ctrl+Break, its console closing, or WM_CLOSE posted
to its main thread (QProcess::terminate(), taskkill without /F).

Line:
  --device PATH        serve this existing serial device instead of a new
                       pseudo-terminal (its path is printed instead); on
                       Windows a COM port: COM5
  --link PATH          also make the symlink PATH pointing to the served device
                       (an existing symlink is replaced; removed on exit)
  --addr N[,N]...      slave address, 1..247 (default 1); with a list, one
                       instrument per address shares the line, each with its
                       own moving weight and its own address in register
                       0x0040. Requests to other addresses and broadcasts
                       (address 0) get no answer
  --baud N             1200, 2400, 4800, 9600 (default), 19200, 38400, 57600 or
                       115200; always 8 data bits, no parity, 2 stop bits. Sets
                       the pacing and the baud code register. Given explicitly,
                       it is also the only rate the instrument hears: on its
                       own pseudo-terminal a master set to another rate gets
                       no answer (logged ignored=wrong-baud). On --device and
                       on TCP the master's rate cannot be seen: all are heard
  --stop-bits 1|2      the stop bits the instrument uses (default 2). Given
                       explicitly, a master on its own pseudo-terminal set to
                       other stop bits gets no answer (logged
                       ignored=wrong-stop-bits), as with --baud. A
                       pseudo-terminal keeps no parity: parity cannot be told
  --framing rtu|ascii  how frames stand on the line (default rtu). ascii: Modbus
                       ASCII, ':' then address, function and data in hex digits,
                       the LRC (two's complement of their byte sum) and CR LF,
                       for requests and replies alike; functions and registers
                       as in RTU. Only such frames are heard: RTU frames and
                       other bytes are ignored (logged ignored=not-ascii), a
                       frame with a wrong LRC gets no answer (ignored=bad-lrc),
                       badcrc spoils the LRC. Modbus ASCII lines run at 7E1 or
                       7N2: a pseudo-terminal keeps no parity and 7 or 8 data
                       bits come through alike, so any setting is heard. Also
                       over --tcp-listen in rtu mode (a transparent converter);
                       not with --tcp-mode mbap
  --text-output        an indicator in continuous output: it sends a text line
                       such as ST,GS,+0012.34kg (the weight with 2 decimals)
                       every 100 ms and answers no request (logged
                       ignored=text-output)
  --pace               behave like the wire: take requests in no faster than the
                       baud rate allows and send replies at 11 bits per
                       character (10 with --framing ascii) after the
                       turnaround; without it the simulator answers as fast
                       as it can. Serial lines only: ignored with --tcp-listen
  --turnaround MS      pause between request and reply with --pace, in
                       milliseconds (default 5)
  --reply-delay MS     answer every request MS milliseconds late (0..60000),
                       serving requests one after another as slow firmware and
                       busy converters do: a request that comes while an
                       earlier reply is still owed waits for it, and its reply
                       goes out MS after that one has gone. No request goes
                       unheard as busy (up to 1024 waiting) and the replies
                       keep their order. The sim goes on reading requests
                       meanwhile. On serial lines and TCP alike. With --pace
                       the turnaround comes after the delay and the reply goes
                       out at the baud rate; slow and split add their delays
                       to it; a request that gets no reply (silent, another
                       address, a bad CRC) takes no turn; echo comes back at
                       once, as the adapter's and not the instrument's

TCP:
  --tcp-listen HOST:PORT
                       serve on TCP instead of a serial line; HOST is a name or
                       a numeric address ([::1] for IPv6), PORT 0 picks a free
                       port (the first line of output tells which). One client
                       at a time; when it goes, the next is taken
  --tcp-mode MODE      rtu (default): RTU frames with their CRC, as a
                       transparent RS-485 to Ethernet converter carries them;
                       every fault and line effect applies.
                       mbap: Modbus TCP as from a gateway: MBAP header, the
                       unit id is the bus address, no CRC; replies carry the
                       request's transaction id and unit id. badcrc, echo and
                       zero have no meaning there and are refused; wrongaddr
                       answers with another unit id. A request for a unit id
                       not on the line, or for 0, gets no answer

Instrument:
  --weight N           hold the gross weight fixed at N counts (may be
                       negative), for every instrument; without it the scale
                       is used: a load is put on, the reading swings past it
                       and settles within 1.5 s, stays 8-20 s with a noise of
                       +-2 counts, the load is taken off and the reading
                       settles back near zero, where it stays empty for 3-10 s
                       (now and then drifting a little below zero) until the
                       next load
  --regs FILE          override registers; one register per line:
                           ADDR VALUE       VALUE 0..65535 or -32768..-1
                           ADDR:32 VALUE    high word at ADDR, low word at
                                            ADDR+1; VALUE a 32-bit number
                       ADDR and VALUE are decimal or 0x-prefixed hex; '#' starts
                       a comment. Overridden registers keep their value; if a
                       weight register (0x0100/0x0101) is given the weight is
                       held fixed. The overrides apply to every instrument
  --regs-for ADDR FILE override registers of the instrument at ADDR alone (one
                       of --addr), in the format of --regs and on top of it:
                       a bus with one instrument set differently. May be
                       given once per address

)" + scaleHelpText() + R"(
Register map (holding registers, read with function 03; 32-bit values are two
registers, high word first):
  0x0010-0x001D  alarm settings, seven 32-bit values
  0x0020-0x002F  function settings 1, eight 32-bit values; 0x0024/0x0025 is the
                 decimal point position (default 2)
  0x0034-0x003A  function settings 2, seven 16-bit values
  0x0040-0x004C  communication: 0x0040 slave address, 0x0041 baud code
                 (0=1200 .. 3=9600 .. 7=115200), 0x0042-0x0046 line settings,
                 0x0047-0x004C local date and time (year, month, day, hour,
                 minute, second)
  0x0100-0x0101  gross weight, 32-bit two's complement
  Every other register up to 0x01FF reads as 0; beyond it the reply is
  exception 02 (illegal data address). Other functions get exception 01.

Faults:
  --fault LIST         put faults on the replies; LIST is KIND[:PERCENT],...
                       e.g. silent:10,badcrc:5. A KIND without a percentage
                       applies to every request. Reply faults: their
                       percentages add up to at most 100 and one draw per
                       request picks at most one of them:
                         silent         no reply
                         badcrc         CRC bytes altered
                         exception[=NN] exception reply with code NN
                                        (default 02; decimal or 0x hex; 0x0A
                                        and 0x0B are a gateway's path
                                        unavailable and no answer from the
                                        target)
                         wrongaddr      reply from another address, valid CRC
                         truncate       only the first half of the reply
                         junk           2-4 random bytes of noise before the
                                        reply (never the own address)
                         slow           reply 1.2 s late
                         split          reply in 2-4 pieces, 30-80 ms apart
                       Line effects: each has a draw of its own per request
                       and its percentage does not count towards the 100, so
                       it comes on top of any reply fault:
                         echo           the request comes back to the master
                                        byte for byte as soon as it is in, as
                                        from a 2-wire RS-485 adapter without
                                        echo suppression; for every request on
                                        the line, answered or not
                         zero           one 0x00 byte just before the reply
                                        (the line turning around); only when
                                        there is a reply
                       e.g. echo,zero:50,badcrc:10,junk:10
  --seed N             seed of the random draws (faults, line effects, junk,
                       split, weight movement), for repeatable runs

Running:
  --log FILE           write one line per request and per reply, e.g.
                         12:34:56.789 rx 01 03 01 00 00 02 c5 f7
                         12:34:56.790 tx 01 03 04 00 00 04 d2 78 ae fault=none
                       A request that gets no answer ends with
                       ignored=REASON (other-address, broadcast, bad-crc,
                       incomplete, busy, invalid, wrong-baud, not-ascii,
                       bad-lrc); a silent fault
                       is logged as "tx fault=silent". A request that was
                       echoed ends with " echo", a reply with a leading 0x00
                       (which is among its bytes) with " zero":
                         12:34:56.789 rx 01 03 01 00 00 02 c5 f7 echo
                         12:34:56.790 tx 00 01 83 02 c0 f1 fault=exception zero
                       On TCP the bytes are the frames as they went over the
                       connection, with their MBAP header in mbap mode.
  --max-seconds N      stop after N seconds
  -h, --help           show this help and exit
  --version            show the version and exit

Exit status: 0 when stopped, 1 on a runtime failure, 2 on a bad option, value
or registers file, or a device or address that cannot be served.
)";
}

} // namespace scalecheck::sim
