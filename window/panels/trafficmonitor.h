// SPDX-License-Identifier: MIT
// The traffic monitor ("通讯监视"): every frame the request queue writes, receives or drops, one
// line each with its time to the millisecond, in a bounded table the main window puts in a dock.
#pragma once

#include "trafficlines.h"

#include <QElapsedTimer>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QTableView;
class RequestQueue;

class TrafficMonitor : public QWidget
{
    Q_OBJECT

public:
    explicit TrafficMonitor(RequestQueue *queue, QWidget *parent = nullptr);

    TrafficModel *model() const { return m_model; }
    QTableView *view() const { return m_view; }

    // At most this many lines are kept (TrafficModel::kDefaultCapacity unless set).
    int capacity() const;
    void setCapacity(int lines);

    // While paused no line is added; the frames that passed meanwhile are counted.
    bool isPaused() const { return m_paused; }
    void setPaused(bool paused);
    int skippedCount() const { return m_skipped; }

    void clear();
    // The selected lines, oldest first, each as tab-separated text ending in a newline.
    QString selectedText() const;
    // Puts selectedText() on the clipboard (the "复制" button, Ctrl+C in the table).
    void copySelection();

    // Where the lines' times come from; the wall clock unless set (tests).
    void setClock(std::function<QTime()> clock) { m_clock = std::move(clock); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Row height and column widths for the font and the language in use.
    void applyMetrics();
    // The bytes and the result share the room the other columns leave in the view.
    void fitColumns();
    void add(const TrafficLine &line);
    void addResult(const ReadResult &result, LineKind kind);
    void showState();

    TrafficModel *m_model;
    QTableView *m_view;
    QPushButton *m_pause;
    QPushButton *m_copy;
    QLabel *m_state;
    int m_bytesWidth = 0;    // the bytes' own width: a weight reply whole, or the operator's
    int m_bytesMinimum = 0;  // the first bytes of a frame
    int m_resultMinimum = 0; // an everyday outcome of a read
    bool m_fitting = false;  // fitColumns() is setting widths: no operator's choice
    bool m_paused = false;
    int m_skipped = 0;
    std::function<QTime()> m_clock;
    QByteArray m_lastSent;         // the request on the line, whose echo a reply may come behind
    QElapsedTimer m_skippedStream; // since a burst nobody asked for began while paused
};
