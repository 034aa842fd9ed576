#include "settings/OptionsTarn.h"

#include <algorithm>

#include "device/DataTypesTarn.h"
#include "format/NumberText.h"
#include "settings/ExportOptionsTarn.h"
#include "settings/SettingsTarn.h"

namespace scope {

namespace {

template <typename T> std::unique_ptr<TOption> Make() {
    return std::make_unique<T>();
}

template <typename T> T &ControlAs(IOptionControl &control, const char *message) {
    T *typed = dynamic_cast<T *>(&control);
    if (!typed)
        throw Exception(message);
    return *typed;
}

const char *const InvalidCast = "Invalid class typecast";
const char *const BuiltInChannelColors = "65280;65535;16744448;33023;";

template <typename T> T *OptionAs(TOption *option) {
    if (!option)
        return nullptr;
    T *typed = dynamic_cast<T *>(option);
    if (!typed)
        throw Exception(InvalidCast);
    return typed;
}

} // namespace

const TOptionConstItem OptionTable[OptionTableSize] = {
    {0, "SaveIncrementFilename", "true", Make<TBooleanOption>, 0},
    {1, "LoadIncrementFilename", "false", Make<TBooleanOption>, 0},
    {2, "LoadApplySettings", "false", Make<TBooleanOption>, 0},
    {3, "LoadAllowXOffset", "true", Make<TBooleanOption>, 0},
    {4, "LoadAllowYOffset", "true", Make<TBooleanOption>, 0},
    {5, "DispAllowStartChange", "true", Make<TBooleanOption>, 0},
    {6, "DispAllowVerticalChange", "true", Make<TBooleanOption>, 0},
    {7, "DispAllowQuickView", "true", Make<TBooleanOption>, 0},
    {8, "ColorScreen", "0", Make<TColorOption>, 0},
    {9, "ColorGrid", "16777215", Make<TColorOption>, 0},
    {10, "ColorCursors", "2;255;16711680;", Make<TColorArrayOption>, 1},
    {11, "ColorChannels", BuiltInChannelColors, Make<TColorArrayOption>, 6},
    {12, "ToolTip", "true", Make<TBooleanOption>, 0},
    {13, "DefaultExport", "Whole memory in mV;0;0;0;0;3;", Make<TExportOption>, 0},
    {14, "DefinedExport", "Whole memory in mV;0;0;0;0;3;", Make<TExportArrayOption>, 0},
    {15, "SeparateHold", "false", Make<TBooleanOption>, 0},
    {16, "DispInformation", "false", Make<TBooleanOption>, 0},
    {17, "ColorInfo", "16777215", Make<TColorOption>, 0},
    {18, "OptimizeForAero", "true", Make<TBooleanOption>, 0},
    {19, "PrintBlackWhite", "true", Make<TBooleanOption>, 0},
    {20, "KeyboardControl", "true", Make<TBooleanOption>, 0},
    {21, "Hotkey_Hold", "29;57;", Make<THotkeyOption>, 0},
    {22, "Hotkey_RangeA_Up", "29;328;", Make<THotkeyOption>, 1},
    {23, "Hotkey_RangeB_Up", ";", Make<THotkeyOption>, 2},
    {24, "Hotkey_RangeA_Down", "29;336;", Make<THotkeyOption>, 3},
    {25, "Hotkey_RangeB_Down", ";", Make<THotkeyOption>, 4},
    {26, "Hotkey_ShiftA_Up", "29;329;", Make<THotkeyOption>, 5},
    {27, "Hotkey_ShiftB_Up", ";", Make<THotkeyOption>, 6},
    {28, "Hotkey_ShiftA_Down", "29;337;", Make<THotkeyOption>, 7},
    {29, "Hotkey_ShiftB_Down", ";", Make<THotkeyOption>, 8},
    {30, "Hotkey_Timebase_Up", "29;333;", Make<THotkeyOption>, 9},
    {31, "Hotkey_Timebase_Down", "29;331;", Make<THotkeyOption>, 10},
    {32, "Hotkey_Zoom_In", "29;78;", Make<THotkeyOption>, 11},
    {33, "Hotkey_Zoom_Out", "29;74;", Make<THotkeyOption>, 12},
    {34, "Hotkey_Screen_Right", "29;77;", Make<THotkeyOption>, 13},
    {35, "Hotkey_Screen_Left", "29;75;", Make<THotkeyOption>, 14},
    {36, "Hotkey_Screen_Right_Big", "29;73;", Make<THotkeyOption>, 15},
    {37, "Hotkey_Screen_Left_Big", "29;71;", Make<THotkeyOption>, 16},
    {38, "DistinguishLeftRightControls", "false", Make<TBooleanOption>, 0},
    {39, "EnableAutosave", "false", Make<TBooleanOption>, 0},
    {40, "ClearScreenOnFlag", "true", Make<TBooleanOption>, 0},
    {41, "DefaultExportAsImage",
     "Current screen "
     "(PNG)|65280;65535;16744448;33023;|2;255;16711680;|0|$A0A0A0|$FFFFFF|true|true|false|true|true|0|"
     "true|",
     Make<TExportAsImageOption>, 0},
    {42, "DefinedExportAsImage",
     "Current screen "
     "(PNG)|65280;65535;16744448;33023;|2;255;16711680;|0|$A0A0A0|$FFFFFF|true|true|false|true|true|0|"
     "true|:Black/white (PNG)|0;0;0;0;|2;0;0;|$FFFFFF|$A0A0A0|0|false|false|false|false|false|0|false|:",
     Make<TExportAsImageArrayOption>, 0},
    {43, "AllowTriggerDrag", "true", Make<TBooleanOption>, 0},
    {44, "AutosetATMode", "true", Make<TBooleanOption>, 0},
};

std::string TOption::NextField(std::string &text) const {
    size_t pos = text.find(Separator);
    if (Separator.empty() || pos == std::string::npos)
        return {};
    std::string field = text.substr(0, pos);
    text.erase(0, pos + Separator.size());
    return field;
}

std::string TOption::NextField(const std::string &text, size_t &pos) const {
    const size_t end = Separator.empty() || pos > text.size() ? std::string::npos : text.find(Separator, pos);
    if (end == std::string::npos)
        return {};
    std::string field = text.substr(pos, end - pos);
    pos = end + Separator.size();
    return field;
}

int32_t OptionTextToInt(const std::string &text) {
    int32_t value = 0;
    if (!text.empty() && text[0] == '$') {
        // Hexadecimal: one to eight digits.
        if (text.size() < 2 || text.size() > 9)
            throw EConvertError("'" + text + "' is not a valid integer value");
        uint32_t result = 0;
        for (size_t i = 1; i < text.size(); ++i) {
            char c = text[i];
            uint32_t digit;
            if (c >= '0' && c <= '9')
                digit = static_cast<uint32_t>(c - '0');
            else if (c >= 'A' && c <= 'F')
                digit = static_cast<uint32_t>(c - 'A' + 10);
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<uint32_t>(c - 'a' + 10);
            else
                throw EConvertError("'" + text + "' is not a valid integer value");
            result = result * 16 + digit;
        }
        return static_cast<int32_t>(result);
    }
    if (!numtext::TryParseInt(text, value))
        throw EConvertError("'" + text + "' is not a valid integer value");
    return value;
}

// Boolean

void TBooleanOption::ToControl(IOptionControl &control) {
    ControlAs<ICheckBoxControl>(control, "Improper control for the boolean").SetChecked(Value);
}

void TBooleanOption::FromControl(IOptionControl &control) {
    Value = ControlAs<ICheckBoxControl>(control, "Improper control for the boolean").Checked();
}

void TBooleanOption::SetFromText(const std::string &text) {
    Value = text == "true";
}

void TBooleanOption::SaveToXML(const std::string &prefix, TXMLSettings &store) {
    store.WriteBool(Key(prefix), Value);
}

void TBooleanOption::LoadFromXML(const std::string &prefix, TXMLSettings &store) {
    Value = store.ReadBool(Key(prefix), Value);
}

// Colour

void TColorOption::ToControl(IOptionControl &control) {
    ControlAs<IColorShapeControl>(control, InvalidCast).SetFillColor(Value);
}

void TColorOption::FromControl(IOptionControl &control) {
    Value = ControlAs<IColorShapeControl>(control, InvalidCast).FillColor();
}

void TColorOption::SetFromText(const std::string &text) {
    Value = static_cast<TColor>(OptionTextToInt(text));
}

void TColorOption::SaveToXML(const std::string &prefix, TXMLSettings &store) {
    store.WriteHex(Key(prefix), Value);
}

void TColorOption::LoadFromXML(const std::string &prefix, TXMLSettings &store) {
    Value = store.ReadHex(Key(prefix), Value);
}

// Colour list

TColor TColorArrayOption::Lighter(TColor color) {
    TColor result = color & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t part = std::min<uint32_t>(((color >> shift) & 0xFF) + 128, 255);
        result |= part << shift;
    }
    return result;
}

