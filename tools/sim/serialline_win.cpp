// SPDX-License-Identifier: MIT
// The serial line on Windows: a COM port, opened with the Win32 serial API. Windows has no
// pseudo-terminals; a master on the same machine takes the other end of a null-modem pair of COM
// ports (com0com).
#include "serialline.h"

#include "rtu.h"
#include "windowserror.h"

#include <windows.h>

#include <algorithm>
#include <array>

namespace scalecheck::sim {
namespace {

// A write gives up on a line that takes nothing (nobody at the far end, a port held back) after
// this long and this long again per byte, longer than a byte takes at 1200 baud.
constexpr DWORD kWriteTimeoutMs = 1000;
constexpr DWORD kWriteTimeoutPerByteMs = 20;

// Most bytes held at once for the server; a line that brings more is read again next turn.
constexpr std::size_t kMaxHeld = 4096;

// A COM port read and written with overlapped I/O. While nothing has come in, a read of one
// byte waits on the port, and the server's wait watches its event beside a stop and a socket;
// what has come in is read at once, all of it, and held until the server takes it. (Reads that
// return at once with what is there, or with nothing, the port's other timeouts, are not used:
// wine never completes them while nothing is there.)
class ComPort : public SerialLine
{
public:
    ComPort() = default;
    ~ComPort() override;

    Io read(std::uint8_t *data, std::size_t size) override;
    Io write(const std::uint8_t *data, std::size_t size) override;
    Waitable input() override;
    std::string error() const override { return m_error; }
    // A real port cannot see the rate or the stop bits of the far end.
    bool clientRateDiffers(int) const override { return false; }
    bool clientStopBitsDiffer(int) const override { return false; }

    bool open(const std::string &name, int baud, std::string &error);

private:
    DWORD bytesWaiting();
    void startRead(DWORD size);
    void collect();
    void fail();

    HANDLE m_port = INVALID_HANDLE_VALUE;
    OVERLAPPED m_readDone{};
    OVERLAPPED m_writeDone{};
    bool m_reading = false;
    std::array<std::uint8_t, 512> m_chunk{};
    Bytes m_held; // come in, not yet taken
    bool m_failed = false;
    std::string m_error;
};

ComPort::~ComPort()
{
    if (m_port != INVALID_HANDLE_VALUE) {
        CancelIo(m_port);
        if (m_reading) {
            DWORD ignored = 0;
            GetOverlappedResult(m_port, &m_readDone, &ignored, TRUE);
        }
        CloseHandle(m_port);
    }
    for (const HANDLE event : {m_readDone.hEvent, m_writeDone.hEvent}) {
        if (event) {
            CloseHandle(event);
        }
    }
}

bool ComPort::open(const std::string &name, int baud, std::string &error)
{
    // COM10 and above are only reached by their device name; \\.\ works for every port.
    const std::string device = name.rfind("\\\\.\\", 0) == 0 ? name : "\\\\.\\" + name;
    m_port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
    if (m_port == INVALID_HANDLE_VALUE) {
        error = "cannot open " + name + ": " + windowsErrorText(GetLastError());
        return false;
    }
    m_path = name;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(m_port, &dcb)) {
        error = name + " is not a serial device: " + windowsErrorText(GetLastError());
        return false;
    }
    dcb.BaudRate = static_cast<DWORD>(baud);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(m_port, &dcb)) {
        error = name + ": cannot set the line to 8N2: " + windowsErrorText(GetLastError());
        return false;
    }
    // A read returns once it has all the bytes it asked for.
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    if (!SetCommTimeouts(m_port, &timeouts)) {
        error = name + ": cannot set the port's timeouts: " + windowsErrorText(GetLastError());
        return false;
    }
    m_readDone.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_writeDone.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_readDone.hEvent || !m_writeDone.hEvent) {
        error = name + ": " + windowsErrorText(GetLastError());
        return false;
    }
    PurgeComm(m_port, PURGE_RXCLEAR | PURGE_TXCLEAR);
    return true;
}

void ComPort::fail()
{
    m_failed = true;
    m_error = windowsErrorText(GetLastError());
}

DWORD ComPort::bytesWaiting()
{
    COMSTAT status{};
    DWORD errors = 0;
    if (!ClearCommError(m_port, &errors, &status)) {
        fail();
        return 0;
    }
    return status.cbInQue;
}

void ComPort::startRead(DWORD size)
{
    ResetEvent(m_readDone.hEvent);
    if (ReadFile(m_port, m_chunk.data(), size, nullptr, &m_readDone) ||
        GetLastError() == ERROR_IO_PENDING) {
        m_reading = true; // done at once or later: collect() takes what it brought
        return;
    }
    fail();
}

void ComPort::collect()
{
    if (!m_reading) {
        return;
    }
    DWORD got = 0;
    if (GetOverlappedResult(m_port, &m_readDone, &got, FALSE)) {
        m_reading = false;
        m_held.insert(m_held.end(), m_chunk.begin(), m_chunk.begin() + got);
        return;
    }
    if (GetLastError() != ERROR_IO_INCOMPLETE) {
        m_reading = false;
        fail();
    }
}

Waitable ComPort::input()
{
    collect();
    // All that has come in is taken, so that a request goes on whole; with nothing there, one
    // byte is waited for.
    while (!m_reading && !m_failed && m_held.size() < kMaxHeld) {
        const DWORD waiting = bytesWaiting();
        if (m_failed || (waiting == 0 && !m_held.empty())) {
            break;
        }
        startRead(std::clamp<DWORD>(waiting, 1, DWORD(m_chunk.size())));
        collect();
    }
    return {m_readDone.hEvent, !m_held.empty() || m_failed};
}

Link::Io ComPort::read(std::uint8_t *data, std::size_t size)
{
    collect();
    if (m_held.empty()) {
        return {0, m_failed ? Status::Failed : Status::Ok};
    }
    const std::size_t n = std::min(size, m_held.size());
    std::copy_n(m_held.begin(), n, data);
    m_held.erase(m_held.begin(), m_held.begin() + std::ptrdiff_t(n));
    return {n, Status::Ok};
}

Link::Io ComPort::write(const std::uint8_t *data, std::size_t size)
{
    ResetEvent(m_writeDone.hEvent);
    DWORD written = 0;
    if (!WriteFile(m_port, data, static_cast<DWORD>(size), nullptr, &m_writeDone) &&
        GetLastError() != ERROR_IO_PENDING) {
        return {};
    }
    // The port's write timeouts bound this wait.
    if (!GetOverlappedResult(m_port, &m_writeDone, &written, TRUE)) {
        return {};
    }
    return {written, Status::Ok};
}

} // namespace

bool SerialLine::hasPseudoTerminals()
{
    return false;
}

std::unique_ptr<SerialLine> SerialLine::openPty(int, std::string &error)
{
    error = "Windows has no pseudo-terminals";
    return nullptr;
}

std::unique_ptr<SerialLine> SerialLine::openDevice(const std::string &path, int baud,
                                                   std::string &error)
{
    std::unique_ptr<ComPort> port(new ComPort);
    if (!port->open(path, baud, error)) {
        return nullptr;
    }
    return port;
}

DeviceLink::~DeviceLink() = default;

bool DeviceLink::create(const std::string &linkPath, const std::string &, std::string &error)
{
    error = "--link " + linkPath + ": a COM port on Windows is reached by its own name only";
    return false;
}

void DeviceLink::remove() {}

} // namespace scalecheck::sim
