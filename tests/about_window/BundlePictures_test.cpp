#include "about_window/BundlePictures.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <filesystem>

#include "framework/files/FolderItem.h"
#include "framework/files/SpecialFolder.h"
#include "framework/picture/Graphics.h"
#include "framework/picture/OpenAsPicture.h"
#include "framework/picture/Picture.h"
#include "framework/runtime/NilObjectException.h"
#include "tests/about_window/TempBundle.h"

// Each accessor keeps its picture for the whole process, so each test below
// follows one accessor through its states from the start of the process: the
// two tests touch different caches and may run in either order or alone.

namespace {

fw::Ref<fw::Picture> SourcePicture(const std::string& name) {
  return fw::OpenAsPicture(fw::FolderItem(std::string(TEST_SOURCE_DIR) + "/resources/" + name));
}

// The picture in the file at path drawn into its own mask `times` times.
QImage SelfMasked(const std::filesystem::path& path, int times) {
  fw::Ref<fw::Picture> p = fw::OpenAsPicture(fw::FolderItem(path.string()));
  for (int i = 0; i < times; ++i) p->Mask(true)->Graphics()->DrawPicture(p, 0, 0);
  return p->Mask(false)->Image();
}

// An opaque PNG of grey steps: it has no mask of its own, so its mask shows
// the self-masking step (the program's own icon, whose transparency comes
// with it and stays as it is, cannot show it).
std::string GreySteps() {
  QImage img(24, 8, QImage::Format_RGB32);
  for (int x = 0; x < 24; ++x)
    for (int y = 0; y < 8; ++y) img.setPixel(x, y, qRgb(x * 10, x * 10, x * 10));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  img.save(&buffer, "png");
  return bytes.toStdString();
}

TEST(BundlePictures, IconIsRetriedUntilItLoadsThenMaskedOnceAndKept) {
  abouttest::TempBundle bundle;

  // A program file with no folder above its own: raised, nothing kept.
  fw::SpecialFolder::SetExecutableFileForTests("/snapharbor");
  EXPECT_THROW(app::tumblr(), fw::NilObjectException);

  // No file, then a file that is no picture: Nil, and tried again each time.
  bundle.Use();
  EXPECT_EQ(app::tumblr(), nullptr);
  bundle.WriteResource("tumblr.png", "not a picture");
  EXPECT_EQ(app::tumblr(), nullptr);

  // A picture: loaded, its mask drawn from itself exactly once.
  bundle.WriteResource("tumblr.png", GreySteps());
  fw::Ref<fw::Picture> icon = app::tumblr();
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->Width(), 24);
  EXPECT_EQ(icon->Height(), 8);
  const std::filesystem::path file = bundle.Resources() / "tumblr.png";
  EXPECT_EQ(fw::OpenAsPicture(fw::FolderItem(file.string()))->Mask(false), nullptr);
  const QImage once = SelfMasked(file, 1);
  EXPECT_EQ(once.pixel(23, 0), qRgb(230, 230, 230)) << "light parts turn clear";
  ASSERT_NE(icon->Mask(false), nullptr);
  EXPECT_EQ(icon->Mask(false)->Image(), once);

  // Kept: neither the file's loss nor the bundle's move is noticed, and later
  // calls mask nothing again.
  fw::Ref<fw::Picture> mask = icon->Mask(false);
  bundle.RemoveResource("tumblr.png");
  bundle.MoveTo("Moved");
  EXPECT_EQ(app::tumblr(), icon);
  EXPECT_EQ(app::tumblr(), icon);
  EXPECT_EQ(icon->Mask(false), mask);
  EXPECT_EQ(mask->Image(), once);
}

TEST(BundlePictures, LogoIsRetriedUntilItLoadsThenKeptUnmasked) {
  abouttest::TempBundle bundle;
  bundle.Use();
  EXPECT_EQ(app::dorvex_logo2(), nullptr);
  EXPECT_EQ(app::dorvex_logo2(), nullptr);

  // Found wherever the bundle stands.
  bundle.MoveTo("Elsewhere");
  bundle.AddPicture("dorvex_logo2.png");
  fw::Ref<fw::Picture> logo = app::dorvex_logo2();
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->Width(), 129);
  EXPECT_EQ(logo->Height(), 59);
  // Its transparency comes from the file alone: no drawing into its mask.
  fw::Ref<fw::Picture> plain = SourcePicture("dorvex_logo2.png");
  EXPECT_EQ(logo->ImageWithMask(), plain->ImageWithMask());

  bundle.RemoveResource("dorvex_logo2.png");
  EXPECT_EQ(app::dorvex_logo2(), logo);
}

// The build lays the bundle out as the program looks for it.
TEST(BundlePictures, BuiltBundleHoldsBothPicturesBesideTheProgramFolder) {
  const std::filesystem::path bundle = std::filesystem::path(TEST_BINARY_DIR) / "bundle";
  EXPECT_TRUE(std::filesystem::exists(bundle / "bin"));
  for (const char* name : {"tumblr.png", "dorvex_logo2.png"}) {
    SCOPED_TRACE(name);
    fw::Ref<fw::Picture> p =
        fw::OpenAsPicture(fw::FolderItem((bundle / "Resources" / name).string()));
    ASSERT_NE(p, nullptr);
    // Both have a transparent background: their corners show the window.
    ASSERT_NE(p->Mask(false), nullptr);
    EXPECT_EQ(qAlpha(p->ImageWithMask().pixel(0, 0)), 0);
  }
}

}  // namespace
