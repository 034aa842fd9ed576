// A check box that a Boolean option is shown in and read from.
#pragma once

#include "settings/OptionsTarn.h"

#include <QCheckBox>

namespace scope {

class TOptionCheckBox : public QCheckBox, public ICheckBoxControl {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;
    bool Checked() const override { return isChecked(); }
    void SetChecked(bool value) override { setChecked(value); }
};

} // namespace scope