void TColorArrayOption::SetFromText(const std::string &text) {
    size_t pos = 0;
    TColorList result;
    if (Param & 1) {
        int32_t count = OptionTextToInt(NextField(text, pos));
        for (int32_t i = 0; i < count; ++i)
            result.push_back(static_cast<TColor>(OptionTextToInt(NextField(text, pos))));
    }
    if (Param & 2) {
        TColorList cycle;
        for (std::string field = NextField(text, pos); !field.empty(); field = NextField(text, pos))
            cycle.push_back(static_cast<TColor>(OptionTextToInt(field)));
        // A list without any colour has nothing to cycle over: use the built-in channel colours.
        if (cycle.empty()) {
            std::string fallback = BuiltInChannelColors;
            for (std::string field = NextField(fallback); !field.empty(); field = NextField(fallback))
                cycle.push_back(static_cast<TColor>(OptionTextToInt(field)));
        }
        const int32_t channels = Settings ? std::max(Settings->ChannelCount, 0) : 0;
        const int32_t live = Settings ? Settings->PhysicalChannelCount + Settings->VirtualChannelCount : 0;
        result.assign(static_cast<size_t>(channels), 0);
        const size_t length = cycle.size();
        if (!(Param & 4)) {
            for (size_t j = 0; j < result.size(); ++j)
                result[j] = cycle[j % length];
        } else {
            const int32_t cycled = std::clamp(live, 0, channels);
            for (int32_t j = 0; j < cycled; ++j)
                result[static_cast<size_t>(j)] = cycle[static_cast<size_t>(j) % length];
            for (int32_t k = cycled; k < channels; ++k)
                result[static_cast<size_t>(k)] =
                    cycled > 0 ? Lighter(result[static_cast<size_t>(k - cycled)]) : Lighter(0);
        }
    }
    Colors = std::move(result);
}

