// The numbered user options: behaviour switches, colours, hot keys and export presets.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "settings/XMLSettings.h"

namespace scope {

class TSettingsTarn;

// Colour: 0x00BBGGRR, red in the lowest byte.
using TColor = uint32_t;
using TColorList = std::vector<TColor>;
// Key codes of one combination: scan code, plus 256 for an extended key.
using TKeyList = std::vector<int32_t>;
// Every key code lies below this; a combination holds each key once, so no keyboard gives one with more
// keys than there are codes.
constexpr int32_t KeyCodeCount = 512;
constexpr size_t MaxHotkeyKeys = KeyCodeCount;

// The dialog controls options are bound to. The options dialog implements them with widgets;
// an option finds the kind it needs with dynamic_cast.
class IOptionControl {
public:
    virtual ~IOptionControl() = default;
};

class ICheckBoxControl : public virtual IOptionControl {
public:
    virtual bool Checked() const = 0;
    virtual void SetChecked(bool value) = 0;
};

// A single colour swatch.
class IColorShapeControl : public virtual IOptionControl {
public:
    virtual TColor FillColor() const = 0;
    virtual void SetFillColor(TColor value) = 0;
};

// A row of colour swatches; swatches from MirrorIndex on show lighter copies of the first ones.
class IColorRowControl : public virtual IOptionControl {
public:
    virtual void SetMirrorIndex(int32_t index) = 0;
    // Resets every swatch to white.
    virtual void SetShapeCount(int32_t count) = 0;
    virtual void SetColor(int32_t index, TColor color) = 0;
    virtual TColor GetColor(int32_t index) const = 0;
};

class IHotkeyEditControl : public virtual IOptionControl {
public:
    virtual int32_t KeyCount() const = 0;
    virtual void SetKeyCount(int32_t count) = 0;
    virtual int32_t Key(int32_t index) const = 0;
    virtual void SetKey(int32_t index, int32_t code) = 0;
    // The whole combination at once; a control that redraws on every change shows it once.
    virtual void SetKeys(const TKeyList &keys);
};

// Option numbers, in table order.
enum TOptionId : int32_t {
    opSaveIncrementFilename,
    opLoadIncrementFilename,
    opLoadApplySettings,
    opLoadAllowXOffset,
    opLoadAllowYOffset,
    opDispAllowStartChange,
    opDispAllowVerticalChange,
    opDispAllowQuickView,
    opColorScreen,
    opColorGrid,
    opColorCursors,
    opColorChannels,
    opToolTip,
    opDefaultExport,
    opDefinedExport,
    opSeparateHold,
    opDispInformation,
    opColorInfo,
    opOptimizeForAero,
    opPrintBlackWhite,
    opKeyboardControl,
    opHotkey_Hold,
    opHotkey_RangeA_Up,
    opHotkey_RangeB_Up,
    opHotkey_RangeA_Down,
    opHotkey_RangeB_Down,
    opHotkey_ShiftA_Up,
    opHotkey_ShiftB_Up,
    opHotkey_ShiftA_Down,
    opHotkey_ShiftB_Down,
    opHotkey_Timebase_Up,
    opHotkey_Timebase_Down,
    opHotkey_Zoom_In,
    opHotkey_Zoom_Out,
    opHotkey_Screen_Right,
    opHotkey_Screen_Left,
    opHotkey_Screen_Right_Big,
    opHotkey_Screen_Left_Big,
    opDistinguishLeftRightControls,
    opEnableAutosave,
    opClearScreenOnFlag,
    opDefaultExportAsImage,
    opDefinedExportAsImage,
    opAllowTriggerDrag,
    opAutosetATMode,
};

class TOption {
public:
    TOption() = default;
    virtual ~TOption() = default;
    TOption(const TOption &) = delete;
    TOption &operator=(const TOption &) = delete;

    virtual void ToControl(IOptionControl &control) = 0;
    virtual void FromControl(IOptionControl &control) = 0;
    virtual void SetFromText(const std::string &text) = 0;
    virtual void SaveToXML(const std::string &prefix, TXMLSettings &store) = 0;
    virtual void LoadFromXML(const std::string &prefix, TXMLSettings &store) = 0;

