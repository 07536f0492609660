// The default error report: an error leaving a handler is shown in a plain box and the
// program goes on with its event loop and its window.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <stdexcept>

#include "main/frmMain.h"
#include "modal_driver.h"
#include "toolkit/error_report.h"

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
