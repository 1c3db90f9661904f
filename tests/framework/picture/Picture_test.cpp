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

// A GIF of img's pixels in one picture, grey levels of its red channel in a
// 256-entry table. The picture's codes are written plainly, 9 bits each, with
// a clear code often enough that the code width never grows. trailer adds the
// closing byte.
std::string Gif(const QImage& img, bool trailer = true) {
  const int w = img.width(), h = img.height();
  std::string g = "GIF89a";
  auto put16 = [&](int v) {
    g += char(v & 0xFF);
    g += char(v >> 8);
  };
  put16(w);
  put16(h);
  g += char(0xF7);  // a global table of 256 entries
  g += '\0';
  g += '\0';
  for (int i = 0; i < 256; ++i) g += std::string(3, char(i));
  g += ',';
  put16(0);
  put16(0);
  put16(w);
  put16(h);
  g += '\0';
  g += char(8);  // code size
  std::string data;
  uint32_t acc = 0;
  int bits = 0;
  auto code = [&](int c) {
    acc |= uint32_t(c) << bits;
    bits += 9;
    while (bits >= 8) {
      data += char(acc & 0xFF);
      acc >>= 8;
      bits -= 8;
    }
  };
  int sinceClear = 0;
  code(256);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (sinceClear == 250) {
        code(256);
        sinceClear = 0;
      }
      code(qRed(img.pixel(x, y)));
      ++sinceClear;
    }
  code(257);
  if (bits > 0) data += char(acc & 0xFF);
  for (size_t i = 0; i < data.size(); i += 255) {
    const size_t n = std::min<size_t>(255, data.size() - i);
    g += char(n);
    g += data.substr(i, n);
  }
  g += '\0';
  if (trailer) g += ';';
  return g;
}

// A JPEG with an EXIF block whose orientation tag is orientation.
std::string WithExifOrientation(const std::string& jpeg, int orientation) {
  std::string tiff = std::string("MM\0\x2A\0\0\0\x08", 8) + std::string("\0\x01", 2) +
                     std::string("\x01\x12\0\x03\0\0\0\x01", 8) + char(0) + char(orientation) +
                     std::string(2, '\0') + std::string(4, '\0');
  std::string body = std::string("Exif\0\0", 6) + tiff;
  const size_t len = body.size() + 2;
  return jpeg.substr(0, 2) + "\xFF\xE1" + char(len >> 8) + char(len & 0xFF) + body + jpeg.substr(2);
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
  const std::string gif = Gif(PhotoLike(200, 150));
  const std::string bmp = Encoded(PhotoLike(200, 150), "bmp");
  return {
      {"empty", ""},
      {"text", "<html><body>404 Not Found</body></html>"},
      {"binary noise", std::string("\x01\x02\xFF\x00\x7F garbage", 14)},
      {"jpeg cut in its data", jpeg.substr(0, jpeg.size() / 2)},
      {"jpeg cut near its end", jpeg.substr(0, jpeg.size() - 40)},
      {"jpeg cut after its first scan byte", jpeg.substr(0, jpeg.find("\xFF\xDA") + 20)},
      {"jpeg headers only", jpeg.substr(0, 300)},
      {"jpeg start marker only", jpeg.substr(0, 3)},
      {"png cut in half", png.substr(0, png.size() / 2)},
      {"png cut before its last data", png.substr(0, png.size() - 20)},
      {"gif cut in its data", gif.substr(0, gif.size() / 2)},
      {"gif cut before its end block", gif.substr(0, gif.size() - 2)},
      {"gif header only", gif.substr(0, 20)},
      {"bmp cut in its rows", bmp.substr(0, bmp.size() / 2)},
      {"bmp missing its last byte", bmp.substr(0, bmp.size() - 1)},
  };
}

INSTANTIATE_TEST_SUITE_P(Cases, PictureUndecodable, ::testing::ValuesIn(BadDataCases()),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& c : n)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

// Data that holds the whole picture decodes to the same pixels as the
// reference, however its ending looks.
struct WholeData {
  std::string name;
  std::string bytes;
  std::string reference;  // decodes to the expected pixels
};
void PrintTo(const WholeData& c, std::ostream* os) { *os << c.name; }

class PictureWhole : public ::testing::TestWithParam<WholeData> {};

TEST_P(PictureWhole, DecodesToAllItsPixels) {
  auto pic = fw::Picture::FromData(fw::MemoryBlock(GetParam().bytes));
  auto ref = fw::Picture::FromData(fw::MemoryBlock(GetParam().reference));
  ASSERT_TRUE(pic);
  ASSERT_TRUE(ref);
  ASSERT_EQ(pic->Image().size(), ref->Image().size());
  EXPECT_EQ(pic->Image().convertToFormat(QImage::Format_RGB32),
            ref->Image().convertToFormat(QImage::Format_RGB32));
}

