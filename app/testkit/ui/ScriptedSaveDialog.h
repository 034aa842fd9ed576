// A save dialog answered from a script: each answer gives the name typed and the filter entry chosen,
// or cancels. Remembers the entry preselected at every opening.
#pragma once

#include "platform/SaveDialog.h"

#include <deque>
#include <string>
#include <vector>

namespace scope {

class TScriptedSaveDialog : public TSaveDialog {
public:
    struct TAnswer {
        std::string Name; // empty: cancelled
        int32_t Entry = 1;
    };
    bool Execute() override {
        Preselected.push_back(FilterIndex);
        if (Answers.empty())
            return false;
        const TAnswer a = Answers.front();
        Answers.pop_front();
        if (a.Name.empty())
            return false;
        FileName = a.Name;
        FilterIndex = a.Entry;
        return true;
    }
    std::deque<TAnswer> Answers;
    std::vector<int32_t> Preselected;
};

} // namespace scope
