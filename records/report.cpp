// SPDX-License-Identifier: MIT
// The commissioning report as PDF and HTML.
#include "report.h"

#include "atomicwrite.h"
#include "reportfonts.h"
#include "trendpicture.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSettings>
#include <QStandardPaths>
#include <QTextDocument>
#include <QUrl>

namespace {

QString title()
{
    return QCoreApplication::translate("Report", "称重仪表通讯调试报告");
}
const QString kNone = QStringLiteral("—");
const QString kTrendResource = QStringLiteral("trend.png");
// The trend at twice the size it is shown, so that it prints sharp.
constexpr QSize kTrendPixels(1320, 480);
constexpr int kTrendWidth = 660; // as the page lays it out, at 96 to the inch: 175 mm
constexpr int kValuePairsPerRow = 4;

QString esc(const QString &text)
{
    return text.toHtmlEscaped();
}

QString ms(Clock::Duration d)
{
    return millisecondsText(d);
}

QString cells(const QStringList &texts, const char *tag = "td")
{
    QString row;
    for (const QString &t : texts)
        row += QStringLiteral("<%1>%2</%1>")
                   .arg(QLatin1String(tag), esc(t).isEmpty() ? kNone : esc(t));
    return QStringLiteral("<tr>") + row + QStringLiteral("</tr>\n");
}

QString tableOpen(const QString &cls = {})
{
    return QStringLiteral("<table class=\"%1\" width=\"100%\" border=\"1\" cellspacing=\"0\" "
                          "cellpadding=\"3\">\n")
        .arg(cls);
}

QString timeText(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const QString sign = offset < 0 ? QStringLiteral("-") : QStringLiteral("+");
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" (UTC%1%2:%3)")
               .arg(sign)
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString lineSection(const ReportData &d)
{
    const Snapshot &s = d.snapshot;
    QString port = s.portText();
    const QString device = s.deviceText();
    if (!device.isEmpty() && device != port)
        port += (port.isEmpty() ? QString() : QStringLiteral("  ")) + device;
    // The weight with how its read ended: "12.34（通讯正常）", "无数据“（端口未打开）".
    const QString weight =
        s.reading && !s.reading->result.isEmpty()
            ? QCoreApplication::translate("Report", "%1（%2）")
                  .arg(s.weightText(), readEndText(s.reading->result))
            : s.weightText();
    QString html = QCoreApplication::translate("Report", "<h2>1　线路与仪表</h2>\n") +
                   tableOpen(QStringLiteral("facts"));
    QList<QStringList> rows{
        {QCoreApplication::translate("Report", "时间"), timeText(s.time)},
        {QCoreApplication::translate("Report", "软件版本"),
         QStringLiteral("scalecheck ") + d.version},
        {QCoreApplication::translate("Report", "端口"), port},
        {QCoreApplication::translate("Report", "通讯参数"), s.settingsText()},
    };
    // The standard timeouts go without saying; raised ones are part of how the line was read.
    if (d.timeouts.raised())
        rows.append({QCoreApplication::translate("Report", "应答超时"),
                     QCoreApplication::translate("Report", "每次读取至少 %1 ms")
                         .arg(d.timeouts.least->count())});
    rows += QList<QStringList>{
        {QCoreApplication::translate("Report", "USB 适配器"),
         d.adapter.isEmpty()
             ? QCoreApplication::translate("Report", "未识别（不是 USB 串口适配器，或系统未给出）")
             : d.adapter},
        {QCoreApplication::translate("Report", "仪表地址"),
         s.busAddress() ? QString::number(*s.busAddress()) : QString()},
        {QCoreApplication::translate("Report", "毛重"), weight},
    };
    for (const QStringList &r : rows)
        html += QStringLiteral("<tr><th width=\"22%\">%1</th><td>%2</td></tr>\n")
                    .arg(esc(r.at(0)), r.at(1).isEmpty() ? kNone : esc(r.at(1)));
    return html + QStringLiteral("</table>\n");
}

QString partiesSection(const ReportData &d)
{
    const ReportParties &p = d.parties;
    const QList<QStringList> rows{
        {QCoreApplication::translate("Report", "客户"), p.customer},
        {QCoreApplication::translate("Report", "地点"), p.site},
        {QCoreApplication::translate("Report", "技术员"), p.technician},
        {QCoreApplication::translate("Report", "仪表序列号"), p.serial},
    };
    QString html = tableOpen(QStringLiteral("facts"));
    for (const QStringList &r : rows)
        html += QStringLiteral("<tr><th width=\"22%\">%1</th><td>%2</td></tr>\n")
                    .arg(esc(r.at(0)), r.at(1).isEmpty() ? kNone : esc(r.at(1)));
    return html + QStringLiteral("</table>\n");
}

// The verdict of the verification test, large, at the head: a test record's result, not a mark.
QString verdictSection(const ReportData &d)
{
    if (!d.verdict)
        return {};
    const QString word = d.verdict->pass ? QCoreApplication::translate("Report", "合格")
                                         : QCoreApplication::translate("Report", "不合格");
    return QStringLiteral("<p class=\"verdict\">%1 <b style=\"color: %2\">%3</b></p>\n"
                          "<p class=\"note\">%4</p>\n")
        .arg(esc(QCoreApplication::translate("Report", "检定测试结论：")),
             d.verdict->pass ? QStringLiteral("#006000") : QStringLiteral("#C00000"), esc(word),
             esc(QCoreApplication::translate(
                     "Report", "%1，%2；这是测试记录的结论，不是法定检定标记。")
                     .arg(d.verdict->summary, timeText(d.verdict->time))));
}

// Lines to sign on the printed page: the report records what was seen, the signatures who saw it.
QString signatureSection()
{
    const QString blank = QStringLiteral("________________");
    return QStringLiteral("<p class=\"sign\">%1 %2&nbsp;&nbsp;&nbsp;&nbsp;%3 %2&nbsp;&nbsp;&nbsp;&nbsp;"
                          "%4 %2</p>\n")
        .arg(esc(QCoreApplication::translate("Report", "技术员签名：")), blank,
             esc(QCoreApplication::translate("Report", "客户签名：")),
             esc(QCoreApplication::translate("Report", "日期：")));
}

QString trafficSection(const ReportData &d)
{
    const RequestCounters &c = d.counters;
    QString html = QCoreApplication::translate("Report", "<h2>2　通讯统计</h2>\n") +
                   tableOpen(QStringLiteral("numbers"));
    html += cells(QStringList{QCoreApplication::translate("Report", "发送"),
                   QCoreApplication::translate("Report", "正常"),
                   QCoreApplication::translate("Report", "无应答"),
                   QCoreApplication::translate("Report", "校验"),
                   QCoreApplication::translate("Report", "异常"),
                   QCoreApplication::translate("Report", "地址"),
                   QCoreApplication::translate("Report", "不完整"),
                   QCoreApplication::translate("Report", "其他"),
                   QCoreApplication::translate("Report", "回显"),
                   QCoreApplication::translate("Report", "跳过")} +
                      // Replies after their timeout, only when there were any.
                      (c.late > 0 ? QStringList{QCoreApplication::translate("Report", "迟到")}
                                  : QStringList()),
                  "th");
    QStringList counts;
    for (int n : {c.sent, c.ok, c.noReply, c.crc, c.exception, c.address, c.incomplete, c.other,
                  c.echoed, c.skipped})
        counts.append(QString::number(n));
    if (c.late > 0)
        counts.append(QString::number(c.late));
    html += cells(counts) + QStringLiteral("</table>\n");

    const ReplyTimes &t = d.replyTimes;
    if (t.count() == 0)
        return html +
               QCoreApplication::translate("Report", "<p>没有收到应答，无应答用时数据。</p>\n");
    html += QCoreApplication::translate(
                "Report", "<p>应答用时（最近 %1 次应答，从请求发出到应答的最后一个字节）：</p>\n")
                .arg(t.count());
    html += tableOpen(QStringLiteral("numbers"));
    html += cells({QCoreApplication::translate("Report", "中位"), QStringLiteral("P99"),
                   QCoreApplication::translate("Report", "最慢"),
                   QCoreApplication::translate("Report", "线路传输"),
                   QCoreApplication::translate("Report", "建议超时")},
                  "th");
    html += cells({ms(t.median()), ms(t.percentile99()), ms(t.slowest()), ms(t.wireTime()),
                   ms(t.suggestedTimeout())});
    html += QStringLiteral("</table>\n");
    return html + QCoreApplication::translate(
                      "Report", "<p class=\"note\">线路传输：请求和应答在线路上传输所需的时间。"
                                "建议超时为 P99 的三倍，不少于传输时间加 %1 ms；"
                                "本工具不会自动更改超时。</p>\n")
                      .arg(ReplyTimes::kMargin.count());
}

// Code and value side by side, four pairs to a row: 35 values on a third of a page, in the order
// the instrument's registers hold them.
QString valueCells(const QStringList &row)
{
    QString html;
    for (int i = 0; i < row.size(); i += 2) {
        html += QStringLiteral("<td class=\"code\" width=\"9%\">%1</td><td width=\"16%\">%2</td>")
                    .arg(esc(row.at(i)), row.at(i).isEmpty() ? QString() : esc(row.at(i + 1)));
    }
    return html;
}

// The index of the parameter group whose page holds box k; -1 for none.
int pageOfBox(int box)
{
    const QList<ParameterGroup> &groups = parameterGroups();
    for (qsizetype g = 0; g < groups.size(); ++g) {
        for (const ParameterField &field : groups.at(g).fields) {
            if (field.box == box)
                return int(g);
        }
    }
    return -1;
}

QString parameterSection(const ReportData &d)
{
    QString html = QCoreApplication::translate("Report", "<h2>3　参数</h2>\n");
    // The pages in the order the record first holds a value of them.
    QList<int> pages;
    for (const SnapshotValue &v : d.snapshot.values) {
        const int page = pageOfBox(v.box);
        if (page >= 0 && !pages.contains(page))
            pages.append(page);
    }
    if (pages.isEmpty())
        return html + QCoreApplication::translate("Report", "<p>没有参数值。</p>\n");
    for (const int page : std::as_const(pages)) {
        html += QStringLiteral("<h3>%1</h3>\n")
                    .arg(esc(groupCaption(parameterGroups().at(page)))) +
                tableOpen(QStringLiteral("values"));
        QStringList row;
        for (const SnapshotValue &v : d.snapshot.values) {
            if (pageOfBox(v.box) != page)
                continue;
            row.append(v.code());
            row.append(v.plainText());
            if (row.size() == 2 * kValuePairsPerRow)
                html += QStringLiteral("<tr>%1</tr>\n").arg(valueCells(std::exchange(row, {})));
        }
        if (!row.isEmpty()) {
            while (row.size() < 2 * kValuePairsPerRow)
                row.append(QString());
            html += QStringLiteral("<tr>%1</tr>\n").arg(valueCells(row));
        }
        html += QStringLiteral("</table>\n");
    }
    return html;
}

// "同", "不同 1 项", "无法比较：…": how one instrument came out.
QString outcomeText(const ReportComparisonRow &row)
{
    switch (row.outcome) {
    case ReportComparisonRow::Outcome::Same:
        return QCoreApplication::translate("Report", "同");
    case ReportComparisonRow::Outcome::Differs:
        return QCoreApplication::translate("Report", "不同 %1 项").arg(row.differenceCount);
    case ReportComparisonRow::Outcome::NotCompared:
        break;
    }
    return QCoreApplication::translate("Report", "无法比较：%1").arg(row.notComparedWhy);
}

QString comparisonSection(const ReportData &d)
{
    if (!d.comparison)
        return {};
    const ReportComparison &c = *d.comparison;
    QString html = QCoreApplication::translate("Report", "<h2>与参考比较</h2>\n") +
                   QCoreApplication::translate("Report", "<p>参考：%1</p>\n").arg(esc(c.reference)) +
                   tableOpen(QStringLiteral("values"));
    html += QStringLiteral("<thead>") +
            cells({QCoreApplication::translate("Report", "仪表"),
                   QCoreApplication::translate("Report", "结果"),
                   QCoreApplication::translate("Report", "参数"),
                   QCoreApplication::translate("Report", "参考值"),
                   QCoreApplication::translate("Report", "仪表值")},
                  "th") +
            QStringLiteral("</thead>\n");
    for (const ReportComparisonRow &row : c.rows) {
        const QString result = outcomeText(row);
        if (row.differences.isEmpty()) {
            html += cells({row.instrument, result, QString(), QString(), QString()});
            continue;
        }
        for (const ReportDifference &diff : row.differences)
            html += cells({row.instrument, result, diff.code, diff.reference,
                           diff.withinTolerance
                               ? QCoreApplication::translate("Report", "%1（容差内）")
                                     .arg(diff.instrument)
                               : diff.instrument});
    }
    return html + QStringLiteral("</table>\n");
}

QString trendSection(const ReportData &d, const QString &imageSource)
{
    // On a page of its own with the frames: the first page holds the line, the counters and
    // the values, which is what a reader of a commissioning record looks for first.
    QString html = QCoreApplication::translate(
        "Report", "<h2 style=\"page-break-before: always\">4　毛重趋势</h2>\n");
    const TrendStats st = d.trend.stats();
    if (!st.last)
        return html +
               QCoreApplication::translate("Report", "<p>这段时间没有读到毛重，无趋势。</p>\n");
    html += QStringLiteral("<p><img src=\"%1\" width=\"%2\" height=\"%3\"></p>\n")
                .arg(imageSource)
                .arg(kTrendWidth)
                .arg(kTrendWidth * kTrendPixels.height() / kTrendPixels.width());
    const QList<QList<QPointF>> runs = d.trend.segments();
    const auto clock = [](double msecs) {
        return QDateTime::fromMSecsSinceEpoch(qint64(msecs)).toString(QStringLiteral("HH:mm:ss"));
    };
    return html +
           QCoreApplication::translate("Report", "<p>%1 至 %2：最小 %3，最大 %4，最新 %5。</p>\n")
               .arg(clock(runs.first().first().x()), clock(runs.last().last().x()),
                    esc(st.min->text()), esc(st.max->text()), esc(st.last->text()));
}

QString framesSection(const ReportData &d)
{
    QString html = QCoreApplication::translate("Report", "<h2>5　最近的通讯帧</h2>\n");
    if (d.frames.isEmpty())
        return html + QCoreApplication::translate("Report", "<p>没有通讯帧。</p>\n");
    const qsizetype from = std::max<qsizetype>(0, d.frames.size() - kReportFrames);
    html += QCoreApplication::translate("Report", "<p>最近 %1 行，按时间先后：</p>\n")
                .arg(d.frames.size() - from);
    html += tableOpen(QStringLiteral("frames"));
    html += QStringLiteral("<thead>") +
            cells({QCoreApplication::translate("Report", "时间"),
                   QCoreApplication::translate("Report", "方向"),
                   QCoreApplication::translate("Report", "数据"),
                   QCoreApplication::translate("Report", "解码"),
                   QCoreApplication::translate("Report", "结果"),
                   QCoreApplication::translate("Report", "用时")},
                  "th") +
            QStringLiteral("</thead>\n");
    for (qsizetype i = from; i < d.frames.size(); ++i) {
        const TrafficLine &l = d.frames.at(i);
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td class=\"hex\">%3</td><td>%4</td>"
                               "<td>%5</td><td>%6</td></tr>\n")
                    .arg(esc(l.timeText()), esc(TrafficLine::directionText(l.direction())),
                         esc(l.bytesText()), esc(l.decodingText()), esc(l.resultText()),
                         esc(l.replyTimeText()));
    }
    return html + QStringLiteral("</table>\n");
}

