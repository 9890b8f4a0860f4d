// SPDX-License-Identifier: MIT
// A search for an instrument whose address, rate and parity/stop bits are all unknown.
#include "settingsfinder.h"

#include "busscan.h"
#include "linediagnosis.h"
#include "port.h"
#include "requestqueue.h"

#include <algorithm>

using namespace std::chrono;

namespace {

// Address, function, start and count, CRC.
constexpr int kRequestCharacters = 8;

bool gatewayFoundNobody(const ReplyCheck &check)
{
    return check.status == ReplyStatus::Exception &&
           (check.exceptionCode == 0x0A || check.exceptionCode == 0x0B);
}

bool checkedFrame(const ReplyCheck &check)
{
    return check.ok() || (check.status == ReplyStatus::Exception && !gatewayFoundNobody(check));
}

} // namespace

SettingsFinder::Plan::Plan()
    : rates(LineDiagnosis::rates()), turnaround(BusScan::kDefaultTurnaround),
      timeout(BusScan::kProbeTimeout)
{
}

SettingsFinder::SettingsFinder(RequestQueue *queue, Port *port, QObject *parent)
    : SettingsFinder(queue, port, Clock::eventLoop(), parent)
{
}

SettingsFinder::SettingsFinder(RequestQueue *queue, Port *port, Clock &clock, QObject *parent)
    : QObject(parent), m_queue(queue), m_port(port), m_clock(clock)
{
    connect(m_queue, &RequestQueue::bytesDiscarded, this, &SettingsFinder::onStray);
}

SettingsFinder::~SettingsFinder() = default;

bool SettingsFinder::start(const Plan &plan)
{
    if (m_running || !m_port->isOpen() || plan.from > plan.to)
        return false;
    m_plan = plan;
    m_tries.clear();
    const bool serial = m_port->lineKind() == LineKind::Serial;
    // The settings, likeliest first: the window's own, then its rate with the other framings,
    // then the other rates, each with the framings in their order.
    QList<std::pair<qint32, CharFraming>> settings;
    const auto addSetting = [&settings](qint32 baud, const CharFraming &framing) {
        const std::pair<qint32, CharFraming> s{baud, framing};
        if (std::find(settings.cbegin(), settings.cend(), s) == settings.cend())
            settings.append(s);
    };
    if (serial) {
        addSetting(plan.settings.baud, CharFraming::of(plan.settings));
        // Stop bits matter to few receivers and parity to most: every rate is swept with no
        // parity before any is swept with parity.
        for (const CharFraming &f : plan.framings) {
            if (f.parity == QSerialPort::NoParity)
                addSetting(plan.settings.baud, f);
        }
        for (qint32 rate : plan.rates) {
            for (const CharFraming &f : plan.framings) {
                if (f.parity == QSerialPort::NoParity)
                    addSetting(rate, f);
            }
        }
        for (qint32 rate : QList<qint32>{plan.settings.baud} + plan.rates) {
            for (const CharFraming &f : plan.framings)
                addSetting(rate, f);
        }
    } else {
        settings.append({0, CharFraming::of(plan.settings)});
    }
    // The likeliest addresses are asked at every setting before the whole range is.
    QList<quint8> likely{plan.address, 1};
    likely += plan.seenAddresses;
    QList<quint8> first;
    for (quint8 a : std::as_const(likely)) {
        if (a >= plan.from && a <= plan.to && !first.contains(a))
            first.append(a);
    }
    for (const auto &[baud, framing] : std::as_const(settings)) {
        for (quint8 a : std::as_const(first))
            m_tries.append({a, baud, framing});
    }
    for (const auto &[baud, framing] : std::as_const(settings)) {
        for (int a = plan.from; a <= plan.to; ++a) {
            if (!first.contains(quint8(a)))
                m_tries.append({quint8(a), baud, framing});
        }
    }
    m_total = int(m_tries.size());
    m_asked = 0;
    m_wireFloor = Clock::Duration::zero();
    m_silenceBudget = Clock::Duration::zero();
    m_stopAsked = false;
    m_running = !m_tries.isEmpty();
    if (!m_running)
        return false;
    emit progress(0, m_total);
    next();
    return true;
}

