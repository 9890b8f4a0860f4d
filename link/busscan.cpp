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
      m_retry(clock.createTimer([this] { sendProbe(); }))
{
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
    m_givenUp.clear();
    m_running = true;
    emit progress(0, m_total);
    sendProbe();
    return true;
}

void BusScan::stop()
{
    if (!m_running)
        return;
    m_stopAsked = true;
    // Waiting for a twin to go, nothing of ours is on the line: the scan ends now.
    if (m_retry->isActive()) {
        end();
        emit stopped(StopReason::Operator, m_instruments);
    }
}

void BusScan::sendProbe()
{
    const qint32 rate = m_rates.at(m_rateIndex);
    ReadRequest probe{quint8(m_address), kProbeRegister, kProbeRegisters, m_plan.timeout};
    probe.baud = rate;
    if (const std::optional<Clock::Duration> deadline = firstByteDeadline(rate, m_plan.turnaround))
        probe.firstByteTimeout = ceil<microseconds>(*deadline);
    const SendResult sent =
        m_queue->sendread(probe, this, [this](const ReadResult &r) { onResult(r); });
    if (sent == SendResult::AlreadyWaiting) {
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
    const ReplyStatus status = result.check.status;
    if (status == ReplyStatus::PortClosed || status == ReplyStatus::WriteFailed) {
        end();
        emit stopped(StopReason::PortClosed, m_instruments);
        return;
    }

    // Only a reply's whole time after an address was given up can its late reply still come.
    const Clock::Duration now = m_clock.now();
    m_givenUp.removeIf([&](const GivenUp &g) { return now - g.at > m_plan.timeout; });
    bool askAgain = false;
    if (takeLateReply(result)) {
        // The probe's time went to an earlier address's reply: this one has not been heard yet.
        askAgain = !m_askedAgain;
    } else {
        if (status != ReplyStatus::NoReply && !gatewayFoundNobody(result.check)) {
            BusAnswer answer;
            answer.address = result.request.address;
            answer.baud = result.request.baud;
            answer.check = result.check;
            answer.replyTime = result.replyTime;
            if (result.ok())
                answer.weight = result.value(0, kProbeRegisters);
            if (answer.instrument())
                ++m_instruments;
            emit answered(answer);
        }
        if (status == ReplyStatus::NoReply)
            m_givenUp.append({result.request.address, result.request.baud, now});
    }

    if (askAgain) {
        m_askedAgain = true;
    } else {
        m_askedAgain = false;
        ++m_done;
        if (++m_address > m_plan.to) {
            m_address = m_plan.from;
            ++m_rateIndex;
            // At another rate a late reply comes garbled, if at all.
            m_givenUp.clear();
        }
        emit progress(m_done, m_total);
    }

    if (m_stopAsked) {
        end();
        emit stopped(StopReason::Operator, m_instruments);
    } else if (m_done == m_total) {
        end();
        emit finished(m_instruments);
    } else {
        sendProbe();
    }
}

bool BusScan::takeLateReply(const ReadResult &result)
{
    // A whole, good frame from an address given up as silent a moment ago: its reply, late.
    // Modbus TCP tells late replies by their transaction number and never hands them on.
    if (result.check.status != ReplyStatus::WrongAddress || result.frame.isEmpty() ||
        m_port->lineKind() == LineKind::ModbusTcp)
        return false;
    const quint8 from = quint8(result.frame.at(0));
    const qsizetype i = std::find_if(m_givenUp.cbegin(), m_givenUp.cend(),
                                     [&](const GivenUp &g) {
                                         return g.address == from && g.baud == result.request.baud;
                                     }) -
                        m_givenUp.cbegin();
    if (i == m_givenUp.size())
        return false;
    const ReplyCheck check = checkReply(result.frame, from, kProbeRegisters);
    if (!(check.ok() || check.status == ReplyStatus::Exception) || gatewayFoundNobody(check))
        return false;
    m_givenUp.removeAt(i);
    BusAnswer answer;
    answer.address = from;
    answer.baud = result.request.baud;
    answer.check = check;
    answer.late = true;
    if (check.ok())
        answer.weight = regvalue(result.frame, 3, kProbeRegisters);
    ++m_instruments;
    emit answered(answer);
    return true;
}

void BusScan::end()
{
    m_running = false;
    m_stopAsked = false;
    m_retry->stop();
}
