#pragma once
#include <QElapsedTimer>
#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "glyphs/mPngSpeedButton.h"
#include "device/Engine.h"
#include "main/FramePacer.h"
#include "main/MemoryUse.h"
#include "sound/SoundOptions.h"

class QAbstractButton;
class QCloseEvent;
class QTimer;
class TLengthProbe;
class TPreparedLength;
class TPreviewPlayer;
class TMemoryGauge;
class QAction;
class QFileDialog;
class QLabel;
class QMenu;
class QProgressBar;
class QShowEvent;
class QStatusBar;
class QTreeWidget;
class QWidget;
class TComPort;
class TCustomComPort;
class TPanelStatusBar;
class TAllDevicesDialog;
namespace lists {
struct TListedSound;
struct TSoundList;
}

// The main window. Members keep their layout names and are public, as the window's
// operations and its tests reach them by name.
class TForm1 : public QMainWindow, public TDeviceFrontEnd {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // ---- stored layout (frmMain.cpp) ----
  QWidget* Panel1 = nullptr;
  TmPngSpeedButton* btnAdd = nullptr;
  TmPngSpeedButton* btnRemove = nullptr;
  TmPngSpeedButton* btnSearch = nullptr;
  TmPngSpeedButton* btnUpload = nullptr;
  QTreeWidget* LV = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QFileDialog* OD = nullptr;

  QMenu* File1 = nullptr;
  QAction* Addfile1 = nullptr;
  QAction* Deletefile2 = nullptr;
  QAction* Clearlist1 = nullptr;
  QAction* N1 = nullptr;
  QAction* Exit1 = nullptr;
  QMenu* Soundtest1 = nullptr;
  QAction* Sound01 = nullptr;
  QAction* Sound21 = nullptr;
  QAction* Sound31 = nullptr;
  QAction* Sound41 = nullptr;
  QMenu* Upload1 = nullptr;
  QAction* Startuploading1 = nullptr;
  QAction* N3 = nullptr;
  QAction* Searchdevice1 = nullptr;
  QMenu* Help1 = nullptr;
  QAction* About1 = nullptr;

  QMenu* PopupMenu1 = nullptr;
  QAction* Addfile2 = nullptr;
  QAction* Deletefile1 = nullptr;
  QAction* N2 = nullptr;
  QAction* Changedigitaladdress1 = nullptr;

  // Status bar panels 0 (hosts ProgressBar), 1 and 2.
  QString PanelText(int Index) const;
  void SetPanelText(int Index, const QString& Text);

  // ---- run-time fields ----
  QProgressBar* ProgressBar = nullptr;       // created in FormCreate, inside panel 0
  // The device link and the upload: its port, port list, last search result and
  // receive buffer live there.
  std::unique_ptr<TDeviceEngine> Engine;

  // ---- layout and lifecycle (frmMain.cpp) ----
  void FormCreate();
  void FormDestroy();

  // ---- sound list (frmMain_soundlist.cpp) ----
  void RefreshList();
  void Addfile1Click(QObject* Sender);
  void Deletefile2Click(QObject* Sender);
  void Clearlist1Click(QObject* Sender);
  void Changedigitaladdress1Click(QObject* Sender);
  void LVDragOver(QObject* Sender, QObject* Source, const QPoint& Point, bool& Accept);
  void LVDragDrop(QObject* Sender, QObject* Source, const QPoint& Point);
  void LVKeyDown(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);
  // Columns of LV: the caption, then the four sub-items (sub-item i is column i + 1).
  enum : int { ColInput = 0, ColFilename = 1, ColAddress = 2, ColState = 3, ColStateCode = 4 };
  // Appends one row for FileName as adding a file does (caption and address = the new row
  // count, state code 0); the caller runs RefreshList.
  void AppendSoundRow(const QString& FileName);
  // A row's state as the list shows it, in the user's language.
  static QString StateText(TRowState State);

  // ---- device link (frmMain_devicelink.cpp) ----
  void CreateDeviceLink();   // FormCreate: the engine with its port, port list and RxBuffer
  void FreePortList();       // FormDestroy, before the progress bar
  void FreeComPort();        // FormDestroy, after the progress bar
  void WaitTicks(uint32_t Milliseconds);
  void WaitVersionReply(uint32_t Milliseconds, TDeviceInfo& Info);
  bool WaitForByte(uint32_t Milliseconds, uint8_t Value);
  void Searchdevice1Click(QObject* Sender);
  void Sound41Click(QObject* Sender);
  bool SearchRunning = false;  // no nested search, upload or sound test from its pumps

  // ---- plugged ports, the ports dialog (frmMain_plugwatch.cpp) ----
  QAction* Ports1 = nullptr;             // Device > "Ports..."
  class TPlugWatch* PlugWatch = nullptr; // child of the window
  void Ports1Click(QObject* Sender);
  void CreatePlugWatch();
  void PortGone(const QString& Port);
  void ShowDeviceIdentity();  // panel 2's tooltip: the found device's adapter

