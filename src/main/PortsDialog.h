#pragma once
// Device > "Ports...": every port the search would probe and every one it skips, with the
// adapter behind it, its state and what to do, as kestrilo-cli ports lists them.
#include <QDialog>

class QTreeWidget;

class TPortsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TPortsDialog(QWidget* Parent);
  void Refresh();
  QTreeWidget* List = nullptr;
};
