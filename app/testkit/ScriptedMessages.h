// Message boxes answered from a script, for tests of what the program tells the user.
#pragma once

#include "platform/UserMessages.h"

#include <deque>
#include <string>
#include <vector>

namespace scope {

// Message boxes answered from a script (the default button once it runs out), remembered in order.
class TScriptedMessages : public IUserMessages {
public:
    struct Shown {
        TMsgKind Kind;
        std::string Text;
        unsigned Buttons;
        std::string Caption;
    };
    TMsgButton Show(TMsgKind kind, const std::string &caption, const std::string &text, unsigned buttons,
                    TMsgButton defaultButton) override {
        Log.push_back({kind, text, buttons, caption});
        if (Answers.empty())
            return defaultButton;
        const TMsgButton a = Answers.front();
        Answers.pop_front();
        return a;
    }
    std::deque<TMsgButton> Answers;
    std::vector<Shown> Log;
};

} // namespace scope
