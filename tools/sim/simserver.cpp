// SPDX-License-Identifier: MIT
// The instrument at work: requests off the line, libmodbus answers, faults on, paced replies out.
#include "simserver.h"

#include "ascii.h"
#include "mbap.h"
#include "serialline.h"
#include "tcplistener.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <modbus/modbus.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
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

// The whole request is in the socket pair before libmodbus is asked to read it, so these only
// bound the wait for bytes that will never come.
constexpr std::chrono::microseconds kModbusWait{50000};
// Wait used to clear libmodbus's expectation of another slave's reply (see answer()).
constexpr std::chrono::microseconds kModbusFlush{1000};

// Most replies owed at once with --reply-delay; a master that floods a slow instrument beyond
// that goes unheard, as busy.
constexpr std::size_t kMaxWaiting = 1024;

// Longest wait in one poll() when nothing is due.
constexpr std::chrono::milliseconds kIdleWake{1000};

void drain(int fd)
{
    std::array<std::uint8_t, 512> buffer{};
    while (::read(fd, buffer.data(), buffer.size()) > 0) {
    }
}

bool setNonBlocking(int fd)
{
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

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

SimServer::~SimServer()
{
    if (m_modbus) {
        // Not modbus_close(): it would restore terminal settings on the socket pair.
        modbus_free(m_modbus);
    }
    if (m_mapping) {
        modbus_mapping_free(m_mapping);
    }
    if (m_modbusFd >= 0) {
        ::close(m_modbusFd);
    }
    if (m_peerFd >= 0) {
        ::close(m_peerFd);
    }
    if (m_listener && m_line >= 0) {
        ::close(m_line);
    }
}

bool SimServer::init(std::string &error)
{
    // The RTU context never opens its device: it gets one end of a socket pair instead, so every
    // request and reply passes through our hands and can be paced and altered.
    m_modbus = modbus_new_rtu("/dev/null", m_options.baud, 'N', 8, 2);
    if (!m_modbus) {
        error = std::string("cannot set up libmodbus: ") + modbus_strerror(errno);
        return false;
    }
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        error = std::string("cannot make a socket pair: ") + std::strerror(errno);
        return false;
    }
    m_modbusFd = pair[0];
    m_peerFd = pair[1];
    if (!setNonBlocking(m_modbusFd) || !setNonBlocking(m_peerFd) ||
        modbus_set_slave(m_modbus, m_instruments.front().address) != 0 ||
        modbus_set_socket(m_modbus, m_modbusFd) != 0 ||
        modbus_set_indication_timeout(m_modbus, 0, kModbusWait.count()) != 0 ||
        modbus_set_byte_timeout(m_modbus, 0, kModbusWait.count()) != 0 ||
        modbus_set_response_timeout(m_modbus, 0, kModbusFlush.count()) != 0) {
        error = std::string("cannot set up libmodbus: ") + modbus_strerror(errno);
        return false;
    }
    m_mapping = modbus_mapping_new_start_address(0, 0, 0, 0, 0, kRegisterCount, 0, 0);
    if (!m_mapping) {
        error = std::string("cannot set up the register map: ") + modbus_strerror(errno);
        return false;
    }
    return true;
}

bool SimServer::serve(const SerialLine &line, int stopFd, std::string &error)
{
    m_serial = &line;
    m_line = line.fd();
    m_pace = m_options.pace;
    return run(stopFd, error);
}

bool SimServer::serve(TcpListener &listener, int stopFd, std::string &error)
{
    // Pacing stays with the serial line: over TCP bytes come as the network brings them.
    m_listener = &listener;
    m_mbap = m_options.tcpMode == TcpMode::Mbap;
    return run(stopFd, error);
}

