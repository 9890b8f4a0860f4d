// SPDX-License-Identifier: MIT
// The weight panel: the large weight display, 自动读取 and 读取, run by the weight reader.
#pragma once

#include "formbuilder.h"
#include "weightreading.h"

#include <QObject>
#include <optional>

class Clock;
class RequestQueue;
class ResponseTimer;
class WeightReader;

class WeightPanel : public QObject
{
    Q_OBJECT

public:
    // The read button and the auto-read box go to the reader, its readings to the display; the
    // response timer follows the weight's requests on the queue, the poll timer the polling.
    WeightPanel(const WeightPanelControls &controls, WeightReader *reader, RequestQueue *queue,
                Clock &clock, QObject *parent = nullptr);

    // The reading the display shows now; none before the first.
    const std::optional<WeightReading> &shownReading() const { return m_shown; }

signals:
    // The operator turned automatic reading on or off.
    void autoReadSwitched(bool on);

private:
    void style();
    void switchAutoRead(bool on);
    void showReading(const WeightReading &reading);

    WeightPanelControls m_ui;
    WeightReader *m_reader;
    ResponseTimer *m_responseTimer;
    std::optional<WeightReading> m_shown;
};
