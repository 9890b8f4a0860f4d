// SPDX-License-Identifier: MIT
// The record of a verification test as PDF, HTML and JSON.
#include "certificate.h"

#include "atomicwrite.h"
#include "report.h"
#include "reportfonts.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <cmath>
#include <cstdlib>

namespace {

// The words' translation context.
struct Certificate
{
    Q_DECLARE_TR_FUNCTIONS(Certificate)
};

QString title()
{
    return Certificate::tr("称重仪器检定测试记录");
}

const QString kNone = QStringLiteral("—");

QString esc(const QString &text)
{
    return text.isEmpty() ? kNone : text.toHtmlEscaped();
}

QString row(const QStringList &texts, const char *tag = "td")
{
    QString html;
    for (const QString &t : texts)
        html += QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), esc(t));
    return QStringLiteral("<tr>") + html + QStringLiteral("</tr>\n");
}

QString tableOpen(const QString &cls = {})
{
    return QStringLiteral("<table class=\"%1\" width=\"100%\" border=\"1\" cellspacing=\"0\" "
                          "cellpadding=\"3\">\n")
        .arg(cls);
}

QString factsTable(const QList<std::pair<QString, QString>> &facts)
{
    QString html = tableOpen(QStringLiteral("facts"));
    for (const auto &[name, value] : facts)
        html += QStringLiteral("<tr><th width=\"26%\">%1</th><td>%2</td></tr>\n")
                    .arg(esc(name), esc(value));
    return html + QStringLiteral("</table>\n");
}