bool SimServer::run(int stopFd, std::string &error)
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

        if (m_options.textOutput && m_line >= 0) {
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
        const int waiting = m_listener && m_line < 0 ? m_listener->fd() : -1;
        std::array<pollfd, 3> fds{{{m_line, static_cast<short>(mayRead ? POLLIN : 0), 0},
                                   {stopFd, POLLIN, 0},
                                   {waiting, POLLIN, 0}}};
        const int rc = ::poll(fds.data(), fds.size(), static_cast<int>(waitMs.count()));
        if (rc < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = std::string("waiting on the line failed: ") + std::strerror(errno);
            return false;
        }
        if (fds[1].revents & POLLIN) {
            return true; // SIGTERM, SIGINT or SIGHUP
        }
        now = Clock::now();
        if (fds[2].revents & POLLIN) {
            acceptClient();
            continue;
        }
        if (m_line < 0) {
            continue;
        }
        if (fds[0].revents & POLLIN) {
            const ReadOutcome outcome = readLine(now, error);
            if (outcome == ReadOutcome::Failed) {
                return false;
            }
            if (outcome == ReadOutcome::Closed) {
                dropClient();
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
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
    m_line = m_listener->accept();
    m_clientGone = false;
    m_wireIdle = true;
}

void SimServer::dropClient()
{
    if (!m_listener || m_line < 0) {
        return;
    }
    // What the client had begun to send is lost with it, and so is a reply still on its way.
    if (!m_rx.empty()) {
        m_log.request(m_rx, "incomplete");
        m_rx.clear();
    }
    m_tx.clear();
    m_waiting.clear();
    ::close(m_line);
    m_line = -1;
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
    const ssize_t n = ::read(m_line, buffer.data(), want);
    if (n < 0) {
        if (errno == EAGAIN || errno == EINTR) {
            m_wireIdle = true;
            return ReadOutcome::Read;
        }
        if (m_listener) {
            return ReadOutcome::Closed; // the connection broke
        }
        error = std::string("reading the line failed: ") + std::strerror(errno);
        return ReadOutcome::Failed;
    }
    if (n == 0) {
        m_wireIdle = true;
        // End of file is a TCP client that has closed; a terminal just had nothing to give.
        return m_listener ? ReadOutcome::Closed : ReadOutcome::Read;
    }
    if (m_pace) {
        m_wireAt += m_charTime * n;
        // Fewer bytes than the wire could have brought: the sender has stopped for now.
        m_wireIdle = static_cast<std::size_t>(n) < want;
    }
    m_rx.insert(m_rx.end(), buffer.begin(), buffer.begin() + n);
    m_lastRx = now;
    takeFrames(now);
    return ReadOutcome::Read;
}

void SimServer::takeFrames(Clock::time_point now)
{
    while (m_line >= 0 && !m_clientGone) {
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
    // One libmodbus context serves all instruments on the line: it is told the address of the
    // one the request is for. A request for an address nobody has goes to it under the first
    // address, so libmodbus itself sees that it is for another slave.
    instrument = frame.empty() ? nullptr : instrumentAt(frame[0]);
    modbus_set_slave(m_modbus, instrument ? instrument->address : m_instruments.front().address);
    drain(m_modbusFd);
    drain(m_peerFd);
    if (::write(m_peerFd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) {
        ignoredReason = "invalid";
        return std::nullopt;
    }
    std::array<std::uint8_t, MODBUS_RTU_MAX_ADU_LENGTH> request{};
    errno = 0;
    const int length = modbus_receive(m_modbus, request.data());
    const int receiveErrno = errno;
    drain(m_modbusFd); // whatever libmodbus did not take as part of the request
    if (length == 0) {
        // A request for another slave. libmodbus now expects that slave's reply to follow on
        // the bus and would swallow our next request as that reply. There is no other slave
        // here, so let that expectation time out on the empty socket at once.
        modbus_receive(m_modbus, request.data());
        ignoredReason = "other-address";
        return std::nullopt;
    }
    if (length < 0) {
        ignoredReason = receiveErrno == EMBBADCRC ? "bad-crc" : "invalid";
        return std::nullopt;
    }
    if (request[0] == 0) {
        // Broadcast: a slave never answers one (libmodbus would not send a reply either).
        ignoredReason = "broadcast";
        return std::nullopt;
    }
    if (!instrument) { // libmodbus let through an address it was not told about
        ignoredReason = "other-address";
        return std::nullopt;
    }
    refreshRegisters(*instrument);
    // A read-only instrument: it answers function 03 and nothing else.
    const int sent = request[1] == 0x03 ? modbus_reply(m_modbus, request.data(), length, m_mapping)
                                        : modbus_reply_exception(m_modbus, request.data(),
                                                                 MODBUS_EXCEPTION_ILLEGAL_FUNCTION);
    Bytes reply;
    std::array<std::uint8_t, 512> buffer{};
    for (ssize_t n; (n = ::read(m_peerFd, buffer.data(), buffer.size())) > 0;) {
        reply.insert(reply.end(), buffer.begin(), buffer.begin() + n);
    }
    if (sent <= 0 || reply.empty()) {
        ignoredReason = "invalid";
        return std::nullopt;
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
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    instrument.registers.update(weight, local);
    const auto &registers = instrument.registers.registers();
    std::copy(registers.begin(), registers.end(), m_mapping->tab_registers);
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
    const std::int32_t counts =
        m_options.weight.value_or(instrument.weight.sample(sinceStart));
    // Stable, gross: "ST,GS,+0012.34kg", the form most indicators print and send.
    std::array<char, 40> text{};
    const int n = std::snprintf(text.data(), text.size(), "ST,GS,%+08.2fkg\r\n", counts / 100.0);
    writeLine(Bytes(text.begin(), text.begin() + std::min<int>(n, int(text.size()) - 1)));
}

void SimServer::writeLine(const Bytes &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size() && m_line >= 0) {
        const ssize_t n = ::write(m_line, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && m_listener && errno != EAGAIN) {
            m_clientGone = true; // the client has gone away; let it go once this turn is over
            return;
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
