// SPDX-License-Identifier: MIT
// The instrument at work: requests off the line, libmodbus answers, faults on, paced replies out.
#include "simserver.h"

#include "ascii.h"
#include "clib.h"
#include "linewait.h"
#include "mbap.h"
#include "serialline.h"
#include "tcplistener.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <utility>

namespace scalecheck::sim {
namespace {

// One character on the line: start bit, 8 data bits, 2 stop bits; on a Modbus ASCII line start
// bit, 7 data bits, parity and a stop bit (7E1).
constexpr int kBitsPerChar = 11;
constexpr int kBitsPerAsciiChar = 10;

// Bytes that arrive without a complete request are dropped after this much silence (or 3.5
// characters, whichever is longer). Requests of known length are taken as soon as they are
// complete, so this only decides how long line noise lingers.
constexpr std::chrono::milliseconds kMinFrameGap{50};
// A Modbus ASCII frame may pause between its characters for up to a second (Modbus over Serial
// Line, version 1.02, section 2.5.2); bytes that have not made a frame by then are dropped.
constexpr std::chrono::milliseconds kAsciiCharTimeout{1000};

// Longest run of request bytes kept while waiting for a frame to complete.
constexpr std::size_t kMaxPending = 512;

// Most replies owed at once with --reply-delay; a master that floods a slow instrument beyond
// that goes unheard, as busy.
constexpr std::size_t kMaxWaiting = 1024;

// Longest wait in one turn when nothing is due.
constexpr std::chrono::milliseconds kIdleWake{1000};

// Each instrument's scale gets a seed of its own, taken from --seed and its address so that the
// same address moves the same way in every run, whatever else is on the line.
std::uint32_t weightSeed(const SimOptions &options, int address)
{
    if (!options.seed) {
        return std::random_device{}();
    }
    return *options.seed ^ 0x5CA1E5U ^ (static_cast<std::uint32_t>(address) * 0x9E3779B9U);
}

double percentDraw(std::mt19937 &rng)
{
    return std::uniform_real_distribution<double>(0.0, 100.0)(rng);
}

} // namespace

SimServer::Instrument::Instrument(int address, int baudCode, std::uint32_t seed)
    : address(address), registers(address, baudCode), weight(seed)
{
}

SimServer::SimServer(const SimOptions &options, const std::vector<RegisterOverride> &overrides,
                     TrafficLog &log,
                     const std::map<int, std::vector<RegisterOverride>> &overridesFor)
    : m_options(options), m_log(log), m_faultRng(options.seed.value_or(std::random_device{}())),
      m_lineRng(options.seed ? *options.seed ^ 0xEC40U : std::random_device{}()),
      m_echo(findLineEffect(options.faults, FaultKind::Echo)),
      m_zero(findLineEffect(options.faults, FaultKind::Zero)), m_start(Clock::now()),
      m_ascii(options.framing == Framing::Ascii),
      m_charTime(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
          static_cast<double>(m_ascii ? kBitsPerAsciiChar : kBitsPerChar) / options.baud))),
      m_frameGap(m_ascii ? Clock::duration(kAsciiCharTimeout)
                         : std::max<Clock::duration>(m_charTime * 7 / 2, kMinFrameGap))
{
    m_instruments.reserve(options.addresses.size());
    for (const int address : options.addresses) {
        m_instruments.emplace_back(address, baudCode(options.baud), weightSeed(options, address));
        std::vector<RegisterOverride> own = overrides;
        if (const auto it = overridesFor.find(address); it != overridesFor.end()) {
            own.insert(own.end(), it->second.begin(), it->second.end()); // later entries win
        }
        m_instruments.back().registers.setOverrides(own);
    }
    if (options.scale.active()) {
        m_scale.emplace(options.scale, weightSeed(options, options.addresses.front()));
        if (!options.scale.controlPath.empty())
            m_control.emplace(options.scale.controlPath);
    }
}

SimServer::~SimServer() = default;

bool SimServer::init(std::string &error)
{
    return m_slave.init(error);
}

bool SimServer::serve(SerialLine &line, LineWait &wait, std::string &error)
{
    m_serial = &line;
    m_line = &line;
    m_pace = m_options.pace;
    return run(wait, error);
}

