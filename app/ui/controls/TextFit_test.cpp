#include "controls/TextFit.h"

#include "controls/HLEditTarn.h"
#include "testkit/ui/QtTestKit.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace scope {

namespace {

// Where the edit puts its cursor before the first character, as it last painted: left of the text's
// room once the edit scrolled to show the end of a text that does not fit.
int StartOfText(THLEditTarn &edit, const QString &text) {
    edit.SetText(text);
    edit.setCursorPosition(int(text.size()));
    (void)edit.grab(); // the edit scrolls when it paints
    edit.setCursorPosition(0);
    return edit.inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
}

} // namespace

// The room the helper reckons with is the room the edit scrolls by: sized for a text it shows it from
// its first character; narrower by more than the helper's rounding up of the text's width, and the
// first character is scrolled away.
TEST(TextFit, AnEditSizedForItsTextShowsItFromTheFirstCharacter) {
    TestApp();
    for (const char *font : {"10", "13"})
        for (const char *text : {"419.43ms", "52.427ms", "32767", "1"}) {
            SCOPED_TRACE(std::string(text) + " at " + font + " px");
            THLEditTarn edit;
            QFont f = edit.font();
            f.setPixelSize(QString(font).toInt());
            edit.setFont(f);
            // The left end of the text's room: where an empty text starts, aligned left.
            edit.resize(100, 19);
            const Qt::Alignment alignment = edit.alignment();
            edit.setAlignment(Qt::AlignLeft);
            const int home = StartOfText(edit, QString());
            edit.setAlignment(alignment);
            edit.resize(WidthForTexts(edit, {text}), 19);
            EXPECT_TRUE(ShowsWhole(edit, text));
            EXPECT_GE(StartOfText(edit, text), home);
            edit.resize(edit.width() - 2, 19);
            EXPECT_FALSE(ShowsWhole(edit, text));
            EXPECT_LT(StartOfText(edit, text), home);
        }
}

TEST(TextFit, ALabelTakesItsWidestText) {
    TestApp();
    QLabel label;
    label.setMargin(3);
    const std::vector<std::string> texts = {"N/A", "-888.888mV", "1V"};
    label.resize(WidthForTexts(label, texts), 15);
    for (const std::string &t : texts)
        EXPECT_TRUE(ShowsWhole(label, QString::fromStdString(t))) << t;
    EXPECT_EQ(TextRoom(label), TextWidth(label, "-888.888mV"));
    EXPECT_EQ(label.width(), TextRoom(label) + 6);
}

} // namespace scope
