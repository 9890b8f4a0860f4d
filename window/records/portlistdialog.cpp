// SPDX-License-Identifier: MIT
// The port list ("端口…"): the serial ports found, their stable names, a converter on the network,
// and a field for any path.
#include "portlistdialog.h"

#include "lineaddress.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { kPathColumn, kDescriptionColumn, kManufacturerColumn, kSerialColumn };

// The path a row stands for: its device, or on a stable-name row that name.
constexpr int kPathRole = Qt::UserRole;

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
    m_path->setPlaceholderText(tr("例如 /dev/ttyUSB0 或 tcp://主机:端口"));
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
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(foundRow);
    layout->addWidget(m_ports, 1);
    layout->addWidget(network);
    layout->addLayout(pathRow);
    layout->addWidget(m_pathNote);
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
