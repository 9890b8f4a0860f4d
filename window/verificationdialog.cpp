// SPDX-License-Identifier: MIT
// The verification test dialog: a VerificationSession fed by the window's read session, its
// prompts, steps and verdict in the window's words.
#include "verificationdialog.h"

#include "readsession.h"
#include "report.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr AccuracyClass kClasses[] = {
    AccuracyClass::I,    AccuracyClass::II,      AccuracyClass::III,
    AccuracyClass::IIII, AccuracyClass::Hb44III,
};

enum Column { Number, Kind, Position, Load, Indication, Error, ErrorE, Limit, Settle, Outcome };

QString outcomeText(const StepResult &r)
{
    if (!r.stable)
        return VerificationDialog::tr("不稳定");
    if (!r.changeSeen)
        return VerificationDialog::tr("示值未变化");
    return r.pass ? VerificationDialog::tr("通过") : VerificationDialog::tr("超差");
}

// A field of the plan by its caption in the dialog.
QString fieldCaption(PlanField field)
{
    switch (field) {
    case PlanField::Class:
        return VerificationDialog::tr("准确度等级");
    case PlanField::Regime:
        return VerificationDialog::tr("限值");
    case PlanField::E:
        return VerificationDialog::tr("检定分度值 e");
    case PlanField::Max:
        return VerificationDialog::tr("最大秤量 Max");
    case PlanField::Min:
        return VerificationDialog::tr("最小秤量 Min");
    case PlanField::Loads:
        return VerificationDialog::tr("载荷");
    case PlanField::Eccentricity:
        return VerificationDialog::tr("偏载载荷");
    case PlanField::Repeat:
        return VerificationDialog::tr("重复性");
    case PlanField::ChangePoint:
        return VerificationDialog::tr("变化点载荷");
    }
    return {};
}

// What is wrong with the plan, in the dialog's words.
QString planErrorText(const PlanError &error)
{
    using Problem = PlanError::Problem;
    const QString field = error.field ? fieldCaption(*error.field) : QString();
    switch (error.problem) {
    case Problem::Missing:
        return VerificationDialog::tr("请填写%1").arg(field);
    case Problem::OutOfRange:
        return VerificationDialog::tr("%1“%2”超出允许的范围").arg(field, error.value);
    case Problem::NotAscending:
        return VerificationDialog::tr("%1应从小到大排列").arg(field);
    case Problem::NotOneTwoFive:
        return VerificationDialog::tr("%1“%2”应为 1、2 或 5 × 10^k").arg(field, error.value);
    case Problem::NotWholeIntervals:
        return VerificationDialog::tr("%1“%2”应为检定分度值 e 的整数倍").arg(field, error.value);
    case Problem::TooFewIntervals:
    case Problem::TooManyIntervals: {
        const ClassLimits limits = *error.limits;
        const QString name = accuracyClassName(limits.accuracyClass);
        const QString source = QLatin1String(limits.source);
        if (limits.mostIntervals == ClassLimits::kNoMost)
            return VerificationDialog::tr("Max/e = %1：%2 级的检定分度数应至少为 %3（%4）")
                .arg(error.intervals)
                .arg(name)
                .arg(limits.leastIntervals)
                .arg(source);
        return VerificationDialog::tr("Max/e = %1：%2 级的检定分度数应为 %3 至 %4（%5）")
            .arg(error.intervals)
            .arg(name)
            .arg(limits.leastIntervals)
            .arg(limits.mostIntervals)
            .arg(source);
    }
    case Problem::NotShown:
        return VerificationDialog::tr("%1“%2”的小数位多于仪表显示的 %3 位")
            .arg(field, error.value)
            .arg(error.indicatorPlaces);
    // Not from the dialog's boxes: a file's or a command line's faults.
    case Problem::Invalid:
    case Problem::Repeated:
    case Problem::Unknown:
    case Problem::NotJson:
        break;
    }
    return VerificationDialog::tr("%1“%2”无效").arg(field, error.value);
}

} // namespace

