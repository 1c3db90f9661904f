#include "framework/picture/Picture.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "framework/files/FolderItem.h"
#include "framework/picture/Graphics.h"
#include "framework/picture/MemoryBlock.h"
#include "tests/support/TempFolder.h"

namespace {

namespace stdfs = std::filesystem;

// Gradients with noise, so the JPEG coder has real work to do.
QImage PhotoLike(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  std::mt19937 rng(7);
  for (int y = 0; y < h; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < w; ++x) {
      int n = static_cast<int>(rng() % 32);
      row[x] = qRgb((x * 255 / w + n) % 256, (y * 255 / h + n) % 256, (x + y + n) % 256);
    }
  }
  return img;
}

std::string Encoded(const QImage& img, const char* format, int quality = 90) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  img.save(&buffer, format, quality);
  return bytes.toStdString();
}

std::string ReadFile(const stdfs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Sets the size fields of the first frame header of a JPEG.
std::string WithJpegSize(std::string jpeg, int w, int h) {
  for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
    auto m = static_cast<unsigned char>(jpeg[i + 1]);
    if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (m == 0xC0 || m == 0xC2)) {
      jpeg[i + 5] = static_cast<char>(h >> 8);
      jpeg[i + 6] = static_cast<char>(h & 0xFF);
      jpeg[i + 7] = static_cast<char>(w >> 8);
      jpeg[i + 8] = static_cast<char>(w & 0xFF);
      return jpeg;
    }
  }
  ADD_FAILURE() << "no frame header";
  return jpeg;
}

class InTempFolder : public ::testing::Test {
 protected:
  fw::Ref<fw::FolderItem> Item(const std::string& name) {
    return std::make_shared<fw::FolderItem>((dir_ / name).string());
  }
  size_t Entries() {
    return static_cast<size_t>(std::distance(stdfs::directory_iterator(dir_), {}));
  }
  testsupport::TempFolder temp_{"picture_test"};
  const stdfs::path dir_ = temp_.Path();
};

TEST(PictureDecode, DecodesAJpegAtItsSize) {
  QImage img(64, 48, QImage::Format_RGB32);
  img.fill(qRgb(200, 40, 40));
  auto pic = fw::Picture::FromData(fw::MemoryBlock(Encoded(img, "jpeg")));
  ASSERT_TRUE(pic);
  EXPECT_EQ(pic->Width(), 64);
  EXPECT_EQ(pic->Height(), 48);
  QRgb p = pic->Image().pixel(30, 20);
  EXPECT_NEAR(qRed(p), 200, 6);
  EXPECT_NEAR(qGreen(p), 40, 6);
  EXPECT_EQ(pic->Mask(false), nullptr);
}

TEST(PictureDecode, AdmitsATwelveMegapixelPhoto) {
  QImage img(4000, 3000, QImage::Format_RGB32);
  img.fill(qRgb(90, 120, 150));
  auto pic = fw::Picture::FromData(fw::MemoryBlock(Encoded(img, "jpeg")));
  ASSERT_TRUE(pic);
  EXPECT_EQ(pic->Width(), 4000);
}

TEST(PictureDecode, RefusesAnOversizedHeaderBeforeDecoding) {
  QImage img(16, 16, QImage::Format_RGB32);
  img.fill(Qt::gray);
  std::string forged = WithJpegSize(Encoded(img, "jpeg"), 30000, 30000);
  EXPECT_EQ(fw::Picture::FromData(fw::MemoryBlock(forged)), nullptr);
}

struct BadData {
  std::string name;
  std::string bytes;
};
void PrintTo(const BadData& c, std::ostream* os) { *os << c.name; }

class PictureUndecodable : public ::testing::TestWithParam<BadData> {};

TEST_P(PictureUndecodable, GivesNil) {
  EXPECT_EQ(fw::Picture::FromData(fw::MemoryBlock(GetParam().bytes)), nullptr);
}

