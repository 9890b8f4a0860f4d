// SPDX-License-Identifier: MIT
// The commissioning report's optional sections: the comparison, there when a comparison was made,
// a row per difference with both values, and absent otherwise; the verdict of a verification test
// at the head, said to be a test record's.
#include "report.h"

#include <QTest>

class TestReportComparison : public QObject
{
    Q_OBJECT

private slots:
    void section_data();
    void section();
    void verdictAtTheHead_data();
    void verdictAtTheHead();
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
        using Outcome = ReportComparisonRow::Outcome;
        c.rows = {{QStringLiteral("地址 1"), Outcome::Same, 0, {}, {}},
                  {QStringLiteral("地址 5"),
                   Outcome::Differs,
                   1,
                   {},
                   {{QStringLiteral("AL1"), QStringLiteral("1.50"), QStringLiteral("1.70"), false},
                    {QStringLiteral("PSS"), QStringLiteral("1.00000"), QStringLiteral("1.00020"),
                     true}}},
                  {QStringLiteral("地址 12"), Outcome::NotCompared, 0,
                   QStringLiteral("小数点读取失败：无应答"), {}}};
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

void TestReportComparison::verdictAtTheHead_data()
{
    QTest::addColumn<int>("verdict"); // -1 none, 0 fail, 1 pass
    QTest::addColumn<QString>("word");
    QTest::newRow("no test") << -1 << QString();
    QTest::newRow("failed") << 0 << QStringLiteral("不合格");
    QTest::newRow("passed") << 1 << QStringLiteral("合格");
}

void TestReportComparison::verdictAtTheHead()
{
    QFETCH(int, verdict);
    QFETCH(QString, word);
    ReportData data;
    if (verdict >= 0)
        data.verdict = ReportVerdict{verdict == 1, QDateTime(QDate(2026, 12, 9), QTime(10, 30)),
                                     QStringLiteral("III，e 0.10，Max 300.00，首次检定")};
    const QString html = QString::fromUtf8(reportHtml(data));
    const qsizetype at = html.indexOf(QStringLiteral("检定测试结论："));
    QCOMPARE(at >= 0, verdict >= 0);
    if (verdict < 0)
        return;
    // The word itself, before anything of the line's, and never taken for a verification mark.
    QVERIFY(html.indexOf(QStringLiteral(">%1</b>").arg(word), at) > at);
    QVERIFY(at < html.indexOf(QStringLiteral("1　线路与仪表")));
    QVERIFY(html.contains(QStringLiteral("III，e 0.10，Max 300.00，首次检定")));
    QVERIFY(html.contains(QStringLiteral("不是法定检定标记")));
}

QTEST_MAIN(TestReportComparison)
#include "tst_reportcomparison.moc"