VerificationDialog::VerificationDialog(ReadSession *reader,
                                       const CertificateInstrument &instrument, Clock &clock,
                                       QWidget *parent)
    : QDialog(parent), m_reader(reader), m_instrument(instrument),
      m_session(clock,
                [this] {
                    if (m_reader)
                        m_reader->readWeight();
                }),
      m_class(new QComboBox(this)), m_regime(new QComboBox(this)), m_max(new QLineEdit(this)),
      m_min(new QLineEdit(this)), m_e(new QLineEdit(this)), m_loads(new QLineEdit(this)),
      m_eccentricity(new QLineEdit(this)), m_repeat(new QLineEdit(this)),
      m_weights(new QLineEdit(this)), m_technician(new QLineEdit(this)),
      m_place(new QLineEdit(this)), m_temperature(new QLineEdit(this)), m_prompt(new QLabel(this)),
      m_weight(new QLabel(this)), m_stable(new QLabel(this)), m_message(new QLabel(this)),
      m_verdict(new QLabel(this)), m_table(new QTableWidget(this)),
      m_startButton(new QPushButton(tr("开始测试"), this)),
      m_goOnButton(new QPushButton(tr("已放好，继续"), this)),
      m_recordButton(new QPushButton(tr("写出记录…"), this))
{
    setObjectName(QStringLiteral("verificationDialog"));
    setWindowTitle(tr("检定测试"));
    m_choosePath = [](QWidget *parent, const QString &suggested) {
        return QFileDialog::getSaveFileName(parent, tr("写出检定测试记录"), suggested,
                                            tr("PDF 文件 (*.pdf)"));
    };

    for (AccuracyClass c : kClasses)
        m_class->addItem(accuracyClassName(c), int(c));
    m_class->setCurrentIndex(2);
    m_regime->addItem(tr("首次检定"), int(Regime::Initial));
    m_regime->addItem(tr("使用中检验"), int(Regime::InService));
    m_max->setPlaceholderText(QStringLiteral("300.00"));
    m_min->setPlaceholderText(tr("按等级（可空）"));
    m_e->setPlaceholderText(QStringLiteral("0.1"));
    m_loads->setPlaceholderText(tr("0,50,100,200,300（可空）"));
    m_eccentricity->setPlaceholderText(tr("约 Max/3（可空）"));
    m_repeat->setPlaceholderText(tr("3@150（可空）"));
    const QList<std::pair<QLineEdit *, const char *>> names{
        {m_max, "max"},         {m_min, "min"},         {m_e, "e"},
        {m_loads, "loads"},     {m_eccentricity, "eccentricity"}, {m_repeat, "repeat"},
        {m_weights, "weights"}, {m_technician, "technician"}, {m_place, "place"},
        {m_temperature, "temperature"}};
    for (const auto &[edit, name] : names)
        edit->setObjectName(QLatin1String(name));
    m_class->setObjectName(QStringLiteral("class"));
    m_regime->setObjectName(QStringLiteral("regime"));

    auto *planBox = new QGroupBox(tr("测试方案"), this);
    auto *planForm = new QFormLayout(planBox);
    for (const auto &[field, box] : std::initializer_list<std::pair<PlanField, QWidget *>>{
             {PlanField::Class, m_class},
             {PlanField::Regime, m_regime},
             {PlanField::Max, m_max},
             {PlanField::Min, m_min},
             {PlanField::E, m_e},
             {PlanField::Loads, m_loads},
             {PlanField::Eccentricity, m_eccentricity},
             {PlanField::Repeat, m_repeat}})
        planForm->addRow(fieldCaption(field), box);
    auto *conditionsBox = new QGroupBox(tr("测试条件"), this);
    auto *conditionsForm = new QFormLayout(conditionsBox);
    conditionsForm->addRow(tr("砝码编号"), m_weights);
    conditionsForm->addRow(tr("技术员"), m_technician);
    conditionsForm->addRow(tr("地点"), m_place);
    conditionsForm->addRow(tr("温度"), m_temperature);
    conditionsForm->addRow(tr("仪表"), new QLabel(m_instrument.port + QStringLiteral("  ") +
                                                     m_instrument.lineSettings, this));

    m_prompt->setObjectName(QStringLiteral("prompt"));
    m_prompt->setWordWrap(true);
    QFont big = m_prompt->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    m_prompt->setFont(big);
    m_weight->setObjectName(QStringLiteral("liveWeight"));
    QFont digits = m_weight->font();
    digits.setPointSizeF(digits.pointSizeF() * 2);
    digits.setBold(true);
    m_weight->setFont(digits);
    m_weight->setStyleSheet(QStringLiteral("color: #C00000"));
    m_stable->setObjectName(QStringLiteral("stableFlag"));
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setWordWrap(true);
    m_verdict->setObjectName(QStringLiteral("verdict"));
    QFont verdictFont = m_verdict->font();
    verdictFont.setPointSizeF(verdictFont.pointSizeF() * 2.2);
    verdictFont.setBold(true);
    m_verdict->setFont(verdictFont);

    m_table->setObjectName(QStringLiteral("steps"));
    m_table->setColumnCount(Outcome + 1);
    m_table->setHorizontalHeaderLabels({tr("序号"), tr("类型"), tr("位置"), tr("载荷 L"),
                                        tr("示值 I"), tr("误差 E"), tr("E/e"), tr("MPE"),
                                        tr("稳定用时(ms)"), tr("结果")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The outcome takes the room the numbers leave: the table fills the dialog's width.
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setMinimumHeight(220);

    m_startButton->setObjectName(QStringLiteral("startButton"));
    m_goOnButton->setObjectName(QStringLiteral("goOnButton"));
    m_recordButton->setObjectName(QStringLiteral("recordButton"));
    m_goOnButton->setEnabled(false);
    m_recordButton->setEnabled(false);
    connect(m_startButton, &QPushButton::clicked, this, [this] { start(); });
    connect(m_goOnButton, &QPushButton::clicked, this, [this] { goOn(); });
    connect(m_recordButton, &QPushButton::clicked, this, [this] { writeRecord(); });

    auto *top = new QHBoxLayout;
    top->addWidget(planBox, 1);
    top->addWidget(conditionsBox, 1);
    auto *live = new QHBoxLayout;
    live->addWidget(m_weight);
    live->addWidget(m_stable);
    live->addStretch(1);
    live->addWidget(m_verdict);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_startButton);
    buttons->addWidget(m_goOnButton);
    buttons->addStretch(1);
    buttons->addWidget(m_recordButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_prompt);
    layout->addLayout(live);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_message);
    layout->addLayout(buttons);

    if (m_reader) {
        connect(m_reader, &ReadSession::weightRead, this, &VerificationDialog::showReading);
        connect(m_reader, &ReadSession::weightRead, &m_session,
                &VerificationSession::takeReading);
    }
    connect(&m_session, &VerificationSession::prompted, this, &VerificationDialog::showPrompt);
    connect(&m_session, &VerificationSession::stepRecorded, this, &VerificationDialog::showStep);
    connect(&m_session, &VerificationSession::finished, this,
            [this](const VerificationResult &result) { showVerdict(result.pass); });
    connect(&m_session, &VerificationSession::refused, this, &VerificationDialog::showRefusal);
    m_prompt->setText(tr("填写测试方案，然后按“开始测试”。"));
    m_stable->setText(QString());
}