  // ---- upload (frmMain_upload.cpp) ----
  void Startuploading1Click(QObject* Sender);
  bool UploadRunning = false;  // list edits and the sound test do nothing while set
  // Missing sounds refuse, shared addresses are asked about; true when the upload may go.
  bool UploadMayStart();

  // ---- every device at once (frmMain_alldevices.cpp) ----
  QAction* Uploadtoeverydevice1 = nullptr;  // Device menu
  void Uploadtoeverydevice1Click(QObject* Sender);
  TAllDevicesDialog* AllDevicesDialog() const;  // none before the first use
  bool AllDevicesRunning() const;
  // The dialog's run starts or ends: the window's own port is closed before it, and its
  // device commands wait until it is over.
  void AllDevicesRunChanged(bool Running);
  // A search, sound test or upload of the window's own is running.
  bool DeviceBusy() const;
  // The rows with their options and the list's, as a list file holds them.
  lists::TSoundList CurrentSoundList() const;

  // ---- the device engine's front end (frmMain_devicelink.cpp) ----
  void ShowPanelText(int Index, const std::string& Text) override;
  void ShowProgressMaximum(int Maximum) override;
  void ShowProgress(int Value) override;
  void ShowRowState(int Row, TRowState State) override;
  void EnableControls(bool Enabled) override;
  void ShowUploadPosition(int64_t Sent, int64_t Total) override;  // frmMain_uploadtitle.cpp
  using TDeviceFrontEnd::ShowMessage;
  void ShowMessage(const std::string& Text) override;

