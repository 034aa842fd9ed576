// The "|"-separated filters of the file dialogs ("Text file (*.txt)|*.txt|Any file (*.*)|*.*", entries
// counted from 1) on QFileDialog's name filters.
#pragma once

#include <QStringList>
#include <cstdint>
#include <string>

class QFileDialog;

namespace scope {

// Each description and pattern pair as one Qt name filter: "Pictures|*.png;*.bmp" gives
// "Pictures (*.png *.bmp)"; a description that shows its patterns already is kept.
QStringList QtNameFilters(const std::string &pairs);

// Gives a dialog the filter's entries, entry filterIndex preselected, before a name is offered (choosing
// an entry may change the name's extension); Qt asks nothing before overwriting, the callers decide.
void SetFileDialogFilter(QFileDialog &dialog, const std::string &filter, int32_t filterIndex);
// Runs the dialog; on OK the name and the entry chosen are handed back.
bool ExecFileDialog(QFileDialog &dialog, std::string &fileName, int32_t &filterIndex);

} // namespace scope
