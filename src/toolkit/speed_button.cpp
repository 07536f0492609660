#include "toolkit/speed_button.h"

#include <QEnterEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPaintEvent>
#include <algorithm>

TSpeedButton::TSpeedButton(QWidget* Owner) : QAbstractButton(Owner) {
  // Speed buttons never take the focus away from the control the user works in.
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_Hover);
}

void TSpeedButton::SetCaption(const QString& Value) {
  if (text() == Value) return;
  setText(Value);
  update();
}

void TSpeedButton::SetLayout(TButtonLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  update();
}

void TSpeedButton::SetMargin(int Value) {
  if (FMargin == Value || Value < -1) return;
  FMargin = Value;
  update();
}

void TSpeedButton::SetSpacing(int Value) {
  if (FSpacing == Value) return;
  FSpacing = Value;
  update();
}

void TSpeedButton::SetFlat(bool Value) {
  if (FFlat == Value) return;
  FFlat = Value;
  update();
}

void TSpeedButton::SetDown(bool Value) {
  if (FDown == Value) return;
  FDown = Value;
  update();
}

void TSpeedButton::SetGlyph(const QImage& Value) {
  FGlyph = Value;
  update();
}

void TSpeedButton::SetNumGlyphs(int Value) {
  Value = std::clamp(Value, 1, 4);
  if (FNumGlyphs == Value) return;
  FNumGlyphs = Value;
  update();
}

void TSpeedButton::Loaded() { update(); }

QSize TSpeedButton::GlyphSize() const {
  if (FGlyph.isNull()) return {0, 0};
  return {FGlyph.width() / FNumGlyphs, FGlyph.height()};
}

QSize TSpeedButton::TextSize() const {
  if (text().isEmpty()) return {0, 0};
  const QFontMetrics fm(font());
  const QRect bounds(0, 0, std::max(width(), 0), 0);
  return fm.boundingRect(bounds, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text()).size();
}

TButtonLayout TSpeedButton::EffectiveLayout() const {
  if (layoutDirection() != Qt::RightToLeft) return FLayout;
  switch (FLayout) {
    case TButtonLayout::blGlyphLeft: return TButtonLayout::blGlyphRight;
    case TButtonLayout::blGlyphRight: return TButtonLayout::blGlyphLeft;
    default: return FLayout;
  }
}

QPoint TSpeedButton::StateOffset() const { return (Pressed() || FDown) ? QPoint(1, 1) : QPoint(0, 0); }

TSpeedButton::TButtonPlacement TSpeedButton::CalcButtonLayout(QSize Glyph) const {
  const QRect client = rect();
  const QSize cs = client.size();
  const QSize ts = TextSize();
  const TButtonLayout layout = EffectiveLayout();
  const bool across = layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphRight;

  QPoint glyphPos, textPos;
  // Centred across the layout direction.
  if (across) {
    glyphPos.setY((cs.height() - Glyph.height() + 1) / 2);
    textPos.setY((cs.height() - ts.height() + 1) / 2);
  } else {
    glyphPos.setX((cs.width() - Glyph.width() + 1) / 2);
    textPos.setX((cs.width() - ts.width() + 1) / 2);
  }

  int spacing = FSpacing;
  int margin = FMargin;
  if (ts.width() == 0 || Glyph.width() == 0) spacing = 0;
  const int clientAlong = across ? cs.width() : cs.height();
  const int glyphAlong = across ? Glyph.width() : Glyph.height();
  const int textAlong = across ? ts.width() : ts.height();
  if (margin == -1) {
    if (spacing < 0) {
      margin = (clientAlong - (glyphAlong + textAlong)) / 3;
      spacing = margin;
    } else {
      margin = (clientAlong - (glyphAlong + spacing + textAlong)) / 2;
    }
  } else if (spacing < 0) {
    spacing = (clientAlong - (margin + glyphAlong) - textAlong) / 2;
  }

  switch (layout) {
    case TButtonLayout::blGlyphLeft:
      glyphPos.setX(margin);
      textPos.setX(glyphPos.x() + Glyph.width() + spacing);
      break;
    case TButtonLayout::blGlyphRight:
      glyphPos.setX(cs.width() - margin - Glyph.width());
      textPos.setX(glyphPos.x() - spacing - ts.width());
      break;
    case TButtonLayout::blGlyphTop:
      glyphPos.setY(margin);
      textPos.setY(glyphPos.y() + Glyph.height() + spacing);
      break;
    case TButtonLayout::blGlyphBottom:
      glyphPos.setY(cs.height() - margin - Glyph.height());
      textPos.setY(glyphPos.y() - spacing - ts.height());
      break;
  }

  const QPoint shift = StateOffset() + client.topLeft();
  return {QRect(glyphPos + shift, Glyph), QRect(textPos + shift, ts)};
}

