#pragma once
#include <QImage>
#include <QRect>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>

#include "glyphs/PngImage.h"
#include "toolkit/speed_button.h"

enum class TPngOption : uint8_t { pngBlendOnDisabled = 0, pngGrayscaleOnDisabled = 1 };

// A set of TPngOption; each option is the bit of its number.
class TPngOptions {
 public:
  constexpr TPngOptions() = default;
  constexpr TPngOptions(std::initializer_list<TPngOption> Options) {
    for (TPngOption o : Options) FBits |= Bit(o);
  }
  static constexpr TPngOptions FromBits(uint8_t Bits) {
    TPngOptions s;
    s.FBits = Bits & 3;
    return s;
  }
  constexpr bool Contains(TPngOption O) const { return (FBits & Bit(O)) != 0; }
  constexpr uint8_t Bits() const { return FBits; }
  constexpr bool operator==(const TPngOptions&) const = default;

 private:
  static constexpr uint8_t Bit(TPngOption O) { return uint8_t(1u << uint8_t(O)); }
  uint8_t FBits = 0;
};

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
