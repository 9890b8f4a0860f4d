// SPDX-License-Identifier: MIT
// The instrument at work: requests off the line, libmodbus answers, faults on, paced replies out.
#pragma once

#include "faults.h"
#include "link.h"
#include "loadcontrol.h"
#include "modbusslave.h"
#include "registermap.h"
#include "replytiming.h"
#include "rtu.h"
#include "scalemodel.h"
#include "simoptions.h"
#include "trafficlog.h"
#include "weightmodel.h"

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace scalecheck::sim {

class LineWait;
class SerialLine;
class TcpListener;

class SimServer
{
public:
    // One instrument per address of --addr, each with the overrides of --regs on top of its
    // factory settings, and its own of --regs-for (by address) on top of those.
    SimServer(const SimOptions &options, const std::vector<RegisterOverride> &overrides,
              TrafficLog &log,
              const std::map<int, std::vector<RegisterOverride>> &overridesFor = {});
    ~SimServer();
    SimServer(const SimServer &) = delete;
    SimServer &operator=(const SimServer &) = delete;

    // Sets up libmodbus, which builds the replies (see ModbusSlave).
    bool init(std::string &error);

    // Serve a serial line, or TCP clients one after the other, until wait tells of a stop or
    // --max-seconds has passed. Return false with a reason when the line fails.
    bool serve(SerialLine &line, LineWait &wait, std::string &error);
    bool serve(TcpListener &listener, LineWait &wait, std::string &error);

private:
    using Clock = SimClock;

    struct Instrument
    {
        Instrument(int address, int baudCode, std::uint32_t seed);

        int address;
        RegisterMap registers;
        WeightModel weight;
    };

    struct ScheduledByte
    {
        Clock::time_point due;
        std::uint8_t byte;
    };

    // A reply owed, as the faults shaped it, for a request that was in at received.
    struct WaitingReply
    {
        Transmission transmission;
        FaultKind fault = FaultKind::None;
        bool zero = false;
        Clock::time_point received;
    };

    enum class ReadOutcome { Read, Closed, Failed };

    bool run(LineWait &wait, std::string &error);
    ReadOutcome readLine(Clock::time_point now, std::string &error);
    void takeFrames(Clock::time_point now);
    void handleFrame(const Bytes &frame, Clock::time_point end, bool complete);
    std::optional<Bytes> answer(const Bytes &frame, Instrument *&instrument,
                                std::string &ignoredReason);
    Instrument *instrumentAt(int address);
    void refreshRegisters(Instrument &instrument);
    // Puts a reply in line behind those still owed.
    void schedule(Transmission transmission, FaultKind fault, bool zero, Clock::time_point end);
    // Takes the next reply owed onto the line (false: none is owed).
    bool startNextReply(Clock::time_point now);
    void sendDue(Clock::time_point now);
    void writeLine(const Bytes &bytes);
    // With --text-output: the next text line once it is due.
    void sendTextLine(Clock::time_point now);
    void acceptClient();
    void dropClient();

    const SimOptions &m_options;
    TrafficLog &m_log;
    std::vector<Instrument> m_instruments;
    // A scale under test (--control, --load) instead of the scale in use, and where it is told
    // its loads.
    std::optional<ScaleModel> m_scale;
    std::optional<LoadControl> m_control;

    // The line: a serial line, or the TCP client being served (none while there is none).
    const SerialLine *m_serial = nullptr;
    TcpListener *m_listener = nullptr;
    std::unique_ptr<Link> m_client;
    Link *m_line = nullptr;
    bool m_mbap = false; // frames with an MBAP header instead of the RTU CRC
    bool m_pace = false;
    bool m_clientGone = false;

    ModbusSlave m_slave;

    std::mt19937 m_faultRng;
    std::mt19937 m_lineRng; // the line effects, so they leave the faults' sequence as it was
    const FaultRule *m_echo = nullptr;
    const FaultRule *m_zero = nullptr;
    Clock::time_point m_start;
    bool m_ascii = false; // Modbus ASCII frames instead of RTU ones
    Clock::duration m_charTime;
    Clock::duration m_frameGap;

    Bytes m_rx; // request bytes not yet taken as a frame
    Clock::time_point m_lastRx;
    // With --pace: the time up to which the wire has delivered what we have read, and whether
    // it has gone quiet (then the next character starts arriving when bytes show up).
    Clock::time_point m_wireAt;
    bool m_wireIdle = true;

    std::deque<WaitingReply> m_waiting; // replies owed behind the one on its way out
    Clock::time_point m_lastReplySent{};
    std::deque<ScheduledByte> m_tx; // the reply on its way out
    Bytes m_txBytes;
    FaultKind m_txFault = FaultKind::None;
    bool m_txZero = false;
    bool m_overflowReported = false;

    // With --text-output: a line every so often, as an indicator in continuous output sends.
    static constexpr std::chrono::milliseconds kTextLineInterval{100};
    Clock::time_point m_nextTextLine{};
};

} // namespace scalecheck::sim