std::vector<BadData> BadDataCases() {
  const std::string jpeg = Encoded(PhotoLike(200, 150), "jpeg");
  const std::string png = Encoded(PhotoLike(200, 150), "png");
  return {
      {"empty", ""},
      {"text", "<html><body>404 Not Found</body></html>"},
      {"binary noise", std::string("\x01\x02\xFF\x00\x7F garbage", 14)},
      {"jpeg cut in its data", jpeg.substr(0, jpeg.size() / 2)},
      {"jpeg without its end marker", jpeg.substr(0, jpeg.size() - 2)},
      {"jpeg headers only", jpeg.substr(0, 300)},
      {"jpeg start marker only", jpeg.substr(0, 3)},
      {"png cut in half", png.substr(0, png.size() / 2)},
  };
}

INSTANTIATE_TEST_SUITE_P(Cases, PictureUndecodable, ::testing::ValuesIn(BadDataCases()),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& c : n) if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

TEST(PictureDecode, AcceptsBytesAfterTheEndMarker) {
  std::string jpeg = Encoded(PhotoLike(40, 30), "jpeg") + "trailing bytes";
  EXPECT_TRUE(fw::Picture::FromData(fw::MemoryBlock(jpeg)));
}

TEST(PictureDecode, ProgressiveJpegIsWhole) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setProgressiveScanWrite(true);
  ASSERT_TRUE(writer.write(PhotoLike(120, 90)));
  EXPECT_TRUE(fw::Picture::FromData(fw::MemoryBlock(bytes.toStdString())));
  EXPECT_FALSE(fw::Picture::FromData(fw::MemoryBlock(bytes.left(bytes.size() * 2 / 3).toStdString())));
}

TEST(PictureGraphics, IsOneContextWhoseSettingsPersist) {
  fw::Picture pic(10, 10);
  pic.Graphics()->SetForeColor(0xFFFFFF);
  pic.Graphics()->SetBold(true);
  pic.Graphics()->SetTextFont("Helvetica");
  pic.Graphics()->SetTextUnit(uint8_t{2});
  pic.Graphics()->SetTextSize(16.0);
  auto g = pic.Graphics();
  EXPECT_EQ(g, pic.Graphics());
  EXPECT_EQ(g->ForeColor(), 0xFFFFFFu);
  EXPECT_TRUE(g->Bold());
  EXPECT_EQ(g->TextFont(), "Helvetica");
  EXPECT_EQ(g->TextUnit(), fw::FontUnits::Points);
  EXPECT_EQ(g->TextSize(), 16.0);
}

TEST(PictureGraphics, OutlivingItsPictureDrawsNothing) {
  auto pic = std::make_shared<fw::Picture>(10, 10);
  auto g = pic->Graphics();
  auto other = std::make_shared<fw::Picture>(4, 4);
  pic.reset();
  EXPECT_EQ(g->Width(), 0);
  g->DrawPicture(other, 0, 0);
  g->DrawString("text", 1, 8);
}

TEST(PictureMask, IsMadeOnceOnDemand) {
  fw::Picture pic(8, 6);
  EXPECT_EQ(pic.Mask(false), nullptr);
  auto mask = pic.Mask(true);
  ASSERT_TRUE(mask);
  EXPECT_EQ(mask->Width(), 8);
  EXPECT_EQ(mask->Height(), 6);
  EXPECT_EQ(mask->Image().pixel(3, 3), qRgb(0, 0, 0));  // opaque everywhere at first
  EXPECT_EQ(pic.Mask(true), mask);
  EXPECT_EQ(pic.Mask(false), mask);
  EXPECT_EQ(qAlpha(pic.ImageWithMask().pixel(3, 3)), 255);
}

