// SPDX-License-Identifier: MIT
// A search of the bus for instruments: every address at every rate asked for its weight.
#include "busscan.h"

#include "port.h"
#include "requestqueue.h"

#include <algorithm>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

// Address, function, start and count, CRC.
constexpr int kRequestCharacters = 8;
// A probe whose twin (the bus view's poll of the same instrument) still waits in the queue is
// asked again this much later, once the twin has had its turn.
constexpr auto kTwinRetry = 10ms;

// Exceptions 0A and 0B are a gateway's words for an instrument it could not reach: nobody is
// at that address.
bool gatewayFoundNobody(const ReplyCheck &check)
{
    return check.status == ReplyStatus::Exception &&
           (check.exceptionCode == 0x0A || check.exceptionCode == 0x0B);
}

// Many transceivers put a 0x00 on the line as they turn around: bytes of nothing but that are
// the line's, not a late reply's.
bool turnaroundZeros(const QByteArray &bytes)
{
    return std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return c == 0; });
}

} // namespace

bool BusAnswer::instrument() const
{
    return check.status == ReplyStatus::Ok || check.status == ReplyStatus::Exception;
}

const QList<qint32> &BusScan::standardRates()
{
    static const QList<qint32> rates{9600, 4800, 2400, 1200};
    return rates;
}

const QList<qint32> &BusScan::fastRates()
{
    static const QList<qint32> rates{19200, 38400, 57600, 115200};
    return rates;
}

Clock::Duration BusScan::addressBudget(qint32 baud, microseconds turnaround)
{
    return RequestQueue::wireTime(kRequestCharacters + 1, baud) + turnaround;
}

BusScan::BusScan(RequestQueue *queue, Port *port, QObject *parent)
    : BusScan(queue, port, Clock::eventLoop(), parent)
{
}

BusScan::BusScan(RequestQueue *queue, Port *port, Clock &clock, QObject *parent)
    : QObject(parent), m_queue(queue), m_port(port), m_clock(clock),
      m_retry(clock.createTimer([this] { sendLook(); })),
      m_hearOut(clock.createTimer([this] { next(); }))
{
    connect(m_queue, &RequestQueue::replyChecked, this, &BusScan::onOtherResult);
    connect(m_queue, &RequestQueue::bytesDiscarded, this, &BusScan::onStrayBytes);
}

BusScan::~BusScan() = default;

QList<qint32> BusScan::ratesToSweep(const Plan &plan) const
{
    if (m_port->lineKind() != LineKind::Serial)
        return {0};
    QList<qint32> rates;
    for (qint32 rate : plan.rates) {
        if (rate > 0 && !rates.contains(rate))
            rates.append(rate);
    }
    return rates;
}

std::optional<Clock::Duration> BusScan::firstByteDeadline(qint32 baud,
                                                          microseconds turnaround) const
{
    switch (m_port->lineKind()) {
    case LineKind::Serial:
        return addressBudget(baud, turnaround);
    case LineKind::RtuOverTcp:
        // The converter's serial side runs at the rate the operator set for it.
        return addressBudget(m_port->lineSettings().baud, turnaround) + kNetworkAllowance;
    case LineKind::ModbusTcp:
        break;
    }
    // Cut short, the next request would queue behind the gateway's own wait and miss its turn.
    return std::nullopt;
}

std::optional<Clock::Duration> BusScan::replyAllowance(qint32 baud, microseconds turnaround,
                                                       qsizetype replyCharacters) const
{
    const std::optional<Clock::Duration> deadline = firstByteDeadline(baud, turnaround);
    if (!deadline)
        return std::nullopt;
    const qint32 wireRate =
        m_port->lineKind() == LineKind::Serial ? baud : m_port->lineSettings().baud;
    // The deadline already holds the reply's first character.
    return *deadline +
           RequestQueue::wireTime(std::max<qsizetype>(replyCharacters - 1, 0), wireRate);
}

bool BusScan::start(const Plan &plan)
{
    if (m_running || !m_port->isOpen() || plan.from > plan.to)
        return false;
    const QList<qint32> rates = ratesToSweep(plan);
    if (rates.isEmpty())
        return false;
    m_plan = plan;
    m_rates = rates;
    m_rateIndex = 0;
    m_address = plan.from;
    m_done = 0;
    m_total = int(rates.size()) * (plan.to - plan.from + 1);
    m_instruments = 0;
    m_stopAsked = false;
    m_askedAgain = false;
    m_owed.clear();
    m_givenUp.clear();
    m_stray.clear();
    m_foundAt.clear();
    m_blindness.reset();
    m_running = true;
    emit progress(0, m_total);
    QList<qint32> asked;
    for (qint32 rate : plan.rates) {
        if (rate > 0 && !asked.contains(rate))
            asked.append(rate);
    }
    if (rates == QList<qint32>{0} && asked.size() > 1) {
        m_blindness = RateBlindness::ConverterRate;
        emit rateBlind(*m_blindness);
    }
    next();
    return true;
}

