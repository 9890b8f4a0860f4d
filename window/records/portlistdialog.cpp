// SPDX-License-Identifier: MIT
// The port list ("端口…"): the serial ports found, their stable names, a converter on the network,
// a field for any path, and the reads' timeouts.
#include "portlistdialog.h"

#include "lineaddress.h"
#include "usbadapter.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { kPathColumn, kDescriptionColumn, kManufacturerColumn, kSerialColumn };

// The path a row stands for: its device, or on a stable-name row that name.
constexpr int kPathRole = Qt::UserRole;

QString lineFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/scalecheck/line.ini");
}
const QString kLeastKey = QStringLiteral("timeouts/leastMs");

} // namespace

PortListDialog::PortListDialog(const QString &current, QWidget *parent, PortSource source)
    : QDialog(parent), m_source(std::move(source))
{
    setWindowTitle(tr("选择串口"));

    m_ports = new QTreeWidget(this);
    m_ports->setObjectName(QStringLiteral("ports"));
    m_ports->setHeaderLabels({tr("端口"), tr("说明"), tr("厂商"), tr("序列号")});
    m_ports->setRootIsDecorated(true);
    m_ports->setUniformRowHeights(true);
    m_ports->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_ports->setMinimumSize(640, 220);

    m_found = new QLabel(this);
    m_found->setObjectName(QStringLiteral("found"));

    auto *pathLabel = new QLabel(tr("路径："), this);
    m_path = new QLineEdit(current, this);
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setPlaceholderText(
        tr("例如 %1 或 tcp://主机:端口").arg(exampleDeviceNames().constFirst()));
    pathLabel->setBuddy(m_path);
    m_pathNote = new QLabel(this);
    m_pathNote->setObjectName(QStringLiteral("pathNote"));

    // An RS-485-to-Ethernet converter: a transparent one passes the RTU frames as they are, a
    // Modbus TCP gateway puts them in MBAP. Its serial rate is set on the converter itself.
    auto *network = new QGroupBox(tr("网络"), this);
    network->setObjectName(QStringLiteral("network"));
    m_netKind = new QComboBox(network);
    m_netKind->setObjectName(QStringLiteral("netKind"));
    m_netKind->addItem(tr("透明传输 (tcp://)"), QStringLiteral("tcp://"));
    m_netKind->addItem(tr("Modbus TCP 网关 (mbtcp://)"), QStringLiteral("mbtcp://"));
    m_netHost = new QLineEdit(network);
    m_netHost->setObjectName(QStringLiteral("netHost"));
    m_netHost->setPlaceholderText(tr("IP 地址或主机名"));
    m_netPort = new QLineEdit(network);
    m_netPort->setObjectName(QStringLiteral("netPort"));
    m_netPort->setPlaceholderText(QStringLiteral("1–65535"));
    m_netPort->setMaximumWidth(80);
    auto *hostLabel = new QLabel(tr("主机："), network);
    hostLabel->setBuddy(m_netHost);
    auto *portLabel = new QLabel(tr("端口："), network);
    portLabel->setBuddy(m_netPort);
    auto *networkRow = new QHBoxLayout(network);
    networkRow->addWidget(m_netKind);
    networkRow->addWidget(hostLabel);
    networkRow->addWidget(m_netHost, 1);
    networkRow->addWidget(portLabel);
    networkRow->addWidget(m_netPort);
    if (const std::optional<LineAddress> a = parseLineAddress(current);
        a && a->kind != LineKind::Serial) {
        m_netKind->setCurrentIndex(a->kind == LineKind::ModbusTcp ? 1 : 0);
        m_netHost->setText(a->host);
        m_netPort->setText(QString::number(a->port));
    }

    // An instrument that answers late (slow firmware, a busy converter) is read with longer
    // timeouts: every read waits at least the time chosen; at the least, 标准, each its own.
    auto *timeoutLabel = new QLabel(tr("应答超时："), this);
    m_timeout = new QSpinBox(this);
    m_timeout->setObjectName(QStringLiteral("timeout"));
    m_timeout->setRange(int(ReadTimeouts::kShortestStandard.count()),
                        int(ReadTimeouts::kLongest.count()));
    m_timeout->setSingleStep(100);
    m_timeout->setSuffix(QStringLiteral(" ms"));
    m_timeout->setSpecialValueText(tr("标准（400/1000/1500 ms）"));
    m_timeout->setToolTip(tr("仪表应答迟到时加大：每次读取至少等待这么长"));
    timeoutLabel->setBuddy(m_timeout);
    setTimeouts({});

    auto *buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(tr("确定"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("ok"));
    buttons->addButton(tr("取消"), QDialogButtonBox::RejectRole);
    auto *refreshButton = new QPushButton(tr("刷新"), this);
    refreshButton->setObjectName(QStringLiteral("refresh"));
    refreshButton->setAutoDefault(false);

    auto *foundRow = new QHBoxLayout;
    foundRow->addWidget(m_found, 1);
    foundRow->addWidget(refreshButton);
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(pathLabel);
    pathRow->addWidget(m_path, 1);
    auto *timeoutRow = new QHBoxLayout;
    timeoutRow->addWidget(timeoutLabel);
    timeoutRow->addWidget(m_timeout);
    timeoutRow->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(foundRow);
    layout->addWidget(m_ports, 1);
    layout->addWidget(network);
    layout->addLayout(pathRow);
    layout->addWidget(m_pathNote);
    layout->addLayout(timeoutRow);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(refreshButton, &QPushButton::clicked, this, &PortListDialog::refresh);
    // Selection, not the current item: a list that gets the focus makes its first row current
    // without the operator choosing it, and that must not overwrite the path in the field.
    connect(m_ports, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem *> picked = m_ports->selectedItems();
        if (!picked.isEmpty())
            onItemChosen(picked.constFirst());
    });
    connect(m_ports, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        onItemChosen(item);
        if (m_ok->isEnabled())
            accept();
    });
    connect(m_path, &QLineEdit::textChanged, this, &PortListDialog::onPathEdited);
    connect(m_netKind, &QComboBox::currentIndexChanged, this, &PortListDialog::onNetworkEdited);
    connect(m_netHost, &QLineEdit::textEdited, this, &PortListDialog::onNetworkEdited);
    connect(m_netPort, &QLineEdit::textEdited, this, &PortListDialog::onNetworkEdited);

    refresh();
    onPathEdited();
}

