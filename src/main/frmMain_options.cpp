// Preparation options: the list's defaults and a row's own, kept with the rows and in the
// list file; the address table export.
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QSaveFile>
#include <QTreeWidget>
#include <cmath>

#include "device/Files.h"
#include "device/Protocol.h"
#include "lists/AddressTable.h"
#include "main/EventPump.h"
#include "main/PreviewPlayer.h"
#include "main/RowOptionsDialog.h"
#include "main/frmMain.h"
#include "platform/temp_dir.h"
#include "sound/ParallelPrepare.h"
#include "toolkit/error_report.h"

Q_DECLARE_METATYPE(sound::TSoundOptions)

namespace {

constexpr int kOptionsRole = Qt::UserRole + 40;  // on the file name: the row's own options

}  // namespace

std::optional<sound::TSoundOptions> TForm1::RowOptions(int Row) const {
  const QVariant v = LV->topLevelItem(Row)->data(ColFilename, kOptionsRole);
  if (!v.isValid()) return std::nullopt;
  return v.value<sound::TSoundOptions>();
}

void TForm1::SetRowOptions(int Row, const std::optional<sound::TSoundOptions>& Options) {
  QTreeWidgetItem* item = LV->topLevelItem(Row);
  item->setData(ColFilename, kOptionsRole, Options ? QVariant::fromValue(*Options) : QVariant());
  item->setToolTip(ColFilename, Options ? tr("Own options: %1").arg(QString::fromStdString(sound::Describe(*Options)))
                                        : QString());
}

sound::TSoundOptions TForm1::OptionsOfRow(int Row) const { return RowOptions(Row).value_or(ListOptions); }

namespace {

QString Decibels(double Value) {
  return QLocale().toString(Value, 'f', Value == std::round(Value) ? 0 : 1);
}

}  // namespace

QString TForm1::OptionsText(const sound::TSoundOptions& Options, bool Own, const sound::TSoundOptions& ListOptions) {
  QStringList parts;
  if (Options.Loudness == sound::TLoudness::Peak) parts << tr("peak %1 dB").arg(Decibels(Options.TargetOrDefault()));
  if (Options.Loudness == sound::TLoudness::R128) parts << tr("R128 %1 LUFS").arg(Decibels(Options.TargetOrDefault()));
  if (Options.Trim)
    parts << (Options.TrimThresholdDb == sound::TSoundOptions{}.TrimThresholdDb
                  ? tr("trim")
                  : tr("trim below %1 dB").arg(Decibels(Options.TrimThresholdDb)));
  if (Options.Dither != sound::TDither::Off) parts << tr("dither");
  if (parts.isEmpty()) return Own && ListOptions.Any() ? tr("off") : QString();
  const QString text = parts.join(QStringLiteral(", "));
  return Own ? text : tr("%1 (list)").arg(text);
}

void TForm1::ShowRowOptions(int Row) {
  const bool own = RowOptions(Row).has_value();
  LV->topLevelItem(Row)->setText(ColOptions, OptionsText(OptionsOfRow(Row), own, ListOptions));
}

void TForm1::CreateOptionMenus() {
  const auto entry = [this](QMenu* Menu, QAction* Before, const char* Name, const QString& Caption) {
    auto* a = new QAction(Caption, Menu);
    a->setObjectName(QString::fromLatin1(Name));
    Menu->insertAction(Before, a);
    return a;
  };
  PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N5"));  // after the designed entries
  Listen1 = entry(PopupMenu1, nullptr, "Listen1", tr("Listen"));
  Listen1->setShortcut(Qt::Key_Space);
  Soundoptions1 = entry(PopupMenu1, nullptr, "Soundoptions1", tr("Sound options..."));
  Listoptions1 = entry(File1, N1, "Listoptions1", tr("List sound options..."));
  Exportaddresstable1 = entry(File1, N1, "Exportaddresstable1", tr("Export address table..."));
  connect(Listen1, &QAction::triggered, this, [this] { Guarded([&] { Listen1Click(Listen1); }); });
  connect(Soundoptions1, &QAction::triggered, this, [this] { Guarded([&] { Soundoptions1Click(Soundoptions1); }); });
  connect(Listoptions1, &QAction::triggered, this, [this] { Guarded([&] { Listoptions1Click(Listoptions1); }); });
  connect(Exportaddresstable1, &QAction::triggered, this,
          [this] { Guarded([&] { Exportaddresstable1Click(Exportaddresstable1); }); });
  Preview = new TPreviewPlayer(this);
  connect(Preview, &TPreviewPlayer::StateText, this, [this](const QString& Text) {
    if (!UploadRunning) SetPanelText(1, Text);
  });
}

