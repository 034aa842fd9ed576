// The record group's open and save dialogs on QFileDialog: the "|"-pair filter becomes Qt's name
// filters and the chosen one its index again; the working folder stays as it is and an existing file is
// written over without a question.
#pragma once

#include "controllers/SaveLoadWrapperTarn.h"

class QWidget;

namespace scope {

class TQtRecordFileDialog : public IRecordFileDialog {
public:
    TQtRecordFileDialog(QWidget *parent, bool forSaving) : Parent(parent), ForSaving(forSaving) {}
    bool Execute() override;

private:
    QWidget *Parent;
    bool ForSaving;
};

} // namespace scope
