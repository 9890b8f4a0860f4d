// SPDX-License-Identifier: MIT
// The verify command: the test's plan from the command line or a file, the operator prompted for
// each load, the weight read until it is stable, the verdict and the record.
#include "verifycommand.h"

#include "cliarguments.h"
#include "clitext.h"
#include "inputrules.h"
#include "lineclient.h"
#include "modbusframe.h"
#include "readings.h"
#include "report.h"
#include "weightreader.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QTimer>
#include <cstdio>
#include <iostream>
#include <string>

using namespace std::chrono;

namespace {

constexpr int kExitPass = 0;
constexpr int kExitFail = 1;
constexpr int kExitUsage = 2;
constexpr int kMaxTimeoutMs = 60000;
constexpr int kMaxSettleLimitS = 600;
constexpr int kMaxIntervalMs = 60000;

// The words' translation context.
struct Verify
{
    Q_DECLARE_TR_FUNCTIONS(Verify)
};

// The options of the command itself that take a value; the plan's are the plan's.
const QStringList &valueOptions()
{
    static const QStringList names{
        QStringLiteral("port"),        QStringLiteral("baud"),         QStringLiteral("addr"),
        QStringLiteral("timeout"),     QStringLiteral("lang"),         QStringLiteral("out"),
        QStringLiteral("plan"),        QStringLiteral("weights"),      QStringLiteral("technician"),
        QStringLiteral("place"),       QStringLiteral("temperature"),  QStringLiteral("settle-limit"),
        QStringLiteral("interval"),
    };
    return names;
}

// Every option of the other commands that takes a value, so that its value is not taken for
// the command.
bool takesValue(const QString &name)
{
    static const QStringList others{
        QStringLiteral("count"),   QStringLiteral("from"),       QStringLiteral("to"),
        QStringLiteral("bauds"),   QStringLiteral("turnaround"), QStringLiteral("csv"),
        QStringLiteral("seconds"), QStringLiteral("customer"),   QStringLiteral("site"),
        QStringLiteral("serial"),  QStringLiteral("listen"),
    };
    return valueOptions().contains(name) || others.contains(name) ||
           (planOptionNames().contains(name) && name != QLatin1String("in-service"));
}

VerifyArguments usage(const std::function<QString()> &what)
{
    const QString hint =
        said([] { return QCoreApplication::translate("Cli", "用法见 scalecheck-cli --help"); });
    return {std::nullopt, said(what) + QLatin1Char('\n') +
                              (cliLanguage() == CliLanguage::English
                                   ? QStringLiteral("(%1)").arg(hint)
                                   : QStringLiteral("（%1）").arg(hint))};
}

VerifyArguments badValue(const QString &option, const QString &value, const QString &range)
{
    return usage([&] {
        return QCoreApplication::translate("Cli", "--%1 的值“%2”无效（应为 %3）")
            .arg(option, value, range);
    });
}

// One line of JSON that tells a script what to do next.
QString promptJson(const QString &prompt, int step, const PlanStep &s, const QString &load)
{
    const QString position = platformPositionName(s.position);
    return QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("prompt"), prompt},
                                  {QStringLiteral("step"), step},
                                  {QStringLiteral("kind"), stepKindName(s.kind)},
                                  {QStringLiteral("load"), load},
                                  {QStringLiteral("position"), position.isEmpty()
                                                                   ? QJsonValue(QJsonValue::Null)
                                                                   : QJsonValue(position)}})
            .toJson(QJsonDocument::Compact));
}

// The operator's Enter; false when standard input has ended.
bool awaitEnter()
{
    std::string line;
    return bool(std::getline(std::cin, line));
}

class VerifySession
{
public:
    VerifySession(LineClient *line, const VerifyOptions &options)
        : m_line(line), m_options(options), m_reader(line, cliOptions(options))
    {
    }

    int run();

private:
    static CliOptions cliOptions(const VerifyOptions &o)
    {
        CliOptions c;
        c.port = o.port;
        c.baud = o.baud;
        c.address = o.address;
        c.timeout = o.timeout;
        c.blocks = cliBlocks();
        return c;
    }

    void readInstrument(CertificateData &data);
    bool prompt(VerificationRun &run);
    bool settle(VerificationRun &run);
    void sayStep(const StepResult &r, int number);
    // A message for the operator: on stdout, or beside the JSON on stderr.
    void tell(const std::function<QString()> &text)
    {
        (m_options.json ? printErr : printOut)(said(text));
    }

    LineClient *m_line;
    VerifyOptions m_options;
    InstrumentReader m_reader;
    qint64 m_readings = 0;
};

