// SPDX-License-Identifier: MIT
// The window over its life: launch to first paint, resident memory after start and through a
// long run of automatic reading, and the CPU that the reading costs.
#include "windowlife.h"
#include "weighttrend.h"

#include "benchsupport.h"
#include "deviceport.h"
#include "form1.h"
#include "requestqueue.h"
#include "simprocess.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QEvent>
#include <QHash>
#include <QLabel>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <ctime>

using namespace std::chrono_literals;

const char *const kLaunchEnv = "SCALECHECK_BENCH_LAUNCHED_NS";

namespace {

constexpr double kFirstPaintTargetMs = 300;
constexpr double kRssTargetMiB = 60;
constexpr double kCpuTargetPercent = 0.5;

// Sees the window's first Paint event; the frame is complete once the event loop comes back
// from the update that painted it, which is when `done` runs.
class FirstPaint : public QObject
{
public:
    FirstPaint(QWidget *window, std::function<void()> done) : m_done(std::move(done))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, m_done);
        }
        return false;
    }

private:
    std::function<void()> m_done;
    bool m_seen = false;
};

// Counts the Paint events of every widget while it is installed on the application: what the
// window redraws for each read, and so where its CPU time goes.
class PaintCensus : public QObject
{
public:
    PaintCensus() { qApp->installEventFilter(this); }
    ~PaintCensus() override { qApp->removeEventFilter(this); }

    // The most painted widgets first: "QLabel readStatus" and its count.
    QList<std::pair<QString, int>> busiest(int n) const
    {
        QList<std::pair<QString, int>> all;
        for (auto it = m_paints.cbegin(); it != m_paints.cend(); ++it)
            all.append({it.key(), it.value()});
        std::sort(all.begin(), all.end(),
                  [](const auto &a, const auto &b) { return a.second > b.second; });
        return all.mid(0, n);
    }
    int total() const
    {
        int sum = 0;
        for (int c : m_paints)
            sum += c;
        return sum;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            // Unnamed widgets are told apart by their nearest named ancestor.
            QString name = watched->objectName();
            for (QObject *up = watched->parent(); name.isEmpty() && up; up = up->parent()) {
                if (!up->objectName().isEmpty())
                    name = QStringLiteral("(in %1)").arg(up->objectName());
            }
            ++m_paints[QStringLiteral("%1 %2").arg(
                QString::fromLatin1(watched->metaObject()->className()), name)];
        }
        return false;
    }

private:
    QHash<QString, int> m_paints;
};

QString verdict(bool met)
{
    return met ? QStringLiteral("yes") : QStringLiteral("**no**");
}

} // namespace

qint64 monotonicNs()
{
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

int firstPaint(const QString &device, qint64 mainEnteredNs)
{
    const qint64 launched = qEnvironmentVariable(kLaunchEnv).toLongLong();
    const qint64 applicationNs = monotonicNs();
    auto *port = new DevicePort;
    port->setDeviceFor(1, device);
    Form1 form(port);
    FirstPaint paint(&form, [&] {
        const qint64 now = monotonicNs();
        say(QStringLiteral("%1 %2 %3 %4")
                .arg(launched ? (now - launched) / 1e6 : -1.0, 0, 'f', 2)
                .arg((now - mainEnteredNs) / 1e6, 0, 'f', 2)
                .arg((now - applicationNs) / 1e6, 0, 'f', 2)
                .arg(rssMiB(), 0, 'f', 1));
        QCoreApplication::quit();
    });
    form.show();
    return QApplication::exec();
}

bool benchStartup(const QString &self, int launches)
{
    SimProcess sim;
    if (!sim.start({"--pace"})) {
        say(QStringLiteral("simulator: ") + sim.errorString());
        return false;
    }
    Samples launch;
    Samples fromMain;
    Samples fromApplication;
    Samples rss;
    for (int i = 0; i < launches; ++i) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kLaunchEnv), QString::number(monotonicNs()));
        child.setProcessEnvironment(env);
        child.start(self, {"first-paint", sim.devicePath()});
        if (!child.waitForFinished(30000)) {
            ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
            child.waitForFinished(-1);
            say(QStringLiteral("first-paint child did not finish"));
            return false;
        }
        const QStringList f = QString::fromUtf8(child.readAllStandardOutput()).split(' ');
        if (f.size() != 4) {
            say(QStringLiteral("first-paint child said: ") + f.join(' ') +
                QString::fromUtf8(child.readAllStandardError()));
            return false;
        }
        launch.add(f[0].toDouble());
        fromMain.add(f[1].toDouble());
        fromApplication.add(f[2].toDouble());
        rss.add(f[3].toDouble());
    }
    say(QStringLiteral("\n### 4a. Window start (%1 launches, platform %2)\n")
            .arg(launches)
            .arg(QApplication::platformName()));
    say(QStringLiteral("From the launch of a process (before fork) to the end of the window's "
                       "first paint, with COM1 opened on the simulator; also from main() and "
                       "from QApplication's construction. Target: first paint ≤ %1 ms.\n")
            .arg(kFirstPaintTargetMs));
    Table table({"from", "median ms", "max ms", "target ms", "met"});
    table.add({"launch", number(launch.median()), number(launch.max()),
               number(kFirstPaintTargetMs, 0), verdict(launch.median() <= kFirstPaintTargetMs)});
    table.add({"main()", number(fromMain.median()), number(fromMain.max()), "", ""});
    table.add(
        {"QApplication", number(fromApplication.median()), number(fromApplication.max()), "", ""});
    say(QStringLiteral("\nResident memory at first paint: median %1 MiB.")
            .arg(number(rss.median(), 1)));
    return true;
}

