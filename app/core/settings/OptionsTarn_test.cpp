#include "settings/OptionsTarn.h"

#include <functional>

#include <gtest/gtest.h>

#include "device/DataTypesTarn.h"
#include "settings/SettingsTarn.h"

namespace scope {

namespace {

// Capabilities as the colour lists see them: 2 physical, 2 virtual, 8 channels in all.
class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings.SetDefaultCapabilities();
        Settings.VirtualChannelCount = 2;
        Settings.ChannelCount = 8;
    }
    TSettingsTarn Settings;
    TXMLSettings Store;
};

class FakeCheckBox : public ICheckBoxControl {
public:
    bool Checked() const override { return Value; }
    void SetChecked(bool value) override { Value = value; }
    bool Value = false;
};

class FakeShape : public IColorShapeControl {
public:
    TColor FillColor() const override { return Value; }
    void SetFillColor(TColor value) override { Value = value; }
    TColor Value = 0;
};

class FakeRow : public IColorRowControl {
public:
    void SetMirrorIndex(int32_t index) override { Mirror = index; }
    void SetShapeCount(int32_t count) override { Colors.assign(static_cast<size_t>(count), 16777215); }
    void SetColor(int32_t index, TColor color) override { Colors.at(static_cast<size_t>(index)) = color; }
    TColor GetColor(int32_t index) const override { return Colors.at(static_cast<size_t>(index)); }
    int32_t Mirror = -2;
    TColorList Colors;
};

class FakeHotkeyEdit : public IHotkeyEditControl {
public:
    int32_t KeyCount() const override { return static_cast<int32_t>(Keys.size()); }
    void SetKeyCount(int32_t count) override { Keys.assign(static_cast<size_t>(count), 0); }
    int32_t Key(int32_t index) const override { return Keys.at(static_cast<size_t>(index)); }
    void SetKey(int32_t index, int32_t code) override { Keys.at(static_cast<size_t>(index)) = code; }
    TKeyList Keys;
};

THotkeyOption &Hotkey(TOptions &options, int32_t id) {
    return dynamic_cast<THotkeyOption &>(*options.GetOption(id));
}

TEST_F(OptionsTest, FreshOptionsHoldTheTableDefaults) {
    TOptions options(&Settings);
    EXPECT_EQ(options.Count(), 45);

    const std::pair<int32_t, bool> booleans[] = {
        {0, true},   {1, false},  {2, false},  {3, true},   {4, true},  {5, true},  {6, true},
        {7, true},   {12, true},  {15, false}, {16, false}, {18, true}, {19, true}, {20, true},
        {38, false}, {39, false}, {40, true},  {43, true},  {44, true},
    };
    for (const auto &[id, value] : booleans)
        EXPECT_EQ(options.GetBoolean(id), value) << id;

    EXPECT_EQ(options.GetColor(opColorScreen), 0u);
    EXPECT_EQ(options.GetColor(opColorGrid), 16777215u);
    EXPECT_EQ(options.GetColor(opColorInfo), 16777215u);
    EXPECT_EQ(options.GetColorArray(opColorCursors), (TColorList{255, 16711680}));
    // Live channels cycle the four colours; the loaded-record channels get lighter copies.
    EXPECT_EQ(options.GetColorArray(opColorChannels),
              (TColorList{0x00FF00, 0x00FFFF, 0xFF8000, 0x0080FF, 0x80FF80, 0x80FFFF, 0xFFFF80, 0x80FFFF}));

    const std::pair<int32_t, TKeyList> hotkeys[] = {
        {21, {29, 57}}, {22, {29, 328}}, {23, {}},       {24, {29, 336}}, {25, {}},        {26, {29, 329}},
        {27, {}},       {28, {29, 337}}, {29, {}},       {30, {29, 333}}, {31, {29, 331}}, {32, {29, 78}},
        {33, {29, 74}}, {34, {29, 77}},  {35, {29, 75}}, {36, {29, 73}},  {37, {29, 71}},
    };
    for (const auto &[id, keys] : hotkeys) {
        EXPECT_EQ(Hotkey(options, id).Keys, keys) << id;
        EXPECT_EQ(Hotkey(options, id).Param, id - 21) << id;
    }
    // Every table row is in the slot of its id with its name.
    for (const TOptionConstItem &row : OptionTable) {
        TOption *option = options.GetOption(row.Id);
        ASSERT_NE(option, nullptr) << row.Id;
        EXPECT_EQ(option->Name, row.Name);
        EXPECT_EQ(option->Id, row.Id);
        EXPECT_EQ(option->Settings, &Settings);
    }
}

