#pragma once
// Device > "Upload to every device": the window's list loaded into every device plugged in,
// by kestrilo-cli upload --all as a child, one row per device. Not modal: the window stays
// readable while it runs; its own engine and port stay out of the way.
#include <QDialog>
#include <QString>
#include <memory>

#include "alldevices/AllProcess.h"
#include "alldevices/AllRun.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
class TForm1;
namespace platform {
class TTempDir;
}

class TAllDevicesDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TAllDevicesDialog(TForm1& Form);
  ~TAllDevicesDialog() override;

  enum : int { ColDevice = 0, ColPort = 1, ColProgress = 2, ColOutcome = 3 };
  QTreeWidget* Devices = nullptr;
  QLabel* Status = nullptr;   // the run's step or result
  QLabel* Problem = nullptr;  // why the run failed, in red
  QLabel* Counts = nullptr;
  QCheckBox* Watch = nullptr;
  QCheckBox* Log = nullptr;
  QLineEdit* LogFile = nullptr;
  QPushButton* ChooseLog = nullptr;
  QPushButton* Start = nullptr;
  QPushButton* StopWatching = nullptr;
  QPushButton* CancelUploads = nullptr;
  QPushButton* Close = nullptr;

  bool Running() const { return process_ != nullptr; }
  bool Stopping() const { return process_ && process_->Aborting(); }
  // Closing while uploads run: asks, then cancels and closes once the tool has ended.
  // Returns whether the dialog may close now.
  bool AskToStop();
  // Tests run the tool from the build tree, with short stops.
  void SetProgram(const QString& Program) { program_ = Program; }
  void SetStopTimes(const alldevices::TStopTimes& Times) { times_ = Times; }

 protected:
  void reject() override;

 private:
  void CreateLayout();
  QLayout* CreateSettings();
  QLayout* CreateButtons();
  void LoadSettings();
  void SaveSettings();
  void ChooseLogFile();
  void StartClick();
  QString ProgramToRun();
  bool MayStart();
  void Poll();
  void RunEnded();
  void ShowRun();
  void ShowRows();
  QString ResultText() const;
  QString FailureText() const;

  TForm1& form_;
  QString program_;
  alldevices::TStopTimes times_;
  alldevices::TAllRun run_;
  std::unique_ptr<platform::TTempDir> listDir_;  // the list the tool loads, private
  std::unique_ptr<alldevices::TAllProcess> process_;
  QTimer* poll_ = nullptr;
  bool closeWhenEnded_ = false;
  bool started_ = false;
};
