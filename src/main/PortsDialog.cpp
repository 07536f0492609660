#include "main/PortsDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "device/PortReport.h"

namespace {

QString Q(const std::string& Text) { return QString::fromStdString(Text); }

}  // namespace

TPortsDialog::TPortsDialog(QWidget* Parent) : QDialog(Parent), List(new QTreeWidget(this)) {
  setObjectName(QStringLiteral("PortsDialog"));
  setWindowTitle(tr("Ports"));
  List->setObjectName(QStringLiteral("PortsList"));
  List->setRootIsDecorated(false);
  List->setWordWrap(true);
  List->setHeaderLabels({tr("Port"), tr("State"), tr("Adapter"), tr("What to do")});
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* again = buttons->addButton(tr("Look again"), QDialogButtonBox::ActionRole);
  connect(again, &QPushButton::clicked, this, &TPortsDialog::Refresh);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(List);
  layout->addWidget(buttons);
  resize(760, 280);
  Refresh();
}

void TPortsDialog::Refresh() {
  List->clear();
  for (const TPortReport& r : ReportPorts()) {
    QString adapter = Q(IdentityLine(r.Surveyed.Identity));
    for (const std::string& name : r.Surveyed.Identity.StableNames) adapter += u'\n' + Q(name);
    auto* item = new QTreeWidgetItem(List, {Q(PortTitle(r)), Q(r.StateText), adapter, Q(r.Fix)});
    item->setToolTip(3, Q(r.Fix));
  }
  if (List->topLevelItemCount() == 0) new QTreeWidgetItem(List, {tr("No serial port found.")});
  for (int c = 0; c < 3; ++c) List->resizeColumnToContents(c);
}
