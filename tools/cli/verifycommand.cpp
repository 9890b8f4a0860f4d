// SPDX-License-Identifier: MIT
// The verify command: the test's plan from the command line or a file, the operator prompted for
// each load, the weight read until it is stable, the verdict and the record.
#include "verifycommand.h"

#include "cliarguments.h"
#include "clitable.h"
#include "clitext.h"
#include "lineclient.h"
#include "readings.h"
#include "report.h"
#include "verificationsession.h"
#include "weightreading.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>

using namespace std::chrono;

namespace {

constexpr int kExitPass = 0;
constexpr int kExitFail = 1;
constexpr int kExitUsage = 2;

// The words' translation context.
struct Verify
{
    Q_DECLARE_TR_FUNCTIONS(Verify)
};

// A plan field as the operator gave it: its option, or its key in the plan file.
QString fieldName(PlanField field, PlanSource source)
{
    if (source == PlanSource::File)
        return Verify::tr("方案文件中的 %1").arg(planFileKey(field));
    return QStringLiteral("--") + cliPlanOptionName(field);
}

// What is wrong with the plan, in the command line's words (each language in turn).
QString planErrorText(const PlanError &error, PlanSource source)
{
    const QString field = error.field ? fieldName(*error.field, source) : error.value;
    switch (error.problem) {
    case PlanError::Problem::Missing:
        return Verify::tr("缺少 %1 的值").arg(field);
    case PlanError::Problem::Invalid:
        return Verify::tr("%1 的值“%2”无效").arg(field, error.value);
    case PlanError::Problem::OutOfRange:
        return Verify::tr("%1 的值“%2”超出允许的范围").arg(field, error.value);
    case PlanError::Problem::NotAscending:
        return Verify::tr("%1 的载荷应从小到大排列").arg(field);
    case PlanError::Problem::NotOneTwoFive:
        return Verify::tr("%1 的值“%2”不是 1、2 或 5 × 10^k").arg(field, error.value);
    case PlanError::Problem::NotWholeIntervals:
        return Verify::tr("%1 的值“%2”不是 e 的整数倍").arg(field, error.value);
    case PlanError::Problem::TooFewIntervals:
    case PlanError::Problem::TooManyIntervals: {
        const ClassLimits limits = *error.limits;
        const QString range =
            limits.mostIntervals == ClassLimits::kNoMost
                ? Verify::tr("至少 %1").arg(limits.leastIntervals)
                : Verify::tr("%1 至 %2").arg(limits.leastIntervals).arg(limits.mostIntervals);
        return Verify::tr("%1 的值“%2”使 n = Max/e = %3，%4 级应为 %5（%6）")
            .arg(field, error.value)
            .arg(error.intervals)
            .arg(accuracyClassName(limits.accuracyClass), range, QLatin1String(limits.source));
    }
    case PlanError::Problem::NotShown:
        return Verify::tr("%1 的值“%2”的小数位多于仪表显示的 %3 位")
            .arg(field, error.value)
            .arg(error.indicatorPlaces);
    case PlanError::Problem::Repeated:
        return Verify::tr("%1 给出了两次").arg(field);
    case PlanError::Problem::Unknown:
        return Verify::tr("方案文件中没有 %1 这一项").arg(field);
    case PlanError::Problem::NotJson:
        return Verify::tr("方案文件不是有效的 JSON 对象");
    }
    return {};
}

struct VerifyArguments
{
    std::optional<VerifyOptions> options;
    QString error; // when options is empty: what is wrong, as the run says it
};

VerifyArguments usage(const std::function<QString()> &what)
{
    const QString hint =
        said([] { return QCoreApplication::translate("Cli", "用法见 scalecheck-cli --help"); });
    return {std::nullopt, said(what) + QLatin1Char('\n') +
                              (cliLanguage() == CliLanguage::English
                                   ? QStringLiteral("(%1)").arg(hint)
                                   : QStringLiteral("（%1）").arg(hint))};
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

// The command line's side of a verification session: each prompt said on the terminal (and as
// a line of JSON with --json) and answered by Enter, the weight read through the line one
// reading at a time as the session asks for it, each step's result and the verdict in the
// command line's words.
class VerifyDriver
{
public:
    VerifyDriver(LineClient *line, const VerifyOptions &options)
        : m_line(line), m_options(options), m_reader(line, cliOptions(options)),
          m_session(Clock::eventLoop(), [this] { readWeight(); })
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
    void readWeight();
    // Says what the operator is to do and waits for Enter; false when standard input has ended.
    bool prompt(const VerificationPrompt &p);
    void sayStep(const StepResult &r, int number);
    // A message for the operator: on stdout, or beside the JSON on stderr.
    void tell(const std::function<QString()> &text)
    {
        (m_options.json ? printErr : printOut)(said(text));
    }

    LineClient *m_line;
    VerifyOptions m_options;
    InstrumentReader m_reader;
    VerificationSession m_session;
    qint64 m_readings = 0;
    Reading m_lastWeight; // the latest reading of the weight, for the words of its failure
};

void VerifyDriver::readInstrument(CertificateData &data)
{
    const Reading all = m_reader.take(++m_readings);
    // Its weight gives the decimal places the plan is checked against.
    if (const std::optional<WeightReading> weight = weightOf(all))
        m_session.takeReading(*weight);
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

void VerifyDriver::readWeight()
{
    // Waited for: the session asks for the next weight once this one is in.
    m_lastWeight = m_reader.take(++m_readings, {cliBlocks().first()});
    if (const std::optional<WeightReading> weight = weightOf(m_lastWeight))
        m_session.takeReading(*weight);
}

bool VerifyDriver::prompt(const VerificationPrompt &p)
{
    using Ask = VerificationPrompt::Ask;
    const PlanStep &step = p.step;
    if (p.ask == Ask::AddSmallWeight) {
        const QString small = countsText(p.smallWeight.counts, p.smallWeight.places);
        if (m_options.json)
            printOut(promptJson(QStringLiteral("addSmallWeight"), p.number, step, small));
        tell([&] {
            return Verify::tr("第 %1/%2 步 %3：请再加 %4（0.1 e），然后按回车")
                .arg(p.number)
                .arg(p.steps)
                .arg(stepKindText(step.kind), small);
        });
    } else {
        const QString load = countsText(p.load.counts, p.load.places);
        if (m_options.json)
            printOut(promptJson(QStringLiteral("place"), p.number, step, load));
        const QString where = positionText(step.position);
        tell([&] {
            if (p.ask == Ask::ClearPlatform)
                return Verify::tr("第 %1/%2 步 %3：请清空秤台，然后按回车")
                    .arg(p.number)
                    .arg(p.steps)
                    .arg(stepKindText(step.kind));
            return Verify::tr("第 %1/%2 步 %3：请放上 %4%5，然后按回车")
                .arg(p.number)
                .arg(p.steps)
                .arg(stepKindText(step.kind), load,
                     where.isEmpty() ? QString() : Verify::tr("（%1）").arg(where));
        });
    }
    if (!awaitEnter())
        return false;
    m_session.goOn();
    return true;
}

void VerifyDriver::sayStep(const StepResult &r, int number)
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

int VerifyDriver::run()
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

    // The session's news ends each wait of the event loop; the prompts are taken from it.
    QEventLoop wait;
    std::optional<PlanError> refused;
    bool lost = false;
    QObject::connect(&m_session, &VerificationSession::prompted, &wait, &QEventLoop::quit);
    QObject::connect(&m_session, &VerificationSession::refused, &wait,
                     [&](const PlanError &error) {
                         refused = error;
                         wait.quit();
                     });
    // A port that has gone will not come back by itself: the test cannot go on.
    QObject::connect(&m_session, &VerificationSession::portClosed, &wait, [&] {
        lost = true;
        wait.quit();
    });
    QObject::connect(&m_session, &VerificationSession::stepRecorded, &wait,
                     [this](int index, const StepResult &r) { sayStep(r, index + 1); });

    readInstrument(data);
    refused = m_session.start(m_options.planInput,
                              {m_options.settleLimit, m_options.interval});
    bool ended = false;
    while (!refused && !lost && !ended) {
        const VerificationPrompt p = m_session.prompt();
        if (p.ask == VerificationPrompt::Ask::Finished || p.ask == VerificationPrompt::Ask::None)
            break;
        if (p.ask == VerificationPrompt::Ask::WaitForRest)
            wait.exec();
        else
            ended = !prompt(p);
    }
    // The plan holds a figure the indicator cannot show: bad usage.
    if (refused) {
        printErr(said([&] { return planErrorText(*refused, m_options.planSource); }));
        return kExitUsage;
    }
    if (lost) {
        for (const QString &l : failureLines(m_lastWeight, false))
            printErr(l);
    }
    data.result = m_session.run()->result();
    if (lost || ended)
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

// The test from what the command line gave: the plan from its options or its file, checked as
// a whole. What is wrong is bad usage, found before the port is opened.
VerifyArguments verifyOptions(const CliOptions &c)
{
    VerifyOptions o;
    o.port = c.port;
    o.baud = c.baud;
    o.address = c.address;
    o.timeout = c.timeout;
    o.json = c.json;
    o.outPath = c.outPath;
    o.conditions = c.verify.conditions;
    o.settleLimit = c.verify.settleLimit;
    o.interval = c.verify.interval;
    o.planInput = c.verify.plan;
    if (c.verify.planPath) {
        const QString path = *c.verify.planPath;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return usage([&] { return Verify::tr("无法读取方案文件 %1").arg(path); });
        const PlanInputRead read = readPlanFile(file.readAll());
        if (!read.input)
            return usage([&] { return planErrorText(*read.error, PlanSource::File); });
        o.planInput = *read.input;
        o.planSource = PlanSource::File;
    }
    const PlanParse plan = checkPlan(o.planInput);
    if (!plan.plan)
        return usage([&] { return planErrorText(*plan.error, o.planSource); });
    o.plan = *plan.plan;
    return {o, {}};
}

} // namespace

int runVerifyCommand(const CliOptions &options)
{
    const VerifyArguments parsed = verifyOptions(options);
    if (!parsed.options) {
        printErr(parsed.error);
        return kExitUsage;
    }
    const VerifyOptions &verify = *parsed.options;
    LineClient line;
    const OpenResult opened = line.open(verify.port, verify.baud);
    if (!opened.opened()) {
        printErr(openFailureText(verify.port, opened));
        return kExitFail;
    }
    VerifyDriver driver(&line, verify);
    return driver.run();
}
