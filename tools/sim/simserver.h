// SPDX-License-Identifier: MIT
// The instrument at work: requests off the line, libmodbus answers, faults on, paced replies out.
#pragma once

#include "faults.h"
#include "registermap.h"
#include "rtu.h"
#include "simoptions.h"
#include "trafficlog.h"
#include "weightmodel.h"

#include <chrono>
#include <deque>
#include <optional>
#include <random>
#include <string>

typedef struct _modbus modbus_t;
typedef struct _modbus_mapping_t modbus_mapping_t;

namespace scalecheck::sim {

class SimServer
{
public:
    SimServer(const SimOptions &options, int lineFd, RegisterMap &registers, TrafficLog &log);
    ~SimServer();
    SimServer(const SimServer &) = delete;
    SimServer &operator=(const SimServer &) = delete;

    // Sets up libmodbus: a slave context that talks through a socket pair instead of the line,
    // and the register mapping it answers from.
    bool init(std::string &error);

    // Serves until stopFd (a signalfd for the stop signals) becomes readable or --max-seconds
    // has passed. Returns false with a reason when the line fails.
    bool run(int stopFd, std::string &error);

private:
    using Clock = std::chrono::steady_clock;

    struct ScheduledByte
    {
        Clock::time_point due;
        std::uint8_t byte;
    };

    bool readLine(Clock::time_point now, std::string &error);
    void takeFrames(Clock::time_point now);
    void handleFrame(const Bytes &frame, Clock::time_point end, bool complete);
    std::optional<Bytes> answer(const Bytes &frame, std::string &ignoredReason);
    void refreshRegisters();
    void schedule(const Transmission &transmission, FaultKind fault, Clock::time_point end);
    void sendDue(Clock::time_point now);
    void writeLine(const Bytes &bytes);

    const SimOptions &m_options;
    const int m_line;
    RegisterMap &m_registers;
    TrafficLog &m_log;

    modbus_t *m_modbus = nullptr;
    modbus_mapping_t *m_mapping = nullptr;
    int m_modbusFd = -1; // libmodbus's end of the socket pair
    int m_peerFd = -1;   // ours: requests go in, the replies libmodbus builds come out

    std::mt19937 m_faultRng;
    WeightModel m_weight;
    Clock::time_point m_start;
    Clock::duration m_charTime;
    Clock::duration m_frameGap;

    Bytes m_rx; // request bytes not yet taken as a frame
    Clock::time_point m_lastRx;
    // With --pace: the time up to which the wire has delivered what we have read, and whether
    // it has gone quiet (then the next character starts arriving when bytes show up).
    Clock::time_point m_wireAt;
    bool m_wireIdle = true;

    std::deque<ScheduledByte> m_tx; // the reply on its way out
    Bytes m_txBytes;
    FaultKind m_txFault = FaultKind::None;
    bool m_overflowReported = false;
};

} // namespace scalecheck::sim