bool SimServer::serve(TcpListener &listener, LineWait &wait, std::string &error)
{
    // Pacing stays with the serial line: over TCP bytes come as the network brings them.
    m_listener = &listener;
    m_mbap = m_options.tcpMode == TcpMode::Mbap;
    return run(wait, error);
}

bool SimServer::run(LineWait &wait, std::string &error)
{
    std::optional<Clock::time_point> deadline;
    if (m_options.maxTime) {
        deadline = m_start + *m_options.maxTime;
    }
    for (;;) {
        Clock::time_point now = Clock::now();
        if (deadline && now >= *deadline) {
            return true;
        }
        sendDue(now);
        // RTU frames end in silence, and ASCII frames that have not ended by then never will.
        // MBAP frames say how long they are, and over TCP a pause in the middle of one means
        // nothing.
        if (!m_mbap && !m_rx.empty() && now - m_lastRx >= m_frameGap) {
            handleFrame(m_rx, m_lastRx, false);
            m_rx.clear();
        }
        if (m_clientGone) {
            dropClient();
        }

        if (m_options.textOutput && m_line) {
            sendTextLine(now);
        }
        Clock::time_point wake = now + kIdleWake;
        if (m_options.textOutput) {
            wake = std::min(wake, m_nextTextLine);
        }
        if (deadline) {
            wake = std::min(wake, *deadline);
        }
        if (!m_tx.empty()) {
            wake = std::min(wake, m_tx.front().due);
        }
        if (!m_mbap && !m_rx.empty()) {
            wake = std::min(wake, m_lastRx + m_frameGap);
        }
        // With --pace, while a request is coming in, the next character can be taken once it has
        // had a character time to arrive.
        const bool mayRead = !m_pace || m_wireIdle || now >= m_wireAt + m_charTime;
        if (!mayRead) {
            wake = std::min(wake, m_wireAt + m_charTime);
        }
        // Whole milliseconds, rounded up, so we never wake before something is due.
        const auto waitMs = std::chrono::ceil<std::chrono::milliseconds>(
            std::max<Clock::duration>(wake - now, Clock::duration::zero()));

        // While no TCP client is connected, wait for the next one instead.
        Waitable line;
        Waitable knock;
        if (m_line) {
            line = m_line->input();
        } else if (m_listener) {
            knock = m_listener->knock();
        }
        LineWait::Woken woken;
        if (!wait.wait(m_line ? &line : nullptr, mayRead, m_line ? nullptr : &knock, waitMs, woken,
                       error)) {
            return false;
        }
        if (woken.stop) {
            return true; // SIGTERM, SIGINT, SIGHUP, or on Windows Ctrl+C or WM_CLOSE
        }
        now = Clock::now();
        if (woken.knock) {
            acceptClient();
            continue;
        }
        if (!m_line) {
            continue;
        }
        if (woken.line == LineWait::Line::Input) {
            const ReadOutcome outcome = readLine(now, error);
            if (outcome == ReadOutcome::Failed) {
                return false;
            }
            if (outcome == ReadOutcome::Closed) {
                dropClient();
            }
        } else if (woken.line == LineWait::Line::HungUp) {
            if (!m_listener) {
                error = "the line hung up";
                return false;
            }
            dropClient();
        } else if (mayRead) {
            m_wireIdle = true; // nothing more came: the sender has stopped for now
        }
    }
}

void SimServer::acceptClient()
{
    m_client = m_listener->accept();
    m_line = m_client.get();
    m_clientGone = false;
    m_wireIdle = true;
}

void SimServer::dropClient()
{
    if (!m_listener || !m_line) {
        return;
    }
    // What the client had begun to send is lost with it, and so is a reply still on its way.
    if (!m_rx.empty()) {
        m_log.request(m_rx, "incomplete");
        m_rx.clear();
    }
    m_tx.clear();
    m_waiting.clear();
    m_client.reset();
    m_line = nullptr;
    m_clientGone = false;
}