TEST_F(OptionsTest, GettersOutsideTheTableGiveTheirFallbacksAndOtherClassesRaise) {
    TOptions options(&Settings);
    for (int32_t id : {-1, 45, 1000}) {
        EXPECT_FALSE(options.GetBoolean(id)) << id;
        EXPECT_EQ(options.GetColor(id), 16777215u) << id;
        EXPECT_TRUE(options.GetColorArray(id).empty()) << id;
        EXPECT_EQ(options.GetOption(id), nullptr) << id;
        FakeCheckBox box;
        box.Value = true;
        options.OptionToControl(id, box);
        options.OptionFromControl(id, box);
        EXPECT_TRUE(box.Value);
    }

    const std::pair<const char *, std::function<void()>> wrong[] = {
        {"bool of colour", [&] { options.GetBoolean(opColorGrid); }},
        {"colour of bool", [&] { options.GetColor(opToolTip); }},
        {"colour of list", [&] { options.GetColor(opColorChannels); }},
        {"list of hot key", [&] { options.GetColorArray(opHotkey_Hold); }},
        {"bool of export list", [&] { options.GetBoolean(opDefinedExportAsImage); }},
        {"colour of export", [&] { options.GetColor(opDefaultExport); }},
    };
    for (const auto &[what, call] : wrong) {
        try {
            call();
            ADD_FAILURE() << what;
        } catch (const Exception &e) {
            EXPECT_STREQ(e.what(), "Invalid class typecast") << what;
        }
    }
}

TEST_F(OptionsTest, BooleanTextIsTrueOnlyWhenExactlyTrue) {
    TBooleanOption option;
    const std::pair<const char *, bool> cases[] = {{"true", true}, {"True", false}, {"TRUE", false},
                                                   {"1", false},   {"", false},     {"true ", false}};
    for (const auto &[text, value] : cases) {
        option.Value = !value;
        option.SetFromText(text);
        EXPECT_EQ(option.Value, value) << text;
    }
}

TEST_F(OptionsTest, HotkeyTextsAreListsEndedBySeparators) {
    const std::pair<const char *, TKeyList> cases[] = {
        {"29;57;", {29, 57}}, {"29;57", {29}}, {";", {}}, {"", {}}, {"1;;2;", {1}}, {"0;511;", {0, 511}},
    };
    THotkeyOption option;
    for (const auto &[text, keys] : cases) {
        option.Keys = {99};
        option.SetFromText(text);
        EXPECT_EQ(option.Keys, keys) << text;
    }
    option.Keys = {};
    EXPECT_EQ(option.Text(), ";");
    option.Keys = {29, 328};
    EXPECT_EQ(option.Text(), "29;328;");
    // A text that is not a list of key codes changes nothing; nor does one of more keys than there are codes.
    std::string allCodes, onePast;
    for (int32_t code = 0; code < KeyCodeCount; ++code)
        allCodes += std::to_string(code) + ";";
    onePast = allCodes + "29;";
    for (const std::string bad :
         {"29;x;", "-5;300;", "29;512;", "2147483647;1;", "-2147483648;-1;", "$FFFFFFFF;", onePast.c_str()}) {
        EXPECT_THROW(option.SetFromText(bad), EConvertError) << bad.substr(0, 40);
        EXPECT_EQ(option.Keys, (TKeyList{29, 328}));
    }
    option.SetFromText(allCodes);
    EXPECT_EQ(option.Keys.size(), MaxHotkeyKeys);
}

TEST_F(OptionsTest, ColorTextsAreDecimalOrDollarHex) {
    const std::pair<const char *, int32_t> good[] = {
        {"0", 0}, {"16777215", 16777215}, {"$A0A0A0", 0xA0A0A0}, {"$ff", 255}, {"$FFFFFFFF", -1}, {"-1", -1}};
    for (const auto &[text, value] : good)
        EXPECT_EQ(OptionTextToInt(text), value) << text;
    for (const char *text : {"", "$", "x", "12a", "$12G", "$123456789", "0x10", " 1"})
        EXPECT_THROW(OptionTextToInt(text), EConvertError) << text;
}

