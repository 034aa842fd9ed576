#include "ConfigureColumnsScreen.h"
#include "ConfigureRowsScreen.h"
#include "MainScreen.h"
#include "QtTestApp.h"
#include "TestHost.h"
#include "Waveforms.h"

#include <QClipboard>
#include <QListWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>

namespace parmod {

namespace {

class Window : public ::testing::Test {
protected:
    Window() {
        TestApp();
        Link.Attach(0, TTestHost::Callback);
        Form = std::make_unique<TMainForm>(Link);
        Form->Params().DecimalSeparator = '.';
        Host.SetChannel(0, waveforms::Square(100, 50, 50, 200, 10000));
        Host.Ground = {128, 128};
        Host.SampleRate = 10;
    }

    // One acquisition as the host drives it: show (data flags), compute, show.
    void Acquire() {
        Form->UpdateChannelInfo();
        Form->CalculateParams();
        Form->UpdateChannelInfo();
    }

    std::vector<std::string> Lines(const std::string &text) {
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
        return lines;
    }

    TTestHost Host;
    THostLink Link;
    std::unique_ptr<TMainForm> Form;
};

} // namespace

TEST_F(Window, CopyHoldsEveryRowWithItsVisibleCells) {
    Acquire();
    Form->ToggleRow(prRPM); // hidden rows are copied too
    Form->ToggleStat(psMax);
    Form->Copy();
    const std::string text = QGuiApplication::clipboard()->text().toStdString();
    EXPECT_EQ(text, Form->TableText());
    const auto lines = Lines(text);
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[0], "\tnow (A)\tavg (A)\tmax (A)\tnow (B)\tavg (B)\tmax (B)");
    EXPECT_EQ(lines[1], "Peak-peak\t4.688 V\t4.688 V\t4.688 V\tN/A\tN/A\tN/A");
    EXPECT_EQ(lines[4], "Frequency\t100 Hz\t100 Hz\t100 Hz\tN/A\tN/A\tN/A");
    EXPECT_EQ(lines[5], "RPM\t6000 \t6000 \t6000 \tN/A\tN/A\tN/A");
    EXPECT_EQ(lines[18], "Rise time\tN/A\tN/A\tN/A\tN/A\tN/A\tN/A");
}

TEST_F(Window, TheLastVisibleRowChannelOrStatisticStays) {
    Form->ShowOnlyRow(prVrms);
    EXPECT_EQ(Form->Params().VisibleCount(), 1);
    Form->ToggleRow(prVrms);
    EXPECT_TRUE(Form->Params().Param(prVrms).Visible);
    EXPECT_TRUE(Form->RowShowAction(prVrms)->isChecked());
    Form->RowShowAction(prVrms)->trigger(); // through the menu item itself
    EXPECT_TRUE(Form->Params().Param(prVrms).Visible);
    EXPECT_TRUE(Form->RowShowAction(prVrms)->isChecked());
    Form->ShowAllRows();
    EXPECT_EQ(Form->Params().VisibleCount(), ParamRowCount);

    Form->ToggleChannel(1);
    Form->ChannelAction(0)->trigger();
    EXPECT_TRUE(Form->Stats().ChannelVisible(0));
    EXPECT_TRUE(Form->ChannelAction(0)->isChecked());
    EXPECT_EQ(Form->Stats().VisibleChannelCount(), 1);

    Form->ShowOnlyStat(psDev);
    Form->StatAction(psDev)->trigger();
    EXPECT_TRUE(Form->Stats().StatVisible(psDev));
    EXPECT_TRUE(Form->StatAction(psDev)->isChecked());
    Form->ShowAllStats();
    EXPECT_EQ(Form->Stats().VisibleStatCount(), ParamStatCount);
    EXPECT_EQ(Form->Stats().VisibleChannelCount(), 1); // channels unchanged
}

