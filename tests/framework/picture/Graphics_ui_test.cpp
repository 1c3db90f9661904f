// Text drawing needs the window system's fonts, hence a ui test.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <atomic>
#include <chrono>
#include <thread>

#include "framework/picture/Graphics.h"
#include "framework/picture/MemoryBlock.h"
#include "framework/picture/Picture.h"
#include "framework/runtime/Thread.h"
#include "tests/support/Waiting.h"

namespace {

// The box of pixels that differ between two images of one size; empty when none.
QRect Ink(const QImage& before, const QImage& after) {
  QRect box;
  for (int y = 0; y < before.height(); ++y)
    for (int x = 0; x < before.width(); ++x)
      if (before.pixel(x, y) != after.pixel(x, y)) box |= QRect(x, y, 1, 1);
  return box;
}

int InkCount(const QImage& before, const QImage& after) {
  int n = 0;
  for (int y = 0; y < before.height(); ++y)
    for (int x = 0; x < before.width(); ++x) n += before.pixel(x, y) != after.pixel(x, y);
  return n;
}

// Draws text on a fresh white 200x80 picture with the worker's settings
// except those changed by set.
QImage Drawn(const std::string& text, int wrap = 0, void (*set)(fw::Graphics&) = nullptr) {
  fw::Picture pic(200, 80);
  auto g = pic.Graphics();
  g->SetForeColor(0x000000);
  g->SetBold(true);
  g->SetTextFont("Helvetica");
  g->SetTextUnit(fw::FontUnits::Points);
  g->SetTextSize(16.0);
  if (set) set(*g);
  g->DrawString(text, 5, 20, wrap, false);
  return pic.Image();
}

QImage White() {
  QImage img(200, 80, QImage::Format_RGB32);
  img.fill(Qt::white);
  return img;
}

// A decoded JPEG keeps its 24-bit pixels; the text is drawn into that very
// buffer, as on any other picture.
TEST(GraphicsText, DrawsIntoADecodedJpegInPlace) {
  QImage black(200, 80, QImage::Format_RGB32);
  black.fill(Qt::black);
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(black.save(&buffer, "jpeg", 100));
  auto pic = fw::Picture::FromData(fw::MemoryBlock(jpeg.toStdString()));
  ASSERT_TRUE(pic);
  const uchar* pixels = pic->Image().constBits();
  const QImage before = pic->Image().copy();
  auto g = pic->Graphics();
  g->SetForeColor(0xFFFFFF);
  g->SetBold(true);
  g->SetTextFont("Helvetica");
  g->SetTextUnit(fw::FontUnits::Points);
  g->SetTextSize(16.0);
  g->DrawString("HHHH", 5, 20, 0, false);
  EXPECT_EQ(pic->Image().constBits(), pixels);
  EXPECT_EQ(pic->Image().format(), QImage::Format_RGB888);
  const QRect ink = Ink(before, pic->Image());
  EXPECT_FALSE(ink.isEmpty());
  EXPECT_LE(ink.bottom(), 21);
  EXPECT_GE(ink.left(), 5);
}

TEST(GraphicsText, EmptyTextTouchesNoPixel) {
  QImage photo(120, 90, QImage::Format_RGB32);
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 120; ++x) photo.setPixel(x, y, qRgb(x * 2, y * 2, (x ^ y) & 0xFF));
  fw::Picture pic(photo);
  const QImage before = pic.Image().copy();
  auto g = pic.Graphics();
  g->SetForeColor(0xFFFFFF);
  g->SetBold(true);
  g->SetTextFont("Helvetica");
  g->SetTextUnit(uint8_t{2});
  g->SetTextSize(16.0);
  g->DrawString("", 5, 20, 0, false);
  EXPECT_EQ(pic.Image(), before);
}

TEST(GraphicsText, SitsOnTheBaselineRightOfThePoint) {
  const QRect box = Ink(White(), Drawn("HHHH"));
  ASSERT_FALSE(box.isEmpty());
  EXPECT_GE(box.left(), 4);
  EXPECT_LE(box.bottom(), 20);    // no descenders: nothing below the baseline
  EXPECT_GE(box.top(), 20 - 16);  // capitals are shorter than the size
  EXPECT_GE(box.height(), 8);
}

