// The main window's toolbar: four glyph buttons with their images, faded while disabled.
#include <QFontMetrics>
#include <QtTest>

#include "main/frmMain.h"

class ToolbarTest : public QObject {
  Q_OBJECT
 private slots:
  void buttonsShowTheirImagesAndFade() {
    TForm1 Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    const struct {
      TmPngSpeedButton* Button;
      QSize Image;
    } Buttons[] = {{Form.btnAdd, {28, 28}}, {Form.btnRemove, {28, 14}}, {Form.btnSearch, {28, 28}},
                   {Form.btnUpload, {28, 28}}};
    for (const auto& B : Buttons) {
      QCOMPARE(B.Button->Flat(), true);
      QCOMPARE(B.Button->PngImage().ColorType(), TPngColorType::RGBAlpha);
      QCOMPARE(QSize(int(B.Button->PngImage().Width()), int(B.Button->PngImage().Height())), B.Image);
      const int tw = QFontMetrics(B.Button->font())
                         .boundingRect(QRect(0, 0, B.Button->width(), 0), Qt::TextWordWrap, B.Button->Caption())
                         .width();
      const QRect expected((B.Button->width() - (28 + 4 + tw)) / 2, (37 - B.Image.height() + 1) / 2,
                           B.Image.width(), B.Image.height());
      QCOMPARE(B.Button->ImageRect(), expected);
      QCOMPARE(B.Button->CalcButtonLayout(B.Button->GlyphSize()).GlyphRect, expected);
    }

    // The middle of the plus sign is opaque; disabled it is blended half over the face.
    TmPngSpeedButton* Add = Form.btnAdd;
    const QPoint Centre = Add->ImageRect().topLeft() + QPoint(14, 14);
    const QRgb Face = Add->palette().color(QPalette::Button).rgb();
    const QRgb Source = Add->DrawnImage().pixel(14, 14);
    QCOMPARE(qAlpha(Source), 255);
    QCOMPARE(Add->grab().toImage().pixel(Centre) & 0xffffff, Source & 0xffffff);
    for (const auto& B : Buttons) B.Button->setEnabled(false);
    const QRgb Shown = Add->grab().toImage().pixel(Centre);
    auto blend = [](int c, int f) { return (c * 128 + f * 127 + 127) / 255; };
    QVERIFY(qAbs(qGreen(Shown) - blend(qGreen(Source), qGreen(Face))) <= 1);
    QVERIFY(qAbs(qRed(Shown) - blend(qRed(Source), qRed(Face))) <= 1);
  }
};

QTEST_MAIN(ToolbarTest)
#include "toolbar_test.moc"
