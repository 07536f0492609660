// Draws the four toolbar images as 8-bit RGBA PNG files with anti-aliased edges, and the
// application icon from the same art at any size.
// Usage: kestrilo-glyphgen <folder>   (writes add.png, remove.png, search.png, upload.png)
//        kestrilo-glyphgen --icon SIZE FILE
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Rgba {
  double R = 0, G = 0, B = 0, A = 0;  // straight colour, 0..1
};

struct Vec {
  double X, Y;
};

Rgba Hex(unsigned rgb, double a = 1.0) {
  return {((rgb >> 16) & 0xff) / 255.0, ((rgb >> 8) & 0xff) / 255.0, (rgb & 0xff) / 255.0, a};
}

Rgba Mix(const Rgba& a, const Rgba& b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t, a.A + (b.A - a.A) * t};
}

// Paints b over a (straight colours).
Rgba Over(const Rgba& below, const Rgba& above) {
  const double a = above.A + below.A * (1 - above.A);
  if (a <= 0) return {};
  auto ch = [&](double top, double bottom) { return (top * above.A + bottom * below.A * (1 - above.A)) / a; };
  return {ch(above.R, below.R), ch(above.G, below.G), ch(above.B, below.B), a};
}

// Signed distances: negative inside.
double RoundedBox(Vec p, Vec centre, Vec half, double radius) {
  const double dx = std::abs(p.X - centre.X) - (half.X - radius);
  const double dy = std::abs(p.Y - centre.Y) - (half.Y - radius);
  const double outside = std::hypot(std::max(dx, 0.0), std::max(dy, 0.0));
  return outside + std::min(std::max(dx, dy), 0.0) - radius;
}

double Capsule(Vec p, Vec a, Vec b, double radius) {
  const double px = p.X - a.X, py = p.Y - a.Y, bx = b.X - a.X, by = b.Y - a.Y;
  const double h = std::clamp((px * bx + py * by) / (bx * bx + by * by), 0.0, 1.0);
  return std::hypot(px - bx * h, py - by * h) - radius;
}

double Polygon(Vec p, const std::vector<Vec>& v) {
  double d = 1e9;
  bool inside = false;
  for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
    const double ex = v[j].X - v[i].X, ey = v[j].Y - v[i].Y;
    const double wx = p.X - v[i].X, wy = p.Y - v[i].Y;
    const double h = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0, 1.0);
    d = std::min(d, std::hypot(wx - ex * h, wy - ey * h));
    if (((v[i].Y > p.Y) != (v[j].Y > p.Y)) && (p.X < (v[j].X - v[i].X) * (p.Y - v[i].Y) / (v[j].Y - v[i].Y) + v[i].X))
      inside = !inside;
  }
  return inside ? -d : d;
}

// A filled shape with a darker rim and a top-to-bottom gradient.
Rgba Filled(double sd, double y, double top, double bottom, Rgba light, Rgba dark, Rgba rim) {
  if (sd > 0) return {};
  if (sd > -1.1) return rim;
  return Mix(light, dark, (y - top) / (bottom - top));
}

using Shader = std::function<Rgba(Vec)>;

Rgba ShadeAdd(Vec p) {
  const double sd = std::min(RoundedBox(p, {14, 14}, {11, 4}, 1.5), RoundedBox(p, {14, 14}, {4, 11}, 1.5));
  return Filled(sd, p.Y, 3, 25, Hex(0x7ee07e), Hex(0x23962e), Hex(0x17622a));
}

Rgba ShadeRemove(Vec p) {
  const double sd = RoundedBox(p, {14, 7}, {11, 4}, 1.5);
  return Filled(sd, p.Y, 3, 11, Hex(0xf47a7a), Hex(0xc41f1f), Hex(0x7f1414));
}

