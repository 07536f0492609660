// The sound list a termination signal ended with unsaved changes: kept in the user's state
// folder, offered again at the next start.
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "lists/RecoveryFile.h"
#include "main/frmMain.h"
#include "platform/state_dir.h"
#include "toolkit/error_report.h"

namespace {

namespace fs = std::filesystem;

fs::path RecoveryFile() { return platform::UserStateDir() / "unsaved-list.kestrilo"; }

}  // namespace

void TForm1::KeepUnsavedList() noexcept {
  try {
    if (!ListModified()) return;
    const fs::path File = RecoveryFile();
    fs::create_directories(File.parent_path());
    lists::SaveRecoveredList(File, {ListedRows(), ListFileName.isEmpty() ? fs::path() : QFileInfo(ListFileName).filesystemFilePath()});
  } catch (const std::exception& E) {
    std::fprintf(stderr, "kestrilo: the unsaved sound list could not be kept: %s\n", E.what());
  }
}

void TForm1::OfferRecoveredList() {
  Guarded([this] {
    std::error_code Error;
    fs::path File;
    try {
      File = RecoveryFile();
    } catch (const std::exception&) {
      return;  // no state folder: nothing can have been kept there
    }
    if (!fs::exists(File, Error)) return;
    lists::TRecoveredList List;
    try {
      List = lists::LoadRecoveredList(File);
    } catch (...) {
      fs::remove(File, Error);  // unreadable: it would be refused at every start
      throw;
    }
    QMessageBox Box(QMessageBox::Question, QGuiApplication::applicationDisplayName(),
                    tr("Kestrilo was ended while the sound list had unsaved changes. Reopen that list?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    Box.setDefaultButton(QMessageBox::Yes);
    Box.exec();
    if (!Box.clickedButton()) return;  // ended again before an answer: kept for the next start
    fs::remove(File, Error);
    if (Box.clickedButton() != Box.button(QMessageBox::Yes)) return;

    LV->clear();
    for (const lists::TListedSound& Row : List.Rows)
      AppendListedSound(QFileInfo(Row.Path).filePath(), QString::number(Row.Address));
    RefreshList();
    // As if the origin had been opened and then changed: saving goes there, the title has "*".
    SavedRows_.clear();
    ListFileName.clear();
    if (!List.Origin.empty()) {
      ListFileName = QFileInfo(List.Origin).absoluteFilePath();
      try {
        for (const lists::TListedSound& Row : lists::LoadList(List.Origin))
          SavedRows_.emplace_back(QFileInfo(Row.Path).filePath(), QString::number(Row.Address));
      } catch (const lists::EListFileError&) {
        // Gone or broken since: every row counts as unsaved.
      }
    }
    UpdateListViews();
  });
}