VerificationDialog::~VerificationDialog()
{
    // The window's readings go back to one count of the last digit.
    if (m_reader)
        m_reader->setStabilityInterval(std::nullopt);
}

PlanInput VerificationDialog::planInput() const
{
    PlanInput input;
    input.accuracyClass = AccuracyClass(m_class->currentData().toInt());
    input.regime = Regime(m_regime->currentData().toInt());
    input.max = m_max->text().trimmed();
    input.min = m_min->text().trimmed();
    input.e = m_e->text().trimmed();
    input.eccentricity = m_eccentricity->text().trimmed();
    input.repeat = m_repeat->text().trimmed();
    // Loads apart by commas, the Chinese one too.
    static const QRegularExpression comma(QStringLiteral("[,，]"));
    if (!m_loads->text().trimmed().isEmpty()) {
        for (const QString &load : m_loads->text().split(comma))
            input.loads.append(load.trimmed());
    }
    return input;
}

bool VerificationDialog::start()
{
    if (!m_reader) {
        setMessage(tr("没有可读取的毛重"), true);
        return false;
    }
    m_live = {};
    if (const std::optional<PlanError> refused = m_session.start(planInput())) {
        setMessage(planErrorText(*refused), true);
        return false;
    }
    // Stable now means within ±0.5 e of the plan's e, for the live flag as for the steps.
    const VerificationPlan &p = m_session.run()->plan();
    m_reader->setStabilityInterval(Quantity{p.e, p.places});
    m_started = QDateTime::currentDateTime();
    m_table->setRowCount(0);
    m_verdict->clear();
    m_recordButton->setEnabled(false);
    setMessage(QString());
    return true;
}

void VerificationDialog::goOn()
{
    m_session.goOn();
}

void VerificationDialog::showReading(const WeightReading &reading)
{
    m_weight->setText(reading.text());
    m_stable->setText(!reading.ok()     ? QString()
                      : reading.stable ? tr("稳定")
                                       : tr("不稳定"));
    m_stable->setStyleSheet(reading.stable ? QStringLiteral("color: #006000")
                                           : QStringLiteral("color: #A06000"));
}

void VerificationDialog::showRefusal(const PlanError &error)
{
    setMessage(planErrorText(error), true);
    m_goOnButton->setEnabled(false);
    m_startButton->setEnabled(true);
    m_prompt->setText(tr("测试方案与仪表不符，请修改后重新开始。"));
    m_live = {};
    emit testChanged(m_live);
}