void TColorArrayOption::ToControl(IOptionControl &control) {
    IColorRowControl &row = ControlAs<IColorRowControl>(control, InvalidCast);
    const int32_t live = Settings ? Settings->PhysicalChannelCount + Settings->VirtualChannelCount : 0;
    row.SetMirrorIndex((Param & 4) ? live : -1);
    row.SetShapeCount(static_cast<int32_t>(Colors.size()));
    for (size_t i = 0; i < Colors.size(); ++i)
        row.SetColor(static_cast<int32_t>(i), Colors[i]);
}

void TColorArrayOption::FromControl(IOptionControl &control) {
    IColorRowControl &row = ControlAs<IColorRowControl>(control, InvalidCast);
    for (size_t i = 0; i < Colors.size(); ++i)
        Colors[i] = row.GetColor(static_cast<int32_t>(i));
}

void TColorArrayOption::SaveToXML(const std::string &prefix, TXMLSettings &store) {
    store.WriteHexArray(Key(prefix), THexArray(Colors.begin(), Colors.end()));
}

void TColorArrayOption::LoadFromXML(const std::string &prefix, TXMLSettings &store) {
    THexArray read = store.ReadHexArray(Key(prefix), THexArray(Colors.begin(), Colors.end()));
    Colors.assign(read.begin(), read.end());
}

// Hot key

void IHotkeyEditControl::SetKeys(const TKeyList &keys) {
    SetKeyCount(static_cast<int32_t>(keys.size()));
    for (size_t i = 0; i < keys.size(); ++i)
        SetKey(static_cast<int32_t>(i), keys[i]);
}

void THotkeyOption::ToControl(IOptionControl &control) {
    ControlAs<IHotkeyEditControl>(control, InvalidCast).SetKeys(Keys);
}