    std::string Name;
    int32_t Id = 0;
    int32_t Param = 0;
    TSettingsTarn *Settings = nullptr;
    std::string Separator = ";";

protected:
    // The text before the first separator, removed with it from the front of the text; empty (and the
    // text unchanged) when there is no separator.
    std::string NextField(std::string &text) const;
    // The same over a text read from a position, which moves past the separator: a loop over a long
    // list stays linear in its length.
    std::string NextField(const std::string &text, size_t &pos) const;
    std::string Key(const std::string &prefix) const { return prefix + "/" + Name; }
};

// One row of the option table.
struct TOptionConstItem {
    int32_t Id;
    const char *Name;
    const char *DefaultText;
    // Creates an object of the row's class.
    std::unique_ptr<TOption> (*Create)();
    int32_t Param;
};

constexpr int32_t OptionTableSize = 45;
extern const TOptionConstItem OptionTable[OptionTableSize];

class TBooleanOption : public TOption {
public:
    void ToControl(IOptionControl &control) override;
    void FromControl(IOptionControl &control) override;
    void SetFromText(const std::string &text) override;
    void SaveToXML(const std::string &prefix, TXMLSettings &store) override;
    void LoadFromXML(const std::string &prefix, TXMLSettings &store) override;

    bool Value = false;
};

class TColorOption : public TOption {
public:
    void ToControl(IOptionControl &control) override;
    void FromControl(IOptionControl &control) override;
    void SetFromText(const std::string &text) override;
    void SaveToXML(const std::string &prefix, TXMLSettings &store) override;
    void LoadFromXML(const std::string &prefix, TXMLSettings &store) override;

    TColor Value = 0;
};

// Param bits: 1 = the text starts with a count; 2 = colours cycle over every channel; 4 = the channels of a
// loaded record get lighter copies of the live channels' colours.
class TColorArrayOption : public TOption {
public:
    void ToControl(IOptionControl &control) override;
    void FromControl(IOptionControl &control) override;
    void SetFromText(const std::string &text) override;
    void SaveToXML(const std::string &prefix, TXMLSettings &store) override;
    void LoadFromXML(const std::string &prefix, TXMLSettings &store) override;
    void Assign(const TColorArrayOption &other) { Colors = other.Colors; }

    // Each of red, green and blue raised by 128, limited to 255.
    static TColor Lighter(TColor color);

    TColorList Colors;
};

class THotkeyOption : public TOption {
public:
    void ToControl(IOptionControl &control) override;
    void FromControl(IOptionControl &control) override;
    // A code outside the key codes, or more keys than MaxHotkeyKeys, raises EConvertError as a field that
    // is no number does.
    void SetFromText(const std::string &text) override;
    void SaveToXML(const std::string &prefix, TXMLSettings &store) override;
    void LoadFromXML(const std::string &prefix, TXMLSettings &store) override;
    // "29;57;", or ";" for no hot key.
    std::string Text() const;

    TKeyList Keys;
};

// Reads a colour or key text as an integer: decimal, or hexadecimal after "$"; raises EConvertError.
int32_t OptionTextToInt(const std::string &text);

// One object per row of the option table, by number.
class TOptions {
public:
    explicit TOptions(TSettingsTarn *settings);
    TOptions(const TOptions &) = delete;
    TOptions &operator=(const TOptions &) = delete;

    int32_t Count() const { return static_cast<int32_t>(Slots.size()); }
    // Null for an id outside the table or an empty slot.
    TOption *GetOption(int32_t id) const;
    // An option of another class raises Exception "Invalid class typecast".
    bool GetBoolean(int32_t id) const;
    // White for an id outside the table or an empty slot.
    TColor GetColor(int32_t id) const;
    // Empty for an id outside the table or an empty slot.
    TColorList GetColorArray(int32_t id) const;

    void OptionToControl(int32_t id, IOptionControl &control);
    void OptionFromControl(int32_t id, IOptionControl &control);

    void SaveToXML(const std::string &prefix, TXMLSettings &store);
    // An option whose stored entry cannot be read goes back to its default; the others still load.
    void LoadFromXML(const std::string &prefix, TXMLSettings &store);

private:
    std::unique_ptr<TOption> CreateOption(const TOptionConstItem &row);

    TSettingsTarn *Settings;
    std::vector<std::unique_ptr<TOption>> Slots;
};

} // namespace scope