void VerifySession::readInstrument(CertificateData &data)
{
    const Reading all = m_reader.take(++m_readings);
    for (const QString &l : failureLines(all, false))
        printErr(l);
    for (const BlockReading &block : all.blocks) {
        if (block.weight)
            continue;
        for (const CodeValue &cv : block.codeValues()) {
            data.instrument.parameters.append({cv.code, cv.value});
            if (cv.code == QLatin1String("ID"))
                data.instrument.id = cv.value;
        }
    }
}

bool VerifySession::prompt(VerificationRun &run)
{
    const PlanStep step = *run.currentStep();
    const int number = run.stepIndex() + 1;
    const int total = int(run.steps().size());
    const VerificationPlan &plan = run.plan();
    if (run.phase() == VerificationRun::Phase::AwaitingSmallWeight) {
        // 0.1 e, one place further than e where it is not a whole count.
        const QString small = plan.e % 10 == 0 ? countsText(plan.e / 10, plan.places)
                                               : countsText(plan.e, plan.places + 1);
        if (m_options.json)
            printOut(promptJson(QStringLiteral("addSmallWeight"), number, step, small));
        tell([&] {
            return Verify::tr("第 %1/%2 步 %3：请再加 %4（0.1 e），然后按回车")
                .arg(number)
                .arg(total)
                .arg(stepKindText(step.kind), small);
        });
        if (!awaitEnter())
            return false;
        run.smallWeightAdded();
        return true;
    }
    const QString load = countsText(step.load, plan.places);
    if (m_options.json)
        printOut(promptJson(QStringLiteral("place"), number, step, load));
    const QString where = positionText(step.position);
    tell([&] {
        if (step.kind == StepKind::Zero || step.load == 0)
            return Verify::tr("第 %1/%2 步 %3：请清空秤台，然后按回车")
                .arg(number)
                .arg(total)
                .arg(stepKindText(step.kind));
        return Verify::tr("第 %1/%2 步 %3：请放上 %4%5，然后按回车")
            .arg(number)
            .arg(total)
            .arg(stepKindText(step.kind), load,
                 where.isEmpty() ? QString() : Verify::tr("（%1）").arg(positionText(step.position)));
    });
    if (!awaitEnter())
        return false;
    run.placed();
    return true;
}

bool VerifySession::settle(VerificationRun &run)
{
    const QList<CliBlock> weightOnly{cliBlocks().first()};
    while (run.phase() == VerificationRun::Phase::Settling) {
        const steady_clock::time_point began = steady_clock::now();
        const Reading r = m_reader.take(++m_readings, weightOnly);
        if (const std::optional<WeightReading> weight = weightOf(r))
            run.addReading(*weight);
        // A port that has gone will not come back by itself: the test cannot go on.
        if (!m_line->lostReason().isEmpty()) {
            for (const QString &l : failureLines(r, false))
                printErr(l);
            return false;
        }
        // The settle limit's timer and the pause between readings run in the event loop.
        const auto rest = m_options.interval - duration_cast<milliseconds>(steady_clock::now() - began);
        if (rest > milliseconds::zero()) {
            QEventLoop pause;
            QTimer::singleShot(rest, &pause, &QEventLoop::quit);
            pause.exec();
        } else {
            QCoreApplication::processEvents();
        }
    }
    return true;
}

void VerifySession::sayStep(const StepResult &r, int number)
{
    const auto text = [&r](const std::optional<qint64> &counts) {
        return counts ? countsText(*counts, r.places) : QStringLiteral("—");
    };
    const QString inE = r.errorInE() ? QString::number(*r.errorInE(), 'f', 2) : QStringLiteral("—");
    tell([&] {
        const QString outcome = !r.stable      ? Verify::tr("不稳定，不合格")
                                : !r.changeSeen ? Verify::tr("示值未变化，不合格")
                                : r.pass        ? Verify::tr("通过")
                                                : Verify::tr("超差");
        return Verify::tr("第 %1 步 %2：载荷 %3，示值 %4，误差 %5（%6 e），MPE %7：%8")
            .arg(number)
            .arg(stepKindText(r.step.kind), countsText(r.load, r.places), text(r.indication),
                 text(r.error), inE, r.mpe ? mpeText(*r.mpe) : QStringLiteral("—"), outcome);
    });
}