std::vector<WholeData> WholeDataCases() {
  const std::string jpeg = Encoded(PhotoLike(200, 150), "jpeg");
  QByteArray progressive;
  {
    QBuffer buffer(&progressive);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.write(PhotoLike(120, 90));
  }
  const std::string prog = progressive.toStdString();
  const std::string gif = Gif(PhotoLike(60, 40));
  // Stray bytes before a marker are skipped by the decoder, with a warning.
  const size_t dqt = jpeg.find("\xFF\xDB");
  const std::string stray = jpeg.substr(0, dqt) + "\x01\x02\x03" + jpeg.substr(dqt);
  return {
      {"jpeg as written", jpeg, jpeg},
      {"jpeg without its end marker", jpeg.substr(0, jpeg.size() - 2), jpeg},
      {"jpeg with bytes after its end marker", jpeg + "trailing bytes", jpeg},
      {"jpeg with stray bytes between segments", stray, jpeg},
      {"progressive jpeg without its end marker", prog.substr(0, prog.size() - 2), prog},
      {"gif without its trailer", Gif(PhotoLike(60, 40), false), gif},
      {"png without its closing checksum",
       Encoded(PhotoLike(50, 30), "png").substr(0, Encoded(PhotoLike(50, 30), "png").size() - 4),
       Encoded(PhotoLike(50, 30), "png")},
  };
}

INSTANTIATE_TEST_SUITE_P(Cases, PictureWhole, ::testing::ValuesIn(WholeDataCases()),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& c : n)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

TEST(PictureDecode, GifTakesItsGreyLevels) {
  QImage img(8, 4, QImage::Format_RGB32);
  img.fill(qRgb(40, 0, 0));
  img.setPixel(7, 3, qRgb(200, 0, 0));
  auto pic = fw::Picture::FromData(fw::MemoryBlock(Gif(img)));
  ASSERT_TRUE(pic);
  EXPECT_EQ(pic->Image().pixel(0, 0), qRgb(40, 40, 40));
  EXPECT_EQ(pic->Image().pixel(7, 3), qRgb(200, 200, 200));
}

// The decoder is used from picture to picture; a damaged one leaves nothing behind.
TEST(PictureDecode, DamagedJpegDoesNotSpoilTheNext) {
  const std::string jpeg = Encoded(PhotoLike(30, 20), "jpeg");
  for (const size_t cut : {jpeg.size() / 2, size_t{40}, jpeg.size() - 3}) {
    EXPECT_FALSE(fw::Picture::FromData(fw::MemoryBlock(jpeg.substr(0, cut)))) << cut;
    EXPECT_TRUE(fw::Picture::FromData(fw::MemoryBlock(jpeg.substr(0, jpeg.size() - 2)))) << cut;
    EXPECT_TRUE(fw::Picture::FromData(fw::MemoryBlock(jpeg))) << cut;
  }
}

// The EXIF orientation is applied, as the image readers do.
TEST(PictureDecode, JpegIsTurnedUprightByItsOrientation) {
  QImage img(40, 20, QImage::Format_RGB32);
  img.fill(qRgb(0, 0, 0));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) img.setPixel(x, y, qRgb(255, 255, 255));  // top left
  const std::string jpeg = Encoded(img, "jpeg", 100);
  auto upright = fw::Picture::FromData(fw::MemoryBlock(WithExifOrientation(jpeg, 1)));
  ASSERT_TRUE(upright);
  EXPECT_EQ(upright->Width(), 40);
  EXPECT_GT(qRed(upright->Image().pixel(2, 2)), 200);
  // 6: the stored picture is to be turned a quarter clockwise; top left goes top right.
  auto turned = fw::Picture::FromData(fw::MemoryBlock(WithExifOrientation(jpeg, 6)));
  ASSERT_TRUE(turned);
  EXPECT_EQ(turned->Width(), 20);
  EXPECT_EQ(turned->Height(), 40);
  EXPECT_GT(qRed(turned->Image().pixel(17, 2)), 200);
  EXPECT_LT(qRed(turned->Image().pixel(2, 2)), 50);
  // 3: half a turn; top left goes bottom right.
  auto half = fw::Picture::FromData(fw::MemoryBlock(WithExifOrientation(jpeg, 3)));
  ASSERT_TRUE(half);
  EXPECT_GT(qRed(half->Image().pixel(37, 17)), 200);
}

