// SPDX-License-Identifier: MIT
// The status bar's "记录" button: pressed, it asks for a CSV file and logs every weight reading
// there (WeightLog); pressed again, it stops. A write that fails stops the log and says so.
#pragma once

#include "pathchooser.h"
#include "weightlog.h"

#include <QToolButton>
#include <functional>

class WeightLogButton : public QToolButton
{
    Q_OBJECT

public:
    explicit WeightLogButton(QWidget *parent = nullptr);

    // The file dialog unless set (tests give a path without a modal dialog).
    void setPathChooser(PathChooser chooser);
    // Whether 自动读取 is on now, for what the status bar says when the log starts.
    void setAutoReading(std::function<bool()> autoReading)
    {
        m_autoReading = std::move(autoReading);
    }

    bool logging() const { return m_log.isOpen(); }
    const WeightLog &log() const { return m_log; }

    // One weight reading: its line goes to the file while the log runs.
    void addReading(const WeightReading &reading);

signals:
    // A line for the status bar: the log started, stopped, or failed and why.
    void status(const QString &text);
    // The log started or stopped: a sentence naming its file, for the operator to see.
    void confirmed(const QString &text, const QString &path);

private:
    void onToggled(bool on);
    void start();
    void stop();
    void failed();
    void showState();

    WeightLog m_log;
    PathChooser m_choosePath;
    std::function<bool()> m_autoReading;
};