int VerifySession::run()
{
    CertificateData data;
    data.instrument.port = m_options.port;
    data.instrument.lineSettings = settingsText(m_line->port()->lineSettings());
    data.instrument.address = m_options.address;
    data.conditions = m_options.conditions;
    data.version = QCoreApplication::applicationVersion();
    data.plan = m_options.plan;
    const QDateTime now = QDateTime::currentDateTime();
    data.time = now.toOffsetFromUtc(now.offsetFromUtc());
    readInstrument(data);

    VerificationRun run(m_options.plan, Clock::eventLoop(), nullptr,
                        duration_cast<Clock::Duration>(m_options.settleLimit));
    QObject::connect(&run, &VerificationRun::stepRecorded, &run,
                     [&](int index) { sayStep(run.results().at(index), index + 1); });
    bool ended = false;
    while (run.phase() != VerificationRun::Phase::Finished && !ended) {
        if (run.phase() == VerificationRun::Phase::Settling)
            ended = !settle(run);
        else
            ended = !prompt(run);
    }
    data.result = run.result();
    if (ended)
        printErr(said([] { return Verify::tr("测试未完成，不能判定合格"); }));

    if (!m_options.outPath.isEmpty()) {
        QString error;
        if (!writeCertificate(m_options.outPath, data, &error)) {
            const QString path = QDir::toNativeSeparators(m_options.outPath);
            printErr(said([&] { return Verify::tr("无法写出检定测试记录 %1").arg(path); }) +
                     QStringLiteral(" (%1)").arg(error));
            return kExitFail;
        }
        tell([&] {
            return Verify::tr("检定测试记录已写出：%1")
                .arg(QStringList{m_options.outPath, reportHtmlPath(m_options.outPath),
                                 certificateJsonPath(m_options.outPath)}
                         .join(QStringLiteral(", ")));
        });
    }
    if (m_options.json)
        printOut(QString::fromUtf8(
            QJsonDocument(certificateJson(data)).toJson(QJsonDocument::Compact)));
    else
        tell([&] { return data.result.pass ? Verify::tr("结论：合格") : Verify::tr("结论：不合格"); });
    return data.result.pass ? kExitPass : kExitFail;
}

} // namespace

bool isVerifyCommand(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (!a.startsWith(QLatin1Char('-')))
            return a == QLatin1String("verify");
        if (a.startsWith(QLatin1String("--")) && !a.contains(QLatin1Char('=')) &&
            takesValue(a.mid(2)))
            ++i;
    }
    return false;
}

VerifyArguments parseVerifyArguments(const QStringList &arguments)
{
    VerifyOptions o;
    QStringList planWords;
    QHash<QString, QString> values;
    bool commandSeen = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (!a.startsWith(QLatin1String("--"))) {
            if (!commandSeen && a == QLatin1String("verify")) {
                commandSeen = true;
                continue;
            }
            return usage([&] {
                return QCoreApplication::translate("Cli", "多余的参数“%1”").arg(a);
            });
        }
        const qsizetype equals = a.indexOf(QLatin1Char('='));
        const QString name = a.mid(2, equals < 0 ? -1 : equals - 2);
        if (planOptionNames().contains(name)) {
            planWords.append(a);
            if (equals < 0 && name != QLatin1String("in-service") && i + 1 < arguments.size())
                planWords.append(arguments.at(++i));
            continue;
        }
        if (name == QLatin1String("json") && equals < 0) {
            o.json = true;
            continue;
        }
        if (!valueOptions().contains(name))
            return usage([&] {
                return QCoreApplication::translate("Cli", "%1 命令没有 --%2 选项")
                    .arg(QStringLiteral("verify"), name);
            });
        if (equals >= 0) {
            values.insert(name, a.mid(equals + 1));
        } else if (i + 1 < arguments.size()) {
            values.insert(name, arguments.at(++i));
        } else {
            return usage([&] { return Verify::tr("--%1 缺少值").arg(name); });
        }
    }

    if (values.value(QStringLiteral("port")).trimmed().isEmpty())
        return usage(
            [&] { return QCoreApplication::translate("Cli", "缺少 --port 串口设备或网络地址"); });
    o.port = values.value(QStringLiteral("port")).trimmed();
    if (values.contains(QStringLiteral("baud"))) {
        const std::optional<int> rate = parseBaud(values.value(QStringLiteral("baud")));
        if (!rate)
            return badValue(QStringLiteral("baud"), values.value(QStringLiteral("baud")),
                            QStringLiteral("1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200"));
        o.baud = *rate;
    }
    if (values.contains(QStringLiteral("addr"))) {
        const std::optional<int> a = parseAddress(values.value(QStringLiteral("addr")));
        if (!a || *a == kBroadcastAddress)
            return badValue(QStringLiteral("addr"), values.value(QStringLiteral("addr")),
                            QStringLiteral("1..247"));
        o.address = quint8(*a);
    }
    const auto number = [&](const QString &name, int low, int high) -> std::optional<int> {
        return wholeNumber(values.value(name), low, high);
    };
    if (values.contains(QStringLiteral("timeout"))) {
        const std::optional<int> ms = number(QStringLiteral("timeout"), 1, kMaxTimeoutMs);
        if (!ms)
            return badValue(QStringLiteral("timeout"), values.value(QStringLiteral("timeout")),
                            QStringLiteral("1..%1 ms").arg(kMaxTimeoutMs));
        o.timeout = milliseconds(*ms);
    }
    if (values.contains(QStringLiteral("settle-limit"))) {
        const std::optional<int> s = number(QStringLiteral("settle-limit"), 1, kMaxSettleLimitS);
        if (!s)
            return badValue(QStringLiteral("settle-limit"),
                            values.value(QStringLiteral("settle-limit")),
                            QStringLiteral("1..%1 s").arg(kMaxSettleLimitS));
        o.settleLimit = seconds(*s);
    }
    if (values.contains(QStringLiteral("interval"))) {
        const std::optional<int> ms = number(QStringLiteral("interval"), 0, kMaxIntervalMs);
        if (!ms)
            return badValue(QStringLiteral("interval"), values.value(QStringLiteral("interval")),
                            QStringLiteral("0..%1 ms").arg(kMaxIntervalMs));
        o.interval = milliseconds(*ms);
    }
    if (values.contains(QStringLiteral("out"))) {
        o.outPath = values.value(QStringLiteral("out"));
        if (o.outPath.trimmed().isEmpty())
            return badValue(QStringLiteral("out"), o.outPath, QStringLiteral("a file name"));
    }
    o.conditions = {values.value(QStringLiteral("weights")),
                    values.value(QStringLiteral("technician")),
                    values.value(QStringLiteral("place")),
                    values.value(QStringLiteral("temperature"))};

    PlanParse plan;
    if (values.contains(QStringLiteral("plan"))) {
        if (!planWords.isEmpty())
            return usage([] { return Verify::tr("--plan 与方案的选项不能同时给出"); });
        QFile file(values.value(QStringLiteral("plan")));
        if (!file.open(QIODevice::ReadOnly))
            return usage([&] {
                return Verify::tr("无法读取方案文件 %1").arg(values.value(QStringLiteral("plan")));
            });
        plan = parsePlanJson(file.readAll());
    } else {
        plan = parsePlanArguments(planWords);
    }
    if (!plan.plan)
        return usage([&] { return planErrorText(*plan.error); });
    o.plan = *plan.plan;
    return {o, {}};
}

