// What the glyph buttons cost: decoding the toolbar images, making the disabled copy, and
// painting a toolbar button enabled and disabled. Prints microseconds per operation.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_glyphs_paint
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdio>
#include <functional>

#include "glyphs/PngDisabled.h"
#include "glyphs/ToolbarImages.h"
#include "glyphs/mPngSpeedButton.h"

namespace {
double MicrosPer(int n, const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) f();
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count() / n;
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const TPngImage add = ToolbarImage("add");
  const std::vector<uint8_t> data = add.Data();
  std::printf("decode 28x28 RGBA (%zu bytes): %.1f us\n", data.size(),
              MicrosPer(2000, [&] { TPngImage img(data); }));
  std::printf("disabled copy (fade + grey): %.1f us\n", MicrosPer(5000, [&] {
                TPngBitmap b = add.Bitmap();
                MakeImageBlended(b);
                MakeImageGrayscale(b);
              }));

  TmPngSpeedButton button;
  button.SetCaption("Add file(s)");
  button.SetFlat(true);
  button.resize(104, 37);
  button.SetPngImage(&add);
  QImage target(104, 37, QImage::Format_ARGB32_Premultiplied);
  std::printf("paint enabled: %.1f us\n", MicrosPer(2000, [&] { button.render(&target); }));
  button.setEnabled(false);
  std::printf("paint disabled: %.1f us\n", MicrosPer(2000, [&] { button.render(&target); }));
  std::printf("paint disabled after an options change: %.1f us\n", MicrosPer(500, [&] {
                button.SetPngOptions({TPngOption::pngGrayscaleOnDisabled});
                button.SetPngOptions({TPngOption::pngBlendOnDisabled});
                button.render(&target);
              }));
  return 0;
}
