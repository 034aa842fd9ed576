// The menu items an export controller keeps for its presets: one a preset, at the top of the menu in
// list order, tagged with the preset's index; rebuilt whenever the list may have changed.
#pragma once

#include <QPointer>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;

namespace scope {

class TPresetMenuItems {
public:
    TPresetMenuItems() = default;
    ~TPresetMenuItems();
    TPresetMenuItems(const TPresetMenuItems &) = delete;
    TPresetMenuItems &operator=(const TPresetMenuItems &) = delete;

    // The items made last time go; a null menu gets none.
    void Rebuild(QMenu *menu, const std::vector<std::string> &names,
                 const std::function<void(QAction *)> &onClick);
    void Clear();
    const std::vector<QPointer<QAction>> &Items() const { return List; }

    // The preset names of a list of presets (anything with List of pointers to PresetName holders).
    template <class TPresetList> static std::vector<std::string> NamesOf(const TPresetList *list) {
        std::vector<std::string> names;
        if (list)
            for (const auto &entry : list->List)
                names.push_back(entry->PresetName);
        return names;
    }

private:
    // Guarded: the menu may have deleted them already.
    std::vector<QPointer<QAction>> List;
};

} // namespace scope
