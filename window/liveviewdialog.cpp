// SPDX-License-Identifier: MIT
// 手机查看: the live page turned on and off from the window.
#include "liveviewdialog.h"

#include "liveserver.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <qrencode.h>

#include <memory>

namespace {

constexpr int kQuietZone = 4; // modules of white around the code (ISO/IEC 18004)
constexpr int kModulePixels = 5;

} // namespace

QImage qrCodeImage(const QByteArray &text, int moduleSize)
{
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(text.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!code || moduleSize < 1)
        return {};
    const int side = (code->width + 2 * kQuietZone) * moduleSize;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            // Bit 0 of each byte is the module's colour, 1 for dark.
            if (code->data[y * code->width + x] & 1)
                painter.fillRect((x + kQuietZone) * moduleSize, (y + kQuietZone) * moduleSize,
                                 moduleSize, moduleSize, Qt::black);
        }
    }
    return image;
}

QList<QHostAddress> LiveViewDialog::interfaceAddresses()
{
    QList<QHostAddress> v4;
    QList<QHostAddress> v6;
    for (const QNetworkInterface &i : QNetworkInterface::allInterfaces()) {
        const auto flags = i.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : i.addressEntries()) {
            const QHostAddress a = entry.ip();
            if (a.protocol() == QAbstractSocket::IPv4Protocol)
                v4.append(a);
            else if (a.protocol() == QAbstractSocket::IPv6Protocol && !a.isLinkLocal())
                v6.append(a);
        }
    }
    return v4 + v6 + QList<QHostAddress>{QHostAddress(QHostAddress::LocalHost)};
}

LiveViewDialog::LiveViewDialog(LiveServer *server, QWidget *parent)
    : QDialog(parent), m_server(server), m_address(new QComboBox(this)), m_port(new QSpinBox(this)),
      m_switch(new QPushButton(this)), m_url(new QLineEdit(this)), m_code(new QLabel(this)),
      m_viewers(new QLabel(this)), m_error(new QLabel(this))
{
    setWindowTitle(tr("手机查看"));
    setObjectName(QStringLiteral("liveViewDialog"));
    m_address->setObjectName(QStringLiteral("liveAddress"));
    m_port->setObjectName(QStringLiteral("livePort"));
    m_switch->setObjectName(QStringLiteral("liveSwitch"));
    m_url->setObjectName(QStringLiteral("liveUrl"));
    m_code->setObjectName(QStringLiteral("liveCode"));
    m_viewers->setObjectName(QStringLiteral("liveViewers"));
    m_error->setObjectName(QStringLiteral("liveError"));

    for (const QHostAddress &a : interfaceAddresses()) {
        const QString text = a.isLoopback() ? tr("%1（仅本机）").arg(a.toString()) : a.toString();
        m_address->addItem(text, a.toString());
    }
    m_port->setRange(1, 65535);
    m_port->setValue(kDefaultPort);
    m_url->setReadOnly(true);
    m_code->setAlignment(Qt::AlignCenter);
    m_code->setMinimumSize(220, 220);
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #b00000;"));

    auto *form = new QFormLayout;
    form->addRow(tr("本机地址"), m_address);
    form->addRow(tr("端口"), m_port);
    form->addRow(tr("手机打开"), m_url);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_code);
    layout->addWidget(m_viewers);
    layout->addWidget(m_error);
    auto *note =
        new QLabel(tr("手机与本机须在同一网络。页面只读，不能操作仪表；关闭后地址失效。"), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addWidget(m_switch);

    connect(m_switch, &QPushButton::clicked, this, &LiveViewDialog::toggle);
    connect(m_server, &LiveServer::runningChanged, this, &LiveViewDialog::showState);
    connect(m_server, &LiveServer::viewerCountChanged, this, &LiveViewDialog::showState);
    showState();
}

void LiveViewDialog::toggle()
{
    m_error->clear();
    if (m_server->isRunning()) {
        m_server->stop();
        return;
    }
    const QHostAddress address(m_address->currentData().toString());
    if (!m_server->start(address, quint16(m_port->value())))
        m_error->setText(tr("无法在 %1 端口 %2 上开启：%3")
                             .arg(address.toString())
                             .arg(m_port->value())
                             .arg(m_server->errorString()));
}

void LiveViewDialog::showState()
{
    const bool on = m_server->isRunning();
    m_switch->setText(on ? tr("关闭手机查看") : tr("开启手机查看"));
    m_address->setEnabled(!on);
    m_port->setEnabled(!on);
    const QString url = m_server->url().toString(QUrl::FullyEncoded);
    m_url->setText(url);
    if (on)
        m_code->setPixmap(QPixmap::fromImage(qrCodeImage(url.toUtf8(), kModulePixels)));
    else
        m_code->clear();
    m_viewers->setText(on ? tr("正在查看的手机：%1 台（最多 %2 台）")
                                .arg(m_server->viewerCount())
                                .arg(m_server->limits().viewers)
                          : tr("未开启"));
}