void SettingsFinder::stop()
{
    if (m_running)
        m_stopAsked = true;
}

void SettingsFinder::end()
{
    m_running = false;
    m_stopAsked = false;
}

void SettingsFinder::next()
{
    if (m_stopAsked) {
        end();
        return;
    }
    if (m_tries.isEmpty()) {
        end();
        emit notFound();
        return;
    }
    m_current = m_tries.takeFirst();
    const bool serial = m_port->lineKind() == LineKind::Serial;
    ReadRequest probe{m_current.address, BusScan::kProbeRegister, BusScan::kProbeRegisters,
                      m_plan.timeout};
    probe.purpose = RequestPurpose::LineDiagnosis;
    probe.background = true;
    const qint32 wireRate = serial ? m_current.baud : m_plan.settings.baud;
    if (serial) {
        probe.baud = m_current.baud;
        probe.parity = m_current.framing.parity;
        probe.stopBits = m_current.framing.stopBits;
    }
    if (m_port->lineKind() != LineKind::ModbusTcp) {
        Clock::Duration deadline = BusScan::addressBudget(wireRate, m_plan.turnaround);
        if (!serial)
            deadline += BusScan::kNetworkAllowance;
        probe.firstByteTimeout = ceil<microseconds>(deadline);
        m_silenceBudget += deadline;
        m_wireFloor += RequestQueue::wireTime(kRequestCharacters + 1, wireRate);
    }
    ++m_asked;
    const SendResult sent =
        m_queue->sendread(probe, this, [this](const ReadResult &r) { onResult(r); });
    if (sent == SendResult::PortClosed) {
        end();
        emit portClosed();
    }
}

void SettingsFinder::onResult(const ReadResult &result)
{
    if (!m_running)
        return;
    const ReplyStatus status = result.check.status;
    if (status == ReplyStatus::PortClosed || status == ReplyStatus::WriteFailed) {
        end();
        emit portClosed();
        return;
    }
    emit progress(m_asked, m_total);
    if (checkedFrame(result.check)) {
        FoundSettings f;
        f.address = m_current.address;
        f.baud = m_current.baud;
        f.framing = m_current.framing;
        f.check = result.check;
        f.replyTime = result.replyTime;
        end();
        emit found(f);
        return;
    }
    takeHint(result, m_current);
    next();
}

void SettingsFinder::takeHint(const ReadResult &result, const Try &asked)
{
    // A checked frame from another address: that address at these settings is asked next.
    const QByteArray &frame = result.frame;
    if (result.check.status == ReplyStatus::WrongAddress && !frame.isEmpty()) {
        const quint8 from = quint8(frame.at(0));
        if (checkedFrame(checkReply(frame, from, BusScan::kProbeRegisters))) {
            m_tries.prepend({from, asked.baud, asked.framing});
            return;
        }
    }
    // Bytes that are no frame: something talks at about this rate. The rest of the range at
    // this rate, in every framing, goes ahead of the other rates.
    const bool bytes = !result.frame.isEmpty() ||
                       std::any_of(result.skipped.cbegin(), result.skipped.cend(),
                                   [](char c) { return c != 0; });
    if (!bytes || asked.baud == 0)
        return;
    std::stable_partition(m_tries.begin(), m_tries.end(),
                          [&asked](const Try &t) { return t.baud == asked.baud; });
}

void SettingsFinder::onStray(const QByteArray &bytes)
{
    // A whole reply that came after its question was given up names its address.
    if (!m_running || bytes.isEmpty())
        return;
    const quint8 from = quint8(bytes.at(0));
    if (checkedFrame(checkReply(bytes, from, BusScan::kProbeRegisters)))
        m_tries.prepend({from, m_current.baud, m_current.framing});
}
