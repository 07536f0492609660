#pragma once
// Drives modal dialogs from a test: the step runs once a dialog of the wanted type is the
// active modal widget, from inside whatever event loop shows it.
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>

struct ModalDriver {
  // Steps that found no dialog within their deadline; the test checks this stays 0.
  static int& Misses() {
    static int N = 0;
    return N;
  }

  template <class Dialog>
  static void When(std::function<void(Dialog*)> Step, int DeadlineMs = 30000) {
    auto* Poll = new QTimer(qApp);
    auto Deadline = std::make_shared<QDeadlineTimer>(DeadlineMs);
    QObject::connect(Poll, &QTimer::timeout, Poll, [Poll, Step, Deadline] {
      auto* D = qobject_cast<Dialog*>(QApplication::activeModalWidget());
      if (D && D->isVisible()) {
        Poll->stop();
        Poll->deleteLater();
        Step(D);
        return;
      }
      if (Deadline->hasExpired()) {
        Poll->stop();
        Poll->deleteLater();
        ++Misses();
        // Do not leave the test hanging in someone else's dialog.
        if (auto* Other = qobject_cast<QDialog*>(QApplication::activeModalWidget())) Other->reject();
      }
    });
    Poll->start(10);
  }
};

// The text of the next plain message box, which is then closed with OK.
struct MessageBoxSeen {
  QString Title, Text;
  QMessageBox::Icon Icon = QMessageBox::Warning;
  QMessageBox::StandardButtons Buttons;
  bool Shown = false;
};

inline void AcceptNextMessageBox(MessageBoxSeen& Seen) {
  ModalDriver::When<QMessageBox>([&Seen](QMessageBox* Box) {
    Seen.Shown = true;
    Seen.Title = Box->windowTitle();
    Seen.Text = Box->text();
    Seen.Icon = Box->icon();
    Seen.Buttons = Box->standardButtons();
    if (auto* Ok = Box->button(QMessageBox::Ok))
      Ok->click();
    else
      Box->reject();
  });
}
