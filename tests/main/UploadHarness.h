#pragma once
// A main window talking to an in-process simulated device over a real pseudo-terminal,
// with every message box recorded and closed.
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devsim/devsim.h"
#include "main/frmMain.h"

// Watches for message boxes for as long as it lives; each one is recorded, handed to
// OnMessage (while it is still up, so the test can look at the window behind it) and
// closed with OK.
class MessageCatcher {
 public:
  MessageCatcher() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible() || box->property("kestrilo_seen").toBool()) return;
      box->setProperty("kestrilo_seen", true);
      Texts.push_back(box->text());
      Titles.push_back(box->windowTitle());
      Icons.push_back(box->icon());
      if (OnMessage) OnMessage(box);
      box->accept();
    });
    timer_.start();
  }
  std::vector<QString> Texts, Titles;
  std::vector<QMessageBox::Icon> Icons;
  std::function<void(QMessageBox*)> OnMessage;

 private:
  QTimer timer_;
};

struct UploadHarness {
  explicit UploadHarness(devsim::Options Options) : Sim(std::move(Options)) {
    qputenv("KESTRILO_PORTS", QByteArray::fromStdString(Sim.SlavePath()));
    Form = std::make_unique<TForm1>();
  }
  ~UploadHarness() {
    if (QTest::currentTestFailed())
      for (const std::string& line : Sim.Log()) qInfo("device log: %s", line.c_str());
    Form.reset();
    qunsetenv("KESTRILO_PORTS");
  }

  // Appends a row as adding a file does; Address replaces the default one when given.
  void AddRow(const QString& Path, const QString& Address = QString("\x01")) {
    Form->AppendSoundRow(Path);
    if (Address != QString("\x01")) Form->LV->topLevelItem(Form->LV->topLevelItemCount() - 1)->setText(TForm1::ColAddress, Address);
    Form->RefreshList();
  }

  // Runs the upload as the button does; an error that leaves it is recorded, as the
  // default error report would show it.
  void Upload() {
    Error.clear();
    try {
      Form->Startuploading1Click(Form.get());
    } catch (const std::exception& e) {
      Error = QString::fromLocal8Bit(e.what());
    }
  }

  QString State(int Row) const { return Form->LV->topLevelItem(Row)->text(TForm1::ColState); }
  QString Code(int Row) const { return Form->LV->topLevelItem(Row)->text(TForm1::ColStateCode); }

  devsim::Simulator Sim;
  std::unique_ptr<TForm1> Form;
  MessageCatcher Messages;
  QString Error;
};

// Fast simulator options for tests: a short erase, no line-rate throttling.
inline devsim::Options QuickDevice() {
  devsim::Options o;
  o.erase_ms = 100;
  o.line_rate = false;
  return o;
}
