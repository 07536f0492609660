#pragma once
#include <QImage>
#include <QRect>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>

#include "glyphs/PngImage.h"
#include "toolkit/enum_set.h"
#include "toolkit/speed_button.h"

enum class TPngOption : uint8_t { pngBlendOnDisabled = 0, pngGrayscaleOnDisabled = 1 };

// A set of TPngOption; each option is the bit of its number.
using TPngOptions = TEnumSet<TPngOption>;

// A flat speed button that draws a PNG image with alpha beside its caption, faded or
// greyed while disabled. The base button lays out a placeholder glyph of the image's
// size, so the caption keeps clear of the image.
class TmPngSpeedButton : public TSpeedButton {
  Q_OBJECT
 public:
  explicit TmPngSpeedButton(QWidget* Owner = nullptr);
  ~TmPngSpeedButton() override;

  const TPngImage& PngImage() const { return *FPngImage; }
  // Copies the image (none: an empty image), drops the gamma of RGB, palette and RGBA
  // images, and lays the button out anew.
  void SetPngImage(const TPngImage* Value);
  // PngImage.Data: the bytes of a complete PNG file. Invalid data raise EPngError and the
  // button keeps the image it had.
  void SetPngImageData(std::span<const uint8_t> Bytes);

  TPngOptions PngOptions() const { return FPngOptions; }
  void SetPngOptions(TPngOptions Value);

  void Loaded() override;

  // Where the image is drawn in the current state; empty without an image.
  QRect ImageRect() const;
  // The image as it is drawn in the current state (the disabled rules applied while
  // disabled), with straight alpha.
  QImage DrawnImage() const;

 protected:
  void Paint(QPainter& Canvas) override;

 private:
  void CreatePngGlyph();
  void InvalidateImages();

  std::unique_ptr<TPngImage> FPngImage;
  TPngOptions FPngOptions{TPngOption::pngBlendOnDisabled};
  // Converted images, made on first paint after a change.
  mutable QImage FEnabledImage;
  mutable QImage FDisabledImage;
};