QString notesSection(const ReportData &d)
{
    if (d.notes.isEmpty())
        return {};
    QString html = QCoreApplication::translate("Report", "<h2>附注</h2>\n<ul>\n");
    for (const QString &n : d.notes)
        html += QStringLiteral("<li>%1</li>\n").arg(esc(n));
    return html + QStringLiteral("</ul>\n");
}

// The whole page; imageSource is where the trend picture comes from: a resource of the text
// document for the PDF, the picture itself as a data URL for the HTML file.
QString pageHtml(const ReportData &d, const QString &imageSource)
{
    const QString style =
        QStringLiteral("body { font-family: %1; font-size: 10pt; }\n"
                       "h1 { font-size: 16pt; margin-bottom: 2pt; }\n"
                       "h2 { font-size: 12pt; margin-top: 12pt; margin-bottom: 4pt; }\n"
                       "h3 { font-size: 10pt; margin-top: 6pt; margin-bottom: 2pt; }\n"
                       "table { border-collapse: collapse; border-color: #808080; }\n"
                       "th { background-color: #e8e8e8; font-weight: normal; text-align: left; }\n"
                       "table.numbers td, table.numbers th { text-align: right; }\n"
                       "table.values, table.frames { font-size: 9pt; }\n"
                       "td.code { color: #404040; }\n"
                       "td.hex { font-family: %2; }\n"
                       "p.sub, p.note { color: #404040; font-size: 9pt; }\n"
                       "p.sign { margin-top: 24pt; }\n"
                       "p.verdict { font-size: 16pt; margin: 6pt 0 0 0; }\n")
            .arg(reportFontFamilies(), reportMonoFamilies());
    // The page's language as HTML names it: "zh-CN", or the translation's own.
    const QString language = QCoreApplication::translate("Report", "zh-CN");
    const QString subtitle = QCoreApplication::translate("Report", "scalecheck %1　%2")
                                 .arg(esc(d.version), esc(timeText(d.snapshot.time)));
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"%3\">\n<head>\n<meta "
                          "charset=\"utf-8\">\n<title>%1</title>\n<style>\n%2</style>\n</head>\n"
                          "<body>\n<h1>%1</h1>\n<p class=\"sub\">%4</p>\n")
               .arg(esc(title()), style, language, subtitle) +
           verdictSection(d) + partiesSection(d) + lineSection(d) + trafficSection(d) +
           parameterSection(d) + comparisonSection(d) + trendSection(d, imageSource) +
           framesSection(d) + notesSection(d) + signatureSection() +
           QStringLiteral("</body>\n</html>\n");
}

