// The columns dialog: channels and statistics as two check lists.
#pragma once

#include <QDialog>

#include <vector>

class QListWidget;

namespace parmod {

class TConfigureColumnsForm : public QDialog {
    Q_OBJECT
public:
    TConfigureColumnsForm(QWidget *owner, const std::vector<bool> &channels, const std::vector<bool> &stats);
    std::vector<bool> ChannelChecks() const;
    std::vector<bool> StatChecks() const;
    QListWidget *ChannelList() const { return Channels; }
    QListWidget *StatList() const { return Stats; }

private:
    QListWidget *Channels;
    QListWidget *Stats;
};

} // namespace parmod