// A dialog whose checks are all cleared keeps the last one; OK writes the checks, Cancel nothing.
TEST_F(Window, ConfigurationDialogs) {
    Form->ExecDialog = [](QDialog &d) {
        auto &rows = dynamic_cast<TConfigureRowsForm &>(d);
        QListWidget *list = rows.RowList();
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setCheckState(Qt::Unchecked);
        return int(QDialog::Accepted);
    };
    Form->ConfigureRows();
    EXPECT_EQ(Form->Params().VisibleCount(), 1);
    EXPECT_TRUE(Form->Params().Param(ParamRowCount - 1).Visible);

    Form->ExecDialog = [](QDialog &d) {
        auto &columns = dynamic_cast<TConfigureColumnsForm &>(d);
        for (QListWidget *list : {columns.ChannelList(), columns.StatList()})
            for (int i = 0; i < list->count(); ++i)
                list->item(i)->setCheckState(i == 2 ? Qt::Checked : Qt::Unchecked);
        return int(QDialog::Rejected);
    };
    Form->ConfigureColumns();
    EXPECT_EQ(Form->Stats().VisibleChannelCount(), 2);
    EXPECT_TRUE(Form->Stats().ChannelVisible(0));

    Form->ExecDialog = [](QDialog &d) {
        auto &columns = dynamic_cast<TConfigureColumnsForm &>(d);
        for (QListWidget *list : {columns.ChannelList(), columns.StatList()})
            for (int i = list->count() - 1; i >= 0; --i)
                list->item(i)->setCheckState(i == 2 ? Qt::Checked : Qt::Unchecked);
        return int(QDialog::Accepted);
    };
    Form->ConfigureColumns();
    EXPECT_EQ(Form->Stats().VisibleChannelCount(), 1);
    EXPECT_TRUE(Form->Stats().ChannelVisible(2));
    EXPECT_TRUE(Form->ChannelAction(2)->isChecked());
    EXPECT_FALSE(Form->ChannelAction(0)->isChecked());
    EXPECT_EQ(Form->Stats().VisibleStatCount(), 1);
    EXPECT_TRUE(Form->Stats().StatVisible(psMin));
}

TEST_F(Window, StayOnTopReturnsAfterEitherDialogButton) {
    Form->show();
    Form->StayOnTopAction()->trigger();
    EXPECT_TRUE(Form->StayOnTop());
    EXPECT_TRUE(Form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // Outlives the loop: the last dialog hook is still called after it.
    bool normalWhileOpen = false;
    for (int answer : {int(QDialog::Accepted), int(QDialog::Rejected)}) {
        normalWhileOpen = false;
        Form->ExecDialog = [this, answer, &normalWhileOpen](QDialog &) {
            normalWhileOpen = !Form->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            return answer;
        };
        Form->ConfigureRows();
        EXPECT_TRUE(normalWhileOpen);
        EXPECT_TRUE(Form->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << answer;
        EXPECT_TRUE(Form->isVisible());
        Form->ConfigureColumns();
        EXPECT_TRUE(Form->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << answer;
    }
    Form->StayOnTopAction()->trigger();
    EXPECT_FALSE(Form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    Form->ConfigureRows();
    EXPECT_FALSE(Form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(Window, RangeSourceChangeResetsOnlyThatChannel) {
    Host.Data[1] = Host.Data[2] = Host.Data[3] = Host.Data[0];
    Host.HasDataC = Host.HasDataD = true;
    for (int32_t i = 0; i < 4; ++i)
        Form->Stats().SetChannelVisible(i, true);
    Acquire();
    for (int32_t i = 0; i < 4; ++i)
        ASSERT_TRUE(Form->Params().Param(prVrms).Channel(i).Valid) << i;
    Form->RangeAction(2, 1)->trigger();
    EXPECT_EQ(Form->Computation().RangeSource(2), 1);
    EXPECT_TRUE(Form->RangeAction(2, 1)->isChecked());
    EXPECT_FALSE(Form->RangeAction(2, 0)->isChecked());
    for (int32_t row = 0; row < ParamRowCount; ++row)
        EXPECT_FALSE(Form->Params().Param(row).Channel(2).Valid) << row;
    for (int32_t i : {0, 1, 3})
        EXPECT_TRUE(Form->Params().Param(prVrms).Channel(i).Valid) << i;
    Form->ResetParams();
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_FALSE(Form->Params().Param(prVrms).Channel(i).Valid) << i;
}

// The computation in its own thread against the window's GUI-thread work: no deadlock, and every copied
// table stays whole.
TEST_F(Window, ComputationRunsBesideTheGuiThread) {
    Host.Data[1] = Host.Data[0];
    Form->UpdateChannelInfo();
    std::atomic<bool> stop{false};
    std::atomic<int> computed{0};
    std::thread acquisition([&] {
        while (!stop) {
            Form->CalculateParams();
            ++computed;
        }
    });
    for (int i = 0; i < 40 || computed < 3; ++i) {
        Form->Table()->Refresh();
        EXPECT_EQ(Lines(Form->TableText()).size(), 20u);
        Form->SetRangeSource(2, i % 2);
        Form->ToggleStat(psMax);
        Form->ResetParams();
        QApplication::processEvents();
    }
    stop = true;
    acquisition.join();
    EXPECT_GE(computed, 3);
}

} // namespace parmod
