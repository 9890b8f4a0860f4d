// SPDX-License-Identifier: MIT
// What is known of the instrument's own decimal point.
#include "instrumentdecimals.h"

#include "adddot.h"
#include "requestqueue.h"

#include <QCoreApplication>
#include <utility>

ReadRequest InstrumentDecimals::request(quint8 address)
{
    return {address, kRegister, 2, kTimeout, false};
}

bool InstrumentDecimals::carries(const ReadRequest &request)
{
    return request.start <= kRegister && kRegister + 2 <= request.start + request.count;
}

void InstrumentDecimals::take(const ReadResult &result)
{
    if (result.ok()) {
        if (!carries(result.request))
            return;
        // A 32-bit value, kept as the instrument said it: a count that no value can be shown
        // with is refused where a value would take it, never held to one that can.
        m_places = result.value(kRegister - result.request.start, 2);
        m_state = State::Known;
        return;
    }
    m_failure = result;
    m_state = result.check.status == ReplyStatus::Exception ? State::Absent : State::Failed;
}

void InstrumentDecimals::forget()
{
    m_state = State::Unknown;
    m_failure = {};
}

std::optional<int> InstrumentDecimals::places() const
{
    switch (m_state) {
    case State::Known:
        return m_places;
    case State::Absent:
        return 0;
    default:
        return std::nullopt;
    }
}

QString InstrumentDecimals::note() const
{
    switch (m_state) {
    case State::Unknown:
        return QCoreApplication::translate("InstrumentDecimals", "小数点位数未知，按 0 位显示");
    case State::Failed:
        return QCoreApplication::translate("InstrumentDecimals",
                                           "小数点位数读取失败（%1），按 0 位显示")
            .arg(resultText(m_failure));
    case State::Absent:
        return QCoreApplication::translate("InstrumentDecimals",
                                           "仪表不提供小数点位数（%1），按 0 位显示")
            .arg(resultText(m_failure));
    case State::Known:
        break;
    }
    return {};
}

InstrumentPoint::InstrumentPoint(RequestQueue *queue, AddressSource address, QObject *parent)
    : QObject(parent), m_queue(queue), m_address(std::move(address))
{
}

bool InstrumentPoint::ask(quint8 address, std::chrono::milliseconds timeout)
{
    if (m_asking)
        return true;
    // Reading the point writes no box: the function 1 page still fills as the operator expects
    // on its own first read.
    ReadRequest request = InstrumentDecimals::request(address);
    request.timeout = timeout;
    const SendResult sent = m_queue->sendread(request, this, [this](const ReadResult &result) {
        m_asking = false;
        take(result);
        emit readDone();
    });
    if (sent == SendResult::PortClosed)
        return false;
    m_asking = true;
    return true;
}

void InstrumentPoint::take(const ReadResult &result)
{
    // An answer for an address that is no longer chosen says nothing about the instrument now
    // on the line. A checked answer at another baud rate is still this instrument's own.
    const std::optional<quint8> address = m_address();
    if (!address || *address != result.request.address)
        return;
    const std::optional<int> before = m_decimals.places();
    m_decimals.take(result);
    // A point set anew on the instrument is worth telling again.
    if (m_decimals.places() != before)
        m_told.fill(false);
}

bool InstrumentPoint::firstTelling(Notice notice)
{
    bool &told = m_told[static_cast<std::size_t>(notice)];
    return !std::exchange(told, true);
}

void InstrumentPoint::forget()
{
    m_decimals.forget();
    m_asking = false;
    m_told.fill(false);
}
