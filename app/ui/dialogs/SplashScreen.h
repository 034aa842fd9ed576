// The borderless start-up notice with a picture and one status line; the user cannot close it.
#pragma once

#include <QWidget>
#include <string>

class QLabel;

namespace scope {

// Where the start-up reports what it is doing.
class IStatusDisplay {
public:
    virtual ~IStatusDisplay() = default;
    virtual void SetStatus(const std::string &text) = 0;
};

class TSplashForm : public QWidget, public IStatusDisplay {
    Q_OBJECT
public:
    TSplashForm();
    // Shows the text at once: pending events are processed before it returns.
    void SetStatus(const std::string &text) override;
    QLabel *Image1 = nullptr;
    QLabel *Label1 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
};

} // namespace scope
