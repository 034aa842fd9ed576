// The export presets stored as options: text exports and image exports, single and as lists.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "settings/OptionsTarn.h"

namespace scope {

// Presets are edited as copies in their dialogs, never bound to controls: ToControl and FromControl do
// nothing. A preset with a name stores its fields below prefix/name, one without (a list entry) directly
// below prefix.

class TExportOption : public TOption {
public:
    void ToControl(IOptionControl &) override {}
    void FromControl(IOptionControl &) override {}
    // name;units;area;style;target;source; - a source of 0 is read as 3.
    void SetFromText(const std::string &text) override;
    void SaveToXML(const std::string &prefix, TXMLSettings &store) override;
    void LoadFromXML(const std::string &prefix, TXMLSettings &store) override;
    void Assign(const TExportOption &other);

    std::string PresetName;
    int32_t Units = 0;
    int32_t Area = 0;
    int32_t Style = 0;
    // 0 clipboard, 1 file.
    int32_t Target = 0;
    int32_t Source = 0;
};

// A list of presets stored as one option: the list operations the preset dialogs use.
template <typename TEntry> class TPresetListOption : public TOption {
public:
    void ToControl(IOptionControl &) override {}
    void FromControl(IOptionControl &) override {}
    void Add(std::unique_ptr<TEntry> entry) { List.push_back(std::move(entry)); }
    // An index outside the list changes nothing.
    void Delete(int32_t index) {
        if (index >= 0 && index < Count())
            List.erase(List.begin() + index);
    }
    // The target is brought within the list.
    void Move(int32_t from, int32_t to) {
        const int32_t count = Count();
        if (from < 0 || from >= count)
            return;
        std::unique_ptr<TEntry> entry = std::move(List[static_cast<size_t>(from)]);
        List.erase(List.begin() + from);
        to = std::max(0, std::min(to, count - 1));
        List.insert(List.begin() + to, std::move(entry));
    }
    void Clear() { List.clear(); }
    int32_t Count() const { return static_cast<int32_t>(List.size()); }

    std::vector<std::unique_ptr<TEntry>> List;
};

class TExportArrayOption : public TPresetListOption<TExportOption> {
public:
    // The text holds exactly one text export.
    void SetFromText(const std::string &text) override;
    void SaveToXML(const std::string &prefix, TXMLSettings &store) override;
    void LoadFromXML(const std::string &prefix, TXMLSettings &store) override;
    void Assign(const TExportArrayOption &other);
};

class TExportAsImageOption : public TOption {
public:
    TExportAsImageOption();
    void ToControl(IOptionControl &) override {}
    void FromControl(IOptionControl &) override {}
    // Thirteen "|"-ended fields: name, channel colours, cursor colours, screen, grid and info colour,
    // vertical cursors, horizontal cursors, quick view, grid and info switches, output format, override
    // colours.
    void SetFromText(const std::string &text) override;
    void SaveToXML(const std::string &prefix, TXMLSettings &store) override;
    void LoadFromXML(const std::string &prefix, TXMLSettings &store) override;
    void Assign(const TExportAsImageOption &other);

    // One colour per channel, cycled over every channel.
    TColorArrayOption ChannelColors;
    // Count-prefixed list.
    TColorArrayOption CursorColors;
    bool VerCursorsOn = false;
    bool HorCursorsOn = false;
    bool QuickViewOn = false;
    // 0 PNG, 1 JPEG, 2 BMP.
    int32_t OutputFormat = 0;
    // True: the image takes the application's colour options instead of the preset's colours.
    bool OverrideColors = false;
    std::string PresetName;
    TColor ScreenColor = 0;
    TColor GridColor = 0;
    bool GridOn = false;
    TColor InfoColor = 0;
    bool InfoOn = false;

private:
    void PassSettings();
    std::string Base(const std::string &prefix) const;
};

class TExportAsImageArrayOption : public TPresetListOption<TExportAsImageOption> {
public:
    // Presets, each followed by ":"; a remainder without its ":" adds nothing.
    void SetFromText(const std::string &text) override;
    void SaveToXML(const std::string &prefix, TXMLSettings &store) override;
    void LoadFromXML(const std::string &prefix, TXMLSettings &store) override;
    void Assign(const TExportAsImageArrayOption &other);
};

} // namespace scope