QString timeText(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString regimeText(AccuracyClass accuracyClass, Regime regime)
{
    if (accuracyClass == AccuracyClass::Hb44III)
        return regime == Regime::Initial ? Certificate::tr("验收允差") : Certificate::tr("维护允差");
    return regime == Regime::Initial ? Certificate::tr("首次检定") : Certificate::tr("使用中检验");
}

QString verdictText(bool pass)
{
    return pass ? Certificate::tr("合格") : Certificate::tr("不合格");
}

QString passText(const StepResult &r)
{
    if (!r.stable)
        return Certificate::tr("不稳定");
    if (!r.changeSeen)
        return Certificate::tr("示值未变化");
    return r.pass ? Certificate::tr("通过") : Certificate::tr("超差");
}

QString errorInEText(const StepResult &r)
{
    const std::optional<double> inE = r.errorInE();
    return inE ? QString::number(*inE, 'f', 2) : QString();
}

QString settleText(const StepResult &r)
{
    return r.settleTime ? QString::number(r.settleTime->count()) : QString();
}

QString optionalCounts(const std::optional<qint64> &counts, int places)
{
    return counts ? countsText(*counts, places) : QString();
}

QString planSection(const CertificateData &d)
{
    const VerificationPlan &p = d.plan;
    const qint64 n = p.e > 0 ? p.max / p.e : 0;
    return Certificate::tr("<h2>3　限值</h2>\n") +
           factsTable({
               {Certificate::tr("准确度等级"), accuracyClassName(p.accuracyClass)},
               {Certificate::tr("限值"), regimeText(p.accuracyClass, p.regime)},
               {Certificate::tr("最大秤量 Max"), countsText(p.max, p.places)},
               {Certificate::tr("最小秤量 Min"), countsText(p.min, p.places)},
               {Certificate::tr("检定分度值 e"), countsText(p.e, p.places)},
               {Certificate::tr("检定分度数 n"), QString::number(n)},
               {Certificate::tr("限值来源"), limitsSource(p.accuracyClass, p.regime)},
           });
}

QString stepsSection(const CertificateData &d)
{
    QString html = Certificate::tr("<h2>4　测试步骤</h2>\n") + tableOpen(QStringLiteral("numbers"));
    html += row({Certificate::tr("序号"), Certificate::tr("类型"), Certificate::tr("位置"), Certificate::tr("载荷 L"), Certificate::tr("示值 I"), Certificate::tr("误差 E"),
                 Certificate::tr("E/e"), Certificate::tr("MPE"), Certificate::tr("稳定用时(ms)"), Certificate::tr("结果")},
                "th");
    for (qsizetype i = 0; i < d.result.steps.size(); ++i) {
        const StepResult &r = d.result.steps.at(i);
        html += row({QString::number(i + 1), stepKindText(r.step.kind),
                     positionText(r.step.position), countsText(r.load, r.places),
                     optionalCounts(r.indication, r.places), optionalCounts(r.error, r.places),
                     errorInEText(r), r.mpe ? mpeText(*r.mpe) : QString(), settleText(r),
                     passText(r)});
    }
    return html + QStringLiteral("</table>\n");
}

QString resultsSection(const CertificateData &d)
{
    QString html = Certificate::tr("<h2>5　重复性与偏载</h2>\n") + tableOpen(QStringLiteral("numbers"));
    html += row({Certificate::tr("测试"), Certificate::tr("载荷"), Certificate::tr("结果值"), Certificate::tr("MPE"), Certificate::tr("结果")}, "th");
    if (const std::optional<RepeatabilityResult> &rep = d.result.repeatability) {
        html += row({Certificate::tr("重复性（最大差值）"), countsText(rep->load, rep->places),
                     optionalCounts(rep->spread, rep->places), rep->mpe ? mpeText(*rep->mpe) : QString(),
                     rep->pass ? Certificate::tr("通过") : Certificate::tr("未通过")});
    }
    if (const std::optional<EccentricityResult> ecc = eccentricityOf(d.result)) {
        const std::optional<Mpe> mpe = maximumPermissibleError(
            d.plan.accuracyClass, d.plan.regime, ecc->load,
            rescaled(d.plan.e, d.plan.places, ecc->places).value_or(0), ecc->places);
        html += row({Certificate::tr("偏载（最大误差）"), countsText(ecc->load, ecc->places),
                     optionalCounts(ecc->largestError, ecc->places),
                     mpe ? mpeText(*mpe) : QString(), ecc->pass ? Certificate::tr("通过") : Certificate::tr("未通过")});
    }
    return html + QStringLiteral("</table>\n");
}

QString pageHtml(const CertificateData &d)
{
    const QString style =
        QStringLiteral("body { font-family: %1; font-size: 10pt; }\n"
                       "h1 { font-size: 16pt; margin-bottom: 2pt; }\n"
                       "h2 { font-size: 12pt; margin-top: 12pt; margin-bottom: 4pt; }\n"
                       "table { border-collapse: collapse; border-color: #808080; }\n"
                       "th { background-color: #e8e8e8; font-weight: normal; text-align: left; }\n"
                       "table.numbers { font-size: 9pt; }\n"
                       "p.notice { color: #404040; font-size: 9pt; }\n"
                       "p.verdict { font-size: 28pt; font-weight: bold; margin-top: 12pt; }\n"
                       "p.sign { margin-top: 24pt; }\n")
            .arg(reportFontFamilies());
    const bool pass = d.result.pass;
    const CertificateInstrument &ins = d.instrument;
    QList<std::pair<QString, QString>> instrument{
        {Certificate::tr("端口"), ins.port},
        {Certificate::tr("线路设置"), ins.lineSettings},
        {Certificate::tr("仪表地址"), QString::number(ins.address)},
        {Certificate::tr("仪表 ID"), ins.id},
    };
    QStringList parameters;
    for (const auto &[code, value] : ins.parameters)
        parameters.append(code + QLatin1Char('=') + value);
    instrument.append({Certificate::tr("开始时读取的参数"), parameters.join(QStringLiteral("  "))});
    const QString language = QCoreApplication::translate("Report", "zh-CN");
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"%3\">\n<head>\n<meta "
                          "charset=\"utf-8\">\n<title>%1</title>\n<style>\n%2</style>\n</head>\n"
                          "<body>\n<h1>%1</h1>\n")
               .arg(title().toHtmlEscaped(), style, language) +
           QStringLiteral("<p class=\"notice\">%1</p>\n")
               .arg(esc(Certificate::tr("本文件为测试记录，不是法定检定标记或检定证书。"))) +
           QStringLiteral("<p class=\"verdict\" style=\"color: %1\">%2　%3</p>\n")
               .arg(pass ? QStringLiteral("#006000") : QStringLiteral("#C00000"),
                    esc(Certificate::tr("结论：")), esc(verdictText(pass))) +
           Certificate::tr("<h2>1　仪表</h2>\n") + factsTable(instrument) + Certificate::tr("<h2>2　测试条件</h2>\n") +
           factsTable({
               {Certificate::tr("砝码编号"), d.conditions.weights},
               {Certificate::tr("技术员"), d.conditions.technician},
               {Certificate::tr("地点"), d.conditions.place},
               {Certificate::tr("温度"), d.conditions.temperature},
               {Certificate::tr("日期时间"), timeText(d.time)},
               {Certificate::tr("软件"), QStringLiteral("scalecheck ") + d.version},
           }) +
           planSection(d) + stepsSection(d) + resultsSection(d) +
           QStringLiteral("<p class=\"verdict\" style=\"color: %1\">%2　%3</p>\n")
               .arg(pass ? QStringLiteral("#006000") : QStringLiteral("#C00000"),
                    esc(Certificate::tr("结论：")), esc(verdictText(pass))) +
           QStringLiteral("<p class=\"sign\">%1 ________________&nbsp;&nbsp;&nbsp;&nbsp;%2 "
                          "________________</p>\n")
               .arg(esc(Certificate::tr("技术员签名：")), esc(Certificate::tr("日期："))) +
           QStringLiteral("</body>\n</html>\n");
}

} // namespace