void TForm1::Soundoptions1Click(QObject*) {
  const QList<QTreeWidgetItem*> rows = LV->selectedItems();
  if (rows.isEmpty() || UploadRunning) return;
  const int first = LV->indexOfTopLevelItem(rows.first());
  TRowOptionsDialog dialog(this, true, RowOptions(first), ListOptions);
  if (dialog.exec() != QDialog::Accepted) return;
  for (QTreeWidgetItem* r : rows) SetRowOptions(LV->indexOfTopLevelItem(r), dialog.Options());
  OptionsChanged();
}

void TForm1::Listoptions1Click(QObject*) {
  if (UploadRunning) return;
  TRowOptionsDialog dialog(this, false, ListOptions, ListOptions);
  if (dialog.exec() != QDialog::Accepted) return;
  ListOptions = dialog.Options().value_or(sound::TSoundOptions{});
  OptionsChanged();
}

void TForm1::OptionsChanged() { UpdateListViews(); }

std::string TForm1::OptionsForSaving() const {
  std::string text = ListOptions == sound::TSoundOptions{} ? "" : sound::Describe(ListOptions);
  for (int i = 0; i < LV->topLevelItemCount(); ++i)
    if (const auto o = RowOptions(i)) text += "\n" + std::to_string(i) + " " + sound::Describe(*o);
  return text;
}

void TForm1::Exportaddresstable1Click(QObject*) {
  if (UploadRunning || LV->topLevelItemCount() == 0) return;
  QString name = QFileDialog::getSaveFileName(this, tr("Export address table"),
                                              ListFileName.isEmpty() ? QString() : QFileInfo(ListFileName).path(),
                                              tr("CSV tables (*.csv)"));
  if (name.isEmpty()) return;
  if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".csv");
  ExportAddressTable(name);
}

void TForm1::ExportAddressTable(const QString& FileName) {
  std::vector<sound::TPrepareJob> jobs;
  std::vector<lists::TAddressTableRow> table;
  for (int i = 0; i < LV->topLevelItemCount(); ++i) {
    const QString file = LV->topLevelItem(i)->text(ColFilename);
    const std::string samples = platform::RunTempDir() + "table" + std::to_string(i) + ".u8";
    jobs.push_back({QFile::encodeName(file).toStdString(), OptionsOfRow(i), protocol::LargestCapacity, samples});
    table.push_back({i + 1, LV->topLevelItem(i)->text(ColAddress).trimmed().toInt(), file.toStdString(), std::nullopt,
                     sound::Describe(OptionsOfRow(i))});
  }
  const auto cache = sound::TSoundCache::ForUser();
  SetPanelText(1, tr("Preparing the sounds for the address table..."));
  {
    sound::TParallelPrepare preparing(jobs, cache ? &*cache : nullptr);
    for (size_t i = 0; i < jobs.size(); ++i) {
      while (!preparing.WaitReady(i, 20)) PumpEvents();
      try {
        table[i].Seconds = double(preparing.Take(i).Samples) / protocol::SampleRate;
      } catch (const std::exception&) {
        // A sound that does not convert has no length; the table says so by an empty cell.
      }
      RemoveFile(jobs[i].SampleFile);
    }
  }
  SetPanelText(1, QString());
  QSaveFile out(FileName);
  const std::string csv = lists::AddressTableCsv(table);
  if (!out.open(QIODevice::WriteOnly) || out.write(csv.data(), qint64(csv.size())) != qint64(csv.size()) ||
      !out.commit())
    throw std::runtime_error(tr("Cannot write the address table \"%1\": %2").arg(FileName, out.errorString()).toStdString());
}
