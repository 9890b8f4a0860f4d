// SPDX-License-Identifier: MIT
// The weight panel: the large weight display, 自动读取 and 读取, which drive the read session.
#include "weightpanel.h"

#include "readsession.h"
#include "readstatus.h"
#include "responsetimer.h"
#include "weightlabel.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>

namespace {

const QColor kWeightColour(255, 0, 0);
const QColor kWeightBackground(192, 192, 255);

QFont weightFont(const QFont &base)
{
    QFont f = base;
    // 宋体 is the face the instrument's makers chose; on Linux a CJK face stands in for it.
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                   QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                   QStringLiteral("Noto Sans CJK SC")});
    f.setPointSize(60);
    f.setWeight(QFont::Normal);
    return f;
}

} // namespace

WeightPanel::WeightPanel(const WeightPanelControls &controls, ReadSession *session,
                         RequestQueue *queue, Clock &clock, QObject *parent)
    : QObject(parent), m_ui(controls), m_session(session),
      m_responseTimer(
          new ResponseTimer(controls.responseTimer, queue, WeightReading::kRegister, clock, this))
{
    style();
    connect(m_ui.readButton, &QPushButton::clicked, m_session, &ReadSession::readWeight);
    connect(m_ui.autoReadBox, &QCheckBox::clicked, this, &WeightPanel::switchAutoRead);
    connect(m_session, &ReadSession::weightRead, this, &WeightPanel::showReading);
    connect(m_session, &ReadSession::blockRead, this, [this](const BlockRead &read) {
        if (read.block == BlockRead::kWeight)
            emit status(readStatusText(read));
    });
    connect(m_session, &ReadSession::notSent, this, [this](int block, ReadSession::NotSent why) {
        if (block == BlockRead::kWeight)
            emit status(notSentText(block, why));
    });
}

void WeightPanel::showReading(const WeightReading &reading)
{
    m_shown = reading;
    m_ui.weightLabel->showReading(reading);
}

void WeightPanel::switchAutoRead(bool on)
{
    m_session->setAutoRead(on);
    // While the weight is polled the read button rests; the poll timer shows the polling, at the
    // session's pace.
    m_ui.readButton->setEnabled(!on);
    if (on)
        m_ui.pollTimer->start(ReadSession::kPollInterval);
    else
        m_ui.pollTimer->stop();
    emit autoReadSwitched(on);
}

void WeightPanel::style()
{
    // The panel: its caption in red on the menu colour, the weight red on light blue.
    QGroupBox *panel = m_ui.panel;
    const QPalette plain = panel->palette();
    QPalette framePalette = plain;
    framePalette.setColor(QPalette::WindowText, kWeightColour);
    framePalette.setColor(QPalette::Window, QApplication::palette("QMenu").color(QPalette::Window));
    panel->setPalette(framePalette);
    panel->setAutoFillBackground(true);
    QPalette checkPalette = m_ui.autoReadBox->palette();
    checkPalette.setColor(QPalette::WindowText, plain.color(QPalette::WindowText));
    m_ui.autoReadBox->setPalette(checkPalette);

    WeightLabel *label = m_ui.weightLabel;
    QPalette weightPalette = label->palette();
    weightPalette.setColor(QPalette::WindowText, kWeightColour);
    weightPalette.setColor(QPalette::Window, kWeightBackground);
    label->setPalette(weightPalette);
    label->setAutoFillBackground(true);
    label->setFont(weightFont(label->font()));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setAccessibleDescription(QCoreApplication::translate("Form1", "毛重"));
    m_ui.readButton->setAccessibleName(QCoreApplication::translate("Form1", "读取毛重"));
}