QString accuracyClassName(AccuracyClass accuracyClass)
{
    switch (accuracyClass) {
    case AccuracyClass::I:
        return QStringLiteral("I");
    case AccuracyClass::II:
        return QStringLiteral("II");
    case AccuracyClass::III:
        return QStringLiteral("III");
    case AccuracyClass::IIII:
        return QStringLiteral("IIII");
    case AccuracyClass::Hb44III:
        return QStringLiteral("HB44-III");
    }
    return {};
}

QString stepKindName(StepKind kind)
{
    switch (kind) {
    case StepKind::Zero:
        return QStringLiteral("zero");
    case StepKind::Increasing:
        return QStringLiteral("increasing");
    case StepKind::Decreasing:
        return QStringLiteral("decreasing");
    case StepKind::Eccentricity:
        return QStringLiteral("eccentricity");
    case StepKind::Repeatability:
        return QStringLiteral("repeatability");
    case StepKind::ChangePoint:
        return QStringLiteral("changePoint");
    }
    return {};
}

QString stepKindText(StepKind kind)
{
    switch (kind) {
    case StepKind::Zero:
        return Certificate::tr("零点");
    case StepKind::Increasing:
        return Certificate::tr("加载");
    case StepKind::Decreasing:
        return Certificate::tr("卸载");
    case StepKind::Eccentricity:
        return Certificate::tr("偏载");
    case StepKind::Repeatability:
        return Certificate::tr("重复性");
    case StepKind::ChangePoint:
        return Certificate::tr("闪变点");
    }
    return {};
}

QString platformPositionName(PlatformPosition position)
{
    switch (position) {
    case PlatformPosition::None:
        return {};
    case PlatformPosition::Centre:
        return QStringLiteral("centre");
    case PlatformPosition::FrontLeft:
        return QStringLiteral("frontLeft");
    case PlatformPosition::BackLeft:
        return QStringLiteral("backLeft");
    case PlatformPosition::BackRight:
        return QStringLiteral("backRight");
    case PlatformPosition::FrontRight:
        return QStringLiteral("frontRight");
    }
    return {};
}

QString positionText(PlatformPosition position)
{
    switch (position) {
    case PlatformPosition::None:
        return {};
    case PlatformPosition::Centre:
        return Certificate::tr("中心");
    case PlatformPosition::FrontLeft:
        return Certificate::tr("左前");
    case PlatformPosition::BackLeft:
        return Certificate::tr("左后");
    case PlatformPosition::BackRight:
        return Certificate::tr("右后");
    case PlatformPosition::FrontRight:
        return Certificate::tr("右前");
    }
    return {};
}

QString limitsSource(AccuracyClass accuracyClass, Regime regime)
{
    if (accuracyClass == AccuracyClass::Hb44III)
        return regime == Regime::Initial
                   ? QStringLiteral("NIST Handbook 44, 2.20 T.N.3.1, T.N.3.2, Table 6")
                   : QStringLiteral("NIST Handbook 44, 2.20 T.N.3.1, Table 6");
    return regime == Regime::Initial ? QStringLiteral("OIML R76-1:2006, 3.5.1, Table 6")
                                     : QStringLiteral("OIML R76-1:2006, 3.5.2, Table 6");
}

QString countsText(qint64 counts, int places)
{
    return Quantity{counts, places}.text();
}

QString mpeText(const Mpe &mpe)
{
    // halfE/2 e: whole counts when halfE * e is even, else half a count, one place further.
    const qint64 doubled = qint64(mpe.halfE) * mpe.e;
    const QString value = doubled % 2 == 0 ? countsText(doubled / 2, mpe.places)
                                           : countsText(doubled * 5, mpe.places + 1);
    return QStringLiteral("±") + value;
}

std::optional<EccentricityResult> eccentricityOf(const VerificationResult &result)
{
    std::optional<EccentricityResult> ecc;
    bool settled = true;
    for (const StepResult &r : result.steps) {
        if (r.step.kind != StepKind::Eccentricity)
            continue;
        if (!ecc) {
            ecc = EccentricityResult{r.places, r.load, std::nullopt, true};
        }
        ecc->pass = ecc->pass && r.pass;
        const std::optional<qint64> error =
            r.error ? rescaled(*r.error, r.places, ecc->places) : std::nullopt;
        if (!r.stable || !error) {
            settled = false;
            continue;
        }
        if (!ecc->largestError || std::llabs(*error) > std::llabs(*ecc->largestError))
            ecc->largestError = error;
    }
    if (ecc && !settled)
        ecc->largestError.reset();
    return ecc;
}

