// SPDX-License-Identifier: MIT
// The port frame: COM1/COM2, the baud rate, the instrument's address, the open/close button.
#include "portframe.h"

#include "inputrules.h"
#include "linesettings.h"
#include "portcontrol.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QRadioButton>

namespace {

// The address an instrument leaves the factory with.
constexpr int kFirstAddress = 1;
// The highest address the list offers; a higher one up to 247 may be typed.
constexpr int kLastListedAddress = 128;

// Picks `text` in the box as the operator would: the listed entry where there is one.
void pick(QComboBox *box, const QString &text)
{
    const int listed = box->findText(text);
    if (listed >= 0)
        box->setCurrentIndex(listed);
    box->setEditText(text);
}

} // namespace

PortFrame::PortFrame(const PortFrameControls &controls, PortControl *ports, QObject *parent)
    : QObject(parent), m_ui(controls)
{
    m_ui.portButtons[0]->setChecked(true);
    m_ui.addressBox->setAccessibleDescription(QCoreApplication::translate("Form1", "仪表地址"));
    m_ui.baudBox->setAccessibleDescription(QCoreApplication::translate("Form1", "通讯波特率"));

    for (int i = 0; i < int(m_ui.portButtons.size()); ++i) {
        connect(m_ui.portButtons[i], &QRadioButton::clicked, ports,
                [ports, i] { ports->selectPort(i); });
    }
    connect(m_ui.baudBox, &QComboBox::textActivated, ports, &PortControl::applyBaud);
    connect(m_ui.baudBox, &QComboBox::editTextChanged, ports, &PortControl::applyBaud);
    connect(m_ui.openButton, &QPushButton::pressed, ports, &PortControl::press);
    connect(m_ui.openButton, &QPushButton::clicked, ports, &PortControl::toggle);
    connect(ports, &PortControl::captionChanged, m_ui.openButton, &QPushButton::setText);
    connect(m_ui.addressBox, &QComboBox::editTextChanged, this, &PortFrame::addressEdited);
}

void PortFrame::fillLists()
{
    for (int baud : listedBaudRates())
        m_ui.baudBox->addItem(QString::number(baud));
    m_ui.baudBox->setCurrentIndex(m_ui.baudBox->findText(QString::number(LineSettings().baud)));
    for (int a = 0; a <= kLastListedAddress; ++a)
        m_ui.addressBox->addItem(QString::number(a));
    m_ui.addressBox->setCurrentIndex(m_ui.addressBox->findText(QString::number(kFirstAddress)));
}

std::optional<quint8> PortFrame::address() const
{
    const std::optional<int> a = parseAddress(m_ui.addressBox->currentText());
    if (!a)
        return std::nullopt;
    return quint8(*a);
}

std::optional<qint32> PortFrame::baud() const
{
    return parseBaud(m_ui.baudBox->currentText());
}

void PortFrame::showAddress(quint8 address)
{
    pick(m_ui.addressBox, QString::number(address));
}

void PortFrame::showBaud(qint32 baud)
{
    pick(m_ui.baudBox, QString::number(baud));
}