  // ---- stopping an upload (frmMain_upload.cpp) ----
  QAction* Cancelupload1 = nullptr;    // Device menu, Escape; enabled while an upload runs
  void Cancelupload1Click(QObject* Sender);
  // Closing the window or a termination signal during an upload stops it first, then
  // closes or quits once the upload has finished.
  bool ConfirmStopForClose();
  // A termination signal: keeps unsaved rows for the next start and quits without asking.
  void QuitWhenIdle();
  // A box that does not block the caller (the upload keeps streaming behind it).
  void ShowMessageLater(const QString& Text);
  void PumpEvents() override;
  bool PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done) override;

 protected:
  void showEvent(QShowEvent* Event) override;

 public:
  // ---- list files, dropped files, lengths and the memory gauge ----
  // (frmMain_listfile.cpp: open, save, recent, title, unsaved changes, start arguments;
  //  frmMain_listinfo.cpp: added paths, missing sounds, lengths, duplicates, the gauge)
  enum : int { ColLength = 5 };        // "Length", shown after "State" (the code column is hidden)
  enum : int { StateMissing = 6 };     // state code of a row whose sound file is gone
  QAction* N4 = nullptr;               // separator after "Clear list"
  QAction* Openlist1 = nullptr;
  QAction* Savelist1 = nullptr;
  QAction* Savelistas1 = nullptr;
  QMenu* Openrecent1 = nullptr;
  TMemoryGauge* MemoryGauge = nullptr;
  QString ListFileName;                // the list file shown; empty: none

  void Openlist1Click(QObject* Sender);
  void Savelist1Click(QObject* Sender);
  void Savelistas1Click(QObject* Sender);
  // Reads FileName; a bad list throws with its message and leaves the rows alone. With
  // unsaved changes asks Save / Discard / Cancel before replacing the rows.
  void OpenListFile(const QString& FileName);
  // Saves the rows to FileName; reports a failure itself and returns false.
  bool SaveListFile(const QString& FileName);
  bool ListModified() const;
  QStringList RecentLists() const;
  // `kestrilo LIST.kestrilo` / `kestrilo FILE...`: lists are opened, other paths added.
  void OpenStartArguments(const QStringList& Args);
  // Appends files as adding does; a folder adds its sound files sorted by name, a file that
  // is not there becomes a "Missing" row.
  void AddSoundPaths(const QStringList& Paths);

  // For the upload: the gauge's numbers now; the rows shown as "Missing" whose sound file is still
  // gone (any other row that fails to convert stops the upload as designed); digital addresses
  // carried by more than one row.
  TMemoryUse MemoryUse() const;
  QStringList MissingSounds() const;
  QStringList DuplicateAddresses() const;
  // Title, duplicate marks, lengths to probe and the gauge follow the rows after each event;
  // this brings them up to date at once.
  void UpdateListViews();
  // The title without an upload: "Kestrilo", or the list's name, "*" when changed, " - Kestrilo".
  QString NormalTitle() const;

  // ---- a list kept when a signal ended the program (frmMain_recovery.cpp) ----
  // At start: offers the list kept then and removes its file once answered. Never throws.
  void OfferRecoveredList();

  // ---- preparation options, the preview, the address table (frmMain_options.cpp,
  //      frmMain_preview.cpp) ----
  sound::TSoundOptions ListOptions;  // the list's defaults
  std::optional<sound::TSoundOptions> RowOptions(int Row) const;  // a row's own
  void SetRowOptions(int Row, const std::optional<sound::TSoundOptions>& Options);
  sound::TSoundOptions OptionsOfRow(int Row) const;
  enum : int { ColOptions = 6 };  // "Options", after "Length": the row's options in brief
  // "R128 -16 LUFS, trim, dither"; empty when every option is off. Options that come from the
  // list's defaults (Own false) carry a mark; a row's own options all off say so when the
  // list's are not.
  static QString OptionsText(const sound::TSoundOptions& Options, bool Own, const sound::TSoundOptions& ListOptions);
  QAction* Listen1 = nullptr;              // context menu, Space
  QAction* Soundoptions1 = nullptr;        // context menu
  QAction* Listoptions1 = nullptr;         // File menu
  QAction* Exportaddresstable1 = nullptr;  // File menu
  TPreviewPlayer* Preview = nullptr;
  void Listen1Click(QObject* Sender);
  void Soundoptions1Click(QObject* Sender);
  void Listoptions1Click(QObject* Sender);
  void Exportaddresstable1Click(QObject* Sender);
  // Input, address, file, prepared length and options of every row as CSV; throws on failure.
  void ExportAddressTable(const QString& FileName);

 protected:
  void closeEvent(QCloseEvent* Event) override;

 private:
  void CreateListFileMenus();
  void BindListFileHandlers();
  bool ConfirmListChange();
  QString AskListFileName(bool Save);
  void DeviceMayHaveChanged();
  // A row as AppendSoundRow makes it, with Address when given; "Missing" when the file is not there.
  void AppendListedSound(const QString& FileName, const QString& Address = QString());
  void RememberRecent(const QString& FileName);
  void FillRecentMenu();
  void ProbeDone(quint64 Id, qint64 Bytes);
  void PreparedDone(quint64 Id, qint64 Bytes, const QString& Why);
  // What a row's length depends on; a new one measures the row again.
  QString LengthKey(int Row) const;
  void MeasureLength(int Row, const QString& Key);
  void MarkDuplicates();
  // The engine's findings on the rows as the list words them: the rows shown as "Missing" whose
  // file is still gone (Files: else none), and the address texts of more than one row.
  struct TListFindings {
    QStringList Missing;
    QStringList Twice;
  };
  TListFindings Findings(bool Files) const;
  std::vector<std::pair<QString, QString>> RowsForSaving() const;
  std::vector<lists::TListedSound> ListedRows() const;  // the rows as a list file holds them
  // Writes the rows to the recovery file when they have unsaved changes; reports a failure
  // on stderr only, as nobody may be there to read a box.
  void KeepUnsavedList() noexcept;
  void CreateOptionMenus();
  void OptionsChanged();
  void ShowRowOptions(int Row);
  std::string OptionsForSaving() const;  // compared as SavedOptions_
  std::string SavedOptions_;
  bool Quitting_ = false;  // ended by a signal: closing asks nothing
  std::vector<std::pair<QString, QString>> SavedRows_;  // path and address text, as last saved/opened
  TLengthProbe* Probe_ = nullptr;                        // child of the window
  TPreparedLength* Prepared_ = nullptr;                  // child of the window: trimmed rows
  QTimer* ListUpdate_ = nullptr;
  bool UpdatingList_ = false;

  // ---- before and during an upload (frmMain_upload.cpp, frmMain_uploadtitle.cpp) ----
  void ShowUploadTitle(const QString& Progress);
  QString UploadTitle_;           // " - 34% - 2:41 left" while the data goes out
  QElapsedTimer UploadClock_;     // from the first byte of the data phase
  qint64 UploadTitleShownAt_ = 0; // on UploadClock_

 private:
  // ---- window construction (frmMain.cpp) ----
  void CreateLayout();
  void CreateToolbarButtons();
  void CreateMenus();
  void CreateOpenDialog();
  void BindHandlers();
  void ApplyOuterSize(int Tries);
  void Exit1Click(QObject* Sender);
  void About1Click(QObject* Sender);
  TPanelStatusBar* Panels_ = nullptr;  // StatusBar1, with its panels
  bool CloseAfterUpload_ = false;
  // ---- every device at once (frmMain_alldevices.cpp) ----
  void CreateAllDevicesMenu();
  void ReleaseDevicePort();
  QPointer<TAllDevicesDialog> AllDevices_;  // child of the window, made on first use
  bool CloseAfterAllDevices_ = false;
  bool QuitAfterUpload_ = false;
  bool OuterSizeApplied_ = false;

  // ---- the upload's progress, drawn at most once per frame (frmMain_devicelink.cpp) ----
  void FlushProgressDisplay();
  TFramePacer* BarPacer_ = nullptr;
  TFramePacer* PercentPacer_ = nullptr;
  int ProgressToShow_ = 0;
  QString PercentToShow_;  // status panel 1
};
