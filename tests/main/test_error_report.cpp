// The default error report: an error leaving a handler is shown in a plain box and the
// program goes on with its event loop and its window.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <stdexcept>
#include <thread>

#include "main/frmMain.h"
#include "modal_driver.h"
#include "toolkit/error_report.h"
#include "toolkit/exception_report.h"

class ErrorReportTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo")); }
  void cleanup() { QCOMPARE(ModalDriver::Misses(), 0); }

  void messageOfAnError() {
    QCOMPARE(ErrorMessageOf(std::make_exception_ptr(std::runtime_error("COM Port Error: Unable to open com port on COM7"))),
             QStringLiteral("COM Port Error: Unable to open com port on COM7"));
    QCOMPARE(ErrorMessageOf(std::make_exception_ptr(std::runtime_error("Datei \xc3\xa4"))),
             QString::fromUtf8("Datei \xc3\xa4"));
    QCOMPARE(ErrorMessageOf(std::make_exception_ptr(42)), QStringLiteral("Unknown error"));
    QCOMPARE(ErrorMessageOf(nullptr), QString());
  }

  void guardShowsThePlainBoxAndReturns() {
    MessageBoxSeen Seen;
    AcceptNextMessageBox(Seen);
    bool After = false;
    Guarded([] { throw std::runtime_error("COM1 Error: Cannot set property while connected"); });
    After = true;
    QVERIFY(After);
    QVERIFY(Seen.Shown);
    QCOMPARE(Seen.Text, QStringLiteral("COM1 Error: Cannot set property while connected"));
    QCOMPARE(Seen.Title, QStringLiteral("Kestrilo"));
    QCOMPARE(Seen.Icon, QMessageBox::NoIcon);
    QCOMPARE(Seen.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    // Something that is no std::exception is still reported, not passed on.
    MessageBoxSeen Odd;
    AcceptNextMessageBox(Odd);
    Guarded([] { throw 7; });
    QCOMPARE(Odd.Text, QStringLiteral("Unknown error"));

    // No error, no box.
    int Runs = 0;
    Guarded([&] { ++Runs; });
    QCOMPARE(Runs, 1);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
  }

  void applicationReportShowsTheBoxOnTheUiThread() {
    {
      TErrorReportInstallation Installed;
      MessageBoxSeen Seen;
      AcceptNextMessageBox(Seen);
      ReportException(std::make_exception_ptr(std::runtime_error("COM3 Error: event handler")));
      QVERIFY(Seen.Shown);
      QCOMPARE(Seen.Text, QStringLiteral("COM3 Error: event handler"));

      // From another thread the box is shown later, by the UI thread.
      MessageBoxSeen Late;
      AcceptNextMessageBox(Late);
      std::thread Worker([] { ReportException(std::make_exception_ptr(std::runtime_error("late"))); });
      Worker.join();
      QVERIFY(!Late.Shown);
      QTRY_VERIFY_WITH_TIMEOUT(Late.Shown, 20000);
      QCOMPARE(Late.Text, QStringLiteral("late"));
    }
    // Uninstalled: back to standard error, no box.
    bool Boxed = false;
    QTimer::singleShot(500, qApp, [&] {
      if (auto* D = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        Boxed = true;
        D->reject();
      }
    });
    ReportException(std::make_exception_ptr(std::runtime_error("to stderr")));
    QTest::qWait(700);
    QVERIFY(!Boxed);
  }

  void errorInABoundHandlerLeavesTheWindowRunning() {
    TForm1 Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    // A command bound the way the window binds its own, whose handler fails.
    QAction Failing(QStringLiteral("Fail"), &Form);
    QObject::connect(&Failing, &QAction::triggered, &Form, [] {
      Guarded([] { throw std::runtime_error("Port gone"); });
    });
    MessageBoxSeen Seen;
    AcceptNextMessageBox(Seen);
    // Triggered from the event loop, as a click would be.
    QTimer::singleShot(0, &Failing, &QAction::trigger);
    QTRY_VERIFY_WITH_TIMEOUT(Seen.Shown, 20000);
    QCOMPARE(Seen.Text, QStringLiteral("Port gone"));

    // The window lives on and its commands still work.
    QVERIFY(Form.isVisible());
    Form.AppendSoundRow(QStringLiteral("/x/a.wav"));
    Form.LV->topLevelItem(0)->setSelected(true);
    Form.btnRemove->click();
    QCOMPARE(Form.LV->topLevelItemCount(), 0);
    MessageBoxSeen About;
    AcceptNextMessageBox(About);
    Form.About1->trigger();
    QVERIFY(About.Shown);
  }
};

QTEST_MAIN(ErrorReportTest)
#include "test_error_report.moc"
