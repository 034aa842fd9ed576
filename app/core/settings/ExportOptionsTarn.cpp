#include "settings/ExportOptionsTarn.h"

#include <algorithm>

#include "device/DataTypesTarn.h"
#include "format/NumberText.h"
#include "settings/SettingsTarn.h"

namespace scope {

namespace {

std::string PresetBase(const std::string &prefix, const std::string &name) {
    return name.empty() ? prefix : prefix + "/" + name;
}

// The item's index; -1 when it has none. An index that is no number is damage and raises.
int32_t RequiredItemIndex(pugi::xml_node item) {
    pugi::xml_attribute attr = item.attribute("index");
    if (!attr)
        return -1;
    int32_t index;
    if (!numtext::TryParseInt(attr.value(), index))
        throw EConvertError(std::string("'") + attr.value() + "' is not a valid integer value");
    return index;
}

// Writes the list as an array of records, each entry below its own item.
template <typename T>
void SaveList(const std::vector<std::unique_ptr<T>> &list, const std::string &path, const char *typeName,
              TXMLSettings &store) {
    store.BeginArray(path, typeName, static_cast<int32_t>(list.size()));
    for (size_t i = 0; i < list.size(); ++i) {
        store.SetRoot(store.AddArrayItem(path, static_cast<int32_t>(i)));
        try {
            list[i]->SaveToXML("/", store);
        } catch (...) {
            store.ResetRoot();
            throw;
        }
        store.ResetRoot();
    }
}

// Reads the entries of an array of records into a new list made by makeEntry; the list is replaced only once
// every item was read. A missing or damaged array leaves the list as it was.
template <typename T, typename Make>
void LoadList(std::vector<std::unique_ptr<T>> &list, const std::string &path, const char *typeName,
              TXMLSettings &store, Make makeEntry) {
    const int32_t length = store.ReadArrayLength(path, typeName);
    if (length < 0)
        return;
    std::vector<std::unique_ptr<T>> loaded;
    for (int32_t i = 0; i < length; ++i)
        loaded.push_back(makeEntry());
    for (pugi::xml_node item : store.SelectArrayItems(path, typeName)) {
        const int32_t index = RequiredItemIndex(item);
        if (index < 0 || index >= length)
            continue;
        store.SetRoot(item);
        try {
            loaded[static_cast<size_t>(index)]->LoadFromXML("", store);
        } catch (...) {
            store.ResetRoot();
            throw;
        }
        store.ResetRoot();
    }
    list = std::move(loaded);
}

} // namespace

// Text export

void TExportOption::SetFromText(const std::string &text) {
    std::string rest = text;
    std::string name = NextField(rest);
    int32_t values[5];
    for (int32_t &value : values)
        value = OptionTextToInt(NextField(rest));
    PresetName = name;
    Units = values[0];
    Area = values[1];
    Style = values[2];
    Target = values[3];
    Source = values[4] == 0 ? 3 : values[4];
}

void TExportOption::SaveToXML(const std::string &prefix, TXMLSettings &store) {
    const std::string base = PresetBase(prefix, Name);
    store.WriteString(base + "/name", PresetName);
    store.WriteInt(base + "/units", Units);
    store.WriteInt(base + "/area", Area);
    store.WriteInt(base + "/style", Style);
    store.WriteInt(base + "/target", Target);
    store.WriteInt(base + "/source", Source);
}

void TExportOption::LoadFromXML(const std::string &prefix, TXMLSettings &store) {
    const std::string base = PresetBase(prefix, Name);
    PresetName = store.ReadString(base + "/name", PresetName);
    Units = store.ReadInt(base + "/units", Units);
    Area = store.ReadInt(base + "/area", Area);
    Style = store.ReadInt(base + "/style", Style);
    Target = store.ReadInt(base + "/target", Target);
    Source = store.ReadInt(base + "/source", Source);
    if (Source == 0)
        Source = 3;
}

void TExportOption::Assign(const TExportOption &other) {
    PresetName = other.PresetName;
    Units = other.Units;
    Area = other.Area;
    Style = other.Style;
    Target = other.Target;
    Source = other.Source;
}

// List of text exports

void TExportArrayOption::SetFromText(const std::string &text) {
    auto entry = std::make_unique<TExportOption>();
    entry->Settings = Settings;
    entry->SetFromText(text);
    List.clear();
    List.push_back(std::move(entry));
}

void TExportArrayOption::SaveToXML(const std::string &prefix, TXMLSettings &store) {
    SaveList(List, prefix + "/" + Name, "exportarray", store);
}

void TExportArrayOption::LoadFromXML(const std::string &prefix, TXMLSettings &store) {
    LoadList(List, prefix + "/" + Name, "exportarray", store, [this] {
        auto entry = std::make_unique<TExportOption>();
        entry->Settings = Settings;
        return entry;
    });
}

void TExportArrayOption::Assign(const TExportArrayOption &other) {
    std::vector<std::unique_ptr<TExportOption>> copy;
    for (const auto &entry : other.List) {
        auto own = std::make_unique<TExportOption>();
        own->Settings = Settings;
        own->Assign(*entry);
        copy.push_back(std::move(own));
    }
    List = std::move(copy);
}

// Image export

TExportAsImageOption::TExportAsImageOption() {
    ChannelColors.Name = "channelcolors";
    ChannelColors.Param = 2;
    CursorColors.Name = "cursorcolors";
    CursorColors.Param = 1;
}

void TExportAsImageOption::PassSettings() {
    ChannelColors.Settings = Settings;
    CursorColors.Settings = Settings;
}

std::string TExportAsImageOption::Base(const std::string &prefix) const {
    return PresetBase(prefix, Name);
}

void TExportAsImageOption::SetFromText(const std::string &text) {
    Separator = "|";
    PassSettings();
    std::string rest = text;
    PresetName = NextField(rest);
    ChannelColors.SetFromText(NextField(rest));
    CursorColors.SetFromText(NextField(rest));
    ScreenColor = static_cast<TColor>(OptionTextToInt(NextField(rest)));
    GridColor = static_cast<TColor>(OptionTextToInt(NextField(rest)));
    InfoColor = static_cast<TColor>(OptionTextToInt(NextField(rest)));
    VerCursorsOn = NextField(rest) == "true";
    HorCursorsOn = NextField(rest) == "true";
    QuickViewOn = NextField(rest) == "true";
    GridOn = NextField(rest) == "true";
    InfoOn = NextField(rest) == "true";
    OutputFormat = OptionTextToInt(NextField(rest));
    OverrideColors = NextField(rest) == "true";
}

void TExportAsImageOption::SaveToXML(const std::string &prefix, TXMLSettings &store) {
    const std::string base = Base(prefix);
    store.WriteString(base + "/name", PresetName);
    ChannelColors.SaveToXML(base, store);
    CursorColors.SaveToXML(base, store);
    store.WriteBool(base + "/vercursorson", VerCursorsOn);
    store.WriteBool(base + "/horcursorson", HorCursorsOn);
    store.WriteBool(base + "/quickviewon", QuickViewOn);
    store.WriteInt(base + "/outputformat", OutputFormat);
    store.WriteBool(base + "/overridecolors", OverrideColors);
    store.WriteHex(base + "/screencolor", ScreenColor);
    store.WriteHex(base + "/gridcolor", GridColor);
    store.WriteBool(base + "/gridon", GridOn);
    store.WriteHex(base + "/infocolor", InfoColor);
    store.WriteBool(base + "/infoon", InfoOn);
}

void TExportAsImageOption::LoadFromXML(const std::string &prefix, TXMLSettings &store) {
    PassSettings();
    const std::string base = Base(prefix);
    PresetName = store.ReadString(base + "/name", PresetName);
    ChannelColors.LoadFromXML(base, store);
    CursorColors.LoadFromXML(base, store);
    VerCursorsOn = store.ReadBool(base + "/vercursorson", VerCursorsOn);
    HorCursorsOn = store.ReadBool(base + "/horcursorson", HorCursorsOn);
    QuickViewOn = store.ReadBool(base + "/quickviewon", QuickViewOn);
    OutputFormat = store.ReadInt(base + "/outputformat", OutputFormat);
    OverrideColors = store.ReadBool(base + "/overridecolors", OverrideColors);
    ScreenColor = store.ReadHex(base + "/screencolor", ScreenColor);
    GridColor = store.ReadHex(base + "/gridcolor", GridColor);
    GridOn = store.ReadBool(base + "/gridon", GridOn);
    InfoColor = store.ReadHex(base + "/infocolor", InfoColor);
    InfoOn = store.ReadBool(base + "/infoon", InfoOn);
}

void TExportAsImageOption::Assign(const TExportAsImageOption &other) {
    ChannelColors.Assign(other.ChannelColors);
    CursorColors.Assign(other.CursorColors);
    VerCursorsOn = other.VerCursorsOn;
    HorCursorsOn = other.HorCursorsOn;
    QuickViewOn = other.QuickViewOn;
    OutputFormat = other.OutputFormat;
    OverrideColors = other.OverrideColors;
    PresetName = other.PresetName;
    ScreenColor = other.ScreenColor;
    GridColor = other.GridColor;
    GridOn = other.GridOn;
    InfoColor = other.InfoColor;
    InfoOn = other.InfoOn;
}

// List of image exports

void TExportAsImageArrayOption::SetFromText(const std::string &text) {
    Separator = ":";
    std::vector<std::unique_ptr<TExportAsImageOption>> presets;
    size_t pos = 0;
    while (text.find(Separator, pos) != std::string::npos) {
        std::string field = NextField(text, pos);
        auto preset = std::make_unique<TExportAsImageOption>();
        preset->Settings = Settings;
        preset->SetFromText(field);
        presets.push_back(std::move(preset));
    }
    List = std::move(presets);
}

void TExportAsImageArrayOption::SaveToXML(const std::string &prefix, TXMLSettings &store) {
    SaveList(List, prefix + "/" + Name, "exportasimagearray", store);
}

void TExportAsImageArrayOption::LoadFromXML(const std::string &prefix, TXMLSettings &store) {
    const size_t cursors = List.empty() ? 2 : List.front()->CursorColors.Colors.size();
    const size_t channels = Settings ? static_cast<size_t>(std::max(Settings->ChannelCount, 0)) : 0;
    LoadList(List, prefix + "/" + Name, "exportasimagearray", store, [&] {
        auto preset = std::make_unique<TExportAsImageOption>();
        preset->Settings = Settings;
        preset->ChannelColors.Colors.assign(channels, 0);
        preset->CursorColors.Colors.assign(cursors, 0);
        return preset;
    });
}

void TExportAsImageArrayOption::Assign(const TExportAsImageArrayOption &other) {
    std::vector<std::unique_ptr<TExportAsImageOption>> copy;
    for (const auto &entry : other.List) {
        auto own = std::make_unique<TExportAsImageOption>();
        own->Settings = Settings;
        own->ChannelColors.Settings = Settings;
        own->CursorColors.Settings = Settings;
        own->Assign(*entry);
        copy.push_back(std::move(own));
    }
    List = std::move(copy);
}

} // namespace scope