QSize TSpeedButton::sizeHint() const {
  const QSize g = GlyphSize();
  const QFontMetrics fm(font());
  const QSize t = text().isEmpty() ? QSize(0, 0) : fm.size(0, text());
  const int gap = (g.width() > 0 && t.width() > 0) ? std::max(FSpacing, 0) : 0;
  return {g.width() + gap + t.width() + 8, std::max(g.height(), t.height()) + 6};
}

void TSpeedButton::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  Paint(canvas);
}

void TSpeedButton::enterEvent(QEnterEvent* Event) {
  QAbstractButton::enterEvent(Event);
  if (isEnabled() && !FMouseInControl) {
    FMouseInControl = true;
    update();
  }
}

void TSpeedButton::leaveEvent(QEvent* Event) {
  QAbstractButton::leaveEvent(Event);
  if (FMouseInControl) {
    FMouseInControl = false;
    update();
  }
}

void TSpeedButton::changeEvent(QEvent* Event) {
  QAbstractButton::changeEvent(Event);
  if (Event->type() == QEvent::EnabledChange && !isEnabled()) FMouseInControl = false;
}

void TSpeedButton::Paint(QPainter& Canvas) {
  DrawFrame(Canvas);
  const TButtonPlacement place = CalcButtonLayout(GlyphSize());
  DrawGlyph(Canvas, place.GlyphRect);
  DrawCaption(Canvas, place.TextRect);
}

void TSpeedButton::DrawFrame(QPainter& Canvas) const {
  const QPalette& pal = palette();
  const QRect r = rect();
  Canvas.fillRect(r, pal.color(QPalette::Active, QPalette::Button));
  const bool sunken = Pressed() || FDown;
  if (FFlat && !sunken && !(FMouseInControl && isEnabled())) return;

  const QColor light = pal.color(QPalette::Active, QPalette::Light);
  const QColor dark = pal.color(QPalette::Active, QPalette::Dark);
  const QColor topLeft = sunken ? dark : light;
  const QColor bottomRight = sunken ? light : dark;
  Canvas.setPen(topLeft);
  Canvas.drawLine(r.left(), r.top(), r.right(), r.top());
  Canvas.drawLine(r.left(), r.top(), r.left(), r.bottom());
  Canvas.setPen(bottomRight);
  Canvas.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  Canvas.drawLine(r.right(), r.top(), r.right(), r.bottom());
  if (!FFlat) {
    // A raised button also has a dark outer edge at the bottom and right.
    Canvas.setPen(pal.color(QPalette::Active, QPalette::Shadow));
    if (!sunken) {
      Canvas.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
      Canvas.drawLine(r.right(), r.top(), r.right(), r.bottom());
      Canvas.setPen(dark);
      Canvas.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
      Canvas.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    }
  }
}

void TSpeedButton::DrawGlyph(QPainter& Canvas, const QRect& Where) const {
  if (FGlyph.isNull() || Where.isEmpty()) return;
  // Glyph images side by side: up, disabled, clicked, down.
  int index = 0;
  if (!isEnabled()) {
    index = 1;
  } else if (Pressed()) {
    index = 2;
  } else if (FDown) {
    index = 3;
  }
  const bool embossed = index == 1 && FNumGlyphs < 2;
  if (index >= FNumGlyphs) index = 0;

  const QImage source = FGlyph.convertToFormat(QImage::Format_ARGB32);
  const QRgb clear = source.pixel(0, source.height() - 1);
  QImage part = source.copy(index * Where.width(), 0, Where.width(), Where.height());
  for (int y = 0; y < part.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(part.scanLine(y));
    for (int x = 0; x < part.width(); ++x) {
      if (line[x] == clear) line[x] = 0;
    }
  }
  if (!embossed) {
    Canvas.drawImage(Where.topLeft(), part);
    return;
  }
  // No disabled image of its own: an engraved silhouette of the up image.
  auto silhouette = [&part](QColor colour) {
    QImage s(part.size(), QImage::Format_ARGB32);
    for (int y = 0; y < part.height(); ++y) {
      for (int x = 0; x < part.width(); ++x) s.setPixel(x, y, qAlpha(part.pixel(x, y)) ? colour.rgb() : 0u);
    }
    return s;
  };
  Canvas.drawImage(Where.topLeft() + QPoint(1, 1), silhouette(palette().color(QPalette::Active, QPalette::Light)));
  Canvas.drawImage(Where.topLeft(), silhouette(palette().color(QPalette::Active, QPalette::Dark)));
}

void TSpeedButton::DrawCaption(QPainter& Canvas, const QRect& Where) const {
  if (text().isEmpty()) return;
  const int flags = Qt::AlignCenter | Qt::TextWordWrap;
  Canvas.setFont(font());
  if (isEnabled()) {
    Canvas.setPen(palette().color(QPalette::Active, QPalette::ButtonText));
    Canvas.drawText(Where, flags, text());
    return;
  }
  Canvas.setPen(palette().color(QPalette::Active, QPalette::Light));
  Canvas.drawText(Where.translated(1, 1), flags, text());
  Canvas.setPen(palette().color(QPalette::Active, QPalette::Dark));
  Canvas.drawText(Where, flags, text());
}