Rgba ShadeSearch(Vec p) {
  const Vec centre{11.5, 11.5};
  const double r = std::hypot(p.X - centre.X, p.Y - centre.Y);
  Rgba out;
  const double handle = Capsule(p, {18.5, 18.5}, {24.5, 24.5}, 2.6);
  if (handle <= 0) out = handle > -1.0 ? Hex(0x3b2412) : Mix(Hex(0xa0703f), Hex(0x6b4420), (p.X + p.Y - 36) / 14);
  if (r < 7.0) {
    // Glass: pale blue, see-through, with a highlight at the upper left.
    Rgba glass = Hex(0xb8e0ff, 0.45);
    const double spot = std::hypot(p.X - 9.0, p.Y - 8.5);
    if (spot < 2.6) glass = Mix(Hex(0xffffff, 0.9), glass, (spot - 1.2) / 1.4);
    out = Over(out, glass);
  }
  if (r >= 6.6 && r <= 9.4) {
    const double ring = std::abs(r - 8.0);
    out = Over(out, ring > 1.0 ? Hex(0x26323e) : Mix(Hex(0x7d93a8), Hex(0x3c4d5e), (p.Y - 3) / 17));
  }
  return out;
}

Rgba ShadeUpload(Vec p) {
  static const std::vector<Vec> arrow = {{14, 1.5}, {26, 14}, {19, 14}, {19, 26.5},
                                         {9, 26.5}, {9, 14}, {2, 14}};
  return Filled(Polygon(p, arrow), p.Y, 2, 26.5, Hex(0x7ee07e), Hex(0x23962e), Hex(0x17622a));
}

// The toolbar's upload arrow on a slate tile, in the toolbar's 28-unit space.
Rgba ShadeIcon(Vec p) {
  const double tile = RoundedBox(p, {14, 14}, {13.5, 13.5}, 4.5);
  const Rgba base = tile > 0 ? Rgba{} : Filled(tile, p.Y, 0.5, 27.5, Hex(0x4f6478), Hex(0x263340), Hex(0x18212a));
  constexpr double scale = 0.72;  // leaves a margin of tile around the arrow
  return Over(base, ShadeUpload({14 + (p.X - 14) / scale, 14 + (p.Y - 14) / scale}));
}

// Each pixel is the average of 8 x 8 samples, colours weighted by their alpha.
std::vector<unsigned char> Render(int w, int h, const Shader& shade) {
  constexpr int S = 8;
  std::vector<unsigned char> rgba(size_t(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < S; ++sy) {
        for (int sx = 0; sx < S; ++sx) {
          const Rgba c = shade({x + (sx + 0.5) / S, y + (sy + 0.5) / S});
          r += c.R * c.A;
          g += c.G * c.A;
          b += c.B * c.A;
          a += c.A;
        }
      }
      unsigned char* o = rgba.data() + (size_t(y) * w + x) * 4;
      const auto byte = [](double v) { return (unsigned char)std::lround(std::clamp(v, 0.0, 1.0) * 255.0); };
      o[0] = a > 0 ? byte(r / a) : 0;
      o[1] = a > 0 ? byte(g / a) : 0;
      o[2] = a > 0 ? byte(b / a) : 0;
      o[3] = byte(a / (S * S));
      if (o[3] == 0) o[0] = o[1] = o[2] = 0;
    }
  }
  return rgba;
}

bool WritePng(const std::string& path, int w, int h, const std::vector<unsigned char>& rgba) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_bytep> rows(h);
  for (int y = 0; y < h; ++y) rows[y] = const_cast<png_bytep>(rgba.data() + size_t(y) * w * 4);
  bool ok = png && info;
  if (ok && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
  } else {
    ok = false;
  }
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0 && ok;
}

int WriteIcon(const char* sizeText, const std::string& path) {
  const int size = std::atoi(sizeText);
  if (size < 8 || size > 1024) {
    std::fprintf(stderr, "icon size must be 8..1024, not %s\n", sizeText);
    return 2;
  }
  const double unit = 28.0 / size;
  const Shader scaled = [unit](Vec p) { return ShadeIcon({p.X * unit, p.Y * unit}); };
  if (!WritePng(path, size, size, Render(size, size, scaled))) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--icon") return WriteIcon(argv[2], argv[3]);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n       %s --icon SIZE FILE\n", argv[0], argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  struct Image {
    const char* name;
    int w, h;
    Shader shade;
  };
  const Image images[] = {
      {"add", 28, 28, ShadeAdd},
      {"remove", 28, 14, ShadeRemove},
      {"search", 28, 28, ShadeSearch},
      {"upload", 28, 28, ShadeUpload},
  };
  for (const Image& i : images) {
    const std::string path = dir + "/" + i.name + ".png";
    if (!WritePng(path, i.w, i.h, Render(i.w, i.h, i.shade))) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