void THotkeyOption::FromControl(IOptionControl &control) {
    IHotkeyEditControl &edit = ControlAs<IHotkeyEditControl>(control, InvalidCast);
    TKeyList keys(static_cast<size_t>(std::max(edit.KeyCount(), 0)));
    for (size_t i = 0; i < keys.size(); ++i)
        keys[i] = edit.Key(static_cast<int32_t>(i));
    Keys = std::move(keys);
}

void THotkeyOption::SetFromText(const std::string &text) {
    // Parsed completely before anything changes, so a bad text keeps the keys there were.
    size_t pos = 0;
    TKeyList keys;
    for (std::string field = NextField(text, pos); !field.empty(); field = NextField(text, pos)) {
        const int32_t code = OptionTextToInt(field);
        // Codes no key gives would also make the detector's sums leave the integer range.
        if (code < 0 || code >= KeyCodeCount)
            throw EConvertError("'" + field + "' is not a key code");
        if (keys.size() == MaxHotkeyKeys)
            throw EConvertError("A hot key of more than " + std::to_string(MaxHotkeyKeys) + " keys");
        keys.push_back(code);
    }
    Keys = std::move(keys);
}

std::string THotkeyOption::Text() const {
    if (Keys.empty())
        return ";";
    std::string text;
    for (int32_t key : Keys)
        text += std::to_string(key) + ";";
    return text;
}

void THotkeyOption::SaveToXML(const std::string &prefix, TXMLSettings &store) {
    store.WriteString(Key(prefix), Text());
}

void THotkeyOption::LoadFromXML(const std::string &prefix, TXMLSettings &store) {
    std::string text = store.ReadString(Key(prefix), "");
    if (!text.empty())
        SetFromText(text);
}

// The option set

TOptions::TOptions(TSettingsTarn *settings) : Settings(settings) {
    int32_t largest = -1;
    for (const TOptionConstItem &row : OptionTable)
        largest = std::max(largest, row.Id);
    Slots.resize(static_cast<size_t>(largest + 1));
    for (const TOptionConstItem &row : OptionTable)
        Slots[static_cast<size_t>(row.Id)] = CreateOption(row);
}

std::unique_ptr<TOption> TOptions::CreateOption(const TOptionConstItem &row) {
    if (!row.Create)
        return nullptr;
    std::unique_ptr<TOption> option = row.Create();
    option->Name = row.Name;
    option->Id = row.Id;
    option->Param = row.Param;
    option->Settings = Settings;
    option->SetFromText(row.DefaultText);
    return option;
}

TOption *TOptions::GetOption(int32_t id) const {
    if (id < 0 || id >= Count())
        return nullptr;
    return Slots[static_cast<size_t>(id)].get();
}

bool TOptions::GetBoolean(int32_t id) const {
    TBooleanOption *option = OptionAs<TBooleanOption>(GetOption(id));
    return option ? option->Value : false;
}

TColor TOptions::GetColor(int32_t id) const {
    TColorOption *option = OptionAs<TColorOption>(GetOption(id));
    return option ? option->Value : 16777215;
}

TColorList TOptions::GetColorArray(int32_t id) const {
    TColorArrayOption *option = OptionAs<TColorArrayOption>(GetOption(id));
    return option ? option->Colors : TColorList{};
}

void TOptions::OptionToControl(int32_t id, IOptionControl &control) {
    if (TOption *option = GetOption(id))
        option->ToControl(control);
}

void TOptions::OptionFromControl(int32_t id, IOptionControl &control) {
    if (TOption *option = GetOption(id))
        option->FromControl(control);
}

void TOptions::SaveToXML(const std::string &prefix, TXMLSettings &store) {
    for (const auto &option : Slots)
        if (option)
            option->SaveToXML(prefix, store);
}

void TOptions::LoadFromXML(const std::string &prefix, TXMLSettings &store) {
    for (const TOptionConstItem &row : OptionTable) {
        auto &slot = Slots[static_cast<size_t>(row.Id)];
        if (!slot)
            continue;
        try {
            slot->LoadFromXML(prefix, store);
        } catch (const std::exception &) {
            // One damaged entry must not cost the rest of the file: this option keeps its default.
            store.ResetRoot();
            slot = CreateOption(row);
        }
    }
}

} // namespace scope
