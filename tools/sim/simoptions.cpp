// SPDX-License-Identifier: MIT
// Command line of scalecheck-sim: the options, their parsing and the --help text, all from one
// list of options.
#include "simoptions.h"

#include "parsenumber.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace scalecheck::sim {
namespace {

using std::chrono::milliseconds;

// Baud rates the instrument offers, in the order of its baud code.
constexpr std::array<int, 8> kBaudRates{1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

constexpr std::int64_t kMaxTurnaroundMs = 10000;
constexpr std::int64_t kMaxReplyDelayMs = 60000;
constexpr std::int64_t kMaxSettleMs = 600000;
constexpr double kMaxSeconds = 1e7;
constexpr std::int64_t kMinInt32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMaxInt32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMaxUint32 = std::numeric_limits<std::uint32_t>::max();

// Where --help writes an option's text: two spaces, the option and its values, and at least one
// space; an option too long for that has its text start on the next line.
constexpr std::size_t kHelpColumn = 23;

// A whole number in low..high, or nothing and the reason in error; expected says what would do,
// by default the range.
std::optional<std::int64_t> integerIn(const std::string &name, const std::string &value,
                                      std::int64_t low, std::int64_t high, std::string &error,
                                      const std::string &expected = {})
{
    const auto number = parseInteger(value);
    if (!number || *number < low || *number > high) {
        error = "bad value '" + value + "' for " + name + " (expected " +
                (expected.empty() ? std::to_string(low) + ".." + std::to_string(high) : expected) +
                ")";
        return std::nullopt;
    }
    return number;
}

// Sets target, as a Value, to a whole number in low..high.
template <typename Value, typename Target>
bool setInteger(Target &target, const GivenOption &given, std::int64_t low, std::int64_t high,
                std::string &error, const std::string &expected = {})
{
    const auto number = integerIn(given.name, given.value(), low, high, error, expected);
    if (number) {
        target = Value(*number);
    }
    return number.has_value();
}

// One of the words an option offers, each standing for a value.
template <typename Value>
bool choose(const GivenOption &given,
            std::initializer_list<std::pair<std::string_view, Value>> choices, Value &target,
            std::string &error)
{
    std::string words;
    for (const auto &[word, value] : choices) {
        if (given.value() == word) {
            target = value;
            return true;
        }
        words += (words.empty() ? "" : " or ") + std::string(word);
    }
    error = "bad value '" + given.value() + "' for " + given.name + " (expected " + words + ")";
    return false;
}

// A file or device named on the command line; it cannot be empty.
template <std::string SimOptions::*path>
bool setPath(SimOptions &options, const GivenOption &given, std::string &error)
{
    if (given.value().empty()) {
        error = given.name + " needs a path";
        return false;
    }
    options.*path = given.value();
    return true;
}

// A switch: it sets its flag.
template <bool SimOptions::*flag>
bool setSwitch(SimOptions &options, const GivenOption &, std::string &)
{
    options.*flag = true;
    return true;
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

bool setAddresses(SimOptions &options, const GivenOption &given, std::string &error)
{
    const auto addresses = addressList(given.value(), error);
    if (addresses) {
        options.addresses = *addresses;
    }
    return addresses.has_value();
}

bool setBaud(SimOptions &options, const GivenOption &given, std::string &error)
{
    const auto n = parseInteger(given.value());
    if (!n || *n > std::numeric_limits<int>::max() || baudCode(static_cast<int>(*n)) < 0) {
        error = "bad value '" + given.value() +
                "' for --baud (expected 1200, 2400, 4800, 9600, 19200, 38400, 57600 or "
                "115200)";
        return false;
    }
    options.baud = static_cast<int>(*n);
    options.baudGiven = true;
    return true;
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

bool setEndpoint(SimOptions &options, const GivenOption &given, std::string &error)
{
    const auto where = endpoint(given.value(), error);
    if (where) {
        options.tcpListen = where;
    }
    return where.has_value();
}

// The instrument's address and its registers file.
bool addRegsFor(SimOptions &options, const GivenOption &given, std::string &error)
{
    const auto address = integerIn(given.name, given.values[0], 1, 247, error);
    if (!address) {
        return false;
    }
    if (given.values[1].empty()) {
        error = given.name + " needs a path";
        return false;
    }
    options.regsFor.emplace_back(static_cast<int>(*address), given.values[1]);
    return true;
}

bool setControl(SimOptions &options, const GivenOption &given, std::string &error)
{
    if (given.value().empty()) {
        error = "bad value '' for " + given.name + " (expected a file, or - for standard input)";
        return false;
    }
    options.scale.controlPath = given.value();
    return true;
}

// Each --fault adds its rules; the shares are checked over all of them.
bool addFaults(SimOptions &options, const GivenOption &given, std::string &error)
{
    const auto rules = parseFaultList(given.value(), error);
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

bool setMaxTime(SimOptions &options, const GivenOption &given, std::string &error)
{
    const auto seconds = parseDecimal(given.value());
    if (!seconds || *seconds <= 0 || *seconds > kMaxSeconds) {
        error = "bad value '" + given.value() +
                "' for --max-seconds (expected a number of seconds > 0)";
        return false;
    }
    options.maxTime = milliseconds{std::llround(*seconds * 1000.0)};
    return true;
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

const OptionSpec *findOption(const std::string &word, bool byAlias)
{
    for (const OptionSpec &option : optionList()) {
        if (!word.empty() && word == (byAlias ? option.alias : option.name)) {
            return &option;
        }
    }
    return nullptr;
}

// "--regs-for ADDR FILE", "-h, --help": the option as --help shows it.
std::string synopsis(const OptionSpec &option)
{
    std::string text = option.alias.empty() ? "" : std::string(option.alias) + ", ";
    text += option.name;
    if (!option.values.empty()) {
        text += " " + std::string(option.values);
    }
    return text;
}

// How many arguments after an option's name are its values.
std::size_t valueCount(Takes takes)
{
    switch (takes) {
    case Takes::Nothing:
        return 0;
    case Takes::Value:
        return 1;
    case Takes::TwoValues:
        return 2;
    }
    return 0;
}

struct TakenOption
{
    const OptionSpec *spec = nullptr;
    GivenOption given;
};

// The option at args[i] with its values; i is left at its last value.
std::optional<TakenOption> takeOption(const std::vector<std::string> &args, std::size_t &i,
                                      std::string &error)
{
    const std::string &arg = args[i];
    const bool named = arg.rfind("--", 0) == 0;
    const std::size_t equals = named ? arg.find('=') : std::string::npos;
    TakenOption taken{nullptr, {arg.substr(0, equals), {}}};
    const std::string &name = taken.given.name;
    taken.spec = findOption(name, !named);
    if (!taken.spec) {
        error = named ? "unknown option '" + name + "'" : "unexpected argument '" + arg + "'";
        return std::nullopt;
    }
    const OptionSpec &spec = *taken.spec;
    if (equals != std::string::npos) {
        if (spec.takes != Takes::Value) {
            error = spec.takes == Takes::Nothing ? name + " takes no value"
                                                 : name + " takes two values: " + synopsis(spec);
            return std::nullopt;
        }
        taken.given.values.push_back(arg.substr(equals + 1));
        return taken;
    }
    const std::size_t count = valueCount(spec.takes);
    if (args.size() - i - 1 < count) {
        error =
            name + " needs " +
            (spec.missing.empty() ? "a value" : std::string(spec.missing) + ": " + synopsis(spec));
        return std::nullopt;
    }
    taken.given.values.assign(args.begin() + std::ptrdiff_t(i + 1),
                              args.begin() + std::ptrdiff_t(i + 1 + count));
    i += count;
    return taken;
}

// One option of --help: its synopsis, then its text at kHelpColumn.
std::string helpEntry(const OptionSpec &option)
{
    const std::string indent(kHelpColumn, ' ');
    std::string text = "  " + synopsis(option);
    text += text.size() < kHelpColumn ? std::string(kHelpColumn - text.size(), ' ') : "\n" + indent;
    for (const char c : option.help) {
        text += c;
        if (c == '\n') {
            text += indent;
        }
    }
    return text + "\n";
}

std::string helpGroup(HelpGroup group, std::string_view heading)
{
    std::string text = "\n" + std::string(heading) + ":\n";
    for (const OptionSpec &option : optionList()) {
        if (option.group == group) {
            text += helpEntry(option);
        }
    }
    return text;
}

constexpr std::string_view kUsage = R"(Usage: scalecheck-sim [OPTION]...
Simulated digital weighing indicator: a Modbus RTU slave answering function 03
(read holding registers) on a pseudo-terminal, on a serial device or on TCP.

It opens a pseudo-terminal pair and prints the device path to open (for example
/dev/pts/5) as the first line of its output, then serves until it is stopped
with SIGTERM or SIGINT (exit status 0). With --tcp-listen the first line is the
address to connect to instead: tcp://HOST:PORT or mbtcp://HOST:PORT.
Windows has no pseudo-terminals: there it serves a COM port (--device COM5, one
end of a null-modem pair such as com0com's for a master on the same machine)
or TCP, and stops on Ctrl+C, Ctrl+Break, its console closing, or WM_CLOSE posted
to its main thread (QProcess::terminate(), taskkill without /F).)";

constexpr std::string_view kRegisterMap =
    R"(Register map (holding registers, read with function 03; 32-bit values are two
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
  exception 02 (illegal data address). Other functions get exception 01.)";

constexpr std::string_view kExitStatus =
    R"(Exit status: 0 when stopped, 1 on a runtime failure, 2 on a bad option, value
or registers file, or a device or address that cannot be served.)";

} // namespace

const std::vector<OptionSpec> &optionList()
{
    static const std::vector<OptionSpec> kOptions{
        {"--device", "", Takes::Value, "PATH", HelpGroup::Line,
         "serve this existing serial device instead of a new\n"
         "pseudo-terminal (its path is printed instead); on\n"
         "Windows a COM port: COM5",
         setPath<&SimOptions::device>},
        {"--link", "", Takes::Value, "PATH", HelpGroup::Line,
         "also make the symlink PATH pointing to the served device\n"
         "(an existing symlink is replaced; removed on exit)",
         setPath<&SimOptions::link>},
        {"--addr", "", Takes::Value, "N[,N]...", HelpGroup::Line,
         "slave address, 1..247 (default 1); with a list, one\n"
         "instrument per address shares the line, each with its\n"
         "own moving weight and its own address in register\n"
         "0x0040. Requests to other addresses and broadcasts\n"
         "(address 0) get no answer",
         setAddresses},
        {"--baud", "", Takes::Value, "N", HelpGroup::Line,
         "1200, 2400, 4800, 9600 (default), 19200, 38400, 57600 or\n"
         "115200; always 8 data bits, no parity, 2 stop bits. Sets\n"
         "the pacing and the baud code register. Given explicitly,\n"
         "it is also the only rate the instrument hears: on its\n"
         "own pseudo-terminal a master set to another rate gets\n"
         "no answer (logged ignored=wrong-baud). On --device and\n"
         "on TCP the master's rate cannot be seen: all are heard",
         setBaud},
        {"--stop-bits", "", Takes::Value, "1|2", HelpGroup::Line,
         "the stop bits the instrument uses (default 2). Given\n"
         "explicitly, a master on its own pseudo-terminal set to\n"
         "other stop bits gets no answer (logged\n"
         "ignored=wrong-stop-bits), as with --baud. A\n"
         "pseudo-terminal keeps no parity: parity cannot be told",
         [](SimOptions &o, const GivenOption &g, std::string &error) {
             o.stopBitsGiven = true;
             return choose(g, {{"1", 1}, {"2", 2}}, o.stopBits, error);
         }},
        {"--framing", "", Takes::Value, "rtu|ascii", HelpGroup::Line,
         "how frames stand on the line (default rtu). ascii: Modbus\n"
         "ASCII, ':' then address, function and data in hex digits,\n"
         "the LRC (two's complement of their byte sum) and CR LF,\n"
         "for requests and replies alike; functions and registers\n"
         "as in RTU. Only such frames are heard: RTU frames and\n"
         "other bytes are ignored (logged ignored=not-ascii), a\n"
         "frame with a wrong LRC gets no answer (ignored=bad-lrc),\n"
         "badcrc spoils the LRC. Modbus ASCII lines run at 7E1 or\n"
         "7N2: a pseudo-terminal keeps no parity and 7 or 8 data\n"
         "bits come through alike, so any setting is heard. Also\n"
         "over --tcp-listen in rtu mode (a transparent converter);\n"
         "not with --tcp-mode mbap",
         [](SimOptions &o, const GivenOption &g, std::string &error) {
             return choose(g, {{"rtu", Framing::Rtu}, {"ascii", Framing::Ascii}}, o.framing, error);
         }},
        {"--text-output", "", Takes::Nothing, "", HelpGroup::Line,
         "an indicator in continuous output: it sends a text line\n"
         "such as ST,GS,+0012.34kg (the weight with 2 decimals)\n"
         "every 100 ms and answers no request (logged\n"
         "ignored=text-output)",
         setSwitch<&SimOptions::textOutput>},
        {"--pace", "", Takes::Nothing, "", HelpGroup::Line,
         "behave like the wire: take requests in no faster than the\n"
         "baud rate allows and send replies at 11 bits per\n"
         "character (10 with --framing ascii) after the\n"
         "turnaround; without it the simulator answers as fast\n"
         "as it can. Serial lines only: ignored with --tcp-listen",
         setSwitch<&SimOptions::pace>},
        {"--turnaround", "", Takes::Value, "MS", HelpGroup::Line,
         "pause between request and reply with --pace, in\n"
         "milliseconds (default 5)",
         [](SimOptions &o, const GivenOption &g, std::string &error) {
             o.turnaroundGiven = true;
             return setInteger<milliseconds>(o.turnaround, g, 0, kMaxTurnaroundMs, error);
         }},
        {"--reply-delay", "", Takes::Value, "MS", HelpGroup::Line,
         "answer every request MS milliseconds late (0..60000),\n"
         "serving requests one after another as slow firmware and\n"
         "busy converters do: a request that comes while an\n"
         "earlier reply is still owed waits for it, and its reply\n"
         "goes out MS after that one has gone. No request goes\n"
         "unheard as busy (up to 1024 waiting) and the replies\n"
         "keep their order. The sim goes on reading requests\n"
         "meanwhile. On serial lines and TCP alike. With --pace\n"
         "the turnaround comes after the delay and the reply goes\n"
         "out at the baud rate; slow and split add their delays\n"
         "to it; a request that gets no reply (silent, another\n"
         "address, a bad CRC) takes no turn; echo comes back at\n"
         "once, as the adapter's and not the instrument's",
         [](SimOptions &o, const GivenOption &g, std::string &error) {
             return setInteger<milliseconds>(o.replyDelay, g, 0, kMaxReplyDelayMs, error);
         }},
        {"--tcp-listen", "", Takes::Value, "HOST:PORT", HelpGroup::Tcp,
         "serve on TCP instead of a serial line; HOST is a name or\n"
         "a numeric address ([::1] for IPv6), PORT 0 picks a free\n"
         "port (the first line of output tells which). One client\n"
         "at a time; when it goes, the next is taken",
         setEndpoint},
        {"--tcp-mode", "", Takes::Value, "MODE", HelpGroup::Tcp,
         "rtu (default): RTU frames with their CRC, as a\n"
         "transparent RS-485 to Ethernet converter carries them;\n"
         "every fault and line effect applies.\n"
         "mbap: Modbus TCP as from a gateway: MBAP header, the\n"
         "unit id is the bus address, no CRC; replies carry the\n"
         "request's transaction id and unit id. badcrc, echo and\n"
         "zero have no meaning there and are refused; wrongaddr\n"
         "answers with another unit id. A request for a unit id\n"
         "not on the line, or for 0, gets no answer",
         [](SimOptions &o, const GivenOption &g, std::string &error) {
             o.tcpModeGiven = true;
             return choose(g, {{"rtu", TcpMode::Rtu}, {"mbap", TcpMode::Mbap}}, o.tcpMode, error);
         }},
        {"--weight", "", Takes::Value, "N", HelpGroup::Instrument,
         "hold the gross weight fixed at N counts (may be\n"
         "negative), for every instrument; without it the scale\n"
         "is used: a load is put on, the reading swings past it\n"
         "and settles within 1.5 s, stays 8-20 s with a noise of\n"
         "+-2 counts, the load is taken off and the reading\n"
         "settles back near zero, where it stays empty for 3-10 s\n"
         "(now and then drifting a little below zero) until the\n"
         "next load",
         [](SimOptions &o, const GivenOption &g, std::string &error) {
             return setInteger<std::int32_t>(o.weight, g, kMinInt32, kMaxInt32, error);
         }},
        {"--regs", "", Takes::Value, "FILE", HelpGroup::Instrument,
         "override registers; one register per line:\n"
         "    ADDR VALUE       VALUE 0..65535 or -32768..-1\n"
         "    ADDR:32 VALUE    high word at ADDR, low word at\n"
         "                     ADDR+1; VALUE a 32-bit number\n"
         "ADDR and VALUE are decimal or 0x-prefixed hex; '#' starts\n"
         "a comment. Overridden registers keep their value; if a\n"
         "weight register (0x0100/0x0101) is given the weight is\n"
         "held fixed. The overrides apply to every instrument",
         setPath<&SimOptions::regsPath>},
        {"--regs-for", "", Takes::TwoValues, "ADDR FILE", HelpGroup::Instrument,
         "override registers of the instrument at ADDR alone (one\n"
         "of --addr), in the format of --regs and on top of it:\n"
         "a bus with one instrument set differently. May be\n"
         "given once per address",
         addRegsFor, "an address and a file"},
        {"--control", "", Takes::Value, "FILE", HelpGroup::Scale,
         "the load on the platform: each line of FILE a load in\n"
         "counts (the decimal point as in 0x0024), the last line\n"
         "the one on now; a line added (even the same load again)\n"
         "is the load put on afresh. \"-\" reads the lines from\n"
         "standard input instead",
         setControl},
        {"--load", "", Takes::Value, "N", HelpGroup::Scale,
         "the load on the platform at start (default 0)",
         [](SimOptions &o, const GivenOption &g, std::string &error) {
             return setInteger<std::int64_t>(o.scale.load, g, -kMaxCounts, kMaxCounts, error,
                                             "a load in counts");
         }},
        {"--e", "", Takes::Value, "N", HelpGroup::Scale,
         "the verification interval in counts (default 1)",
         [](SimOptions &o, const GivenOption &g, std::string &error) {
             return setInteger<std::int64_t>(o.scale.e, g, 1, kMaxCounts, error,
                                             "the verification interval in counts, 1 or more");
         }},
        {"--error", "", Takes::Value, "LIST", HelpGroup::Scale,
         "the instrument's error, LOAD:ERROR,... with LOAD in\n"
         "counts or in e (3000e) and ERROR in counts (+16): the\n"
         "error holds from its load up to the next point's load,\n"
         "below the first point there is none (stepwise, so that\n"
         "only the loads named are off)",
         [](SimOptions &o, const GivenOption &g, std::string &) {
             o.scale.errorText = g.value();
             return true;
         }},
        {"--settle", "", Takes::Value, "step|ringing", HelpGroup::Scale,
         "how the indication reaches a new load: at once (step,\n"
         "the default), or swinging about it and dying away\n"
         "within --settle-ms (ringing)",
         [](SimOptions &o, const GivenOption &g, std::string &error) {
             return choose(g, {{"step", Settling::Step}, {"ringing", Settling::Ringing}},
                           o.scale.settling, error);
         }},
        {"--settle-ms", "", Takes::Value, "N", HelpGroup::Scale,
         "the ringing's settle time (default 800)",
         [](SimOptions &o, const GivenOption &g, std::string &error) {
             return setInteger<milliseconds>(o.scale.settleTime, g, 0, kMaxSettleMs, error,
                                             "0.." + std::to_string(kMaxSettleMs) + " ms");
         }},
        {"--noise", "", Takes::Value, "N", HelpGroup::Scale,
         "a noise of +-N counts on every reading (default 0)",
         [](SimOptions &o, const GivenOption &g, std::string &error) {
             return setInteger<std::int64_t>(o.scale.noise, g, 0, kMaxCounts, error,
                                             "counts, 0 or more");
         }},
        {"--fault", "", Takes::Value, "LIST", HelpGroup::Faults,
         "put faults on the replies; LIST is KIND[:PERCENT],...\n"
         "e.g. silent:10,badcrc:5. A KIND without a percentage\n"
         "applies to every request. Reply faults: their\n"
         "percentages add up to at most 100 and one draw per\n"
         "request picks at most one of them:\n"
         "  silent         no reply\n"
         "  badcrc         CRC bytes altered\n"
         "  exception[=NN] exception reply with code NN\n"
         "                 (default 02; decimal or 0x hex; 0x0A\n"
         "                 and 0x0B are a gateway's path\n"
         "                 unavailable and no answer from the\n"
         "                 target)\n"
         "  wrongaddr      reply from another address, valid CRC\n"
         "  truncate       only the first half of the reply\n"
         "  junk           2-4 random bytes of noise before the\n"
         "                 reply (never the own address)\n"
         "  slow           reply 1.2 s late\n"
         "  split          reply in 2-4 pieces, 30-80 ms apart\n"
         "Line effects: each has a draw of its own per request\n"
         "and its percentage does not count towards the 100, so\n"
         "it comes on top of any reply fault:\n"
         "  echo           the request comes back to the master\n"
         "                 byte for byte as soon as it is in, as\n"
         "                 from a 2-wire RS-485 adapter without\n"
         "                 echo suppression; for every request on\n"
         "                 the line, answered or not\n"
         "  zero           one 0x00 byte just before the reply\n"
         "                 (the line turning around); only when\n"
         "                 there is a reply\n"
         "e.g. echo,zero:50,badcrc:10,junk:10",
         addFaults},
        {"--seed", "", Takes::Value, "N", HelpGroup::Faults,
         "seed of the random draws (faults, line effects, junk,\n"
         "split, weight movement), for repeatable runs",
         [](SimOptions &o, const GivenOption &g, std::string &error) {
             return setInteger<std::uint32_t>(o.seed, g, 0, kMaxUint32, error);
         }},
        {"--log", "", Takes::Value, "FILE", HelpGroup::Running,
         "write one line per request and per reply, e.g.\n"
         "  12:34:56.789 rx 01 03 01 00 00 02 c5 f7\n"
         "  12:34:56.790 tx 01 03 04 00 00 04 d2 78 ae fault=none\n"
         "A request that gets no answer ends with\n"
         "ignored=REASON (other-address, broadcast, bad-crc,\n"
         "incomplete, busy, invalid, wrong-baud, not-ascii,\n"
         "bad-lrc); a silent fault\n"
         "is logged as \"tx fault=silent\". A request that was\n"
         "echoed ends with \" echo\", a reply with a leading 0x00\n"
         "(which is among its bytes) with \" zero\":\n"
         "  12:34:56.789 rx 01 03 01 00 00 02 c5 f7 echo\n"
         "  12:34:56.790 tx 00 01 83 02 c0 f1 fault=exception zero\n"
         "On TCP the bytes are the frames as they went over the\n"
         "connection, with their MBAP header in mbap mode.",
         setPath<&SimOptions::logPath>},
        {"--max-seconds", "", Takes::Value, "N", HelpGroup::Running, "stop after N seconds",
         setMaxTime},
        {"--help", "-h", Takes::Nothing, "", HelpGroup::Running, "show this help and exit",
         setSwitch<&SimOptions::help>},
        {"--version", "", Takes::Nothing, "", HelpGroup::Running, "show the version and exit",
         setSwitch<&SimOptions::version>},
    };
    return kOptions;
}

std::optional<SimOptions> parseOptions(const std::vector<std::string> &args, std::string &error)
{
    SimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto taken = takeOption(args, i, error);
        if (!taken || !taken->spec->apply(options, taken->given, error)) {
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
    return std::string(kUsage) + "\n" + helpGroup(HelpGroup::Line, "Line") +
           helpGroup(HelpGroup::Tcp, "TCP") + helpGroup(HelpGroup::Instrument, "Instrument") +
           helpGroup(HelpGroup::Scale,
                     "Scale under test (a load told while it runs, for a verification)") +
           "\n" + std::string(kRegisterMap) + "\n" + helpGroup(HelpGroup::Faults, "Faults") +
           helpGroup(HelpGroup::Running, "Running") + "\n" + std::string(kExitStatus) + "\n";
}

} // namespace scalecheck::sim
