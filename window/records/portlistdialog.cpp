// SPDX-License-Identifier: MIT
// The port list ("端口…"): the serial ports found, their stable names, and a field for any path.
#include "portlistdialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
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
    setWindowTitle(QStringLiteral("选择串口"));

    m_ports = new QTreeWidget(this);
    m_ports->setObjectName(QStringLiteral("ports"));
    m_ports->setHeaderLabels({QStringLiteral("端口"), QStringLiteral("说明"),
                              QStringLiteral("厂商"), QStringLiteral("序列号")});
    m_ports->setRootIsDecorated(true);
    m_ports->setUniformRowHeights(true);
    m_ports->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_ports->setMinimumSize(640, 220);

    m_found = new QLabel(this);
    m_found->setObjectName(QStringLiteral("found"));

    auto *pathLabel = new QLabel(QStringLiteral("路径："), this);
    m_path = new QLineEdit(current, this);
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setPlaceholderText(QStringLiteral("例如 /dev/ttyUSB0"));
    pathLabel->setBuddy(m_path);

    auto *buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("ok"));
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    auto *refreshButton = new QPushButton(QStringLiteral("刷新"), this);
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
    layout->addLayout(pathRow);
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
            auto *child =
                new QTreeWidgetItem(item, {QFileInfo(name).fileName(), QStringLiteral("固定名称")});
            child->setData(kPathColumn, kPathRole, name);
            child->setToolTip(kPathColumn, name);
            if (name == typed)
                match = child;
        }
    }
    m_ports->expandAll();
    if (match)
        m_ports->setCurrentItem(match);
    m_found->setText(entries.isEmpty() ? QStringLiteral("未找到串口，可在下面输入路径。")
                                       : QStringLiteral("找到 %1 个串口：").arg(entries.size()));
}

void PortListDialog::onItemChosen(QTreeWidgetItem *item)
{
    if (item)
        m_path->setText(item->data(kPathColumn, kPathRole).toString());
}

void PortListDialog::onPathEdited()
{
    m_ok->setEnabled(!chosenPath().isEmpty());
}