void BusScan::stop()
{
    if (!m_running)
        return;
    m_stopAsked = true;
    // Between two looks nothing of ours is on the line: the scan ends now.
    if (!m_onLine) {
        end();
        emit stopped(StopReason::Operator, m_instruments);
    }
}

void BusScan::next()
{
    if (!m_running)
        return;
    if (m_stopAsked) {
        end();
        emit stopped(StopReason::Operator, m_instruments);
        return;
    }
    judgeStrayBytes();
    if (!m_owed.isEmpty()) {
        m_look = m_owed.takeFirst();
    } else if (m_done < m_total) {
        m_look = {quint8(m_address), m_rates.at(m_rateIndex)};
    } else {
        // Every address has been asked; the last ones given up are heard out before the scan
        // ends, so that a reply of theirs still leads to a look.
        const Clock::Duration left = reachOfLateReplies() - m_clock.now();
        if (left > Clock::Duration::zero()) {
            m_hearOut->start(left);
            return;
        }
        end();
        emit finished(m_instruments);
        return;
    }
    sendLook();
}

void BusScan::sendLook()
{
    const qint32 rate = m_look.baud;
    ReadRequest probe{m_look.address, kProbeRegister, kProbeRegisters, m_plan.timeout};
    probe.baud = rate;
    probe.purpose = RequestPurpose::BusScan;
    // A second look waits the reply's whole time for the first byte.
    if (const std::optional<Clock::Duration> deadline = firstByteDeadline(rate, m_plan.turnaround);
        deadline && !m_look.slow)
        probe.firstByteTimeout = ceil<microseconds>(*deadline);
    m_sentAt = m_clock.now();
    m_onLine = true;
    const SendResult sent =
        m_queue->sendread(probe, this, [this](const ReadResult &r) { onResult(r); });
    if (sent == SendResult::AlreadyWaiting) {
        m_onLine = false;
        m_retry->start(kTwinRetry);
    } else if (sent == SendResult::PortClosed) {
        end();
        emit stopped(StopReason::PortClosed, m_instruments);
    }
}

void BusScan::onResult(const ReadResult &result)
{
    if (!m_running)
        return;
    m_onLine = false;
    judgeStrayBytes();
    const ReplyStatus status = result.check.status;
    if (status == ReplyStatus::PortClosed || status == ReplyStatus::WriteFailed) {
        end();
        emit stopped(StopReason::PortClosed, m_instruments);
        return;
    }

    const bool ownAnswer = status == ReplyStatus::Ok ||
                           (status == ReplyStatus::Exception && !gatewayFoundNobody(result.check));
    const bool silent = status == ReplyStatus::NoReply || gatewayFoundNobody(result.check);
    // Stray bytes before this address's own answer may be the tail of an earlier one's.
    const bool disturbed = !ownAnswer && !silent
                               ? lateBytes(result)
                               : (!turnaroundZeros(result.skipped) && lateBytes(result));

    if (m_look.slow) {
        if (ownAnswer) {
            BusAnswer answer = answerOf(result);
            const std::optional<Clock::Duration> allowance =
                replyAllowance(m_look.baud, m_plan.turnaround, result.frame.size());
            answer.late = !result.replyTime || (allowance && *result.replyTime > *allowance);
            list(answer);
        } else if (disturbed && !m_look.again && !m_look.caught) {
            // Another late reply took this look's time: it is asked once more.
            Look again = m_look;
            again.again = true;
            m_owed.append(again);
        } else if (m_look.caught) {
            list(*m_look.caught);
        } else if (!silent) {
            list(answerOf(result));
        }
    } else if (ownAnswer) {
        list(answerOf(result));
        concludeSweepLook(false);
    } else if (disturbed && !m_askedAgain) {
        // The look's time went to an earlier address's reply: this one has not been heard yet.
        m_askedAgain = true;
    } else {
        if (!silent)
            list(answerOf(result));
        concludeSweepLook(silent);
    }

    next();
}

void BusScan::concludeSweepLook(bool silent)
{
    if (silent && m_port->lineKind() != LineKind::ModbusTcp) {
        // Modbus TCP tells late replies by their transaction number and never hands them on;
        // elsewhere the reply may still begin within the request's whole time.
        const std::optional<Clock::Duration> deadline =
            firstByteDeadline(m_look.baud, m_plan.turnaround);
        const Clock::Duration waited = deadline ? ceil<microseconds>(*deadline) : m_plan.timeout;
        m_givenUp.append({m_look.address, m_look.baud,
                          m_clock.now() + Clock::Duration(m_plan.timeout) - waited});
    }
    m_askedAgain = false;
    ++m_done;
    if (++m_address > m_plan.to) {
        m_address = m_plan.from;
        ++m_rateIndex;
    }
    emit progress(m_done, m_total);
}

