// The speed button base: glyph states, flat frame and the placement of glyph and caption.
#include <QEnterEvent>
#include <QSignalSpy>
#include <QtTest>

#include "toolkit/speed_button.h"

namespace {

const QColor Face(255, 255, 255), Light(240, 240, 240), Dark(128, 128, 128), Shadow(0, 0, 0);
const QRgb Teal = qRgb(0, 128, 128), Red = qRgb(255, 0, 0), Blue = qRgb(0, 0, 255);

void Prepare(TSpeedButton& b, int w, int h, const QString& caption) {
  QPalette pal = b.palette();
  pal.setColor(QPalette::Button, Face);
  pal.setColor(QPalette::ButtonText, Qt::black);
  pal.setColor(QPalette::Light, Light);
  pal.setColor(QPalette::Dark, Dark);
  pal.setColor(QPalette::Shadow, Shadow);
  b.setPalette(pal);
  b.SetCaption(caption);
  b.resize(w, h);
}

QImage Grab(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

bool Has(const QImage& img, QRgb c) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixel(x, y) == c) return true;
  return false;
}

// Two 8 x 8 glyph images on a teal ground: a red square (up), a blue one (disabled).
QImage TwoStateGlyph() {
  QImage g(16, 8, QImage::Format_RGB32);
  g.fill(Teal);
  for (int y = 2; y < 6; ++y)
    for (int x = 2; x < 6; ++x) {
      g.setPixel(x, y, Red);
      g.setPixel(8 + x, y, Blue);
    }
  return g;
}

}  // namespace

class SpeedButtonTest : public QObject {
  Q_OBJECT
 private slots:
  void glyphStatesAndTransparency() {
    TSpeedButton b;
    Prepare(b, 40, 20, "");
    b.SetGlyph(TwoStateGlyph());
    b.SetNumGlyphs(2);
    QCOMPARE(b.GlyphSize(), QSize(8, 8));
    QImage img = Grab(b);
    QCOMPARE(img.pixel(16 + 2, 6 + 2), Red);  // glyph at ((40-8)/2, (20-8+1)/2)
    QVERIFY(!Has(img, Teal));
    QVERIFY(!Has(img, Blue));
    b.setEnabled(false);
    img = Grab(b);
    QCOMPARE(img.pixel(18, 8), Blue);
    QVERIFY(!Has(img, Red));

    // One image only: disabled draws it engraved.
    b.SetNumGlyphs(1);
    QCOMPARE(b.GlyphSize(), QSize(16, 8));
    img = Grab(b);
    QVERIFY(!Has(img, Red) && !Has(img, Blue) && !Has(img, Teal));
    QCOMPARE(QColor(img.pixel(12 + 2, 6 + 2)), Dark);
    QCOMPARE(QColor(img.pixel(12 + 6, 6 + 6)), Light);  // the highlight, one pixel down right
  }

  void flatFrameOnlyWhenHotPressedOrDown() {
    TSpeedButton b;
    Prepare(b, 30, 20, "x");
    b.SetFlat(true);
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    auto corners = [&] {
      const QImage img = Grab(b);
      return std::pair(QColor(img.pixel(0, 0)), QColor(img.pixel(29, 19)));
    };
    QEvent leave(QEvent::Leave);  // the offscreen pointer may start over the window
    QApplication::sendEvent(&b, &leave);
    QCOMPARE(corners(), std::pair(Face, Face));

    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(&b, &enter);
    QVERIFY(b.MouseInControl());
    QCOMPARE(corners(), std::pair(Light, Dark));  // raised
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(corners(), std::pair(Dark, Light));  // sunken
    QSignalSpy clicked(&b, &QAbstractButton::clicked);
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(clicked.count(), 1);
    QApplication::sendEvent(&b, &leave);
    QCOMPARE(corners(), std::pair(Face, Face));

    b.SetDown(true);
    QCOMPARE(corners(), std::pair(Dark, Light));
    b.SetDown(false);
    b.setEnabled(false);
    QApplication::sendEvent(&b, &enter);
    QCOMPARE(corners(), std::pair(Face, Face));  // a disabled button does not light up

    b.setEnabled(true);
    b.SetFlat(false);
    QCOMPARE(corners(), std::pair(Light, Shadow));  // a raised button always has its frame
    QCOMPARE(b.focusPolicy(), Qt::NoFocus);
  }

  void captionFollowsTheGlyph() {
    TSpeedButton b;
    Prepare(b, 120, 60, "Caption");
    const QSize g(20, 10);
    auto place = [&] { return b.CalcButtonLayout(g); };
    const QSize t = b.TextSize();
    QVERIFY(t.width() > 0 && t.height() > 0);

    TSpeedButton::TButtonPlacement p = place();
    QCOMPARE(p.TextRect.size(), t);
    QCOMPARE(p.GlyphRect.left(), (120 - (20 + 4 + t.width())) / 2);
    QCOMPARE(p.TextRect.left(), p.GlyphRect.right() + 1 + 4);
    QCOMPARE(p.TextRect.top(), (60 - t.height() + 1) / 2);

    b.SetLayout(TButtonLayout::blGlyphRight);
    p = place();
    QCOMPARE(p.TextRect.right() + 1 + 4, p.GlyphRect.left());
    QCOMPARE(120 - 1 - p.GlyphRect.right(), (120 - (20 + 4 + t.width())) / 2);

    b.SetLayout(TButtonLayout::blGlyphTop);
    p = place();
    QCOMPARE(p.TextRect.top(), p.GlyphRect.bottom() + 1 + 4);
    QCOMPARE(p.TextRect.left(), (120 - t.width() + 1) / 2);
    b.SetLayout(TButtonLayout::blGlyphBottom);
    p = place();
    QCOMPARE(p.TextRect.bottom() + 1 + 4, p.GlyphRect.top());

    // A fixed margin with spacing -1 centres the caption in the room left of it.
    b.SetLayout(TButtonLayout::blGlyphLeft);
    b.SetMargin(2);
    b.SetSpacing(-1);
    p = place();
    const int spacing = (120 - (2 + 20) - t.width()) / 2;
    QCOMPARE(p.GlyphRect.left(), 2);
    QCOMPARE(p.TextRect.left(), 2 + 20 + spacing);

    // No glyph: no spacing, the caption is centred.
    b.SetMargin(-1);
    b.SetSpacing(4);
    p = b.CalcButtonLayout(QSize(0, 0));
    QVERIFY(p.GlyphRect.isEmpty());
    QCOMPARE(p.TextRect.left(), (120 - t.width()) / 2);
  }
};

QTEST_MAIN(SpeedButtonTest)
#include "speed_button_test.moc"
