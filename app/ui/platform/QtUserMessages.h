// Message boxes of the desktop behind the engine's message interface.
#pragma once

#include "platform/UserMessages.h"

class QMessageBox;
class QString;
class QWidget;

namespace scope {

class TQtUserMessages : public IUserMessages {
public:
    explicit TQtUserMessages(QWidget *parent = nullptr) : Parent(parent) {}
    void SetParent(QWidget *parent) { Parent = parent; }
    TMsgButton Show(TMsgKind kind, const std::string &caption, const std::string &text, unsigned buttons,
                    TMsgButton defaultButton) override;

protected:
    // Runs the prepared box and returns the standard button pressed; tests look at the box instead.
    virtual int Run(QMessageBox &box);

private:
    QWidget *Parent;
};

// The text of a box with break opportunities (zero-width spaces) in every run of characters too long for
// a line, such as a long path, so that the box wraps it whole instead of cutting it at its edge.
QString WrappableText(const QString &text);

} // namespace scope
