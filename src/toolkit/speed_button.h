#pragma once
#include <QAbstractButton>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

class QPainter;

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A speed button: no focus, a bitmap glyph beside its caption, placed by Layout, Margin
// and Spacing. Flat buttons show a frame only while the pointer is over them, while
// pressed or while down. Glyph and caption move 1 pixel right and down while the button
// is pressed or down.
class TSpeedButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit TSpeedButton(QWidget* Owner = nullptr);

  QString Caption() const { return text(); }
  void SetCaption(const QString& Value);

  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout Value);
  int Margin() const { return FMargin; }          // -1 centres glyph and caption
  void SetMargin(int Value);
  int Spacing() const { return FSpacing; }        // -1 spreads the free space evenly
  void SetSpacing(int Value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  // The down flag: the button stays drawn pressed while it is set.
  bool Down() const { return FDown; }
  void SetDown(bool Value);
  // The mouse is held down on the button.
  bool Pressed() const { return isDown(); }
  bool MouseInControl() const { return FMouseInControl; }

  // The glyph bitmap holds NumGlyphs images side by side: up, disabled, clicked, down.
  // Pixels of the bottom-left pixel's colour are transparent.
  const QImage& Glyph() const { return FGlyph; }
  void SetGlyph(const QImage& Value);
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int Value);  // 1 to 4

  // Called once the stored layout has set the button's properties.
  virtual void Loaded();

  // Where glyph and caption go in the client rectangle; the glyph rectangle is empty
  // when there is no glyph, the text rectangle when there is no caption.
  struct TButtonPlacement {
    QRect GlyphRect;
    QRect TextRect;
  };
  TButtonPlacement CalcButtonLayout(QSize GlyphSize) const;
  QSize GlyphSize() const;
  // Caption size as the layout measures it: wrapped to the client width.
  QSize TextSize() const;
  // Glyph left and right swap meaning for right-to-left text.
  TButtonLayout EffectiveLayout() const;
  // The pressed-or-down offset, (1, 1) or (0, 0).
  QPoint StateOffset() const;

  QSize sizeHint() const override;

 protected:
  // Frame, glyph and caption. Derived buttons draw over what this leaves.
  virtual void Paint(QPainter& Canvas);

  void paintEvent(QPaintEvent* Event) override;
  void enterEvent(QEnterEvent* Event) override;
  void leaveEvent(QEvent* Event) override;
  void changeEvent(QEvent* Event) override;

 private:
  void DrawFrame(QPainter& Canvas) const;
  void DrawGlyph(QPainter& Canvas, const QRect& Where) const;
  void DrawCaption(QPainter& Canvas, const QRect& Where) const;

  TButtonLayout FLayout = TButtonLayout::blGlyphLeft;
  int FMargin = -1;
  int FSpacing = 4;
  bool FFlat = false;
  bool FDown = false;
  bool FMouseInControl = false;
  QImage FGlyph;
  int FNumGlyphs = 1;
};