// A picture drawn into its own mask: dark parts stay, light parts become clear.
TEST(PictureMask, DrawingAPictureIntoItsOwnMask) {
  auto pic = std::make_shared<fw::Picture>(10, 10);
  pic->MutableImage().fill(Qt::white);
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y < 10; ++y) pic->MutableImage().setPixel(x, y, qRgb(0, 0, 0));
  auto mask = pic->Mask(true);
  mask->Graphics()->DrawPicture(pic, 0, 0, fw::Graphics::kNotGiven, fw::Graphics::kNotGiven, 0, 0,
                                fw::Graphics::kNotGiven, fw::Graphics::kNotGiven);
  EXPECT_EQ(mask->Image().pixel(2, 5), qRgb(0, 0, 0));
  EXPECT_EQ(mask->Image().pixel(7, 5), qRgb(255, 255, 255));
  QImage shown = pic->ImageWithMask();
  EXPECT_EQ(qAlpha(shown.pixel(2, 5)), 255);
  EXPECT_EQ(qAlpha(shown.pixel(7, 5)), 0);
}

TEST(PictureMask, TransparencyOfADecodedPictureBecomesItsMask) {
  QImage img(4, 2, QImage::Format_ARGB32);
  img.fill(qRgba(0, 0, 255, 255));
  img.setPixel(0, 0, qRgba(0, 0, 0, 0));
  img.setPixel(2, 0, qRgba(200, 40, 10, 100));
  auto pic = fw::Picture::FromData(fw::MemoryBlock(Encoded(img, "png")));
  ASSERT_TRUE(pic);
  ASSERT_TRUE(pic->Mask(false));
  EXPECT_TRUE(pic->HasOwnTransparency());
  EXPECT_TRUE(pic->Mask(false)->IsMask());
  EXPECT_EQ(pic->Image().pixel(0, 0), qRgb(255, 255, 255));  // shows nothing: white
  EXPECT_EQ(pic->Image().pixel(2, 0), qRgb(200, 40, 10)) << "a translucent pixel keeps its colour";
  EXPECT_EQ(pic->Mask(false)->Image().pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(pic->Mask(false)->Image().pixel(2, 0), qRgb(155, 155, 155));
  EXPECT_EQ(pic->Mask(false)->Image().pixel(1, 0), qRgb(0, 0, 0));

  fw::Picture opaque(2, 2);
  EXPECT_FALSE(opaque.HasOwnTransparency());
  EXPECT_FALSE(opaque.IsMask());
  EXPECT_TRUE(opaque.Mask(true)->IsMask());
}

// A picture with transparency of its own, drawn into its own mask, keeps the
// mask it came with: shown on a colour it looks like its file drawn there,
// with no pale rim at its soft edges.
TEST(PictureMask, DrawnIntoItsOwnMaskAPictureWithTransparencyKeepsIt) {
  QImage img(6, 1, QImage::Format_ARGB32);
  const QRgb pixels[6] = {qRgba(0, 0, 0, 0),       qRgba(27, 99, 213, 40), qRgba(27, 99, 213, 128),
                          qRgba(27, 99, 213, 230), qRgba(27, 99, 213, 255), qRgba(250, 250, 250, 255)};
  for (int x = 0; x < 6; ++x) img.setPixel(x, 0, pixels[x]);
  auto pic = fw::Picture::FromData(fw::MemoryBlock(Encoded(img, "png")));
  ASSERT_TRUE(pic);
  const QImage before = pic->Mask(false)->Image();
  for (int i = 0; i < 2; ++i)
    pic->Mask(true)->Graphics()->DrawPicture(pic, 0, 0);
  EXPECT_EQ(pic->Mask(false)->Image(), before);

  QImage shown(6, 1, QImage::Format_RGB32), expected(6, 1, QImage::Format_RGB32);
  shown.fill(QColor(0x3C, 0x3C, 0x3C));
  expected.fill(QColor(0x3C, 0x3C, 0x3C));
  QPainter(&shown).drawImage(0, 0, pic->ImageWithMask());
  QPainter(&expected).drawImage(0, 0, img);
  for (int x = 0; x < 6; ++x) {
    SCOPED_TRACE(x);
    EXPECT_NEAR(qRed(shown.pixel(x, 0)), qRed(expected.pixel(x, 0)), 1);
    EXPECT_NEAR(qGreen(shown.pixel(x, 0)), qGreen(expected.pixel(x, 0)), 1);
    EXPECT_NEAR(qBlue(shown.pixel(x, 0)), qBlue(expected.pixel(x, 0)), 1);
  }
}

// Into another mask it draws its shape: the mask gets at least its opacity.
TEST(PictureMask, APictureWithTransparencyDrawsItsShapeIntoAMask) {
  QImage img(3, 1, QImage::Format_ARGB32);
  img.setPixel(0, 0, qRgba(255, 255, 255, 255));  // white, yet opaque
  img.setPixel(1, 0, qRgba(0, 0, 0, 0));
  img.setPixel(2, 0, qRgba(0, 0, 0, 128));
  auto shape = fw::Picture::FromData(fw::MemoryBlock(Encoded(img, "png")));
  ASSERT_TRUE(shape);
  fw::Picture target(3, 1);
  auto mask = target.Mask(true);
  mask->MutableImage().fill(qRgb(200, 200, 200));
  mask->Graphics()->DrawPicture(shape, 0, 0);
  EXPECT_EQ(mask->Image().pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(mask->Image().pixel(1, 0), qRgb(200, 200, 200));
  EXPECT_EQ(mask->Image().pixel(2, 0), qRgb(127, 127, 127));
}

// Where the source and destination land: the source has four coloured
// quadrants of 4x4 pixels each.
struct DrawCase {
  std::string name;
  int x, y, w, h, sx, sy, sw, sh;
  QPoint probe;     // a destination pixel
  QRgb expected;    // its colour afterwards
};
void PrintTo(const DrawCase& c, std::ostream* os) { *os << c.name; }

class PictureDrawPicture : public ::testing::TestWithParam<DrawCase> {};

TEST_P(PictureDrawPicture, PlacesTheSourcePart) {
  auto src = std::make_shared<fw::Picture>(8, 8);
  QImage& s = src->MutableImage();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      s.setPixel(x, y, x < 4 ? (y < 4 ? qRgb(255, 0, 0) : qRgb(0, 255, 0))
                             : (y < 4 ? qRgb(0, 0, 255) : qRgb(255, 255, 0)));
  fw::Picture dest(20, 20);
  const DrawCase& c = GetParam();
  dest.Graphics()->DrawPicture(src, c.x, c.y, c.w, c.h, c.sx, c.sy, c.sw, c.sh);
  EXPECT_EQ(dest.Image().pixel(c.probe), c.expected);
}

constexpr int kN = fw::Graphics::kNotGiven;
INSTANTIATE_TEST_SUITE_P(
    Cases, PictureDrawPicture,
    ::testing::Values(
        DrawCase{"whole_at_own_size_last_pixel", 2, 3, kN, kN, kN, kN, kN, kN, {9, 10},
                 qRgb(255, 255, 0)},
        DrawCase{"whole_at_own_size_ends_there", 2, 3, kN, kN, kN, kN, kN, kN, {10, 11},
                 qRgb(255, 255, 255)},
        DrawCase{"part_at_its_own_size", 0, 0, kN, kN, 4, 0, 4, 4, {3, 3}, qRgb(0, 0, 255)},
        DrawCase{"part_ends_at_its_size", 0, 0, kN, kN, 4, 0, 4, 4, {4, 0},
                 qRgb(255, 255, 255)},
        DrawCase{"rest_of_picture_from_source_point", 0, 0, kN, kN, 4, 4, kN, kN, {3, 3},
                 qRgb(255, 255, 0)},
        DrawCase{"part_scaled_up", 0, 0, 16, 16, 0, 4, 4, 4, {15, 15}, qRgb(0, 255, 0)}),
    [](const auto& info) { return info.param.name; });

TEST(PictureDrawPictureMask, LightMaskPartsLeaveTheDestination) {
  auto src = std::make_shared<fw::Picture>(4, 1);
  src->MutableImage().fill(qRgb(0, 0, 255));
  auto mask = src->Mask(true);
  mask->MutableImage().setPixel(3, 0, qRgb(255, 255, 255));
  fw::Picture dest(4, 1);
  dest.MutableImage().fill(qRgb(255, 0, 0));
  dest.Graphics()->DrawPicture(src, 0, 0);
  EXPECT_EQ(dest.Image().pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(dest.Image().pixel(3, 0), qRgb(255, 0, 0));
}

TEST(PictureDrawPictureMask, NilPictureRaises) {
  fw::Picture dest(4, 4);
  EXPECT_THROW(dest.Graphics()->DrawPicture(nullptr, 0, 0), fw::NilObjectException);
}

using PictureSave = InTempFolder;

TEST_F(PictureSave, WritesAJpegThatDecodesBack) {
  auto pic = fw::Picture::FromData(fw::MemoryBlock(Encoded(PhotoLike(320, 200), "jpeg")));
  ASSERT_TRUE(pic);
  ASSERT_TRUE(pic->Save(Item("out.jpg"), fw::Picture::kFormatJPEG, 100));
  const std::string bytes = ReadFile(dir_ / "out.jpg");
  ASSERT_GT(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");
  QImage back = QImage::fromData(QByteArray::fromStdString(bytes), "jpeg");
  EXPECT_EQ(back.size(), QSize(320, 200));
  const QRgb a = back.pixel(100, 100), b = pic->Image().pixel(100, 100);
  EXPECT_NEAR(qRed(a), qRed(b), 4);
  EXPECT_NEAR(qBlue(a), qBlue(b), 4);
  EXPECT_EQ(Entries(), 1u);  // nothing beside it
}

TEST_F(PictureSave, NeverReplacesAnExistingFile) {
  { std::ofstream(dir_ / "out.jpg") << "keep me"; }
  fw::Picture pic(20, 20);
  EXPECT_FALSE(pic.Save(Item("out.jpg"), fw::Picture::kFormatJPEG, 100));
  EXPECT_EQ(ReadFile(dir_ / "out.jpg"), "keep me");
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(PictureSave, IntoAMissingFolderFailsAndLeavesNothing) {
  fw::Picture pic(20, 20);
  EXPECT_FALSE(pic.Save(Item("missing")->Child("out.jpg"), fw::Picture::kFormatJPEG, 100));
  EXPECT_EQ(Entries(), 0u);
}

TEST_F(PictureSave, UnknownFormatWritesNothing) {
  fw::Picture pic(20, 20);
  EXPECT_EQ(pic.Encode(12345, 100), "");
  EXPECT_FALSE(pic.Save(Item("out.jpg"), 12345, 100));
  EXPECT_EQ(Entries(), 0u);
}

TEST_F(PictureSave, NilTargetRaises) {
  fw::Picture pic(20, 20);
  try {
    pic.Save(nullptr, fw::Picture::kFormatJPEG, 100);
    FAIL() << "no exception";
  } catch (const fw::NilObjectException& e) {
    EXPECT_EQ(e.Message(), "The folder item passed cannot be nil");
  }
}

TEST(PictureEncode, QualityShowsInTheSize) {
  fw::Picture pic(QImage(PhotoLike(200, 200)));
  const std::string low = pic.Encode(fw::Picture::kFormatJPEG, 10);
  const std::string high = pic.Encode(fw::Picture::kFormatJPEG, 100);
  ASSERT_FALSE(low.empty());
  EXPECT_LT(low.size() * 2, high.size());
  EXPECT_TRUE(fw::Picture::FromData(fw::MemoryBlock(high)));
}

}  // namespace
