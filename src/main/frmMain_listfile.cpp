// Sound list files: open, save, recent lists, the title, unsaved changes, start arguments.
#include <QAction>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QTreeWidget>
#include <filesystem>

#include "lists/SoundListFile.h"
#include "main/UserSettings.h"
#include "main/frmMain.h"
#include "toolkit/error_report.h"

namespace {

constexpr int kRecentCount = 8;
const char* const kRecentKey = "RecentLists";

}  // namespace

void TForm1::CreateListFileMenus() {
  auto Entry = [this](const char* Name, const char* Caption, QKeySequence::StandardKey Keys) {
    auto* A = new QAction(tr(Caption), File1);
    A->setObjectName(QString::fromLatin1(Name));
    A->setShortcut(Keys);
    File1->insertAction(N1, A);
    return A;
  };
  N4 = File1->insertSeparator(N1);
  N4->setObjectName(QStringLiteral("N4"));
  Openlist1 = Entry("Openlist1", QT_TR_NOOP("Open list..."), QKeySequence::Open);
  Savelist1 = Entry("Savelist1", QT_TR_NOOP("Save list"), QKeySequence::Save);
  Savelistas1 = Entry("Savelistas1", QT_TR_NOOP("Save list as..."), QKeySequence::SaveAs);
  Openrecent1 = new QMenu(tr("Open recent"), File1);
  Openrecent1->setObjectName(QStringLiteral("Openrecent1"));
  File1->insertMenu(N1, Openrecent1);
  FillRecentMenu();
}

QStringList TForm1::RecentLists() const { return UserSettings().value(QString::fromLatin1(kRecentKey)).toStringList(); }

void TForm1::RememberRecent(const QString& FileName) {
  QStringList Recent = RecentLists();
  Recent.removeAll(FileName);
  Recent.prepend(FileName);
  while (Recent.size() > kRecentCount) Recent.removeLast();
  UserSettings().setValue(QString::fromLatin1(kRecentKey), Recent);
  FillRecentMenu();
}

void TForm1::FillRecentMenu() {
  Openrecent1->clear();
  for (const QString& FileName : RecentLists()) {
    QAction* A = Openrecent1->addAction(QDir::toNativeSeparators(FileName));
    connect(A, &QAction::triggered, this, [this, FileName] { Guarded([&] { OpenListFile(FileName); }); });
  }
  Openrecent1->setEnabled(!Openrecent1->isEmpty());
}

std::vector<std::pair<QString, QString>> TForm1::RowsForSaving() const {
  std::vector<std::pair<QString, QString>> Rows;
  for (int i = 0; i < LV->topLevelItemCount(); ++i)
    Rows.emplace_back(LV->topLevelItem(i)->text(ColFilename), LV->topLevelItem(i)->text(ColAddress));
  return Rows;
}

bool TForm1::ListModified() const { return RowsForSaving() != SavedRows_ || OptionsForSaving() != SavedOptions_; }

