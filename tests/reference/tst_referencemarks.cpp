// SPDX-License-Identifier: MIT
// The marks on the value boxes: the boxes of the deviations coloured and explained, nothing
// moved, no text changed, and every box back as it was once cleared.
#include "comparison.h"
#include "referencemarks.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

namespace {

ParameterValue valueOf(int box, const char *code, int registers, qint32 raw, int places)
{
    return {box, code, registers, raw, places};
}

Difference difference(const ParameterValue &reference, std::optional<ParameterValue> instrument,
                      bool tolerated = false, std::optional<qint64> tolerance = std::nullopt)
{
    return {reference.code, 0, reference.box, reference, instrument, tolerated, tolerance};
}

} // namespace

class TestReferenceMarks : public QObject
{
    Q_OBJECT

private slots:
    void marksAndClears_data();
    void marksAndClears();
};

void TestReferenceMarks::marksAndClears_data()
{
    QTest::addColumn<bool>("tolerated");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("tip");
    QTest::newRow("out of tolerance") << false << ReferenceMarks::kDiffers
                                      << QStringLiteral("与参考不同：参考 1.50，仪表 1.70");
    QTest::newRow("within tolerance") << true << ReferenceMarks::kTolerated
                                      << QStringLiteral("在参考容差内（±30）：参考 1.50，仪表 1.70");
}

void TestReferenceMarks::marksAndClears()
{
    QFETCH(bool, tolerated);
    QFETCH(QColor, colour);
    QFETCH(QString, tip);

    QWidget page;
    auto *layout = new QVBoxLayout(&page);
    QList<QLineEdit *> boxes;
    for (int k = 0; k < kValueBoxes; ++k) {
        auto *box = new QLineEdit(QStringLiteral("v%1").arg(k), &page);
        box->setToolTip(QStringLiteral("box %1").arg(k));
        layout->addWidget(box);
        boxes.append(box);
    }
    page.resize(200, 1200);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QList<QRect> places;
    for (QLineEdit *b : std::as_const(boxes))
        places.append(b->geometry());
    const QColor base = boxes.at(2)->palette().color(QPalette::Base);

    Comparison c;
    c.deviations = {
        difference(valueOf(2, "AL1", 2, 150, 2), valueOf(2, "AL1", 2, 170, 2), tolerated, 30),
        // Not read: nothing is shown that the instrument did not say.
        difference(valueOf(16, "FLtr", 1, 2, 0), std::nullopt),
        difference(valueOf(34, "sec", 1, 0, 0), valueOf(34, "sec", 1, 9, 0)),
    };
    ReferenceMarks marks(boxes);
    marks.mark(c);
    QCOMPARE(marks.marked(), (QList<int>{2, 34}));
    QCOMPARE(boxes.at(2)->palette().color(QPalette::Base), colour);
    QCOMPARE(boxes.at(2)->toolTip(), tip);
    QCOMPARE(boxes.at(34)->palette().color(QPalette::Base), ReferenceMarks::kDiffers);
    QCOMPARE(boxes.at(16)->palette().color(QPalette::Base), base);
    QCOMPARE(boxes.at(16)->toolTip(), QStringLiteral("box 16"));
    QCoreApplication::processEvents();
    for (int k = 0; k < kValueBoxes; ++k) {
        QCOMPARE(boxes.at(k)->text(), QStringLiteral("v%1").arg(k));
        QCOMPARE(boxes.at(k)->geometry(), places.at(k));
    }

    // Marking again replaces the marks; clearing gives every box back.
    c.deviations.removeLast();
    marks.mark(c);
    QCOMPARE(marks.marked(), QList<int>{2});
    QCOMPARE(boxes.at(34)->palette().color(QPalette::Base), base);
    QCOMPARE(boxes.at(34)->toolTip(), QStringLiteral("box 34"));
    marks.clear();
    QVERIFY(marks.marked().isEmpty());
    QCOMPARE(boxes.at(2)->palette().color(QPalette::Base), base);
    QCOMPARE(boxes.at(2)->toolTip(), QStringLiteral("box 2"));
    // A box gone with its page is passed over.
    marks.mark(c);
    delete boxes.at(2);
    marks.clear();
    QVERIFY(marks.marked().isEmpty());
}

QTEST_MAIN(TestReferenceMarks)
#include "tst_referencemarks.moc"