PortSource PortListDialog::defaultSource()
{
    return [] { return systemPorts(kSerialByIdDir); };
}

QString PortListDialog::chosenPath() const
{
    return m_path->text().trimmed();
}

void PortListDialog::setTimeouts(const ReadTimeouts &timeouts)
{
    m_timeout->setValue(int(timeouts.least.value_or(ReadTimeouts::kShortestStandard).count()));
}

ReadTimeouts PortListDialog::chosenTimeouts() const
{
    return ReadTimeouts::atLeast(std::chrono::milliseconds(m_timeout->value()));
}

void PortListDialog::refresh()
{
    showPorts(m_source ? m_source() : QList<PortEntry>());
}

void PortListDialog::showPorts(const QList<PortEntry> &entries)
{
    // Rebuilding the rows must not overwrite what the operator typed.
    const QSignalBlocker blocker(m_ports);
    m_ports->clear();
    const QString typed = chosenPath();
    QTreeWidgetItem *match = nullptr;
    for (const PortEntry &e : entries) {
        auto *item =
            new QTreeWidgetItem(m_ports, {e.path, e.description, e.manufacturer, e.serialNumber});
        item->setData(kPathColumn, kPathRole, e.path);
        if (e.path == typed)
            match = item;
        for (const QString &name : e.stableNames) {
            // The folder is the same for every stable name and would push the other columns out
            // of sight; the row shows the name, the path field and the tip the whole path.
            auto *child = new QTreeWidgetItem(item, {QFileInfo(name).fileName(), tr("固定名称")});
            child->setData(kPathColumn, kPathRole, name);
            child->setToolTip(kPathColumn, name);
            if (name == typed)
                match = child;
        }
    }
    m_ports->expandAll();
    if (match)
        m_ports->setCurrentItem(match);
    m_found->setText(entries.isEmpty() ? tr("未找到串口，可在下面输入路径。")
                                       : tr("找到 %1 个串口：").arg(entries.size()));
}

void PortListDialog::onItemChosen(QTreeWidgetItem *item)
{
    if (item)
        m_path->setText(item->data(kPathColumn, kPathRole).toString());
}

void PortListDialog::onPathEdited()
{
    const QString path = chosenPath();
    const bool usable = parseLineAddress(path).has_value();
    m_ok->setEnabled(usable);
    m_pathNote->setText(usable || lineKindOf(path) == LineKind::Serial
                            ? QString()
                            : tr("网络地址应写作 tcp://主机:端口 或 mbtcp://主机:端口"
                                 "，端口 1–65535"));
}

void PortListDialog::onNetworkEdited()
{
    // An IPv6 address stands in brackets, so that its colons are not taken for the port's.
    QString host = m_netHost->text().trimmed();
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        host = QStringLiteral("[%1]").arg(host);
    m_path->setText(m_netKind->currentData().toString() + host + QLatin1Char(':') +
                    m_netPort->text().trimmed());
}

ReadTimeouts rememberedReadTimeouts()
{
    const QSettings settings(lineFile(), QSettings::IniFormat);
    bool number = false;
    const qint64 ms = settings.value(kLeastKey).toLongLong(&number);
    return number ? ReadTimeouts::atLeast(std::chrono::milliseconds(ms)) : ReadTimeouts{};
}

void rememberReadTimeouts(const ReadTimeouts &timeouts)
{
    QSettings settings(lineFile(), QSettings::IniFormat);
    if (timeouts.raised())
        settings.setValue(kLeastKey, qint64(timeouts.least->count()));
    else
        settings.remove(kLeastKey);
}