QString TForm1::AskListFileName(bool Save) {
  QFileDialog Dialog(this);
  Dialog.setObjectName(Save ? QStringLiteral("ListSaveDialog") : QStringLiteral("ListOpenDialog"));
  Dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  Dialog.setAcceptMode(Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  Dialog.setFileMode(Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  Dialog.setNameFilters({tr("Kestrilo sound lists (*.kestrilo)"), tr("All files (*)")});
  Dialog.setDefaultSuffix(QStringLiteral("kestrilo"));
  if (!ListFileName.isEmpty()) Dialog.selectFile(ListFileName);
  if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return {};
  return QFileInfo(Dialog.selectedFiles().first()).absoluteFilePath();
}

std::vector<lists::TListedSound> TForm1::ListedRows() const {
  std::vector<lists::TListedSound> Rows;
  for (const auto& [Path, Address] : RowsForSaving())
    Rows.push_back({QFileInfo(Path).filesystemFilePath(), Address.trimmed().toInt(), RowOptions(int(Rows.size()))});
  return Rows;
}

bool TForm1::SaveListFile(const QString& FileName) {
  try {
    lists::SaveSoundList(QFileInfo(FileName).filesystemFilePath(), {ListedRows(), ListOptions});
  } catch (...) {
    ShowErrorReport(std::current_exception());
    return false;
  }
  ListFileName = QFileInfo(FileName).absoluteFilePath();
  SavedRows_ = RowsForSaving();
  SavedOptions_ = OptionsForSaving();
  RememberRecent(ListFileName);
  UpdateListViews();
  return true;
}

void TForm1::Savelist1Click(QObject* Sender) {
  if (ListFileName.isEmpty()) return Savelistas1Click(Sender);
  SaveListFile(ListFileName);
}

void TForm1::Savelistas1Click(QObject*) {
  const QString FileName = AskListFileName(true);
  if (!FileName.isEmpty()) SaveListFile(FileName);
}

// Save / Discard / Cancel when the rows differ from the list last saved or opened; true
// when the caller may go on.
bool TForm1::ConfirmListChange() {
  if (!ListModified()) return true;
  QMessageBox Box(this);
  Box.setWindowTitle(QGuiApplication::applicationDisplayName());
  Box.setText(ListFileName.isEmpty()
                  ? tr("The sound list has unsaved changes.")
                  : tr("The sound list \"%1\" has unsaved changes.").arg(QFileInfo(ListFileName).fileName()));
  Box.setInformativeText(tr("Save them first?"));
  Box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
  Box.setDefaultButton(QMessageBox::Save);
  const int Answer = Box.exec();
  if (Answer == QMessageBox::Discard) return true;
  if (Answer != QMessageBox::Save) return false;
  const QString FileName = ListFileName.isEmpty() ? AskListFileName(true) : ListFileName;
  return !FileName.isEmpty() && SaveListFile(FileName);
}

void TForm1::OpenListFile(const QString& FileName) {
  if (UploadRunning) return;
  const std::filesystem::path File = QFileInfo(FileName).filesystemFilePath();
  lists::TSoundList List = lists::LoadSoundList(File);  // a bad list is refused before anything is asked
  if (ListModified()) {
    if (!ConfirmListChange() || UploadRunning) return;
    List = lists::LoadSoundList(File);  // saving the changes may just have rewritten this very file
  }
  LV->clear();
  for (const lists::TListedSound& Row : List.Rows) {
    AppendListedSound(QFileInfo(Row.Path).filePath(), QString::number(Row.Address));
    SetRowOptions(LV->topLevelItemCount() - 1, Row.Options);
  }
  ListOptions = List.Defaults;
  RefreshList();
  ListFileName = QFileInfo(FileName).absoluteFilePath();
  SavedRows_ = RowsForSaving();
  SavedOptions_ = OptionsForSaving();
  RememberRecent(ListFileName);
  UpdateListViews();
}

void TForm1::Openlist1Click(QObject*) {
  if (UploadRunning) return;
  const QString FileName = AskListFileName(false);
  if (!FileName.isEmpty()) OpenListFile(FileName);
}

void TForm1::OpenStartArguments(const QStringList& Args) {
  QStringList Sounds;
  for (const QString& Arg : Args) {
    const QString FileName = QFileInfo(Arg).absoluteFilePath();
    if (lists::IsListFileName(Arg.toStdString()) && !QFileInfo(Arg).isDir())
      Guarded([&] { OpenListFile(FileName); });
    else
      Sounds << FileName;
  }
  if (!Sounds.isEmpty()) AddSoundPaths(Sounds);
}

void TForm1::closeEvent(QCloseEvent* Event) {
  if (Quitting_) return QMainWindow::closeEvent(Event);  // the rows are kept already
  bool Close = false;  // an error while asking keeps the window and its rows
  Guarded([&] { Close = ConfirmStopForClose() && ConfirmListChange(); });
  if (Close)
    QMainWindow::closeEvent(Event);
  else
    Event->ignore();
}