// A picture's pixel buffer serves the next picture once it is released, so
// saving one picture after another does not ask the system for fresh memory
// each time.
TEST(PictureDecode, PixelBufferIsReusedForTheNextPicture) {
  const std::string jpeg = Encoded(PhotoLike(640, 480), "jpeg");
  auto first = fw::Picture::FromData(fw::MemoryBlock(jpeg));
  ASSERT_TRUE(first);
  const uchar* memory = first->Image().constBits();
  const QImage firstPixels = first->Image().copy();
  first.reset();
  auto second = fw::Picture::FromData(fw::MemoryBlock(Encoded(PhotoLike(600, 400), "jpeg")));
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Image().constBits(), memory);
  second.reset();
  auto third = fw::Picture::FromData(fw::MemoryBlock(jpeg));
  ASSERT_TRUE(third);
  EXPECT_EQ(third->Image(), firstPixels);  // nothing of the second one left
}

// Encoding the decoded pixels gives the same bytes whichever layout they are in.
TEST(PictureEncode, SameBytesFromTwentyFourAndThirtyTwoBitPixels) {
  auto pic = fw::Picture::FromData(fw::MemoryBlock(Encoded(PhotoLike(130, 70), "jpeg")));
  ASSERT_TRUE(pic);
  ASSERT_EQ(pic->Image().format(), QImage::Format_RGB888);
  fw::Picture wide(pic->Image().convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(pic->Encode(fw::Picture::kFormatJPEG, 100), wide.Encode(fw::Picture::kFormatJPEG, 100));
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

TEST(PictureMask, AClearPaletteEntryOfADecodedPictureBecomesItsMask) {
  QImage img(2, 1, QImage::Format_Indexed8);
  img.setColorTable({qRgba(0, 0, 0, 0), qRgba(0, 0, 255, 255)});
  img.setPixel(0, 0, 0);
  img.setPixel(1, 0, 1);
  const std::string png = Encoded(img, "png");
  ASSERT_TRUE(QImage::fromData(reinterpret_cast<const uchar*>(png.data()), int(png.size()))
                  .hasAlphaChannel());
  auto pic = fw::Picture::FromData(fw::MemoryBlock(png));
  ASSERT_TRUE(pic);
  EXPECT_TRUE(pic->HasOwnTransparency());
  ASSERT_TRUE(pic->Mask(false));
  EXPECT_EQ(pic->Mask(false)->Image().pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(pic->Mask(false)->Image().pixel(1, 0), qRgb(0, 0, 0));
}

// A picture with transparency of its own, drawn into its own mask, keeps the
// mask it came with: shown on a colour it looks like its file drawn there,
// with no pale rim at its soft edges.
TEST(PictureMask, DrawnIntoItsOwnMaskAPictureWithTransparencyKeepsIt) {
  QImage img(6, 1, QImage::Format_ARGB32);
  const QRgb pixels[6] = {qRgba(0, 0, 0, 0),       qRgba(27, 99, 213, 40),
                          qRgba(27, 99, 213, 128), qRgba(27, 99, 213, 230),
                          qRgba(27, 99, 213, 255), qRgba(250, 250, 250, 255)};
  for (int x = 0; x < 6; ++x) img.setPixel(x, 0, pixels[x]);
  auto pic = fw::Picture::FromData(fw::MemoryBlock(Encoded(img, "png")));
  ASSERT_TRUE(pic);
  const QImage before = pic->Mask(false)->Image();
  for (int i = 0; i < 2; ++i) pic->Mask(true)->Graphics()->DrawPicture(pic, 0, 0);
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
  QPoint probe;   // a destination pixel
  QRgb expected;  // its colour afterwards
};
void PrintTo(const DrawCase& c, std::ostream* os) { *os << c.name; }

class PictureDrawPicture : public ::testing::TestWithParam<DrawCase> {};

TEST_P(PictureDrawPicture, PlacesTheSourcePart) {
  auto src = std::make_shared<fw::Picture>(8, 8);
  QImage& s = src->MutableImage();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      s.setPixel(x, y,
                 x < 4 ? (y < 4 ? qRgb(255, 0, 0) : qRgb(0, 255, 0))
                       : (y < 4 ? qRgb(0, 0, 255) : qRgb(255, 255, 0)));
  fw::Picture dest(20, 20);
  const DrawCase& c = GetParam();
  dest.Graphics()->DrawPicture(src, c.x, c.y, c.w, c.h, c.sx, c.sy, c.sw, c.sh);
  EXPECT_EQ(dest.Image().pixel(c.probe), c.expected);
}

constexpr int kN = fw::Graphics::kNotGiven;
// clang-format off
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
// clang-format on

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
