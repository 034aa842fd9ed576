#include "platform/QtUserMessages.h"

#include "testkit/ui/QtTestKit.h"

#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTextLayout>
#include <cmath>
#include <gtest/gtest.h>

namespace scope {

namespace {

// Shows the box as the program would and measures its text instead of waiting for a button.
class TMeasuredMessages : public TQtUserMessages {
public:
    QString Text;
    int LabelWidth = 0;
    int WidestLine = 0;
    bool InsideBox = false;
    bool BoxOnScreen = false;

protected:
    int Run(QMessageBox &box) override {
        box.show();
        ProcessEventsUntil([&] { return box.isVisible(); }, 5000);
        const auto *label = box.findChild<QLabel *>("qt_msgbox_label");
        EXPECT_NE(label, nullptr);
        if (!label)
            return QMessageBox::Ok;
        Text = label->text();
        LabelWidth = label->contentsRect().width();
        // The lines as the label lays them out at its width.
        QTextLayout layout(Text, label->font());
        QTextOption option;
        option.setWrapMode(label->wordWrap() ? QTextOption::WordWrap : QTextOption::NoWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(LabelWidth);
            WidestLine = std::max(WidestLine, int(std::ceil(line.naturalTextWidth())));
        }
        layout.endLayout();
        InsideBox = box.rect().contains(QRect(label->mapTo(&box, QPoint(0, 0)), label->size()));
        BoxOnScreen = box.screen() && box.width() <= box.screen()->availableGeometry().width();
        box.hide();
        return QMessageBox::Ok;
    }
};

TEST(QtUserMessages, LongPathsWrapWholeInsideTheBox) {
    TestApp();
    const std::string name = std::string(300, 'n') + ".rsb";
    const std::string deep = "/home/user/" + std::string(60, 'd') + "/" + std::string(80, 'e') + "/rec.rsb";
    for (const std::string &text : {"Cannot create /tmp/" + name + ".", "Unable to save to " + deep + ".",
                                    std::string("Cannot open x.")}) {
        SCOPED_TRACE(text);
        TMeasuredMessages messages;
        EXPECT_EQ(messages.Show(TMsgKind::Error, "Error", text, mbOK, mbOK), mbOK);
        // Every character is there, the file name and its extension included, and no line is wider
        // than the label that shows it.
        EXPECT_EQ(QString(messages.Text).remove(QChar(0x200B)).toStdString(), text);
        EXPECT_GT(messages.LabelWidth, 0);
        EXPECT_LE(messages.WidestLine, messages.LabelWidth);
        EXPECT_TRUE(messages.InsideBox);
        EXPECT_TRUE(messages.BoxOnScreen);
    }
}

TEST(QtUserMessages, OnlyRunsTooLongForALineGetBreaks) {
    EXPECT_EQ(WrappableText("Cannot open /tmp/rec.rsb."), "Cannot open /tmp/rec.rsb.");
    const QString z(QChar(0x200B));
    EXPECT_EQ(WrappableText("a " + QString(33, 'x') + " b"), "a " + QString("x" + z).repeated(32) + "x b");
    // A character beyond the basic plane stays whole.
    const QString wide = QString::fromUtf8("\xF0\x9F\x93\x81").repeated(20);
    const QString broken = WrappableText(wide);
    EXPECT_EQ(QString(broken).remove(z), wide);
    EXPECT_GT(broken.size(), wide.size());
    for (int i = 0; i + 1 < broken.size(); ++i)
        EXPECT_FALSE(broken[i].isHighSurrogate() && broken[i + 1] == z[0]) << i;
}

} // namespace

} // namespace scope