bool benchSoak(int minutes)
{
    SimProcess sim;
    // The instrument as on a real line: paced at 9600 baud, a moving weight.
    if (!sim.start({"--pace"})) {
        say(QStringLiteral("simulator: ") + sim.errorString());
        return false;
    }
    auto *port = new DevicePort;
    port->setDeviceFor(1, sim.devicePath());
    Form1 form(port);
    bool painted = false;
    FirstPaint paint(&form, [&] { painted = true; });
    form.show();
    waitUntil([&] { return painted; }, 10s);
    idle(1s);
    const double rssStart = rssMiB();

    auto *monitorButton = form.findChild<QAbstractButton *>(QStringLiteral("monitorButton"));
    QString monitor = QStringLiteral("absent: the window has no \"monitorButton\" yet");
    if (monitorButton) {
        monitorButton->click();
        idle(500ms);
        const auto docks = form.findChildren<QDockWidget *>();
        bool shown = false;
        for (const QDockWidget *d : docks)
            shown = shown || d->isVisible();
        monitor = shown ? QStringLiteral("open") : QStringLiteral("button pressed, no dock shown");
    }
    const double rssMonitor = rssMiB();

    form.findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    PaintCensus census;
    const double cpu0 = cpuSeconds();
    BenchClock wall;
    QList<std::pair<int, double>> perMinute;
    for (int m = 1; m <= minutes; ++m) {
        idle(1min);
        perMinute.append({m, rssMiB()});
        QTextStream(stderr) << "soak: minute " << m << " of " << minutes << ", RSS "
                            << perMinute.last().second << " MiB\n";
    }
    const double cpuPercent = (cpuSeconds() - cpu0) / (wall.nowMs() / 1000.0) * 100.0;
    RequestQueue *queue = form.queue();
    const int sent = queue->sentCount();
    const int ok = queue->resultCount(ReplyStatus::Ok);

    say(QStringLiteral("\n### 4b. Window while auto-reading (%1 min, platform %2)\n")
            .arg(minutes)
            .arg(QApplication::platformName()));
    say(QStringLiteral("自动读取 ticked (a weight read every 1.5 s) against the paced simulator at "
                       "9600 baud with a moving weight. Traffic monitor: %1. Reads sent: %2, "
                       "good replies: %3. Targets: RSS ≤ %4 MiB and flat, CPU ≤ %5 %.\n")
            .arg(monitor)
            .arg(sent)
            .arg(ok)
            .arg(kRssTargetMiB)
            .arg(kCpuTargetPercent));
    Table table({"when", "RSS MiB"});
    table.add({"after start", number(rssStart, 1)});
    table.add({"monitor opened", number(rssMonitor, 1)});
    for (const auto &[m, rss] : perMinute)
        table.add({QStringLiteral("after %1 min").arg(m), number(rss, 1)});
    const double rssEnd = perMinute.isEmpty() ? rssMonitor : perMinute.last().second;
    const double growth = rssEnd - (perMinute.isEmpty() ? rssMonitor : perMinute.first().second);
    say(QString());
    Table summary({"figure", "value", "target", "met"});
    summary.add({"RSS at the end, MiB", number(rssEnd, 1), number(kRssTargetMiB, 0),
                 verdict(rssEnd <= kRssTargetMiB)});
    summary.add({"RSS growth from minute 1 to the end, MiB", number(growth, 1), "flat", ""});
    summary.add({"CPU while auto-reading, %", number(cpuPercent, 3), number(kCpuTargetPercent, 1),
                 verdict(cpuPercent <= kCpuTargetPercent)});

    say(QStringLiteral("\nWhat the window repaints, per weight read (%1 Paint events in all):\n")
            .arg(census.total()));
    Table paints({"widget", "paints per read"});
    for (const auto &[name, count] : census.busiest(12))
        paints.add({name, number(double(count) / std::max(1, sent), 2)});
    return true;
}

