// SPDX-License-Identifier: MIT
// The --log file: one timestamped line per request received and per reply sent.
#include "trafficlog.h"

#include "clib.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

namespace scalecheck::sim {

TrafficLog::~TrafficLog()
{
    if (m_file) {
        std::fclose(m_file);
    }
}

bool TrafficLog::open(const std::string &path, std::string &error)
{
    m_file = std::fopen(path.c_str(), kWriteNotInherited);
    if (!m_file) {
        error = "cannot write the log file " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void TrafficLog::request(const Bytes &bytes, std::string_view ignoredReason, bool echoed)
{
    std::string text = "rx " + toHex(bytes);
    if (!ignoredReason.empty()) {
        text += " ignored=";
        text += ignoredReason;
    }
    if (echoed) {
        text += " echo";
    }
    write(text);
}

void TrafficLog::reply(const Bytes &bytes, std::string_view fault, bool zero)
{
    std::string text = "tx ";
    if (!bytes.empty()) {
        text += toHex(bytes) + " ";
    }
    text += "fault=";
    text += fault;
    if (zero) {
        text += " zero";
    }
    write(text);
}

void TrafficLog::write(const std::string &text)
{
    if (!m_file) {
        return;
    }
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    const std::tm local = localTime(seconds);
    std::fprintf(m_file, "%02d:%02d:%02d.%03d %s\n", local.tm_hour, local.tm_min, local.tm_sec,
                 static_cast<int>(millis), text.c_str());
    std::fflush(m_file);
}

} // namespace scalecheck::sim