void BusScan::onOtherResult(const ReadResult &result)
{
    // The scan's own results come to onResult; another request's (the bus view's reads) may
    // also have caught a late reply of an address given up.
    const ReadRequest &r = result.request;
    const bool ours = m_onLine && r.address == m_look.address && r.start == kProbeRegister &&
                      r.count == kProbeRegisters && r.baud == m_look.baud;
    if (!m_running || ours)
        return;
    const ReplyStatus status = result.check.status;
    const bool clean = status == ReplyStatus::Ok || status == ReplyStatus::Exception ||
                       status == ReplyStatus::NoReply || status == ReplyStatus::PortClosed ||
                       status == ReplyStatus::WriteFailed;
    if ((!clean || !turnaroundZeros(result.skipped)) && lateBytes(result))
        hurry();
}

void BusScan::onStrayBytes(const QByteArray &bytes)
{
    // Bytes between two requests, after the window of the address last given up. Whole, they
    // may be one address's reply; otherwise they are judged once the next look is due.
    if (!m_running || m_port->lineKind() == LineKind::ModbusTcp)
        return;
    m_stray.append(bytes);
    if (catchLateFrame(m_stray)) {
        m_stray.clear();
        hurry();
    }
}

void BusScan::judgeStrayBytes()
{
    if (!turnaroundZeros(m_stray))
        oweSlowLooks(m_sentAt);
    m_stray.clear();
}

void BusScan::hurry()
{
    // Hearing out the last addresses given up: a look owed goes out now.
    if (m_hearOut->isActive())
        m_hearOut->start(Clock::Duration::zero());
}

bool BusScan::lateBytes(const ReadResult &result)
{
    if (m_port->lineKind() == LineKind::ModbusTcp)
        return false;
    if (result.check.status == ReplyStatus::WrongAddress && catchLateFrame(result.frame))
        return true;
    // Anything else may be any of them, in part: each is looked at again.
    return oweSlowLooks(m_sentAt) > 0;
}

bool BusScan::catchLateFrame(const QByteArray &frame)
{
    // A whole, good frame from an address given up a moment ago: its reply, late. It is asked
    // once more, slowly, to see whether the instrument or the moment was slow.
    if (frame.isEmpty())
        return false;
    const quint8 from = quint8(frame.at(0));
    const ReplyCheck check = checkReply(frame, from, kProbeRegisters);
    if (!(check.ok() || check.status == ReplyStatus::Exception) || gatewayFoundNobody(check))
        return false;
    const auto g = std::find_if(m_givenUp.begin(), m_givenUp.end(), [&](const GivenUp &g) {
        return g.address == from && !g.looked && g.until > m_sentAt;
    });
    if (g == m_givenUp.end())
        return false;
    g->looked = true;
    BusAnswer caught;
    caught.address = from;
    caught.baud = g->baud;
    caught.check = check;
    caught.late = true;
    if (check.ok())
        caught.weight = regvalue(frame, 3, kProbeRegisters);
    m_owed.append({from, g->baud, true, caught});
    return true;
}

int BusScan::oweSlowLooks(Clock::Duration since)
{
    int owed = 0;
    for (GivenUp &g : m_givenUp) {
        if (g.looked || g.until <= since)
            continue;
        g.looked = true;
        m_owed.append({g.address, g.baud, true});
        ++owed;
    }
    return owed;
}

Clock::Duration BusScan::reachOfLateReplies() const
{
    Clock::Duration reach{0};
    for (const GivenUp &g : m_givenUp) {
        if (!g.looked)
            reach = std::max(reach, g.until);
    }
    return reach;
}

BusAnswer BusScan::answerOf(const ReadResult &result) const
{
    BusAnswer answer;
    answer.address = result.request.address;
    answer.baud = result.request.baud;
    answer.check = result.check;
    answer.replyTime = result.replyTime;
    if (result.ok())
        answer.weight = result.value(0, kProbeRegisters);
    return answer;
}

void BusScan::list(BusAnswer answer)
{
    if (answer.instrument()) {
        const auto found = m_foundAt.constFind(answer.address);
        if (found != m_foundAt.cend() && *found != answer.baud) {
            // A checked frame from the same address at another rate: the line does not care
            // about the rate, and the address stays listed once, at the rate first found.
            if (!m_blindness) {
                m_blindness = RateBlindness::AnswersAtEveryRate;
                emit rateBlind(*m_blindness);
            }
            return;
        }
        if (found != m_foundAt.cend())
            return;
        m_foundAt.insert(answer.address, answer.baud);
        ++m_instruments;
    }
    emit answered(answer);
}

void BusScan::end()
{
    m_running = false;
    m_stopAsked = false;
    m_onLine = false;
    m_retry->stop();
    m_hearOut->stop();
}
