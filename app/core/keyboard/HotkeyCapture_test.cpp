#include "keyboard/HotkeyCapture.h"

#include "keyboard/KeyNames.h"

#include <gtest/gtest.h>

namespace scope {

namespace {

// "+29" presses the left Ctrl, "-29" releases it, "f" loses the focus, "0" a key without a code.
struct TCase {
    const char *Name;
    std::vector<std::string> Steps;
    TKeyList Combination;
    const char *Text;
};

TEST(HotkeyCapture, KeySequencesGiveTheirCombinationAndText) {
    const TCase cases[] = {
        {"ctrl then space", {"+29", "+57", "-57", "-29"}, {29, 57}, "Ctrl + Space"},
        {"space then ctrl", {"+57", "+29", "-29", "-57"}, {57, 29}, "Space + Ctrl"},
        {"new after release", {"+29", "+57", "-57", "-29", "+42", "+63"}, {42, 63}, "Shift + F5"},
        {"extension while held", {"+29", "+57", "-57", "+328"}, {29, 57, 328}, "Ctrl + Space + Up"},
        {"same key twice", {"+29", "+57", "-57", "+57", "-57"}, {29, 57}, "Ctrl + Space"},
        {"later keys follow the codes",
         {"+57", "+29", "-57", "+336", "+42"},
         {57, 29, 336, 42},
         "Space + Ctrl + Down + Shift"},
        {"right ctrl distinct", {"+285", "+29"}, {285, 29}, "Right Ctrl + Ctrl"},
        {"focus loss starts anew", {"+29", "f", "+57"}, {57}, "Space"},
        {"key without a code", {"+29", "0", "-29", "0"}, {}, ""},
        {"page down and keypad", {"+337", "+78"}, {337, 78}, "Page Down + Num +"},
        {"unnamed code", {"+200"}, {200}, "200"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        THotkeyCapture capture;
        for (const std::string &s : c.Steps) {
            if (s == "f")
                capture.FocusLost();
            else if (s == "0")
                capture.KeyDown(0, true);
            else if (s[0] == '+')
                capture.KeyDown(std::stoi(s.substr(1)), false);
            else
                capture.KeyUp(std::stoi(s.substr(1)), false);
        }
        EXPECT_EQ(capture.Keys(), c.Combination);
        EXPECT_EQ(capture.Text(), c.Text);
    }
}

TEST(HotkeyCapture, KeyAccessorsStayWithinTheCombination) {
    THotkeyCapture capture;
    capture.SetKeyCount(2);
    EXPECT_EQ(capture.Keys(), (TKeyList{0, 0}));
    capture.SetKey(0, 29);
    capture.SetKey(1, 57);
    capture.SetKey(-1, 1);
    capture.SetKey(2, 1);
    EXPECT_EQ(capture.Keys(), (TKeyList{29, 57}));
    EXPECT_EQ(capture.Key(-1), 0);
    EXPECT_EQ(capture.Key(2), 0);
    EXPECT_EQ(capture.Key(1), 57);
    capture.SetKeyCount(-3);
    EXPECT_EQ(capture.KeyCount(), 0);
    EXPECT_EQ(capture.Text(), "");
}

TEST(KeyNames, WordsForMovementKeysAndNumForTheKeypad) {
    EXPECT_EQ(KeyName(328), "Up");
    EXPECT_EQ(KeyName(329), "Page Up");
    EXPECT_EQ(KeyName(285), "Right Ctrl");
    EXPECT_EQ(KeyName(54), "Right Shift");
    EXPECT_EQ(KeyName(74), "Num -");
    EXPECT_EQ(KeyName(284), "Num Enter");
    EXPECT_EQ(KeyName(28), "Enter");
    EXPECT_EQ(KeyName(30), "A");
    EXPECT_EQ(KeyName(511), "511");
}

} // namespace

} // namespace scope