SimServer::ReadOutcome SimServer::readLine(Clock::time_point now, std::string &error)
{
    std::array<std::uint8_t, 256> buffer{};
    std::size_t want = buffer.size();
    if (m_pace) {
        // The wire delivers one character per character time. When bytes show up on an idle
        // line, their first character starts arriving now; take each only once it is complete.
        if (m_wireIdle) {
            m_wireIdle = false;
            m_wireAt = now;
            return ReadOutcome::Read;
        }
        const auto complete = static_cast<std::size_t>((now - m_wireAt) / m_charTime);
        want = std::min(want, complete);
        if (want == 0) {
            return ReadOutcome::Read;
        }
    }
    const Link::Io io = m_line->read(buffer.data(), want);
    if (io.status == Link::Status::Closed) {
        return ReadOutcome::Closed; // the client has closed, or the connection broke
    }
    if (io.status == Link::Status::Failed) {
        error = "reading the line failed: " + m_line->error();
        return ReadOutcome::Failed;
    }
    const std::size_t n = io.bytes;
    if (n == 0) {
        m_wireIdle = true; // nothing more has come
        return ReadOutcome::Read;
    }
    if (m_pace) {
        m_wireAt += m_charTime * n;
        // Fewer bytes than the wire could have brought: the sender has stopped for now.
        m_wireIdle = n < want;
    }
    m_rx.insert(m_rx.end(), buffer.begin(), buffer.begin() + std::ptrdiff_t(n));
    m_lastRx = now;
    takeFrames(now);
    return ReadOutcome::Read;
}

void SimServer::takeFrames(Clock::time_point now)
{
    while (m_line && !m_clientGone) {
        std::size_t length = 0;
        if (m_mbap) {
            const std::optional<MbapHeader> header = readMbapHeader(m_rx.data(), m_rx.size());
            if (header && !isPlausible(*header)) {
                // Not the start of a frame: the stream is out of step and cannot be trusted
                // again. A Modbus TCP server closes such a connection.
                m_log.request(m_rx, "invalid");
                m_rx.clear();
                m_clientGone = true;
                return;
            }
            length = header ? mbapFrameLength(*header) : 0;
        } else if (m_ascii) {
            const AsciiScan scan = scanAscii(m_rx.data(), m_rx.size());
            if (scan.noise == m_rx.size()) {
                break; // more of it may come: it goes with the silence or the next ':'
            }
            if (scan.noise > 0) {
                handleFrame(Bytes(m_rx.begin(), m_rx.begin() + std::ptrdiff_t(scan.noise)), now,
                            false);
                m_rx.erase(m_rx.begin(), m_rx.begin() + std::ptrdiff_t(scan.noise));
                continue;
            }
            length = scan.frame;
        } else {
            length = requestLength(m_rx.data(), m_rx.size());
        }
        if (length == 0 || m_rx.size() < length) {
            break;
        }
        const Bytes frame(m_rx.begin(), m_rx.begin() + static_cast<std::ptrdiff_t>(length));
        m_rx.erase(m_rx.begin(), m_rx.begin() + static_cast<std::ptrdiff_t>(length));
        handleFrame(frame, now, true);
    }
    if (m_rx.size() > kMaxPending) {
        handleFrame(m_rx, now, false);
        m_rx.clear();
    }
}

