#include "main/WindowMain.h"

#include <QApplication>
#include <QTimer>
#include <memory>

#include "main/SignalQuit.h"
#include "main/frmMain.h"
#include "toolkit/error_report.h"

int RunMainWindow(const QStringList& Args, const std::function<void(TForm1&)>& Started) {
  std::unique_ptr<TForm1> Form1;
  try {
    Form1 = std::make_unique<TForm1>();
  } catch (...) {
    ShowErrorReport(std::current_exception());
    return 1;
  }
  Form1->show();
  // Once the window is up, so a message about a bad list has a window to stand on.
  QTimer::singleShot(0, Form1.get(), [&Form1, Args, Started] {
    // From here on a signal finds the rows the arguments give (it is served by the event
    // loop, after this handler), so it can keep them.
    InstallSignalQuit([Form = Form1.get()] { Form->QuitWhenIdle(); });
    Form1->OfferRecoveredList();
    Form1->OpenStartArguments(Args);
    if (Started) Started(*Form1);
  });
  return QApplication::exec();
}