void VerificationDialog::showPrompt(const VerificationPrompt &p)
{
    using Ask = VerificationPrompt::Ask;
    if (p.ask == Ask::None)
        return;
    m_goOnButton->setEnabled(p.ask == Ask::ClearPlatform || p.ask == Ask::PlaceLoad ||
                             p.ask == Ask::AddSmallWeight);
    m_startButton->setEnabled(p.ask == Ask::Finished);
    if (p.ask == Ask::Finished) {
        m_prompt->setText(tr("测试结束。"));
        m_live.step = tr("测试结束");
        m_live.nextLoad.clear();
        emit testChanged(m_live);
        return;
    }
    const QString where = positionText(p.step.position);
    const QString load = countsText(p.load.counts, p.load.places);
    const QString head =
        tr("第 %1/%2 步 %3").arg(p.number).arg(p.steps).arg(stepKindText(p.step.kind));
    if (p.ask == Ask::WaitForRest)
        m_prompt->setText(tr("%1：等待示值稳定…").arg(head));
    else if (p.ask == Ask::AddSmallWeight)
        m_prompt->setText(tr("%1：请再加 0.1 e，然后按“已放好，继续”").arg(head));
    else if (p.ask == Ask::ClearPlatform)
        m_prompt->setText(tr("%1：请清空秤台，然后按“已放好，继续”").arg(head));
    else
        m_prompt->setText(tr("%1：请放上 %2%3，然后按“已放好，继续”")
                              .arg(head, load, where.isEmpty() ? QString() : tr("（%1）").arg(where)));
    m_live.step = head;
    m_live.nextLoad = load + (where.isEmpty() ? QString() : tr("（%1）").arg(where));
    emit testChanged(m_live);
}

void VerificationDialog::showStep(int index, const StepResult &r)
{
    const auto counts = [&r](const std::optional<qint64> &c) {
        return c ? countsText(*c, r.places) : QStringLiteral("—");
    };
    const QStringList texts{
        QString::number(index + 1),
        stepKindText(r.step.kind),
        positionText(r.step.position),
        countsText(r.load, r.places),
        counts(r.indication),
        counts(r.error),
        r.errorInE() ? QString::number(*r.errorInE(), 'f', 2) : QStringLiteral("—"),
        r.mpe ? mpeText(*r.mpe) : QStringLiteral("—"),
        r.settleTime ? QString::number(r.settleTime->count()) : QStringLiteral("—"),
        outcomeText(r),
    };
    m_table->insertRow(index);
    for (int c = 0; c < texts.size(); ++c) {
        auto *item = new QTableWidgetItem(texts.at(c));
        if (c >= Load && c <= Settle)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (c == Outcome && !r.pass)
            item->setForeground(QColor(0xC0, 0x00, 0x00));
        m_table->setItem(index, c, item);
    }
    m_table->scrollToBottom();
    m_live.lastStep = QStringLiteral("%1 %2 %3: %4")
                          .arg(texts.at(0), texts.at(1), texts.at(3), texts.at(texts.size() - 1));
}

void VerificationDialog::showVerdict(bool pass)
{
    m_verdict->setText(pass ? tr("合格") : tr("不合格"));
    m_verdict->setStyleSheet(pass ? QStringLiteral("color: #006000")
                                  : QStringLiteral("color: #C00000"));
    m_recordButton->setEnabled(true);
    emit verdictGiven(pass, tr("%1，e %2，Max %3，%4")
                                .arg(m_class->currentText(), m_e->text(), m_max->text(),
                                     m_regime->currentText()));
}

void VerificationDialog::setMessage(const QString &text, bool error)
{
    m_message->setText(text);
    m_message->setStyleSheet(error ? QStringLiteral("color: #C00000") : QString());
}

bool VerificationDialog::writeRecord()
{
    if (!run())
        return false;
    const QString path = m_choosePath(this, tr("检定测试记录.pdf"));
    if (path.isEmpty())
        return false;
    CertificateData data;
    data.instrument = m_instrument;
    data.conditions = {m_weights->text(), m_technician->text(), m_place->text(),
                       m_temperature->text()};
    data.time = m_started;
    data.version = QCoreApplication::applicationVersion();
    data.plan = run()->plan();
    data.result = run()->result();
    QString error;
    if (!writeCertificate(path, data, &error)) {
        setMessage(tr("无法写出检定测试记录：%1").arg(error), true);
        return false;
    }
    setMessage(tr("检定测试记录已写出：%1，%2，%3")
                   .arg(path, reportHtmlPath(path), certificateJsonPath(path)));
    return true;
}