void SimServer::handleFrame(const Bytes &frame, Clock::time_point end, bool complete)
{
    if (!complete) {
        // On an ASCII line, bytes that never began with ':' were no frame at all.
        const bool noFrame = m_ascii && (frame.empty() || frame[0] != ':');
        m_log.request(frame, noFrame ? "not-ascii" : "incomplete");
        return;
    }
    // The line's own doings, drawn for every request whether it is answered or not.
    const bool echo = lineEffectHits(m_echo, percentDraw(m_lineRng));
    const bool zero = lineEffectHits(m_zero, percentDraw(m_lineRng));
    if (echo) {
        // The master's adapter hears its own transmitter: the request comes straight back,
        // while the instruments are still taking it in.
        writeLine(frame);
    }
    if (m_options.baudGiven && m_serial && m_serial->clientRateDiffers(m_options.baud)) {
        // At another rate the instrument hears only garbled characters.
        m_log.request(frame, "wrong-baud", echo);
        return;
    }
    if (m_options.stopBitsGiven && m_serial && m_serial->clientStopBitsDiffer(m_options.stopBits)) {
        // Characters with the wrong stop bits break on the instrument's receiver.
        m_log.request(frame, "wrong-stop-bits", echo);
        return;
    }
    if (m_options.textOutput) {
        // In continuous output the indicator talks and does not listen.
        m_log.request(frame, "text-output", echo);
        return;
    }
    if ((!m_tx.empty() && !m_options.replyDelay) || m_waiting.size() >= kMaxWaiting) {
        // Still answering the last request: like a real instrument, this one goes unheard. With
        // --reply-delay it waits its turn instead.
        m_log.request(frame, "busy", echo);
        return;
    }
    // libmodbus answers RTU frames. A gateway passes the request on to the RTU line as unit id,
    // PDU and CRC; an ASCII frame is the same request in other characters.
    std::optional<MbapHeader> header;
    Bytes rtu = frame;
    if (m_mbap) {
        header = readMbapHeader(frame.data(), frame.size());
        rtu = rtuFromMbap(frame);
    } else if (m_ascii) {
        AsciiMessage message = decodeAsciiFrame(frame.data(), frame.size());
        if (message.check != AsciiCheck::Good) {
            m_log.request(frame, message.check == AsciiCheck::BadLrc ? "bad-lrc" : "invalid", echo);
            return;
        }
        rtu = std::move(message.message);
        appendCrc(rtu);
    }
    if ((m_mbap || m_ascii) && requestLength(rtu.data(), rtu.size()) != rtu.size()) {
        m_log.request(frame, "invalid", echo);
        return;
    }
    std::string ignoredReason;
    Instrument *instrument = nullptr;
    const std::optional<Bytes> reply = answer(rtu, instrument, ignoredReason);
    m_log.request(frame, ignoredReason, echo);
    if (!reply) {
        return;
    }
    const FaultRule *rule = nullptr;
    if (!m_options.faults.empty()) {
        rule = pickFault(m_options.faults, percentDraw(m_faultRng));
    }
    const FaultKind fault = rule ? rule->kind : FaultKind::None;
    const auto own = static_cast<std::uint8_t>(instrument->address);
    Transmission transmission =
        header    ? applyFaultMbap(rule, *reply, header->transaction, own, m_faultRng)
        : m_ascii ? applyFaultAscii(rule, *reply, own, m_faultRng)
                  : applyFault(rule, *reply, own, m_faultRng);
    if (transmission.empty()) {
        m_log.reply({}, faultName(fault));
        return;
    }
    if (zero) {
        prependZero(transmission);
    }
    schedule(std::move(transmission), fault, zero, end);
}

SimServer::Instrument *SimServer::instrumentAt(int address)
{
    for (Instrument &instrument : m_instruments) {
        if (instrument.address == address) {
            return &instrument;
        }
    }
    return nullptr;
}

std::optional<Bytes> SimServer::answer(const Bytes &frame, Instrument *&instrument,
                                       std::string &ignoredReason)
{
    // One slave serves all instruments on the line, told the address of the one the request is
    // for. A request for an address nobody has is taken under the first address, so that it is
    // seen to be for another slave.
    instrument = frame.empty() ? nullptr : instrumentAt(frame[0]);
    switch (
        takeRtuRequest(frame, instrument ? instrument->address : m_instruments.front().address)) {
    case RtuIntake::Taken:
        break;
    case RtuIntake::OtherAddress:
        ignoredReason = "other-address";
        return std::nullopt;
    case RtuIntake::BadCrc:
        ignoredReason = "bad-crc";
        return std::nullopt;
    case RtuIntake::Invalid:
        ignoredReason = "invalid";
        return std::nullopt;
    }
    if (frame[0] == 0) {
        // Broadcast: a slave never answers one.
        ignoredReason = "broadcast";
        return std::nullopt;
    }
    if (!instrument) {
        ignoredReason = "other-address";
        return std::nullopt;
    }
    refreshRegisters(*instrument);
    std::optional<Bytes> reply = m_slave.reply(frame, instrument->registers.registers());
    if (!reply) {
        ignoredReason = "invalid";
    }
    return reply;
}