bool benchMonitorFill(int passes)
{
    // An instrument that answers at once, so that the monitor fills in seconds rather than the
    // hours that auto-reading takes (two lines per read, a read every 1.5 s).
    SimProcess sim;
    if (!sim.start({})) {
        say(QStringLiteral("simulator: ") + sim.errorString());
        return false;
    }
    auto *port = new DevicePort;
    port->setDeviceFor(1, sim.devicePath());
    Form1 form(port);
    bool painted = false;
    FirstPaint paint(&form, [&] { painted = true; });
    form.show();
    waitUntil([&] { return painted; }, 10s);

    auto *monitorButton = form.findChild<QAbstractButton *>(QStringLiteral("monitorButton"));
    auto *monitor = form.findChild<QWidget *>(QStringLiteral("trafficMonitor"));
    QAbstractItemView *view = monitor ? monitor->findChild<QAbstractItemView *>() : nullptr;
    if (!monitorButton || !view || !view->model()) {
        say(QStringLiteral("\n### 4c. Traffic monitor filling up\n\nThe window has no traffic "
                           "monitor (\"monitorButton\", \"trafficMonitor\"); nothing to fill."));
        return true;
    }
    monitorButton->click();
    idle(500ms);
    const auto rows = [view] { return view->model()->rowCount(); };
    auto *read = form.findChild<QAbstractButton *>(QStringLiteral("Command2"));
    auto *queue = form.queue();

    // Read until the monitor holds no more lines than it did a read ago: it is full.
    QList<std::pair<QString, double>> samples{
        {QStringLiteral("monitor open, %1 lines").arg(rows()), rssMiB()}};
    int capacity = 0;
    const auto readOnce = [&] {
        const int sent =
            queue->resultCount(ReplyStatus::Ok) + queue->resultCount(ReplyStatus::NoReply);
        read->click();
        waitUntil(
            [&] {
                return queue->resultCount(ReplyStatus::Ok) +
                           queue->resultCount(ReplyStatus::NoReply) >
                       sent;
            },
            5s);
        idle(2ms); // the repaint, as between two presses
    };
    // The weight trend keeps the readings of its last minutes, about 200 at a read every
    // 1.5 s; read this fast it would keep thousands. Its window is cut to the time 200 reads
    // take here, so that it holds what it holds in real use and only the monitor grows.
    auto *trend = form.findChild<WeightTrend *>();
    constexpr int kTrendReadings = 200;
    QElapsedTimer sinceStart;
    sinceStart.start();
    int next = 500;
    for (int reads = 0; reads < 100000; ++reads) {
        if (reads == 50 && trend)
            trend->setWindow(std::chrono::milliseconds(sinceStart.elapsed() * kTrendReadings / 50));
        const int before = rows();
        readOnce();
        if (rows() >= next) {
            samples.append({QStringLiteral("%1 lines").arg(rows()), rssMiB()});
            next += 1000;
        }
        if (rows() == before && before > 0) {
            capacity = before;
            break;
        }
    }
    samples.append({QStringLiteral("full: %1 lines").arg(capacity), rssMiB()});
    // Then as many lines again through the full ring: the oldest make room for the newest.
    for (int pass = 1; pass <= passes; ++pass) {
        for (int i = 0; i < capacity / 2; ++i)
            readOnce();
        samples.append(
            {QStringLiteral("full, %1 × %2 more lines").arg(pass).arg(capacity), rssMiB()});
    }

    say(QStringLiteral("\n### 4c. Traffic monitor filling up (platform %1)\n")
            .arg(QApplication::platformName()));
    say(QStringLiteral("The window against the unpaced simulator with the monitor open, Command2 "
                       "pressed read after read: memory as the monitor fills to its capacity and "
                       "then keeps only the latest lines (the trend's window cut to hold the %2 "
                       "readings it holds at the normal pace). At a read every 1.5 s the monitor "
                       "fills in %1 minutes.\n")
            .arg(capacity / 2 * 1.5 / 60, 0, 'f', 0)
            .arg(kTrendReadings));
    Table table({"monitor", "RSS MiB"});
    for (const auto &[when, rss] : samples)
        table.add({when, number(rss, 1)});
    return true;
}