QString verifyUsageText()
{
    return QStringLiteral(
        "Verification test:\n"
        "  scalecheck-cli --port P verify --class III --e 0.1 --max 300.00 [--min 2.00]\n"
        "                 [--in-service] [--loads 0,50,100,200,300] [--eccentricity 100]\n"
        "                 [--repeat 3@150] [--change-point 150] | --plan FILE.json\n"
        "                 [--json] [--out FILE.pdf] [--weights ID] [--technician NAME]\n"
        "                 [--place TEXT] [--temperature TEXT] [--settle-limit 30] [--interval 0]\n"
        "  --class         I, II, III, IIII (OIML R76-1) or HB44-III (NIST Handbook 44)\n"
        "  --e, --max, --min, --loads, --eccentricity\n"
        "                  in the indicator's unit, with its decimal point\n"
        "  --in-service    in-service limits (Handbook 44: maintenance); else initial\n"
        "  --repeat N@LOAD the repeatability test; --change-point LOAD adds a change-point step\n"
        "  Each step says what to put on the platform and waits for Enter on standard input;\n"
        "  the weight is then read as fast as the line allows (--interval) until it is stable\n"
        "  (every reading of 1 s within ±0.5 e of their mean), for at most --settle-limit\n"
        "  seconds: a step that does not settle is recorded as unstable and fails.\n"
        "  --json          each prompt as one line {\"prompt\": \"place\", \"step\": N, \"kind\",\n"
        "                  \"load\", \"position\"}, the results as one object at the end\n"
        "  --out FILE.pdf  the test record as PDF, with FILE.html and FILE.json beside it; a\n"
        "                  test record, not a legal verification mark\n"
        "  Exit status 0 when the scale passed, 1 when it failed or the test did not end, 2 for\n"
        "  bad usage.\n");
}

int runVerifyCommand(const QStringList &arguments)
{
    const VerifyArguments parsed = parseVerifyArguments(arguments);
    if (!parsed.options) {
        printErr(parsed.error);
        return kExitUsage;
    }
    const VerifyOptions &options = *parsed.options;
    LineClient line;
    const OpenResult opened = line.open(options.port, options.baud);
    if (!opened.opened()) {
        printErr(openFailureText(options.port, opened));
        return kExitFail;
    }
    VerifySession session(&line, options);
    return session.run();
}