void SimServer::refreshRegisters(Instrument &instrument)
{
    const bool fixed = m_options.weight.has_value() || instrument.registers.weightOverridden();
    const auto sinceStart =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_start);
    std::int32_t weight = 0;
    if (m_scale) {
        // The load the operator has put on since the last request goes on now.
        if (const std::optional<std::int64_t> load = m_control ? m_control->poll() : std::nullopt)
            m_scale->place(*load, sinceStart);
        weight = m_scale->sample(sinceStart);
    } else {
        weight = fixed ? m_options.weight.value_or(0) : instrument.weight.sample(sinceStart);
    }
    instrument.registers.update(weight, localTime(std::time(nullptr)));
}

void SimServer::schedule(Transmission transmission, FaultKind fault, bool zero,
                         Clock::time_point end)
{
    m_waiting.push_back({std::move(transmission), fault, zero, end});
    sendDue(Clock::now());
}

bool SimServer::startNextReply(Clock::time_point now)
{
    if (m_waiting.empty()) {
        return false;
    }
    WaitingReply next = std::move(m_waiting.front());
    m_waiting.pop_front();
    // With --pace the reply goes out at the baud rate after the turnaround; without it, as fast
    // as the line takes it.
    Clock::time_point at = replyStart({m_options.replyDelay, m_pace, m_options.turnaround},
                                      next.received, m_lastReplySent, now);
    m_txBytes.clear();
    for (const Piece &piece : next.transmission) {
        at += piece.delay;
        for (const std::uint8_t byte : piece.bytes) {
            // On the wire a character reaches the other end when its last stop bit is through.
            if (m_pace) {
                at += m_charTime;
            }
            m_tx.push_back({at, byte});
        }
        m_txBytes.insert(m_txBytes.end(), piece.bytes.begin(), piece.bytes.end());
    }
    m_txFault = next.fault;
    m_txZero = next.zero;
    return true;
}

void SimServer::sendDue(Clock::time_point now)
{
    // One reply on the line at a time; once it is out, the next one owed is started.
    for (;;) {
        if (m_tx.empty() && !startNextReply(now)) {
            return;
        }
        Bytes chunk;
        while (!m_tx.empty() && m_tx.front().due <= now) {
            chunk.push_back(m_tx.front().byte);
            m_tx.pop_front();
        }
        if (chunk.empty()) {
            return;
        }
        writeLine(chunk);
        if (!m_tx.empty()) {
            return;
        }
        m_log.reply(m_txBytes, faultName(m_txFault), m_txZero);
        m_lastReplySent = Clock::now();
    }
}

void SimServer::sendTextLine(Clock::time_point now)
{
    if (now < m_nextTextLine) {
        return;
    }
    m_nextTextLine = now + kTextLineInterval;
    Instrument &instrument = m_instruments.front();
    const auto sinceStart = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_start);
    const std::int32_t counts = m_options.weight.value_or(instrument.weight.sample(sinceStart));
    // Stable, gross: "ST,GS,+0012.34kg", the form most indicators print and send.
    std::array<char, 40> text{};
    const int n = std::snprintf(text.data(), text.size(), "ST,GS,%+08.2fkg\r\n", counts / 100.0);
    writeLine(Bytes(text.begin(), text.begin() + std::min<int>(n, int(text.size()) - 1)));
}

void SimServer::writeLine(const Bytes &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size() && m_line) {
        const Link::Io io = m_line->write(bytes.data() + done, bytes.size() - done);
        if (io.status == Link::Status::Closed) {
            m_clientGone = true; // the client has gone away; let it go once this turn is over
            return;
        }
        if (io.bytes > 0) {
            done += io.bytes;
        } else {
            // Nobody reads the line and its buffer is full: the bytes are lost, as on a wire.
            if (!m_overflowReported) {
                std::fprintf(stderr, "scalecheck-sim: nobody reads the line; reply bytes lost\n");
                m_overflowReported = true;
            }
            return;
        }
    }
}

} // namespace scalecheck::sim
