// The upload's progress in the window: drawn at most once a frame, yet every value the
// engine leaves it at is reached, and whatever follows is shown after the latest of them.
#include <QProgressBar>
#include <QtTest>

#include "main/frmMain.h"

class ProgressDisplayTest : public QObject {
  Q_OBJECT

  static std::string Percent(int Value, int Maximum) {
    return QString::number(100.0 * Value / Maximum, 'f', 2).toStdString() + "%";
  }

 private slots:
  void barAndPercentReachTheValueTheyAreLeftAt() {
    TForm1 form;
    TDeviceFrontEnd& f = form;
    QList<int> drawn;
    connect(form.ProgressBar, &QProgressBar::valueChanged, [&](int v) { drawn << v; });
    const int size = 100000;
    f.ShowProgressMaximum(size);
    for (int v = 0; v <= size; ++v) {
      if (v % 10 == 0) f.ShowPanelText(1, Percent(v, size));
      f.ShowProgress(v);
      f.PumpEvents();
    }
    QTRY_COMPARE(form.ProgressBar->value(), size);
    QTRY_COMPARE(form.PanelText(1), QString("100.00%"));
    // Each drawn value is one the engine gave, in its order.
    for (int i = 1; i < drawn.size(); ++i) QVERIFY(drawn[i] > drawn[i - 1]);
  }

  void laterCallsShowTheLatestValueFirst() {
    TForm1 form;
    TDeviceFrontEnd& f = form;
    QProgressBar reference;  // the same calls, each drawn at once
    const auto both = [&](int Value) {
      f.ShowProgress(Value);
      reference.setValue(Value);
    };
    f.ShowProgressMaximum(100);
    reference.setMaximum(100);
    both(40);
    both(90);
    f.ShowProgressMaximum(50);  // the bar resets when its value is out of the new range
    reference.setMaximum(50);
    QCOMPARE(form.ProgressBar->value(), reference.value());
    QCOMPARE(form.ProgressBar->maximum(), 50);

    both(10);
    both(20);
    f.ShowPanelText(1, "40.00%");
    f.ShowPanelText(2, "Upload completed!");
    QCOMPARE(form.ProgressBar->value(), 20);
    QCOMPARE(form.PanelText(1), QString("40.00%"));
    both(30);
    f.ShowPanelText(1, "60.00%");
    f.EnableControls(true);
    QCOMPARE(form.ProgressBar->value(), 30);
    QCOMPARE(form.PanelText(1), QString("60.00%"));
    both(45);
    f.ShowRowState(0, rsDone);
    QCOMPARE(form.ProgressBar->value(), 45);
  }
};

QTEST_MAIN(ProgressDisplayTest)
#include "progress_display_test.moc"
