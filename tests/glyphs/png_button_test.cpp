// The glyph button as drawn: pixels of QWidget::grab under the offscreen platform.
#include <QFontMetrics>
#include <QImage>
#include <QPaintEvent>
#include <QtTest>

#include "glyphs/ToolbarImages.h"
#include "glyphs/mPngSpeedButton.h"
#include "test_png.h"

namespace {

constexpr QRgb Face = 0xffffffff;  // white face: a black pixel of alpha a shows as 255 - a

void Prepare(TSpeedButton& b, int w, int h, const QString& caption) {
  QPalette pal = b.palette();
  pal.setColor(QPalette::Button, QColor(Face));
  pal.setColor(QPalette::ButtonText, Qt::black);
  pal.setColor(QPalette::Light, Qt::white);
  pal.setColor(QPalette::Dark, QColor(128, 128, 128));
  b.setPalette(pal);
  QFont f = b.font();
  f.setPixelSize(11);
  b.setFont(f);
  b.SetFlat(true);
  b.SetCaption(caption);
  b.resize(w, h);
}

std::span<const uint8_t> Bytes(const std::vector<uint8_t>& v) { return v; }

QImage Grab(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Bounding box of the pixels of one colour.
QRect Find(const QImage& img, QRgb colour) {
  QRect r;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixel(x, y) == colour) r |= QRect(x, y, 1, 1);
  return r;
}

int TextWidth(const TSpeedButton& b) {
  return QFontMetrics(b.font()).boundingRect(QRect(0, 0, b.width(), 0), Qt::TextWordWrap, b.Caption()).width();
}

class PaintCounter : public QObject {
 public:
  int Count = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++Count;
    return false;
  }
};

// A window paints everything asked of it in one pass: once a paint of its Free corner has
// come, every paint asked before has come too.
bool PaintsDone(QWidget& Window, const QRect& Free) {
  PaintCounter probe;
  Window.installEventFilter(&probe);
  Window.update(Free);
  const bool done = QTest::qWaitFor([&] { return probe.Count > 0; }, 10000);
  Window.removeEventFilter(&probe);
  return done;
}

}  // namespace

class PngButtonTest : public QObject {
  Q_OBJECT
 private slots:
  void disabledFadesAlpha() {
    // A black row whose alpha values are 255, 1, 3 and 200.
    TTestPng p;
    p.Width = 4;
    for (uint16_t a : {255, 1, 3, 200}) p.Samples.insert(p.Samples.end(), {0, 0, 0, a});
    TmPngSpeedButton b;
    Prepare(b, 104, 37, "");
    b.SetPngImageData(Bytes(EncodeTestPng(p)));
    QCOMPARE(b.PngOptions(), TPngOptions{TPngOption::pngBlendOnDisabled});
    const QPoint at = b.ImageRect().topLeft();
    QCOMPARE(at, QPoint((104 - 4) / 2, (37 - 1 + 1) / 2));
    auto shown = [&](int x) { return 255 - qRed(Grab(b).pixel(at.x() + x, at.y())); };
    QCOMPARE(shown(0), 255);
    QCOMPARE(shown(1), 1);
    QCOMPARE(shown(2), 3);
    b.setEnabled(false);
    QCOMPARE(shown(0), 128);
    QCOMPARE(shown(1), 0);
    QCOMPARE(shown(2), 2);
    QCOMPARE(shown(3), 100);
    b.setEnabled(true);
    QCOMPARE(shown(0), 255);  // the button's own image is unchanged
  }

