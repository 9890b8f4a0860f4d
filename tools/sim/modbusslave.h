// SPDX-License-Identifier: MIT
// libmodbus building the instrument's replies, from the registers it is given.
#pragma once

#include "registermap.h"
#include "rtu.h"
#include "socketio.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

typedef struct _modbus modbus_t;
typedef struct _modbus_mapping_t modbus_mapping_t;

namespace scalecheck::sim {

// The request comes as an RTU frame that takeRtuRequest() has taken; libmodbus's Modbus TCP
// context builds the reply to it and writes it to a socket of ours, so every reply passes through
// our hands and can be paced and altered. (Its RTU context writes only to a serial device it has
// opened itself, on Windows a COM port.)
class ModbusSlave
{
public:
    ModbusSlave() = default;
    ~ModbusSlave();
    ModbusSlave(const ModbusSlave &) = delete;
    ModbusSlave &operator=(const ModbusSlave &) = delete;

    // Sets up the context, the register mapping and the socket pair (sockets must be started).
    bool init(std::string &error);

    // The RTU reply to request: function 03 read from registers (exception 02 beyond them, 03 for
    // a count it cannot read), exception 01 for any other function, the instrument only reads.
    // Nothing if libmodbus built none.
    std::optional<Bytes> reply(const Bytes &request,
                               const std::array<std::uint16_t, kRegisterCount> &registers);

private:
    modbus_t *m_modbus = nullptr;
    modbus_mapping_t *m_mapping = nullptr;
    Socket m_modbusEnd = kNoSocket; // libmodbus writes its replies here
    Socket m_ourEnd = kNoSocket;    // and we read them back here
};

} // namespace scalecheck::sim