TEST_F(OptionsTest, ColorListsFollowTheirParamBits) {
    struct Case {
        int32_t param;
        const char *text;
        TColorList colors;
    };
    const Case cases[] = {
        {1, "2;255;16711680;", {255, 16711680}},
        {1, "0;", {}},
        {2, "1;2;3;", {1, 2, 3, 1, 2, 3, 1, 2}},
        {2, "7;", {7, 7, 7, 7, 7, 7, 7, 7}},
        {6, "65280;", {65280, 65280, 65280, 65280, 0x80FF80, 0x80FF80, 0x80FF80, 0x80FF80}},
        {6, "1;2;3;4;5;", {1, 2, 3, 4, 0x808081, 0x808082, 0x808083, 0x808084}},
        {0, "1;2;", {}},
        // Nothing to cycle over: the built-in channel colours.
        {2, ";", {0x00FF00, 0x00FFFF, 0xFF8000, 0x0080FF, 0x00FF00, 0x00FFFF, 0xFF8000, 0x0080FF}},
        {2, "", {0x00FF00, 0x00FFFF, 0xFF8000, 0x0080FF, 0x00FF00, 0x00FFFF, 0xFF8000, 0x0080FF}},
    };
    for (const Case &c : cases) {
        TColorArrayOption option;
        option.Settings = &Settings;
        option.Param = c.param;
        option.SetFromText(c.text);
        EXPECT_EQ(option.Colors, c.colors) << c.param << " " << c.text;
    }
    EXPECT_EQ(TColorArrayOption::Lighter(0x00FF00), 0x80FF80u);
    EXPECT_EQ(TColorArrayOption::Lighter(0x7F8081), 0xFFFFFFu);

    // Cursor colours do not depend on the channel counts.
    Settings.ChannelCount = 3;
    TOptions options(&Settings);
    EXPECT_EQ(options.GetColorArray(opColorCursors), (TColorList{255, 16711680}));
    EXPECT_EQ(options.GetColorArray(opColorChannels).size(), 3u);
}

TEST_F(OptionsTest, OptionsGoToTheirControlsAndBack) {
    TOptions options(&Settings);

    FakeCheckBox box;
    options.OptionToControl(opToolTip, box);
    EXPECT_TRUE(box.Value);
    box.Value = false;
    options.OptionFromControl(opToolTip, box);
    EXPECT_FALSE(options.GetBoolean(opToolTip));

    FakeShape shape;
    options.OptionToControl(opColorGrid, shape);
    EXPECT_EQ(shape.Value, 16777215u);
    shape.Value = 0x123456;
    options.OptionFromControl(opColorGrid, shape);
    EXPECT_EQ(options.GetColor(opColorGrid), 0x123456u);

    FakeRow row;
    options.OptionToControl(opColorChannels, row);
    EXPECT_EQ(row.Mirror, 4);
    EXPECT_EQ(row.Colors, options.GetColorArray(opColorChannels));
    options.OptionToControl(opColorCursors, row);
    EXPECT_EQ(row.Mirror, -1);
    EXPECT_EQ(row.Colors, (TColorList{255, 16711680}));
    row.Colors = {1, 2, 3};
    options.OptionFromControl(opColorCursors, row);
    EXPECT_EQ(options.GetColorArray(opColorCursors), (TColorList{1, 2})) << "the list keeps its length";

    FakeHotkeyEdit edit;
    options.OptionToControl(opHotkey_Hold, edit);
    EXPECT_EQ(edit.Keys, (TKeyList{29, 57}));
    edit.Keys = {42, 29, 30};
    options.OptionFromControl(opHotkey_Hold, edit);
    EXPECT_EQ(Hotkey(options, opHotkey_Hold).Keys, (TKeyList{42, 29, 30}));

    // A Boolean bound to anything but a check box is refused and keeps its value.
    for (IOptionControl *control : std::initializer_list<IOptionControl *>{&shape, &row, &edit}) {
        try {
            options.OptionFromControl(opKeyboardControl, *control);
            ADD_FAILURE();
        } catch (const Exception &e) {
            EXPECT_STREQ(e.what(), "Improper control for the boolean");
        }
        EXPECT_THROW(options.OptionToControl(opKeyboardControl, *control), Exception);
    }
    EXPECT_TRUE(options.GetBoolean(opKeyboardControl));
    EXPECT_THROW(options.OptionToControl(opColorGrid, box), Exception);
    EXPECT_THROW(options.OptionFromControl(opHotkey_Hold, box), Exception);
}