TEST(GraphicsText, DrawsInTheForeColor) {
  const QImage img = Drawn("HHHH", 0, [](fw::Graphics& g) { g.SetForeColor(0xFF0000); });
  bool red = false;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) red |= img.pixel(x, y) == qRgb(255, 0, 0);
  EXPECT_TRUE(red);
}

TEST(GraphicsText, BoldInksMore) {
  const int bold = InkCount(White(), Drawn("Hamburg"));
  const int plain =
      InkCount(White(), Drawn("Hamburg", 0, [](fw::Graphics& g) { g.SetBold(false); }));
  EXPECT_GT(bold, plain);
}

TEST(GraphicsText, WrapWidthBreaksLinesAndZeroDoesNot) {
  const QRect one = Ink(White(), Drawn("one two three four"));
  const QRect wrapped = Ink(White(), Drawn("one two three four", 50));
  EXPECT_GT(wrapped.height(), one.height() * 2);
  EXPECT_LT(wrapped.right(), one.right());
  EXPECT_LE(wrapped.right(), 5 + 50);
  const QRect lines = Ink(White(), Drawn("one\ntwo"));
  EXPECT_GT(lines.height(), one.height() * 3 / 2);
}

// Sizes that the unit table says are all 16 pixels on a picture.
struct UnitCase {
  const char* name;
  fw::FontUnits unit;
  double size;
};
void PrintTo(const UnitCase& c, std::ostream* os) { *os << c.name; }

class GraphicsTextUnit : public ::testing::TestWithParam<UnitCase> {};

TEST_P(GraphicsTextUnit, MatchesSixteenPixels) {
  static const QImage pixels = Drawn("Hamburg", 0, [](fw::Graphics& g) {
    g.SetTextUnit(fw::FontUnits::Pixels);
    g.SetTextSize(16);
  });
  fw::Picture pic(200, 80);
  auto g = pic.Graphics();
  g->SetForeColor(0x000000);
  g->SetBold(true);
  g->SetTextFont("Helvetica");
  g->SetTextUnit(GetParam().unit);
  g->SetTextSize(GetParam().size);
  g->DrawString("Hamburg", 5, 20, 0, false);
  EXPECT_EQ(Ink(pixels, pic.Image()), QRect());
}

INSTANTIATE_TEST_SUITE_P(Cases, GraphicsTextUnit,
                         ::testing::Values(UnitCase{"points", fw::FontUnits::Points, 16},
                                           UnitCase{"default", fw::FontUnits::Default, 16},
                                           UnitCase{"inches", fw::FontUnits::Inches, 16.0 / 72},
                                           UnitCase{"millimeters", fw::FontUnits::Millimeters,
                                                    16.0 * 25.4 / 72}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GraphicsText, LargerSizeInksTaller) {
  const QRect small = Ink(White(), Drawn("HHHH"));
  const QRect large = Ink(White(), Drawn("HHHH", 0, [](fw::Graphics& g) { g.SetTextSize(32); }));
  EXPECT_GT(large.height(), small.height() * 3 / 2);
}

TEST(GraphicsText, DrawsOnAWorkerThread) {
  auto pic = std::make_shared<fw::Picture>(200, 80);
  std::atomic<bool> done{false};
  auto worker = std::make_shared<fw::Thread>();
  worker->SetRunHandler([&](fw::Thread&) {
    pic->Graphics()->SetTextSize(16);
    pic->Graphics()->DrawString("HHHH", 5, 20, 0, false);
    done = true;
  });
  worker->Run();
  ASSERT_TRUE(testsupport::WaitUntil([&] { return done.load(); }));
  EXPECT_FALSE(Ink(White(), pic->Image()).isEmpty());
  // Qt keeps a font cache for each thread that draws text and frees it in the
  // thread's exit handlers, after its last step. Give those time to run, so
  // that a leak check at process end does not take the cache for a leak.
  EXPECT_TRUE(fw::Thread::WaitForAllThreadsToEnd(5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

}  // namespace
