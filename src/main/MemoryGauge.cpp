#include "main/MemoryGauge.h"

#include <QEvent>
#include <QLocale>
#include <QPainter>
#include <algorithm>

#include "device/Wording.h"

namespace {

// With the user's decimal separator, without group separators.
QString Decimal(const TDecimal& Number) {
  return QString::fromStdString(WordDecimal(Number.Value, Number.Decimals, QLocale().decimalPoint().toStdString()));
}

QString Seconds(double S) { return Decimal({S, 1}); }

}  // namespace

TMemoryGauge::TMemoryGauge(QWidget* Parent, int Left) : QWidget(Parent), Left_(Left) {
  setObjectName(QStringLiteral("MemoryGauge"));
  Parent->installEventFilter(this);
  Place();
  SetUse(TMemoryUse());
}

void TMemoryGauge::Place() {
  const QWidget* Strip = parentWidget();
  setGeometry(Left_, 3, std::max(0, Strip->width() - Left_ - 4), std::max(0, Strip->height() - 6));
}

bool TMemoryGauge::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == parentWidget() && Event->type() == QEvent::Resize) Place();
  return QWidget::eventFilter(Watched, Event);
}

QString TMemoryGauge::SecondsAndMB(int64_t Bytes) {
  return tr("%1 s (%2 MB)").arg(Decimal(SecondsOf(Bytes)), Decimal(MegabytesOf(Bytes)));
}

QString TMemoryGauge::TopLine() const {
  if (!Use_.DeviceKnown()) return tr("%1 s").arg(Seconds(Use_.NeededSeconds()));
  return tr("%1 of %2 s").arg(Seconds(Use_.NeededSeconds()), Seconds(Use_.CapacitySeconds()));
}

QString TMemoryGauge::BottomLine() const {
  if (!Use_.DeviceKnown()) return tr("no device yet");
  if (!Use_.Fits()) return tr("%1 s too long").arg(Seconds(-Use_.LeftSeconds()));
  return tr("%1 s left").arg(Seconds(Use_.LeftSeconds()));
}

void TMemoryGauge::SetUse(const TMemoryUse& Use) {
  Use_ = Use;
  QString Tip = tr("Sounds: %1").arg(SecondsAndMB(Use.NeededBytes));
  if (Use.UnknownRows > 0) Tip += tr("\nRows of unknown length: %1").arg(Use.UnknownRows);
  Tip += Use.DeviceKnown() ? tr("\nDevice memory: %1").arg(SecondsAndMB(Use.UsableBytes()))
                           : tr("\nSearch the device to see its memory.");
  setToolTip(Tip);
  update();
}

void TMemoryGauge::paintEvent(QPaintEvent*) {
  QPainter P(this);
  const QRect Frame = rect().adjusted(0, 0, -1, -1);
  const QColor Red(200, 30, 30);
  const bool Over = !Use_.Fits();
  if (Use_.DeviceKnown() && Use_.UsableBytes() > 0) {
    const double Part = std::clamp(double(Use_.NeededBytes) / double(Use_.UsableBytes()), 0.0, 1.0);
    QRect Filled = Frame.adjusted(1, 1, 0, 0);
    Filled.setWidth(int(Filled.width() * Part));
    P.fillRect(Filled, Over ? QColor(255, 200, 200) : QColor(190, 225, 190));
  }
  P.setPen(Over ? Red : palette().color(QPalette::Mid));
  P.drawRect(Frame);
  P.setPen(Over ? Red : palette().color(QPalette::WindowText));
  const QRect Text = Frame.adjusted(4, 1, -3, -1);
  P.drawText(Text, Qt::AlignLeft | Qt::AlignTop, TopLine());
  P.drawText(Text, Qt::AlignLeft | Qt::AlignBottom, BottomLine());
}
