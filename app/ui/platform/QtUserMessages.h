// Message boxes of the desktop behind the engine's message interface.
#pragma once

#include "platform/UserMessages.h"

class QWidget;

namespace scope {

class TQtUserMessages : public IUserMessages {
public:
    explicit TQtUserMessages(QWidget *parent = nullptr) : Parent(parent) {}
    void SetParent(QWidget *parent) { Parent = parent; }
    TMsgButton Show(TMsgKind kind, const std::string &caption, const std::string &text, unsigned buttons,
                    TMsgButton defaultButton) override;

private:
    QWidget *Parent;
};

} // namespace scope
