// Message boxes seen from the engine: the program shows them with Qt, tests record them.
#pragma once

#include <string>

namespace scope {

enum class TMsgKind { Information, Warning, Error, Confirmation };

// Buttons offered and the answer given, in the order the desktop shows them.
enum TMsgButton : unsigned {
    mbOK = 1,
    mbYes = 2,
    mbNo = 4,
    mbCancel = 8,
    mbAbort = 16,
    mbRetry = 32,
    mbIgnore = 64
};

class IUserMessages {
public:
    virtual ~IUserMessages() = default;
    // Shows a modal message box and returns the button pressed (one of the offered ones).
    virtual TMsgButton Show(TMsgKind kind, const std::string &caption, const std::string &text,
                            unsigned buttons, TMsgButton defaultButton) = 0;

    void Error(const std::string &text) { Show(TMsgKind::Error, "Error", text, mbOK, mbOK); }
    void Warning(const std::string &text) { Show(TMsgKind::Warning, "Warning", text, mbOK, mbOK); }
    void Information(const std::string &text) {
        Show(TMsgKind::Information, "Information", text, mbOK, mbOK);
    }
};

} // namespace scope
