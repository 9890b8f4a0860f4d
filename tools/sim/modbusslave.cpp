// SPDX-License-Identifier: MIT
// libmodbus building the instrument's replies, from the registers it is given.
#include "modbusslave.h"

#include "mbap.h"

#include <algorithm>
#include <cerrno>
#include <modbus.h>

namespace scalecheck::sim {
namespace {

// libmodbus waits this long before it flushes after an exception for a bad register count; there
// is nothing to flush on our socket.
constexpr long kFlushWaitUs = 1000;

} // namespace

ModbusSlave::~ModbusSlave()
{
    if (m_modbus) {
        // Not modbus_close(): the socket is ours.
        modbus_free(m_modbus);
    }
    if (m_mapping) {
        modbus_mapping_free(m_mapping);
    }
    closeSocket(m_modbusEnd);
    closeSocket(m_ourEnd);
}

bool ModbusSlave::init(std::string &error)
{
    // The context never connects anywhere; only its reply building is used.
    m_modbus = modbus_new_tcp("127.0.0.1", 502);
    if (!m_modbus) {
        error = std::string("cannot set up libmodbus: ") + modbus_strerror(errno);
        return false;
    }
    Socket pair[2] = {kNoSocket, kNoSocket};
    if (!socketPair(pair, error)) {
        return false;
    }
    m_modbusEnd = pair[0];
    m_ourEnd = pair[1];
    // libmodbus keeps its socket as an int, on Windows as well (where socket handles fit one).
    if (modbus_set_socket(m_modbus, static_cast<int>(m_modbusEnd)) != 0 ||
        modbus_set_response_timeout(m_modbus, 0, kFlushWaitUs) != 0) {
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

std::optional<Bytes> ModbusSlave::reply(const Bytes &request,
                                        const std::array<std::uint16_t, kRegisterCount> &registers)
{
    std::copy(registers.begin(), registers.end(), m_mapping->tab_registers);
    const Bytes adu = mbapFromRtu(request, 0);
    if (adu.size() <= kMbapHeaderSize) {
        return std::nullopt;
    }
    const int sent =
        adu[kMbapHeaderSize] == 0x03
            ? modbus_reply(m_modbus, adu.data(), static_cast<int>(adu.size()), m_mapping)
            : modbus_reply_exception(m_modbus, adu.data(), MODBUS_EXCEPTION_ILLEGAL_FUNCTION);
    if (sent <= 0) {
        return std::nullopt;
    }
    Bytes mbap(static_cast<std::size_t>(sent));
    if (!receiveAll(m_ourEnd, mbap.data(), mbap.size())) {
        return std::nullopt;
    }
    Bytes rtu = rtuFromMbap(mbap);
    if (rtu.empty()) {
        return std::nullopt;
    }
    return rtu;
}

} // namespace scalecheck::sim
