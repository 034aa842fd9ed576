// Helpers shared by the user-interface tests.
#pragma once

#include "platform/UserMessages.h"
#include "testkit/TestSettings.h"

#include <QApplication>
#include <deque>
#include <string>
#include <vector>

namespace scope {

// The one application object of the test program (offscreen platform).
QApplication &TestApp();

// A fixture's first member: the application exists before the widgets that follow it are made.
struct TTestAppFirst {
    TTestAppFirst() { TestApp(); }
};

// Message boxes answered from a script, remembered in order.
class TScriptedMessages : public IUserMessages {
public:
    struct Shown {
        TMsgKind Kind;
        std::string Text;
        unsigned Buttons;
    };
    TMsgButton Show(TMsgKind kind, const std::string &, const std::string &text, unsigned buttons,
                    TMsgButton defaultButton) override {
        Log.push_back({kind, text, buttons});
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
