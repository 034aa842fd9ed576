#include "QtTestApp.h"
#include "WaveParamsPellx.h"

#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <cmath>

namespace parmod {

TEST(WaveParam, StatisticsOverASequence) {
    TWaveParam row("Vrms", "V", false);
    row.AddValue(0, 5);
    auto c = row.Channel(0);
    EXPECT_TRUE(c.Valid);
    EXPECT_EQ(c.Now, 5);
    EXPECT_EQ(c.Mean, 5);
    EXPECT_EQ(c.Min, 5);
    EXPECT_EQ(c.Max, 5);
    EXPECT_EQ(c.Dev, 0);

    TWaveParam pair("x", "", true);
    pair.AddValue(1, 1);
    pair.AddValue(1, 3);
    c = pair.Channel(1);
    EXPECT_DOUBLE_EQ(c.Mean, 2);
    EXPECT_DOUBLE_EQ(c.Dev, 1);

    // Population deviation of 2, 4, 4, 4, 5, 5, 7, 9 is 2, mean 5.
    TWaveParam seq("x", "", true);
    for (double v : {2, 4, 4, 4, 5, 5, 7, 9})
        seq.AddValue(2, v);
    c = seq.Channel(2);
    EXPECT_DOUBLE_EQ(c.Mean, 5);
    EXPECT_NEAR(c.Dev, 2, 1e-12);
    EXPECT_EQ(c.Min, 2);
    EXPECT_EQ(c.Max, 9);
    EXPECT_EQ(c.Now, 9);
    EXPECT_EQ(c.Count, 8);
    EXPECT_FALSE(seq.Channel(0).Valid); // other channels untouched
}

TEST(WaveParam, ResetRestartsTheStatisticsAndTheDecimals) {
    TWaveParam row("Period", "s", false);
    row.AddValue(0, 1.25);
    row.AddValue(0, 100);
    EXPECT_EQ(row.CellText(0, psMin, '.'), "1.25 s");
    row.ResetChannel(0);
    EXPECT_EQ(row.CellText(0, psNow, '.'), "N/A");
    row.AddValue(0, 2);
    auto c = row.Channel(0);
    EXPECT_EQ(c.Mean, 2);
    EXPECT_EQ(c.Min, 2);
    EXPECT_EQ(c.Max, 2);
    EXPECT_EQ(c.Count, 1);
    EXPECT_EQ(row.CellText(0, psMin, '.'), "2 s"); // widths restarted with the statistics
    row.AddValue(1, 7);
    row.Reset();
    EXPECT_EQ(row.CellText(0, psNow, '.'), "N/A");
    EXPECT_EQ(row.CellText(1, psNow, '.'), "N/A");
}

TEST(WaveParam, FormatValue) {
    struct Case {
        double X;
        bool NoPrefix;
        const char *Unit, *Number, *PrefixUnit;
    };
    const Case cases[] = {
        {1234.56, false, "V", "1.235", "kV"},
        {0.000000001, false, "s", "1", "ns"},
        {5e12, false, "Hz", "5000", "GHz"},
        {1234.5678, true, "", "1234.568", ""},
        {0.0125, false, "V", "12.5", "mV"},
        {-0.0125, false, "V", "-12.5", "mV"},
        {0, false, "V", "0", "V"},
        {1.5, false, "V", "1.5", "V"},
        {2, false, "V", "2", "V"},
        {0.0000000000004, false, "s", "0", "ns"}, // stops at the smallest prefix
        {0.0625, true, "%", "0.062", "%"},        // exact halves go to even
        {0.1875, true, "%", "0.188", "%"},
        {-0.0001, true, "%", "0", "%"}, // no negative zero
    };
    for (const Case &c : cases) {
        TWaveParam row("r", c.Unit, c.NoPrefix);
        auto [number, prefixUnit] = row.FormatValue(c.X, '.');
        EXPECT_EQ(number, c.Number) << c.X;
        EXPECT_EQ(prefixUnit, c.PrefixUnit) << c.X;
    }
    // Beyond the 64-bit range nothing is rounded: all digits, no exponent.
    TWaveParam huge("r", "", true);
    const std::string digits = huge.FormatValue(1e300, '.').first;
    EXPECT_EQ(digits.size(), 301u);
    EXPECT_EQ(digits.substr(0, 3), "100");
    TWaveParam comma("r", "V", false);
    EXPECT_EQ(comma.FormatValue(1.5, ',').first, "1,5");
}

TEST(WaveParam, CellDecimalsOnlyGrow) {
    TWaveParam row("Vrms", "V", false);
    row.AddValue(0, 1.25);
    EXPECT_EQ(row.CellText(0, psNow, '.'), "1.25 V");
    row.AddValue(0, 2);
    EXPECT_EQ(row.CellText(0, psNow, '.'), "2.00 V");
    row.AddValue(0, 0.0125);
    EXPECT_EQ(row.CellText(0, psNow, '.'), "12.50 mV");
    row.AddValue(0, 0.0125678);
    EXPECT_EQ(row.CellText(0, psNow, '.'), "12.568 mV");
    row.AddValue(0, 3);
    EXPECT_EQ(row.CellText(0, psNow, ','), "3,000 V");
    // Each statistic column keeps its own width.
    EXPECT_EQ(row.CellText(0, psMax, '.'), "3 V");
    TWaveParam rpm("RPM", "", true);
    rpm.AddValue(3, 1234.5678);
    EXPECT_EQ(rpm.CellText(3, psNow, '.'), "1234.568 ");
}

TEST(WaveParamsPellx, VisibleRowsAndLoadEvent) {
    TWaveParamsPellx list;
    int calls = 0;
    list.SetOnParamLoad([&](TWaveParamsPellx &sender) {
        ++calls;
        for (const char *name : {"a", "b", "c", "d"})
            sender.AddParam(name, "V", false);
    });
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(list.Count(), 4);
    list.Param(0).Visible = false;
    list.Param(2).Visible = false;
    EXPECT_EQ(list.VisibleCount(), 2);
    EXPECT_EQ(list.VisibleIndex(0), 1);
    EXPECT_EQ(list.VisibleIndex(1), 3);
    EXPECT_EQ(list.VisibleIndex(2), -1);
    EXPECT_EQ(list.VisibleIndex(-1), -1);
    list.Param(1).AddValue(2, 1);
    list.Param(3).AddValue(1, 1);
    list.ResetChannel(2);
    EXPECT_FALSE(list.Param(1).Channel(2).Valid);
    EXPECT_TRUE(list.Param(3).Channel(1).Valid);
    list.ResetAll();
    EXPECT_FALSE(list.Param(3).Channel(1).Valid);
}

TEST(ParamStatsPellx, DefaultsAndAssign) {
    TParamStatsPellx stats;
    EXPECT_EQ(stats.VisibleChannelCount(), 2);
    EXPECT_EQ(stats.VisibleStatCount(), 2);
    EXPECT_TRUE(stats.CellVisible(1, psMean));
    EXPECT_FALSE(stats.CellVisible(2, psNow));
    EXPECT_FALSE(stats.CellVisible(0, psDev));
    EXPECT_EQ(stats.Colour(0), 0x008000u);
    EXPECT_EQ(stats.Colour(1), 0x0000FFu);
    EXPECT_EQ(stats.Colour(2), 0x00FFFFu);
    EXPECT_EQ(stats.Colour(3), 0x000080u);
    TParamStatsPellx other;
    other.SetChannelVisible(0, false);
    other.SetChannelVisible(3, true);
    other.SetStatVisible(psDev, true);
    other.SetColour(2, 0x123456);
    stats.Assign(other);
    EXPECT_FALSE(stats.ChannelVisible(0));
    EXPECT_TRUE(stats.ChannelVisible(3));
    EXPECT_TRUE(stats.StatVisible(psDev));
    EXPECT_EQ(stats.Colour(2), 0x123456u);
}

namespace {

// A table over the nineteen rows with all twenty cells shown.
class Table : public ::testing::Test {
protected:
    Table() {
        for (int i = 0; i < 19; ++i)
            Params.AddParam("Row " + std::to_string(i), "V", false);
        for (int i = 0; i < ParamChannelCount; ++i)
            Stats.SetChannelVisible(i, true);
        for (int j = 0; j < ParamStatCount; ++j)
            Stats.SetStatVisible(j, true);
        Widget.SetWaveParams(&Params);
        Widget.SetParamsStats(&Stats);
        Widget.SetShiftBar(&Bar);
        Widget.OnParamDisable = [this] { ++Disabled; };
        Widget.OnResize = [this] { ++Resized; };
        Widget.Refresh();
    }

