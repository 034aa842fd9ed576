#include "keyboard/HotkeyCapture.h"

#include "keyboard/KeyNames.h"

#include <algorithm>

namespace scope {

namespace {
bool Contains(const TKeyList &list, int32_t code) {
    return std::find(list.begin(), list.end(), code) != list.end();
}
} // namespace

void THotkeyCapture::KeyDown(int32_t code, bool noVirtualKey) {
    // A new combination starts with the first key pressed after all were released.
    if (Held.empty())
        Combination.clear();
    if (!noVirtualKey && !Contains(Held, code))
        Held.push_back(code);
    MergeHeldKeys();
}

void THotkeyCapture::KeyUp(int32_t code, bool noVirtualKey) {
    if (noVirtualKey)
        return;
    const auto it = std::find(Held.begin(), Held.end(), code);
    if (it != Held.end())
        Held.erase(it);
}

void THotkeyCapture::MergeHeldKeys() {
    for (int32_t code : Held)
        if (!Contains(Combination, code))
            Combination.push_back(code);
    std::sort(Held.begin(), Held.end());
}

void THotkeyCapture::SetKeyCount(int32_t count) {
    Combination.resize(static_cast<size_t>(std::max(count, 0)), 0);
}

int32_t THotkeyCapture::Key(int32_t index) const {
    if (index < 0 || index >= KeyCount())
        return 0;
    return Combination[static_cast<size_t>(index)];
}

void THotkeyCapture::SetKey(int32_t index, int32_t code) {
    if (index < 0 || index >= KeyCount())
        return;
    Combination[static_cast<size_t>(index)] = code;
}

std::string THotkeyCapture::Text() const {
    std::string text;
    for (size_t i = 0; i < Combination.size(); ++i) {
        if (i > 0)
            text += " + ";
        text += KeyName(Combination[i]);
    }
    return text;
}

} // namespace scope
