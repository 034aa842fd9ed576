// The colour dialog answered from a script, for forms that pick colours: each opening takes the next
// colour, and none left is Cancel. Remembers the colour offered at every opening.
#pragma once

#include "settings/OptionsTarn.h"

#include <vector>

namespace scope {

struct TScriptedColors {
    // Empty: the colour dialog is cancelled.
    std::vector<TColor> Colors;
    std::vector<TColor> Offered;

    bool Pick(TColor &color) {
        Offered.push_back(color);
        if (Colors.empty())
            return false;
        color = Colors.front();
        Colors.erase(Colors.begin());
        return true;
    }
};

} // namespace scope
