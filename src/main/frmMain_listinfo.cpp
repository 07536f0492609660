// What the window shows about the rows beyond the designed columns: missing sounds, lengths,
// duplicate digital addresses, the memory gauge; and files dropped from a file manager.
#include <QFileInfo>
#include <QHash>
#include <QTimer>
#include <QTreeWidget>

#include "main/LengthProbe.h"
#include "main/MemoryGauge.h"
#include "main/SoundFileTypes.h"
#include "main/SoundListView.h"
#include "main/frmMain.h"
#include "toolkit/error_report.h"

namespace {

// Per-row data kept in the Length column.
constexpr int kProbeIdRole = Qt::UserRole;      // the probe request of this row
constexpr int kLengthBytesRole = Qt::UserRole + 1;  // device bytes; absent while unknown

constexpr int kGaugeLeft = 505;  // right of "Upload to device", which ends at 497

QString LengthText(qint64 Bytes) {
  return Bytes < 0 ? QStringLiteral("?") : QString::number(double(Bytes) / protocol::SampleRate, 'f', 1);
}

}  // namespace

void TForm1::BindListFileHandlers() {
  Probe_ = new TLengthProbe([this](quint64 Id, qint64 Bytes) { ProbeDone(Id, Bytes); }, this);
  MemoryGauge = new TMemoryGauge(Panel1, kGaugeLeft);

  ListUpdate_ = new QTimer(this);
  ListUpdate_->setSingleShot(true);
  ListUpdate_->setInterval(0);
  connect(ListUpdate_, &QTimer::timeout, this, [this] { Guarded([&] { UpdateListViews(); }); });
  auto Changed = [this] {
    if (!UpdatingList_) ListUpdate_->start();
  };
  QAbstractItemModel* Rows = LV->model();
  connect(Rows, &QAbstractItemModel::rowsInserted, this, Changed);
  connect(Rows, &QAbstractItemModel::rowsRemoved, this, Changed);
  connect(Rows, &QAbstractItemModel::dataChanged, this, Changed);
  connect(Rows, &QAbstractItemModel::modelReset, this, Changed);

  static_cast<TSoundListView*>(LV)->OnDropFiles = [this](const QStringList& Paths) {
    Guarded([&] { AddSoundPaths(Paths); });
  };
  UpdateListViews();
}

// A search, also the one of an upload or a sound test, may have found another device memory.
void TForm1::DeviceMayHaveChanged() {
  if (ListUpdate_) ListUpdate_->start();
}

void TForm1::AppendListedSound(const QString& FileName, const QString& Address) {
  AppendSoundRow(FileName);
  QTreeWidgetItem* Row = LV->topLevelItem(LV->topLevelItemCount() - 1);
  if (!Address.isEmpty()) Row->setText(ColAddress, Address);
  if (!QFileInfo::exists(FileName)) {
    Row->setText(ColStateCode, QString::number(StateMissing));
    Row->setText(ColState, tr("Missing"));
  }
}

void TForm1::AddSoundPaths(const QStringList& Paths) {
  if (UploadRunning) return;
  for (const QString& FileName : ExpandSoundPaths(Paths))
    AppendListedSound(FileName);
  RefreshList();
}

void TForm1::ProbeDone(quint64 Id, qint64 Bytes) {
  for (int i = 0; i < LV->topLevelItemCount(); ++i) {
    QTreeWidgetItem* Row = LV->topLevelItem(i);
    if (Row->data(ColLength, kProbeIdRole).toULongLong() != Id) continue;
    Row->setText(ColLength, LengthText(Bytes));
    if (Bytes >= 0) Row->setData(ColLength, kLengthBytesRole, Bytes);
  }
}

TMemoryUse TForm1::MemoryUse() const {
  TMemoryUse Use;
  Use.CapacityBytes = Engine && Engine->Device.Status != 0 ? Engine->Device.Capacity : 0;
  for (int i = 0; i < LV->topLevelItemCount(); ++i) {
    const QVariant Bytes = LV->topLevelItem(i)->data(ColLength, kLengthBytesRole);
    if (Bytes.isValid())
      Use.NeededBytes += Bytes.toLongLong();
    else
      ++Use.UnknownRows;
  }
  return Use;
}

QString TForm1::MemoryRefusalDetail() const {
  const TMemoryUse Use = MemoryUse();
  return tr("The sounds need %1; the device holds %2.")
      .arg(TMemoryGauge::SecondsAndMB(Use.NeededBytes), TMemoryGauge::SecondsAndMB(Use.UsableBytes()));
}

QStringList TForm1::MissingSounds() const {
  QStringList Missing;
  for (int i = 0; i < LV->topLevelItemCount(); ++i)
    if (const QString F = LV->topLevelItem(i)->text(ColFilename);
        LV->topLevelItem(i)->text(ColStateCode).toInt() == StateMissing && !QFileInfo(F).isFile())
      Missing << F;
  return Missing;
}

QStringList TForm1::DuplicateAddresses() const {
  QHash<QString, int> Count;
  QStringList Twice;
  for (int i = 0; i < LV->topLevelItemCount(); ++i)
    if (++Count[LV->topLevelItem(i)->text(ColAddress).trimmed()] == 2)
      Twice << LV->topLevelItem(i)->text(ColAddress).trimmed();
  return Twice;
}

void TForm1::MarkDuplicates() {
  const QStringList Twice = DuplicateAddresses();
  for (int i = 0; i < LV->topLevelItemCount(); ++i) {
    QTreeWidgetItem* Row = LV->topLevelItem(i);
    const bool Same = Twice.contains(Row->text(ColAddress).trimmed());
    QFont Font = LV->font();
    Font.setBold(Same);
    Row->setFont(ColAddress, Font);
    Row->setForeground(ColAddress, Same ? QBrush(QColor(200, 30, 30)) : QBrush());
    Row->setToolTip(ColAddress, Same ? tr("Another row has the same digital address") : QString());
  }
}

void TForm1::UpdateListViews() {
  ListUpdate_->stop();
  UpdatingList_ = true;
  for (int i = 0; i < LV->topLevelItemCount(); ++i) {
    QTreeWidgetItem* Row = LV->topLevelItem(i);
    if (Row->data(ColLength, kProbeIdRole).isValid() || Row->text(ColFilename).isEmpty()) continue;
    Row->setData(ColLength, kProbeIdRole, Probe_->Request(Row->text(ColFilename)));
    Row->setText(ColLength, QStringLiteral("..."));
    Row->setTextAlignment(ColLength, Qt::AlignRight | Qt::AlignVCenter);
  }
  MarkDuplicates();
  UpdatingList_ = false;
  MemoryGauge->SetUse(MemoryUse());
  setWindowTitle(NormalTitle() + UploadTitle_);
}

QString TForm1::NormalTitle() const {
  if (ListFileName.isEmpty()) return QStringLiteral("Kestrilo");
  return QFileInfo(ListFileName).fileName() + (ListModified() ? QStringLiteral("*") : QString()) +
         QStringLiteral(" - Kestrilo");
}