QJsonObject certificateJson(const CertificateData &d)
{
    const VerificationPlan &p = d.plan;
    const auto text = [](const std::optional<qint64> &counts, int places) {
        return counts ? QJsonValue(countsText(*counts, places)) : QJsonValue(QJsonValue::Null);
    };
    QJsonArray steps;
    for (const StepResult &r : d.result.steps) {
        QJsonObject step{
            {QStringLiteral("kind"), stepKindName(r.step.kind)},
            {QStringLiteral("load"), countsText(r.load, r.places)},
            {QStringLiteral("indication"), text(r.indication, r.places)},
            {QStringLiteral("error"), text(r.error, r.places)},
            {QStringLiteral("errorE"),
             r.errorInE() ? QJsonValue(std::round(*r.errorInE() * 100) / 100)
                          : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("mpe"), r.mpe ? QJsonValue(mpeText(*r.mpe).mid(1))
                                          : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("pass"), r.pass},
            {QStringLiteral("stable"), r.stable},
            {QStringLiteral("settleMs"), r.settleTime ? QJsonValue(qint64(r.settleTime->count()))
                                                      : QJsonValue(QJsonValue::Null)},
        };
        if (r.step.position != PlatformPosition::None)
            step.insert(QStringLiteral("position"), platformPositionName(r.step.position));
        if (r.addedLoad)
            step.insert(QStringLiteral("addedLoad"), countsText(*r.addedLoad, r.places));
        steps.append(step);
    }
    QJsonObject object{
        {QStringLiteral("verdict"), d.result.pass ? QStringLiteral("pass") : QStringLiteral("fail")},
        {QStringLiteral("class"), accuracyClassName(p.accuracyClass)},
        {QStringLiteral("limits"),
         p.regime == Regime::Initial ? QStringLiteral("initial") : QStringLiteral("in-service")},
        {QStringLiteral("limitsSource"), limitsSource(p.accuracyClass, p.regime)},
        {QStringLiteral("e"), countsText(p.e, p.places)},
        {QStringLiteral("max"), countsText(p.max, p.places)},
        {QStringLiteral("min"), countsText(p.min, p.places)},
        {QStringLiteral("complete"), d.result.complete},
        {QStringLiteral("steps"), steps},
        {QStringLiteral("time"), d.time.toString(Qt::ISODate)},
        {QStringLiteral("instrument"),
         QJsonObject{{QStringLiteral("port"), d.instrument.port},
                     {QStringLiteral("line"), d.instrument.lineSettings},
                     {QStringLiteral("address"), d.instrument.address},
                     {QStringLiteral("id"), d.instrument.id}}},
        {QStringLiteral("weights"), d.conditions.weights},
        {QStringLiteral("technician"), d.conditions.technician},
        {QStringLiteral("place"), d.conditions.place},
        {QStringLiteral("temperature"), d.conditions.temperature},
    };
    if (const std::optional<RepeatabilityResult> &rep = d.result.repeatability) {
        object.insert(QStringLiteral("repeatability"),
                      QJsonObject{{QStringLiteral("load"), countsText(rep->load, rep->places)},
                                  {QStringLiteral("spread"), text(rep->spread, rep->places)},
                                  {QStringLiteral("pass"), rep->pass}});
    }
    if (const std::optional<EccentricityResult> ecc = eccentricityOf(d.result)) {
        object.insert(QStringLiteral("eccentricity"),
                      QJsonObject{{QStringLiteral("load"), countsText(ecc->load, ecc->places)},
                                  {QStringLiteral("largestError"),
                                   text(ecc->largestError, ecc->places)},
                                  {QStringLiteral("pass"), ecc->pass}});
    }
    return object;
}

QByteArray certificateHtml(const CertificateData &data)
{
    return pageHtml(data).toUtf8();
}

QByteArray certificatePdf(const CertificateData &data)
{
    QTextDocument document;
    document.setDefaultFont(reportFont(10));
    document.setHtml(pageHtml(data));
    return a4Pdf(document, title(), data.version);
}

QString certificateJsonPath(const QString &pdfPath)
{
    if (pdfPath.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return pdfPath.left(pdfPath.size() - 4) + QStringLiteral(".json");
    return pdfPath + QStringLiteral(".json");
}

bool writeCertificate(const QString &pdfPath, const CertificateData &data, QString *error)
{
    const QByteArray pdf = certificatePdf(data);
    const QByteArray html = certificateHtml(data);
    const QByteArray json = QJsonDocument(certificateJson(data)).toJson(QJsonDocument::Indented);
    return writeFileAtomically(pdfPath, pdf, error) &&
           writeFileAtomically(reportHtmlPath(pdfPath), html, error) &&
           writeFileAtomically(certificateJsonPath(pdfPath), json, error);
}
