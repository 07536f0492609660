#pragma once
// The memory gauge in the toolbar strip: the list's total length against the device's
// memory, red when the list does not fit. Always shown, no hovering needed.
#include <QString>
#include <QWidget>

#include "main/MemoryUse.h"

class TMemoryGauge : public QWidget {
  Q_OBJECT
 public:
  // Placed in Parent from Left to 4 pixels before its right edge, following its size.
  TMemoryGauge(QWidget* Parent, int Left);

  void SetUse(const TMemoryUse& Use);
  // The two lines it shows, e.g. "38.2 of 95.1 s" and "56.9 s left".
  QString TopLine() const;
  QString BottomLine() const;
  // Numbers for a message: "120.5 s (5.3 MB)".
  static QString SecondsAndMB(int64_t Bytes);

 protected:
  void paintEvent(QPaintEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void Place();
  TMemoryUse Use_;
  int Left_;
};
