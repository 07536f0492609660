// The committed toolbar images are what the generator draws, and are what the toolbar needs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "glyphs/PngImage.h"

namespace fs = std::filesystem;

namespace {
TPngImage Load(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  return TPngImage(bytes);
}
}  // namespace

TEST(Glyphgen, RemakesTheCommittedImages) {
  const fs::path out = fs::temp_directory_path() / ("kestrilo-glyphgen-" + std::to_string(::getpid()));
  fs::create_directories(out);
  const std::string cmd = std::string("'") + KESTRILO_GLYPHGEN + "' '" + out.string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);

  const struct {
    const char* name;
    uint32_t w, h;
  } images[] = {{"add", 28, 28}, {"remove", 28, 14}, {"search", 28, 28}, {"upload", 28, 28}};
  for (const auto& i : images) {
    SCOPED_TRACE(i.name);
    const TPngImage made = Load(out / (std::string(i.name) + ".png"));
    const TPngImage committed = Load(fs::path(KESTRILO_GLYPH_DIR) / (std::string(i.name) + ".png"));
    EXPECT_EQ(made.Bitmap().Pixels, committed.Bitmap().Pixels);
    EXPECT_EQ(committed.Width(), i.w);
    EXPECT_EQ(committed.Height(), i.h);
    EXPECT_EQ(committed.ColorType(), TPngColorType::RGBAlpha);
    EXPECT_EQ(committed.BitDepth(), 8);
    EXPECT_FALSE(committed.HasChunk("gAMA"));
    // Anti-aliased: edges hold partial alpha, and the corners are clear.
    int partial = 0;
    const TPngBitmap& b = committed.Bitmap();
    for (uint32_t y = 0; y < b.Height; ++y)
      for (uint32_t x = 0; x < b.Width; ++x) partial += b.PixelRgba(x, y).A > 0 && b.PixelRgba(x, y).A < 255;
    EXPECT_GT(partial, 10);
    EXPECT_EQ(b.PixelRgba(0, 0).A, 0);
  }
  fs::remove_all(out);
}
