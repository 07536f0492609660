// What the window shows about the rows beyond the designed columns: missing sounds, lengths,
// duplicate digital addresses, the memory gauge; and files dropped from a file manager.
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>
#include <limits>

#include "main/LengthProbe.h"
#include "main/MemoryGauge.h"
#include "main/PreparedLength.h"
#include "main/SoundFileTypes.h"
#include "main/SoundListView.h"
#include "main/frmMain.h"
#include "toolkit/error_report.h"

namespace {

// Per-row data kept in the Length column.
constexpr int kProbeIdRole = Qt::UserRole;      // the probe request of this row
constexpr int kLengthBytesRole = Qt::UserRole + 1;  // device bytes; absent while unknown
constexpr int kPrepareIdRole = Qt::UserRole + 2;    // the preparation request of a trimmed row
constexpr int kLengthKeyRole = Qt::UserRole + 3;    // what the length shown was measured for

constexpr int kGaugeLeft = 505;  // right of "Upload to device", which ends at 497

QString LengthText(qint64 Bytes) {
  return Bytes < 0 ? QStringLiteral("?") : QString::number(double(Bytes) / protocol::SampleRate, 'f', 1);
}

}  // namespace

void TForm1::BindListFileHandlers() {
  Probe_ = new TLengthProbe([this](quint64 Id, qint64 Bytes) { ProbeDone(Id, Bytes); }, this);
  Prepared_ = new TPreparedLength(
      [this](quint64 Id, qint64 Bytes, const QString& Why) { PreparedDone(Id, Bytes, Why); }, this);
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
  // Back from editing a sound elsewhere: a trimmed row whose file changed is measured again.
  connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [Changed](Qt::ApplicationState State) {
    if (State == Qt::ApplicationActive) Changed();
  });

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

void TForm1::PreparedDone(quint64 Id, qint64 Bytes, const QString& Why) {
  for (int i = 0; i < LV->topLevelItemCount(); ++i) {
    QTreeWidgetItem* Row = LV->topLevelItem(i);
    if (Row->data(ColLength, kPrepareIdRole).toULongLong() != Id) continue;
    Row->setText(ColLength, LengthText(Bytes));
    if (Bytes >= 0) Row->setData(ColLength, kLengthBytesRole, Bytes);
    Row->setToolTip(ColLength, Bytes >= 0 ? tr("Length after trimming the silence")
                                          : tr("Cannot prepare this sound: %1").arg(Why));
  }
}

QString TForm1::LengthKey(int Row) const {
  const QString File = LV->topLevelItem(Row)->text(ColFilename);
  const sound::TSoundOptions Options = OptionsOfRow(Row);
  // As ever: the source's length, asked once per row.
  if (!TPreparedLength::ChangesLength(Options)) return File;
  const QFileInfo Info(File);
  return QStringLiteral("%1\n%2\n%3\n%4")
      .arg(File, QString::fromStdString(sound::Describe(Options)), QString::number(Info.size()),
           QString::number(Info.lastModified().toMSecsSinceEpoch()));
}

void TForm1::MeasureLength(int Index, const QString& Key) {
  QTreeWidgetItem* Row = LV->topLevelItem(Index);
  const QString File = Row->text(ColFilename);
  const sound::TSoundOptions Options = OptionsOfRow(Index);
  const bool Prepare = TPreparedLength::ChangesLength(Options);
  Row->setData(ColLength, kLengthKeyRole, Key);
  Row->setData(ColLength, kLengthBytesRole, QVariant());
  Row->setData(ColLength, kProbeIdRole, Prepare ? QVariant() : QVariant(Probe_->Request(File)));
  Row->setData(ColLength, kPrepareIdRole, Prepare ? QVariant(Prepared_->Request(File, Options)) : QVariant());
  Row->setToolTip(ColLength, QString());
  Row->setText(ColLength, QStringLiteral("..."));
  Row->setTextAlignment(ColLength, Qt::AlignRight | Qt::AlignVCenter);
}

TMemoryUse TForm1::MemoryUse() const {
  TMemoryUse Use;
  Use.CapacityBytes = Engine && Engine->Device().Status != 0 ? Engine->Device().Capacity : 0;
  for (int i = 0; i < LV->topLevelItemCount(); ++i) {
    const QVariant Bytes = LV->topLevelItem(i)->data(ColLength, kLengthBytesRole);
    if (Bytes.isValid())
      Use.NeededBytes += Bytes.toLongLong();
    else
      ++Use.UnknownRows;
  }
  return Use;
}

QStringList TForm1::MissingSounds() const { return Findings(true).Missing; }

QStringList TForm1::DuplicateAddresses() const { return Findings(false).Twice; }

// The list compares addresses as it shows them, the engine as numbers: a text that is not an
// address as the list writes it ("", "x", "07") gets a key of its own below every address, so
// equal texts stay equal and no others become so.
TForm1::TListFindings TForm1::Findings(bool Files) const {
  std::vector<TUploadRow> Rows;
  QHash<QString, int32_t> Keys;
  QHash<int32_t, QString> Texts;
  for (int i = 0; i < LV->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* Row = LV->topLevelItem(i);
    const QString Text = Row->text(ColAddress).trimmed();
    bool Number = false;
    int32_t Key = Text.toInt(&Number, 10);
    if (!Number || Key < 0 || QString::number(Key) != Text)
      Key = Keys.value(Text, std::numeric_limits<int32_t>::min() + int32_t(Keys.size()));
    Keys.insert(Text, Key);
    Texts.insert(Key, Text);
    Rows.push_back({QFile::encodeName(Row->text(ColFilename)).toStdString(), Key, {}});
  }
  TListFindings Found;
  const TRowFindings Checked = Files ? TDeviceEngine::Validate(Rows) : TRowFindings{{}, TDeviceEngine::SharedAddresses(Rows)};
  for (const TUnusableRow& Unusable : Checked.Unusable)
    if (const QTreeWidgetItem* Row = LV->topLevelItem(Unusable.Row); Row->text(ColStateCode).toInt() == StateMissing)
      Found.Missing << Row->text(ColFilename);
  for (const int32_t Key : Checked.SharedAddresses) Found.Twice << Texts.value(Key);
  return Found;
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
  QSet<quint64> Preparing;
  bool AnyOptions = false;
  for (int i = 0; i < LV->topLevelItemCount(); ++i) {
    QTreeWidgetItem* Row = LV->topLevelItem(i);
    if (Row->text(ColFilename).isEmpty()) continue;
    ShowRowOptions(i);
    AnyOptions = AnyOptions || !Row->text(ColOptions).isEmpty();
    if (const QString Key = LengthKey(i); Row->data(ColLength, kLengthKeyRole).toString() != Key) MeasureLength(i, Key);
    if (const QVariant Id = Row->data(ColLength, kPrepareIdRole); Id.isValid()) Preparing << Id.toULongLong();
  }
  Prepared_->KeepOnly(Preparing);  // rows removed or changed need their old answer no more
  // A list that uses no option looks as it always did, without a sideways scroll.
  LV->setColumnHidden(ColOptions, !AnyOptions);
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