TEST_F(OptionsTest, WholeOptionSetSurvivesWriteAndRead) {
    TOptions written(&Settings);
    for (int32_t id = 0; id < written.Count(); ++id) {
        TOption *option = written.GetOption(id);
        if (auto *b = dynamic_cast<TBooleanOption *>(option))
            b->Value = !b->Value;
        else if (auto *c = dynamic_cast<TColorOption *>(option))
            c->Value = 0x010203u * static_cast<uint32_t>(id);
        else if (auto *l = dynamic_cast<TColorArrayOption *>(option))
            for (TColor &color : l->Colors)
                color = (color ^ 0x00ABCDEFu) + static_cast<uint32_t>(id);
        else if (auto *h = dynamic_cast<THotkeyOption *>(option))
            h->Keys = h->Keys.empty() ? TKeyList{id} : TKeyList{};
    }
    Store.LoadFromFile("");
    written.SaveToXML("/options", Store);
    TOptions read(&Settings);
    read.LoadFromXML("/options", Store);
    for (int32_t id = 0; id < written.Count(); ++id) {
        TOption *a = written.GetOption(id);
        TOption *b = read.GetOption(id);
        ASSERT_EQ(a == nullptr, b == nullptr) << id;
        if (auto *x = dynamic_cast<TBooleanOption *>(a)) {
            EXPECT_EQ(x->Value, dynamic_cast<TBooleanOption *>(b)->Value) << id;
        } else if (auto *x = dynamic_cast<TColorOption *>(a)) {
            EXPECT_EQ(x->Value, dynamic_cast<TColorOption *>(b)->Value) << id;
        } else if (auto *x = dynamic_cast<TColorArrayOption *>(a)) {
            EXPECT_EQ(x->Colors, dynamic_cast<TColorArrayOption *>(b)->Colors) << id;
        } else if (auto *x = dynamic_cast<THotkeyOption *>(a)) {
            EXPECT_EQ(x->Keys, dynamic_cast<THotkeyOption *>(b)->Keys) << id;
        }
    }
    EXPECT_EQ(Store.ReadString("/options/Hotkey_RangeB_Up", ""), "23;");
    EXPECT_EQ(Store.ReadString("/options/Hotkey_Hold", ""), ";");
    EXPECT_EQ(Store.ReadHex("/options/ColorGrid", 0), 0x010203u * 9);
}

TEST_F(OptionsTest, UnreadableEntryKeepsItsDefaultAndTheRestStillLoads) {
    Store.LoadFromFile("");
    Store.WriteBool("/options/SaveIncrementFilename", false);
    Store.WriteString("/options/Hotkey_Hold", "29;x;");
    Store.WriteString("/options/Hotkey_Zoom_In", "");
    Store.WriteString("/options/Hotkey_Zoom_Out", "1;2;");
    Store.WriteHex("/options/ColorScreen", 0xABCDEF);
    Store.WriteInt("/options/ColorGrid", 5);
    Store.WriteBool("/options/AutosetATMode", false);
    TOptions options(&Settings);
    options.LoadFromXML("/options", Store);
    EXPECT_FALSE(options.GetBoolean(opSaveIncrementFilename));
    EXPECT_EQ(Hotkey(options, opHotkey_Hold).Keys, (TKeyList{29, 57}));
    EXPECT_EQ(Hotkey(options, opHotkey_Zoom_In).Keys, (TKeyList{29, 78})) << "empty text keeps the list";
    EXPECT_EQ(Hotkey(options, opHotkey_Zoom_Out).Keys, (TKeyList{1, 2}));
    EXPECT_EQ(options.GetColor(opColorScreen), 0xABCDEFu);
    EXPECT_EQ(options.GetColor(opColorGrid), 16777215u) << "wrong type keeps the default";
    EXPECT_FALSE(options.GetBoolean(opAutosetATMode));
}

} // namespace

} // namespace scope
