// SPDX-License-Identifier: MIT
// The operator's words for a line that was lost, from why it was lost.
#include "link.h"
#include "seriallink.h"
#include "tcplink.h"

QString lostReasonText(const LostReason &reason)
{
    switch (reason.kind) {
    case LostReason::Kind::Unplugged:
        break;
    case LostReason::Kind::DeviceFailed:
        return SerialLink::errorText(QSerialPort::SerialPortError(reason.error));
    case LostReason::Kind::PeerClosed:
        return TcpLink::tr("对方关闭了连接");
    case LostReason::Kind::NetworkFailed:
        return TcpLink::errorText(QAbstractSocket::SocketError(reason.error));
    }
    return SerialLink::tr("设备已拔出");
}
