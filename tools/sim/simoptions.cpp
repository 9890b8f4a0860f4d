// SPDX-License-Identifier: MIT
// Command line of scalecheck-sim: the options, their parsing and the --help text.
#include "simoptions.h"

#include "parsenumber.h"

#include <array>
#include <cmath>
#include <limits>

namespace scalecheck::sim {
namespace {

// Baud rates the instrument offers, in the order of its baud code.
constexpr std::array<int, 8> kBaudRates{1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

constexpr std::int64_t kMaxTurnaroundMs = 10000;
constexpr double kMaxSeconds = 1e7;

bool takesValue(const std::string &name)
{
    static const std::array<const char *, 11> kWithValue{
        "--device",     "--link",  "--log",  "--regs",        "--addr",  "--baud",
        "--turnaround", "--fault", "--seed", "--max-seconds", "--weight"};
    for (const char *option : kWithValue) {
        if (name == option) {
            return true;
        }
    }
    return false;
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

bool applyValue(SimOptions &options, const std::string &name, const std::string &value,
                std::string &error)
{
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
        const auto n = integerIn(name, value, 1, 247, error);
        options.address = n ? static_cast<int>(*n) : options.address;
        return n.has_value();
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
    if (name == "--fault") {
        const auto rules = parseFaultList(value, error);
        if (!rules) {
            error = "--fault: " + error;
            return false;
        }
        options.faults.insert(options.faults.end(), rules->begin(), rules->end());
        if (totalPercent(options.faults) > 100.0 + 1e-9) {
            error = "--fault: the percentages of all --fault options add up to more than 100";
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
                error = name == "--pace" || name == "--help" || name == "--version"
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
    return options;
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
(read holding registers) on a pseudo-terminal or on a serial device.

It opens a pseudo-terminal pair and prints the device path to open (for example
/dev/pts/5) as the first line of its output, then serves until it is stopped
with SIGTERM or SIGINT (exit status 0).

Line:
  --device PATH        serve this existing serial device instead of a new
                       pseudo-terminal (its path is printed instead)
  --link PATH          also make the symlink PATH pointing to the served device
                       (an existing symlink is replaced; removed on exit)
  --addr N             slave address, 1..247 (default 1); requests to other
                       addresses and broadcasts (address 0) get no answer
  --baud N             1200, 2400, 4800, 9600 (default), 19200, 38400, 57600 or
                       115200; always 8 data bits, no parity, 2 stop bits
  --pace               behave like the wire: take requests in no faster than the
                       baud rate allows and send replies at 11 bits per
                       character after the turnaround; without it the
                       simulator answers as fast as it can
  --turnaround MS      pause between request and reply with --pace, in
                       milliseconds (default 5)

Instrument:
  --weight N           hold the gross weight fixed at N counts (may be
                       negative); without it the scale is used: a load is put on, the reading swings past it
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
                       held fixed.

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
                       applies to every request; the percentages add up to at
                       most 100 and one draw per request picks at most one
                       fault. Kinds:
                         silent         no reply
                         badcrc         CRC bytes altered
                         exception[=NN] exception reply with code NN
                                        (default 02; decimal or 0x hex)
                         wrongaddr      reply from another address, valid CRC
                         truncate       only the first half of the reply
                         junk           2-4 stray bytes before the reply
                         slow           reply 1.2 s late
                         split          reply in 2-4 pieces, 30-80 ms apart
  --seed N             seed of the random draws (fault choice, junk, split,
                       weight movement), for repeatable runs

Running:
  --log FILE           write one line per request and per reply, e.g.
                         12:34:56.789 rx 01 03 01 00 00 02 c5 f7
                         12:34:56.790 tx 01 03 04 00 00 04 d2 78 ae fault=none
                       A request that gets no answer ends with
                       ignored=REASON (other-address, broadcast, bad-crc,
                       incomplete, busy, invalid); a silent fault is logged as
                       "tx fault=silent".
  --max-seconds N      stop after N seconds
  -h, --help           show this help and exit
  --version            show the version and exit

Exit status: 0 when stopped, 1 on a runtime failure, 2 on a bad option, value
or registers file.
)";
}

} // namespace scalecheck::sim
