#include "framework/picture/Graphics.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

#include "framework/picture/Picture.h"

namespace fw {

namespace {

// Size given when TextSize is 0 or less.
constexpr double kDefaultTextSize = 12.0;

// Pixels on a picture for size in unit: pictures are measured at 72 dots per
// inch, so a point is one pixel.
double PixelsFor(double size, FontUnits unit) {
  switch (unit) {
    case FontUnits::Inches:
      return size * 72.0;
    case FontUnits::Millimeters:
      return size * 72.0 / 25.4;
    case FontUnits::Default:
    case FontUnits::Pixels:
    case FontUnits::Points:
      break;
  }
  return size;
}

// The opacity of each pixel of an ARGB image as a mask's pixels: opaque is
// black, clear is white.
QImage ShapeOf(const QImage& argb) {
  QImage out(argb.size(), QImage::Format_RGB32);
  for (int y = 0; y < argb.height(); ++y) {
    const QRgb* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < argb.width(); ++x) {
      const int clear = 255 - qAlpha(src[x]);
      dst[x] = qRgb(clear, clear, clear);
    }
  }
  return out;
}

}  // namespace

Graphics::Graphics(Picture* owner) : owner_(owner) {}

int32_t Graphics::Width() const { return owner_ ? owner_->Width() : 0; }
int32_t Graphics::Height() const { return owner_ ? owner_->Height() : 0; }

QFont Graphics::MakeFont(bool condense) const {
  QFont font;
  if (textFont_ == "System") {
    font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  } else if (textFont_ == "Helvetica") {
    font.setFamilies({"Helvetica", "Nimbus Sans", "Liberation Sans", "Arial", "DejaVu Sans"});
    font.setStyleHint(QFont::SansSerif);
  } else {
    font.setFamily(QString::fromStdString(textFont_));
    font.setStyleHint(QFont::SansSerif);
  }
  const double px = PixelsFor(textSize_ > 0 ? textSize_ : kDefaultTextSize, textUnit_);
  // The painter turns points into pixels at the picture's own resolution.
  const double dpi =
      owner_ && owner_->Image().logicalDpiY() > 0 ? owner_->Image().logicalDpiY() : 72;
  font.setPointSizeF(px * 72.0 / dpi);
  font.setBold(bold_);
  if (condense) font.setStretch(QFont::Condensed);
  return font;
}

void Graphics::DrawString(const std::string& text, int32_t x, int32_t y, int32_t wrapWidth,
                          bool condense) {
  if (text.empty() || !owner_) return;
  // Fonts need the window system's font database; without it nothing is drawn.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  const QFont font = MakeFont(condense);

  QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  s.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
  s.replace(QLatin1Char('\r'), QChar::LineSeparator);
  s.replace(QLatin1Char('\n'), QChar::LineSeparator);

  QTextLayout layout(s, font);
  QTextOption option;
  option.setWrapMode(wrapWidth > 0 ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                   : QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  double top = 0;
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(wrapWidth > 0 ? wrapWidth : 1e6);
    line.setPosition(QPointF(0, top));
    top += line.height();
  }
  layout.endLayout();
  if (layout.lineCount() == 0) return;

  QPainter painter(&owner_->MutableImage());
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setPen(QColor(QRgb(0xFF000000u | foreColor_)));
  // (x, y) is the first line's baseline.
  layout.draw(&painter, QPointF(x, y - layout.lineAt(0).ascent()));
}

void Graphics::DrawPicture(const Ref<Picture>& pic, int32_t x, int32_t y, int32_t w, int32_t h,
                           int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
  const Picture& source = NonNil(pic);
  if (!owner_) return;
  if (sx == kNotGiven) sx = 0;
  if (sy == kNotGiven) sy = 0;
  if (sw == kNotGiven) sw = source.Width() - sx;
  if (sh == kNotGiven) sh = source.Height() - sy;
  if (w == kNotGiven) w = sw;
  if (h == kNotGiven) h = sh;
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
  // Taken before the painter starts, so drawing a picture into itself or into
  // its own mask reads the pixels as they were.
  QImage pixels = source.ImageWithMask();
  // Into a mask, a picture with transparency of its own draws its shape: each
  // pixel becomes at least as opaque as the picture is there, so drawing such
  // a picture into its own mask leaves the mask as it is. Any other picture
  // draws its pixels, whose darkness then tells the opacity (a picture drawn
  // into its own mask turns clear where it is light).
  const bool shape = owner_->IsMask() && source.HasOwnTransparency();
  if (shape) pixels = ShapeOf(pixels);
  QPainter painter(&owner_->MutableImage());
  painter.setRenderHint(QPainter::SmoothPixmapTransform, w != sw || h != sh);
  if (shape) painter.setCompositionMode(QPainter::CompositionMode_Darken);
  painter.drawImage(QRectF(x, y, w, h), pixels, QRectF(sx, sy, sw, sh));
}

}  // namespace fw
