// The save dialog of the exports: a "|"-separated filter ("Text file (*.txt)|*.txt|Any file (*.*)|*.*"),
// the chosen entry counted from 1 and the file name. It never asks before overwriting; its users decide.
#pragma once

#include <cstdint>
#include <string>

class QWidget;

namespace scope {

class TSaveDialog {
public:
    virtual ~TSaveDialog() = default;

    std::string Filter;
    // In: the entry preselected; out: the entry chosen. Counted from 1.
    int32_t FilterIndex = 1;
    // In: the name offered; out: the name chosen.
    std::string FileName;
    std::string Title;
    QWidget *Parent = nullptr;

    // False when cancelled.
    virtual bool Execute();
};

} // namespace scope
