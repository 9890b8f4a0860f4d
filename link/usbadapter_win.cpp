// SPDX-License-Identifier: MIT
// A USB-serial adapter as Windows describes it: the port list (QSerialPortInfo: COMn, the
// driver's description and manufacturer, vendor and product id, serial number) and the FTDI
// driver's latency timer in the registry. Nothing is written: the timer is the operator's to set.
#include "usbadapter.h"

#include <QSerialPortInfo>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

namespace {

// The FTDI driver's devices: FTDIBUS\VID_0403+PID_6001+<serial>\0000\Device Parameters holds
// the COM name it was given (PortName) and LatencyTimer in ms, which the driver reads at each
// plug-in.
const wchar_t kFtdiBus[] = L"SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS";
const QString kFtdiVendor = QStringLiteral("0403");

// The key's whole name, as regedit shows it.
QString ftdiKeyName(const std::wstring &below = {})
{
    QString name = QStringLiteral("HKEY_LOCAL_MACHINE\\") + QString::fromWCharArray(kFtdiBus);
    if (!below.empty())
        name += QLatin1Char('\\') + QString::fromStdWString(below);
    return name;
}

// A registry key opened for reading only: nothing here may create or change one (QSettings
// creates the keys it opens where it may).
class ReadKey
{
public:
    ReadKey(HKEY parent, const std::wstring &name)
    {
        if (::RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~ReadKey()
    {
        if (m_key)
            ::RegCloseKey(m_key);
    }
    ReadKey(const ReadKey &) = delete;
    ReadKey &operator=(const ReadKey &) = delete;

    explicit operator bool() const { return m_key != nullptr; }
    HKEY key() const { return m_key; }

    std::vector<std::wstring> subkeys() const
    {
        std::vector<std::wstring> names;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD size = DWORD(std::size(name));
            if (::RegEnumKeyExW(m_key, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.emplace_back(name, size);
        }
        return names;
    }
    QString text(const wchar_t *value) const
    {
        wchar_t buffer[64];
        DWORD size = sizeof buffer;
        if (::RegGetValueW(m_key, nullptr, value, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
            ERROR_SUCCESS)
            return {};
        return QString::fromWCharArray(buffer);
    }
    std::optional<DWORD> number(const wchar_t *value) const
    {
        DWORD number = 0;
        DWORD size = sizeof number;
        if (::RegGetValueW(m_key, nullptr, value, RRF_RT_REG_DWORD, nullptr, &number, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        return number;
    }

private:
    HKEY m_key = nullptr;
};

struct RegistryTimer
{
    QString key; // the key that holds it
    int ms = -1; // -1: the key is there, the value could not be read
};

// The timer of the FTDI device given the COM name port; nullopt when no key names it (not the
// FTDI driver's port, or the keys could not be read).
std::optional<RegistryTimer> ftdiTimer(const QString &port)
{
    const ReadKey bus(HKEY_LOCAL_MACHINE, kFtdiBus);
    if (!bus)
        return std::nullopt;
    for (const std::wstring &device : bus.subkeys()) {
        const ReadKey instances(bus.key(), device);
        if (!instances)
            continue;
        for (const std::wstring &instance : instances.subkeys()) {
            const std::wstring path = device + L"\\" + instance + L"\\Device Parameters";
            const ReadKey parameters(bus.key(), path);
            if (!parameters || parameters.text(L"PortName").compare(port, Qt::CaseInsensitive) != 0)
                continue;
            const std::optional<DWORD> ms = parameters.number(L"LatencyTimer");
            return RegistryTimer{ftdiKeyName(path), ms ? int(*ms) : -1};
        }
    }
    return std::nullopt;
}

} // namespace

UsbAdapterInfo inspect(const QString &devicePath, const QString &, const QString &)
{
    const QSerialPortInfo port(devicePath);
    UsbAdapterInfo info = port.isNull() ? UsbAdapterInfo{} : adapterFromListing(listedPort(port));
    info.devicePath = devicePath;
    if (!info.adapter || info.vendorId != kFtdiVendor)
        return info;
    // An FTDI adapter on the FTDI driver has a timer; one whose key cannot be read still has
    // one, of a value Windows does not tell us.
    const std::optional<RegistryTimer> timer = ftdiTimer(port.portName());
    info.latencyTimerPath = timer ? timer->key : ftdiKeyName();
    info.latencyMs = timer ? timer->ms : -1;
    return info;
}

LatencyChange lowerLatency(const UsbAdapterInfo &adapter, int)
{
    LatencyChange change;
    if (!adapter.adapter || adapter.latencyTimerPath.isEmpty())
        return change;
    // Read afresh: the operator may have changed it since the inspection, and the driver takes
    // a new value at the next plug-in.
    change.method = LatencyMethod::Registry;
    const std::optional<RegistryTimer> timer = ftdiTimer(adapter.kernelName);
    change.beforeMs = timer ? timer->ms : -1;
    change.afterMs = change.beforeMs;
    change.outcome = change.beforeMs == kLowestLatencyMs ? LatencyOutcome::AlreadyLowest
                                                         : LatencyOutcome::LeftToOperator;
    return change;
}

LatencyChange setLowLatencyFlag(int)
{
    // Windows drivers have no such flag.
    return {};
}

QString stableNameFor(const QString &, const QString &)
{
    return {};
}

QString portPath(const QSerialPortInfo &info)
{
    return info.portName();
}

QStringList exampleDeviceNames()
{
    return {QStringLiteral("COM3"), QStringLiteral("COM1")};
}

DeviceTrace traceOf(const QString &device, const PortListing &listing)
{
    DeviceTrace trace{device};
    const QList<ListedPort> ports = listing();
    for (const ListedPort &port : ports) {
        if (windowsPortName(port.path) != windowsPortName(device))
            continue;
        const UsbAdapterInfo adapter = adapterFromListing(port);
        trace.vendorId = adapter.vendorId;
        trace.productId = adapter.productId;
        trace.serialNumber = adapter.serial;
        break;
    }
    return trace;
}

QString findAgain(const DeviceTrace &trace, const PortListing &listing)
{
    return matchAgain(trace, listing());
}
