#include "results/ResultsLayout.h"

#include <QTest>

using namespace ResultsLayout;

class TestLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void colWidth_data()
    {
        QTest::addColumn<double>("heading");
        QTest::addColumn<int>("width");
        QTest::newRow("empty heading") << 0.0 << 200;
        QTest::newRow("half to even, down") << 1234.5 << 1434;
        QTest::newRow("half to even, up") << 1235.5 << 1436;
        QTest::newRow("below half") << 1234.49 << 1434;
        QTest::newRow("above half") << 1234.51 << 1435;
    }
    void colWidth()
    {
        QFETCH(double, heading);
        QTEST(ResultsLayout::colWidth(heading), "width");
    }

    void grid()
    {
        const Grid grid = layoutGrid({300, 345}, {600.4, 900.5, 899});
        QCOMPARE(grid.columnWidths, (std::vector<int>{900 + 250, 500, 545}));
        // Only 50 of the names' column's 250 count towards the content.
        QCOMPARE(grid.contentWidth, 900.0 + 500 + 545 + 50);
        QCOMPARE(grid.contentHeight, 4.0 * 301);

        const Grid noColumns = layoutGrid({}, {450});
        QCOMPARE(noColumns.contentWidth, 500.0);
        QCOMPARE(noColumns.columnWidths, (std::vector<int>{700}));
    }

    void formSize_data()
    {
        QTest::addColumn<double>("contentWidth");
        QTest::addColumn<double>("contentHeight");
        QTest::addColumn<double>("screenWidth");
        QTest::addColumn<double>("screenHeight");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::newRow("narrow: at least 2500") << 1000.0 << 1204.0 << 19200.0 << 14400.0 << 2500.0 << 2604.0;
        QTest::newRow("wide: 90 % of the screen") << 30000.0 << 1000.0 << 19200.0 << 14400.0 << 17280.0 << 2400.0;
        QTest::newRow("tall: 90 % of the screen") << 5000.0 << 20000.0 << 19200.0 << 14400.0 << 5450.0 << 12960.0;
        QTest::newRow("tiny screen: 2500 wins") << 5000.0 << 100.0 << 2000.0 << 1000.0 << 2500.0 << 900.0;
    }
    void formSize()
    {
        QFETCH(double, contentWidth);
        QFETCH(double, contentHeight);
        QFETCH(double, screenWidth);
        QFETCH(double, screenHeight);
        const Size size = calcFormSize(contentWidth, contentHeight, {screenWidth, screenHeight});
        QTEST(size.width, "width");
        QTEST(size.height, "height");
    }

    void resize_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("contentWidth");
        QTest::addColumn<double>("newWidth");
        QTest::addColumn<double>("newHeight");
        QTest::addColumn<bool>("placed");
        // desired 4000 x 3000 throughout
        QTest::newRow("larger snaps back") << 6000.0 << 5000.0 << 100.0 << 4000.0 << 3000.0 << true;
        QTest::newRow("smaller stays") << 3000.0 << 2000.0 << 100.0 << 3000.0 << 2000.0 << true;
        QTest::newRow("before the first layout") << 6000.0 << 5000.0 << 0.0 << 6000.0 << 5000.0 << true;
        QTest::newRow("1700 wide: controls stay") << 1700.0 << 2000.0 << 100.0 << 1700.0 << 2000.0 << false;
        QTest::newRow("just above both") << 1701.0 << 1301.0 << 100.0 << 1701.0 << 1301.0 << true;
    }
    void resize()
    {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(double, contentWidth);
        QFETCH(double, newWidth);
        QFETCH(double, newHeight);
        QFETCH(bool, placed);
        const Resize rule = resizeRule({width, height}, {4000, 3000}, contentWidth);
        QCOMPARE(rule.window.width, newWidth);
        QCOMPARE(rule.window.height, newHeight);
        QCOMPARE(rule.placement.has_value(), placed);
        if (!placed)
            return;
        // Placed from the size after the snap.
        QCOMPARE(rule.placement->progressTop, newHeight - 1100);
        QCOMPARE(rule.placement->progressWidth, newWidth - 1480);
        QCOMPARE(rule.placement->buttonLeft, newWidth - 1365);
        QCOMPARE(rule.placement->gridHeight, newHeight - 1170);
        QCOMPARE(rule.placement->gridWidth, newWidth - 150);
    }
};

QTEST_GUILESS_MAIN(TestLayout)
#include "tst_layout.moc"
