// SPDX-License-Identifier: MIT
// Command line of scalecheck-sim: the options, their parsing and the --help text.
#pragma once

#include "faults.h"
#include "scalemodel.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scalecheck::sim {

// What goes over a TCP connection: the RTU frames of the line as they are (a transparent serial
// to Ethernet converter), or Modbus TCP with its MBAP header and no CRC (a gateway).
enum class TcpMode { Rtu, Mbap };

// How requests and replies are framed on the serial line: binary with a CRC (Modbus RTU), or
// Modbus ASCII (':', hex digits, LRC, CR LF). A transparent converter carries either as it is.
enum class Framing { Rtu, Ascii };

// Where --tcp-listen listens: a host name or numeric address (IPv6 without its brackets) and a
// port, 0 for any free one.
struct TcpEndpoint
{
    std::string host;
    int port = 0;
};

struct SimOptions
{
    std::string device;   // --device: serve this existing serial device instead of a new pty
    std::string link;     // --link: symlink to the served device, removed on exit
    std::string logPath;  // --log
    std::string regsPath; // --regs
    // --regs-for ADDR FILE: overrides of one instrument of the line, on top of --regs; each
    // address of --addr at most once.
    std::vector<std::pair<int, std::string>> regsFor;
    std::vector<int> addresses{1}; // --addr: one instrument on the line per address, 1..247
    int baud = 9600;               // --baud
    bool baudGiven = false;        // then a master at another rate goes unheard where we can tell
    std::optional<TcpEndpoint> tcpListen; // --tcp-listen: serve on TCP instead of a pty
    TcpMode tcpMode = TcpMode::Rtu;       // --tcp-mode
    bool tcpModeGiven = false;
    Framing framing = Framing::Rtu;          // --framing
    bool pace = false;                       // --pace
    std::chrono::milliseconds turnaround{5}; // --turnaround, used with --pace
    bool turnaroundGiven = false;
    // --reply-delay: every reply this much late, requests served one after another.
    std::optional<std::chrono::milliseconds> replyDelay;
    std::vector<FaultRule> faults;                    // --fault (may be repeated)
    std::optional<std::uint32_t> seed;                // --seed
    std::optional<std::chrono::milliseconds> maxTime; // --max-seconds
    std::optional<std::int32_t> weight;               // --weight
    bool help = false;
    bool version = false;

    // For a line diagnosis: the stop bits the instrument hears (--stop-bits; given, a master
    // with others goes unheard where we can tell, as with --baud), and an indicator in
    // continuous output sending text lines instead of answering (--text-output).
    int stopBits = 2;
    bool stopBitsGiven = false;
    bool textOutput = false;

    // A scale under test: loads told while it runs, its error and settling (--control ...).
    ScaleOptions scale;
};

// How many words follow an option's name: none (a switch), its value (also after '=', as in
// --baud=19200), or two (--regs-for ADDR FILE, never with '=').
enum class Takes { Nothing, Value, TwoValues };

// The groups of --help, in the order it shows them.
enum class HelpGroup { Line, Tcp, Instrument, Scale, Faults, Running };

// An option as it stands on the command line: the name it was given by and its values (none for
// a switch).
struct GivenOption
{
    std::string name;
    std::vector<std::string> values;

    const std::string &value() const { return values.front(); }
};

// One option of the command line. The list of them is the only place an option is named:
// parseOptions() takes what it lists and refuses the rest, and helpText() shows each.
struct OptionSpec
{
    std::string_view name;  // "--device"
    std::string_view alias; // a short name ("-h"), or empty
    Takes takes = Takes::Nothing;
    std::string_view values; // what --help writes after the name: "PATH", "ADDR FILE"
    HelpGroup group = HelpGroup::Running;
    // Its --help lines, '\n' between them: the first beside the name, the others under it.
    std::string_view help;
    // Takes the option into options; false with the reason in error when a value will not do.
    bool (*apply)(SimOptions &options, const GivenOption &given, std::string &error) = nullptr;
    // What "NAME needs ..." says is missing when the values are not there; empty: "a value".
    std::string_view missing;
};

// Every option scalecheck-sim knows, in the order --help shows them.
const std::vector<OptionSpec> &optionList();

// Parses the arguments after the program name, by optionList(): an option is named in full
// (no abbreviation) or by its alias, and one with a value takes the next argument or what
// follows '='. Options that do not go together (--tcp-listen with --device, faults Modbus TCP
// has no room for, ...) are errors too. On error returns nothing and puts a one-line reason into
// error.
std::optional<SimOptions> parseOptions(const std::vector<std::string> &args, std::string &error);

// The code the instrument reports for a baud rate in its communication settings (9600 -> 3),
// or -1 for a rate the instrument does not support.
int baudCode(int baud);

// "tcp" or "mbtcp": the scheme of the address printed for a TCP listener.
std::string_view tcpScheme(TcpMode mode);

// Text printed by --help: what the simulator is, each option of optionList() in its group,
// the register map and the exit status.
std::string helpText();

} // namespace scalecheck::sim
