// SPDX-License-Identifier: MIT
// The commissioning report's comparison section: there when a comparison was made, a row per
// difference with both values, and absent otherwise.
#include "report.h"

#include <QTest>

class TestReportComparison : public QObject
{
    Q_OBJECT

private slots:
    void section_data();
    void section();
};

void TestReportComparison::section_data()
{
    QTest::addColumn<bool>("made");
    QTest::addColumn<QStringList>("shown");  // each found in the HTML
    QTest::addColumn<QStringList>("absent"); // none found
    QTest::newRow("no comparison") << false << QStringList{"<h2>3　参数</h2>"}
                                   << QStringList{"与参考比较", "参考值"};
    QTest::newRow("a bus compared")
        << true
        << QStringList{"<h2>与参考比较</h2>", "<p>参考：line 3 &lt;A&gt;.json</p>",
                       "<td>地址 1</td><td>同</td><td>—</td><td>—</td><td>—</td>",
                       "<td>地址 5</td><td>不同 1 项</td><td>AL1</td><td>1.50</td><td>1.70</td>",
                       "<td>PSS</td><td>1.00000</td><td>1.00020（容差内）</td>",
                       "<td>地址 12</td><td>无法比较：小数点读取失败：无应答</td>"}
        << QStringList{};
}

void TestReportComparison::section()
{
    QFETCH(bool, made);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, absent);
    ReportData data;
    if (made) {
        ReportComparison c;
        c.reference = QStringLiteral("line 3 <A>.json");
        c.rows = {{QStringLiteral("地址 1"), QStringLiteral("同"), {}},
                  {QStringLiteral("地址 5"),
                   QStringLiteral("不同 1 项"),
                   {{QStringLiteral("AL1"), QStringLiteral("1.50"), QStringLiteral("1.70"), false},
                    {QStringLiteral("PSS"), QStringLiteral("1.00000"), QStringLiteral("1.00020"),
                     true}}},
                  {QStringLiteral("地址 12"), QStringLiteral("无法比较：小数点读取失败：无应答"), {}}};
        data.comparison = c;
    }
    const QString html = QString::fromUtf8(reportHtml(data));
    for (const QString &s : shown)
        QVERIFY2(html.contains(s), qPrintable(s));
    for (const QString &s : absent)
        QVERIFY2(!html.contains(s), qPrintable(s));
    // Between the parameters and the trend.
    if (made)
        QVERIFY(html.indexOf(QStringLiteral("3　参数")) < html.indexOf(QStringLiteral("与参考比较")) &&
                html.indexOf(QStringLiteral("与参考比较")) < html.indexOf(QStringLiteral("4　毛重趋势")));
}

QTEST_MAIN(TestReportComparison)
#include "tst_reportcomparison.moc"
