#include "glyphs/mPngSpeedButton.h"

#include <QPainter>

#include "glyphs/PngDisabled.h"
#include "glyphs/PngPaint.h"

TmPngSpeedButton::TmPngSpeedButton(QWidget* Owner)
    : TSpeedButton(Owner), FPngImage(std::make_unique<TPngImage>()) {}

TmPngSpeedButton::~TmPngSpeedButton() = default;

void TmPngSpeedButton::SetPngImage(const TPngImage* Value) {
  auto image = Value ? std::make_unique<TPngImage>(*Value) : std::make_unique<TPngImage>();
  const TPngColorType type = image->ColorType();
  if (!image->Empty() && (type == TPngColorType::RGB || type == TPngColorType::Palette ||
                          type == TPngColorType::RGBAlpha)) {
    image->RemoveChunk("gAMA");
  }
  FPngImage = std::move(image);
  InvalidateImages();
  CreatePngGlyph();
  update();
}

void TmPngSpeedButton::SetPngImageData(std::span<const uint8_t> Bytes) {
  const TPngImage image(Bytes);  // raises before anything changes
  SetPngImage(&image);
}

void TmPngSpeedButton::SetPngOptions(TPngOptions Value) {
  if (FPngOptions == Value) return;
  FPngOptions = Value;
  InvalidateImages();
  CreatePngGlyph();
  update();
}

void TmPngSpeedButton::Loaded() {
  TSpeedButton::Loaded();
  CreatePngGlyph();
}

void TmPngSpeedButton::CreatePngGlyph() {
  const int w = int(FPngImage->Width());
  const int h = int(FPngImage->Height());
  QImage placeholder;
  if (w > 0 && h > 0) {
    placeholder = QImage(w, h, QImage::Format_RGB32);
    placeholder.fill(palette().color(QPalette::Active, QPalette::Button));
  }
  SetGlyph(placeholder);
  SetNumGlyphs(1);
}

void TmPngSpeedButton::InvalidateImages() {
  FEnabledImage = QImage();
  FDisabledImage = QImage();
}

QRect TmPngSpeedButton::ImageRect() const {
  if (FPngImage->Empty()) return {};
  const QSize size(int(FPngImage->Width()), int(FPngImage->Height()));
  return CalcButtonLayout(size).GlyphRect;
}

QImage TmPngSpeedButton::DrawnImage() const {
  if (FPngImage->Empty()) return {};
  if (isEnabled()) {
    if (FEnabledImage.isNull()) FEnabledImage = PngToQImage(FPngImage->Bitmap());
    return FEnabledImage;
  }
  if (FDisabledImage.isNull()) {
    TPngBitmap copy = FPngImage->Bitmap();
    if (FPngOptions.Contains(TPngOption::pngBlendOnDisabled)) MakeImageBlended(copy);
    if (FPngOptions.Contains(TPngOption::pngGrayscaleOnDisabled)) MakeImageGrayscale(copy);
    FDisabledImage = PngToQImage(copy);
  }
  return FDisabledImage;
}

void TmPngSpeedButton::Paint(QPainter& Canvas) {
  TSpeedButton::Paint(Canvas);
  if (FPngImage->Empty()) return;
  Canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
  Canvas.drawImage(ImageRect().topLeft(), DrawnImage());
}
