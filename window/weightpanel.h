// SPDX-License-Identifier: MIT
// The weight panel: the large weight display, 自动读取 and 读取, which drive the read session.
#pragma once

#include "formbuilder.h"
#include "weightreading.h"

#include <QObject>
#include <optional>

class Clock;
class ReadSession;
class RequestQueue;
class ResponseTimer;
struct BlockRead;

class WeightPanel : public QObject
{
    Q_OBJECT

public:
    // The read button and the auto-read box go to the session, its weights to the display; the
    // response timer follows the weight's requests on the queue, the poll timer the polling.
    WeightPanel(const WeightPanelControls &controls, ReadSession *session, RequestQueue *queue,
                Clock &clock, QObject *parent = nullptr);

    // The reading the display shows now; none before the first.
    const std::optional<WeightReading> &shownReading() const { return m_shown; }

signals:
    // The operator turned automatic reading on or off.
    void autoReadSwitched(bool on);
    // How the latest read of the weight went, for the status bar.
    void status(const QString &text);

private:
    void style();
    void switchAutoRead(bool on);
    void showReading(const WeightReading &reading);

    WeightPanelControls m_ui;
    ReadSession *m_session;
    ResponseTimer *m_responseTimer;
    std::optional<WeightReading> m_shown;
};