QByteArray pngOf(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace

namespace {

QString partiesFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/scalecheck/report.ini");
}

} // namespace

ReportParties rememberedReportParties()
{
    QSettings settings(partiesFile(), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("parties"));
    return {settings.value(QStringLiteral("customer")).toString(),
            settings.value(QStringLiteral("site")).toString(),
            settings.value(QStringLiteral("technician")).toString(),
            settings.value(QStringLiteral("serial")).toString()};
}

void rememberReportParties(const ReportParties &parties)
{
    QSettings settings(partiesFile(), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("parties"));
    settings.setValue(QStringLiteral("customer"), parties.customer);
    settings.setValue(QStringLiteral("site"), parties.site);
    settings.setValue(QStringLiteral("technician"), parties.technician);
    settings.setValue(QStringLiteral("serial"), parties.serial);
}

QString reportHtmlPath(const QString &pdfPath)
{
    if (pdfPath.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return pdfPath.left(pdfPath.size() - 4) + QStringLiteral(".html");
    return pdfPath + QStringLiteral(".html");
}

QByteArray reportHtml(const ReportData &data)
{
    const QString picture =
        QStringLiteral("data:image/png;base64,") +
        QString::fromLatin1(pngOf(drawTrend(data.trend, kTrendPixels)).toBase64());
    return pageHtml(data, picture).toUtf8();
}

QByteArray reportPdf(const ReportData &data)
{
    QTextDocument document;
    document.setDefaultFont(reportFont(10));
    document.addResource(QTextDocument::ImageResource, QUrl(kTrendResource),
                         drawTrend(data.trend, kTrendPixels));
    document.setHtml(pageHtml(data, kTrendResource));
    return a4Pdf(document, title(), data.version);
}

bool writeReport(const QString &pdfPath, const ReportData &data, QString *error)
{
    // Both made in memory first: nothing is written until there is a whole report to write.
    const QByteArray pdf = reportPdf(data);
    const QByteArray html = reportHtml(data);
    return writeFileAtomically(pdfPath, pdf, error) &&
           writeFileAtomically(reportHtmlPath(pdfPath), html, error);
}