  void disabledGreysByColourType() {
    const QRgb magentaGrey = qRgb(105, 105, 105);  // 0.3 * 255 + 0.11 * 255 = 104.55
    TTestPng rgb;
    rgb.ColorType = 2;
    rgb.Width = rgb.Height = 6;
    for (int i = 0; i < 36; ++i) rgb.Samples.insert(rgb.Samples.end(), {255, 0, 255});
    TTestPng pal;
    pal.ColorType = 3;
    pal.Width = pal.Height = 6;
    pal.Samples.assign(36, 0);
    pal.Palette = {255, 0, 255};
    TTestPng rgba;
    rgba.Width = rgba.Height = 6;
    for (int i = 0; i < 36; ++i) rgba.Samples.insert(rgba.Samples.end(), {255, 0, 255, 255});
    for (const TTestPng* img : {&rgb, &pal, &rgba}) {
      TmPngSpeedButton b;
      Prepare(b, 60, 30, "");
      b.SetPngImageData(Bytes(EncodeTestPng(*img)));
      b.SetPngOptions({TPngOption::pngGrayscaleOnDisabled});
      const QRect r = b.ImageRect();
      QCOMPARE(Find(Grab(b), qRgb(255, 0, 255)), r);
      b.setEnabled(false);
      QCOMPARE(Find(Grab(b), magentaGrey), r);

      // Both options: faded first (alpha 127 or 128 over white), then grey.
      b.SetPngOptions({TPngOption::pngBlendOnDisabled, TPngOption::pngGrayscaleOnDisabled});
      const QRgb c = Grab(b).pixel(r.center());
      const int alpha = img == &rgba || img == &rgb ? 128 : 127;
      const int expect = (105 * alpha + 255 * (255 - alpha) + 127) / 255;
      QVERIFY2(qAbs(qRed(c) - expect) <= 1 && qRed(c) == qGreen(c) && qRed(c) == qBlue(c),
               qPrintable(QString::number(qRed(c))));
    }
  }

  void imagePositionWithTheToolbarsButtons() {
    const TPngImage add = ToolbarImage("add"), remove = ToolbarImage("remove");
    const std::vector<uint8_t> square = SolidRgbaPng(28, 28, 255, 0, 255, 255);
    const std::vector<uint8_t> bar = SolidRgbaPng(28, 14, 255, 0, 255, 255);
    QCOMPARE(add.Width(), 28u);
    QCOMPARE(remove.Height(), 14u);

    TmPngSpeedButton b;
    Prepare(b, 104, 37, "Add file(s)");
    b.SetPngImageData(Bytes(square));
    const int tw = TextWidth(b);
    QVERIFY(tw > 20);
    const QRect expected((104 - (28 + 4 + tw)) / 2, 5, 28, 28);
    QCOMPARE(b.ImageRect(), expected);
    QCOMPARE(Find(Grab(b), qRgb(255, 0, 255)), expected);

    b.SetPngImageData(Bytes(bar));
    QCOMPARE(Find(Grab(b), qRgb(255, 0, 255)), QRect(expected.x(), 12, 28, 14));

    // Right to left: glyph left means glyph right.
    b.SetPngImageData(Bytes(square));
    b.setLayoutDirection(Qt::RightToLeft);
    QCOMPARE(Find(Grab(b), qRgb(255, 0, 255)), QRect(104 - expected.x() - 28, 5, 28, 28));
    b.setLayoutDirection(Qt::LeftToRight);

    // Margin -1 with spacing -1: the free space in three.
    b.SetSpacing(-1);
    QCOMPARE(Find(Grab(b), qRgb(255, 0, 255)).topLeft(), QPoint((104 - (28 + tw)) / 3, 5));
    b.SetSpacing(4);
    b.SetMargin(3);
    QCOMPARE(Find(Grab(b), qRgb(255, 0, 255)).topLeft(), QPoint(3, 5));
    b.SetMargin(-1);

    // Glyph top and bottom, on a tall button.
    b.resize(80, 90);
    const int th = QFontMetrics(b.font()).boundingRect(QRect(0, 0, 80, 0), Qt::TextWordWrap, b.Caption()).height();
    const int margin = (90 - (28 + 4 + th)) / 2;
    b.SetLayout(TButtonLayout::blGlyphTop);
    QCOMPARE(Find(Grab(b), qRgb(255, 0, 255)), QRect((80 - 28 + 1) / 2, margin, 28, 28));
    b.SetLayout(TButtonLayout::blGlyphBottom);
    QCOMPARE(Find(Grab(b), qRgb(255, 0, 255)), QRect((80 - 28 + 1) / 2, 90 - margin - 28, 28, 28));
  }

  void pressedAndDownMoveTheImage() {
    TmPngSpeedButton b;
    Prepare(b, 104, 37, "Remove");
    b.SetPngImageData(Bytes(SolidRgbaPng(28, 14, 255, 0, 255, 255)));
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    const QRect up = Find(Grab(b), qRgb(255, 0, 255));
    QCOMPARE(up.top(), 12);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(b.Pressed());
    QCOMPARE(Find(Grab(b), qRgb(255, 0, 255)), up.translated(1, 1));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(Find(Grab(b), qRgb(255, 0, 255)), up);
    b.SetDown(true);
    QCOMPARE(Find(Grab(b), qRgb(255, 0, 255)), up.translated(1, 1));
  }

