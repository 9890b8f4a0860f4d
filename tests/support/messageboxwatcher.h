// SPDX-License-Identifier: MIT
// For widget tests: answers every message box that opens and remembers what it said.
#pragma once

#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

// While it lives, presses the first button (OK) of every modal message box, so a test that
// makes the window warn goes on, and keeps each box's title, text and icon.
class MessageBoxWatcher : public QObject
{
public:
    MessageBoxWatcher()
    {
        m_poll.setInterval(10);
        connect(&m_poll, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            titles.append(box->windowTitle());
            texts.append(box->text());
            icons.append(box->icon());
            box->buttons().constFirst()->click();
        });
        m_poll.start();
    }

    QStringList titles;
    QStringList texts;
    QList<QMessageBox::Icon> icons;

private:
    QTimer m_poll;
};