    void Press(int x, int y) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(x, y), QPointF(x, y), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Widget, &press);
    }
    void Move(int x, int y) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), QPointF(x, y), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&Widget, &move);
    }
    // The centre of a visible row's cross.
    int RowY(int visibleRow) const { return Widget.LineHeight() + 3 + visibleRow * Widget.LineHeight() + 4; }
    QRgb BandAt(int x) const { return Widget.Bitmap().pixel(x, Widget.LineHeight() + 1); }

    QApplication &App = TestApp(); // before any widget
    TWaveParamsPellx Params;
    TParamStatsPellx Stats;
    QScrollBar Bar{Qt::Horizontal};
    TWaveParamsTablePellx Widget;
    int Disabled = 0, Resized = 0;
};

QRgb Rgb(uint32_t bgr) {
    return qRgb(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

} // namespace

TEST_F(Table, SizesItselfToItsContent) {
    Widget.MaxWidth = 100000;
    Widget.Refresh();
    const int W = Widget.CellWidth(), NW = Widget.NameWidth(), H = Widget.LineHeight();
    ASSERT_GT(W, 0);
    ASSERT_GT(H, 0);
    EXPECT_EQ(Widget.width(), NW + 20 * W);
    EXPECT_EQ(Widget.height(), H + 3 + 19 * H);
    EXPECT_GE(Resized, 1);
    EXPECT_EQ(Widget.HiddenColumns(), 0);
    EXPECT_FALSE(Bar.isEnabled());
    // Coloured channel bands below the header, one per channel.
    EXPECT_EQ(BandAt(NW + 2), Rgb(Stats.Colour(0)));
    EXPECT_EQ(BandAt(NW + 5 * W + 2), Rgb(Stats.Colour(1)));
    EXPECT_EQ(BandAt(NW + 19 * W + 2), Rgb(Stats.Colour(3)));
    Params.Param(0).Visible = false;
    Stats.SetChannelVisible(3, false);
    Widget.Refresh();
    EXPECT_EQ(Widget.width(), NW + 15 * W);
    EXPECT_EQ(Widget.height(), H + 3 + 18 * H);
}

TEST_F(Table, HidesColumnsFromTheLeftBehindTheScrollBar) {
    const int W = Widget.CellWidth(), NW = Widget.NameWidth();
    Widget.MaxWidth = NW + 5 * W;
    Widget.Refresh();
    EXPECT_EQ(Widget.HiddenColumns(), 15);
    EXPECT_EQ(Widget.width(), NW + 5 * W);
    EXPECT_TRUE(Bar.isEnabled());
    EXPECT_EQ(Bar.maximum(), 15);
    EXPECT_EQ(BandAt(NW + 2), Rgb(Stats.Colour(0)));
    Bar.setValue(15); // the rightmost columns come in
    EXPECT_EQ(Widget.Shift(), 15);
    EXPECT_EQ(BandAt(NW + 2), Rgb(Stats.Colour(3)));
    // Hiding channels until everything fits disables the bar and pulls its position back.
    for (int i = 0; i < 3; ++i)
        Stats.SetChannelVisible(i, false);
    Widget.Refresh();
    EXPECT_EQ(Widget.HiddenColumns(), 0);
    EXPECT_FALSE(Bar.isEnabled());
    EXPECT_EQ(Bar.value(), 0);
    EXPECT_EQ(Widget.Shift(), 0);
    // Never more hidden columns than cells, however narrow the limit.
    Widget.MaxWidth = 0;
    Widget.Refresh();
    EXPECT_EQ(Widget.HiddenColumns(), 5);
    EXPECT_EQ(Widget.width(), NW);
}

TEST_F(Table, CrossesHideRows) {
    Move(5, RowY(2));
    EXPECT_EQ(Widget.Highlighted(), 2);
    Press(20, RowY(2)); // right of the crosses
    EXPECT_EQ(Params.VisibleCount(), 19);
    Press(5, Widget.LineHeight() / 2); // the header line
    EXPECT_EQ(Params.VisibleCount(), 19);
    Press(5, Widget.height() + 50); // below the rows
    EXPECT_EQ(Params.VisibleCount(), 19);
    EXPECT_EQ(Disabled, 0);
    Press(5, RowY(2));
    EXPECT_FALSE(Params.Param(2).Visible);
    EXPECT_EQ(Disabled, 1);
    Press(5, RowY(2)); // now the row that followed
    EXPECT_FALSE(Params.Param(3).Visible);
    for (int i = 0; i < 19; ++i)
        Params.Param(i).Visible = i == 7;
    Widget.Refresh();
    Move(5, RowY(0));
    EXPECT_EQ(Widget.Highlighted(), -1); // the last visible row shows no cross highlight
    Press(5, RowY(0));
    EXPECT_TRUE(Params.Param(7).Visible);
    EXPECT_EQ(Disabled, 2);
    QEvent leave(QEvent::Leave);
    Move(5, RowY(0));
    QApplication::sendEvent(&Widget, &leave);
    EXPECT_EQ(Widget.Highlighted(), -1);
}

} // namespace parmod