  void sameOptionsDoNotRepaint() {
    QWidget window;
    window.resize(144, 37);
    const QRect free(104, 0, 40, 37);
    TmPngSpeedButton b(&window);
    Prepare(b, 104, 37, "Search device");
    b.SetPngImage(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PaintCounter counter;
    b.installEventFilter(&counter);
    QVERIFY(PaintsDone(window, free));  // the first paints are over
    counter.Count = 0;
    b.SetPngOptions({TPngOption::pngBlendOnDisabled});
    QVERIFY(PaintsDone(window, free));
    QCOMPARE(counter.Count, 0);
    b.SetPngOptions({TPngOption::pngGrayscaleOnDisabled});
    QTRY_VERIFY_WITH_TIMEOUT(counter.Count > 0, 10000);
    QCOMPARE(b.PngOptions().Bits(), uint8_t(2));
  }

  void emptyImageDrawsTheCaptionLikeTheBase() {
    TmPngSpeedButton png;
    TSpeedButton plain;
    Prepare(png, 136, 37, "Upload to device");
    Prepare(plain, 136, 37, "Upload to device");
    png.SetPngImageData(Bytes(SolidRgbaPng(28, 28, 255, 0, 255, 255)));
    png.SetPngImage(nullptr);
    QVERIFY(png.PngImage().Empty());
    QVERIFY(png.ImageRect().isEmpty());
    const QImage a = Grab(png);
    QCOMPARE(a, Grab(plain));
    QVERIFY(Find(a, qRgb(0, 0, 0)).isValid());  // the caption is there
  }

  void captionKeepsClearOfTheImage() {
    TmPngSpeedButton b;
    Prepare(b, 136, 37, "Search device");
    b.SetPngImageData(Bytes(SolidRgbaPng(28, 28, 255, 0, 255, 255)));
    const QImage img = Grab(b);
    const QRect image = Find(img, qRgb(255, 0, 255));
    QRect text;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (qRed(img.pixel(x, y)) < 128 && qGreen(img.pixel(x, y)) < 128) text |= QRect(x, y, 1, 1);
    QVERIFY(text.isValid());
    QVERIFY2(text.left() > image.right(), qPrintable(QString("%1 %2").arg(text.left()).arg(image.right())));
    QCOMPARE(b.CalcButtonLayout(b.GlyphSize()).GlyphRect, image);  // the placeholder's space
  }

  void invalidDataKeepTheImage() {
    TmPngSpeedButton b;
    Prepare(b, 104, 37, "Add file(s)");
    const TPngImage add = ToolbarImage("add");
    b.SetPngImage(&add);
    const QRect before = b.ImageRect();
    std::vector<uint8_t> bad = SolidRgbaPng(10, 10, 1, 2, 3, 4);
    bad.resize(bad.size() - 5);
    QVERIFY_THROWS_EXCEPTION(EPngError, b.SetPngImageData(Bytes(bad)));
    QCOMPARE(b.PngImage().Data(), add.Data());
    QCOMPARE(b.ImageRect(), before);
    QCOMPARE(b.GlyphSize(), QSize(28, 28));
    QVERIFY_THROWS_EXCEPTION(EPngError, ToolbarImage("nothing"));
  }

  void gammaGoesForRgbPaletteAndRgba() {
    for (int type : {0, 2, 3, 4, 6}) {
      TTestPng p;
      p.ColorType = type;
      p.Samples.assign(TestChannels(type), 0);
      if (type == 3) p.Palette = {1, 2, 3};
      p.Gamma = 100000;
      TmPngSpeedButton b;
      b.SetPngImageData(Bytes(EncodeTestPng(p)));
      const bool kept = type == 0 || type == 4;
      QCOMPARE(b.PngImage().HasChunk("gAMA"), kept);
      QCOMPARE(b.PngImage().Bitmap().Gamma, kept ? 100000u : 0u);
    }
  }
};

QTEST_MAIN(PngButtonTest)
#include "png_button_test.moc"
