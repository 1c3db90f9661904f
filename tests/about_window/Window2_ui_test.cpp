#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "about_window/BundlePictures.h"
#include "about_window/Window2.h"
#include "about_window/Window2Layout.h"
#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Introspection.h"
#include "framework/text/Text.h"
#include "framework/ui/Canvas.h"
#include "framework/ui/Runtime.h"
#include "framework/ui/ShowURL.h"
#include "main_window/Window1.h"
#include "tests/about_window/TempBundle.h"

namespace {

using app::Window2;
using app::Window2Layout;

// The whole process runs on a bundle that holds both pictures.
class BundleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    bundle = std::make_unique<abouttest::TempBundle>();
    bundle->AddBothPictures();
    bundle->Use();
  }
  void TearDown() override { bundle.reset(); }
  static inline std::unique_ptr<abouttest::TempBundle> bundle;
};
::testing::Environment* const kBundle = ::testing::AddGlobalTestEnvironment(new BundleEnvironment);

void Click(QWidget* w, QPoint at = {3, 3}) {
  ASSERT_NE(w, nullptr);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), w->mapToGlobal(QPointF(at)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

int OpenAboutWindows() {
  int n = 0;
  for (const fw::Ref<fw::Window>& w : fw::OpenWindows())
    n += dynamic_cast<Window2*>(w.get()) != nullptr;
  return n;
}

// Records the addresses handed to the browser; closes any about window left.
class AboutWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fw::SetShowURLHandler([this](const std::string& a) { opened.push_back(a); });
  }
  void TearDown() override {
    if (fw::Ref<fw::Window> w = fw::GetImplicitWindow("Window2.Window2")) w->Close();
    fw::SetShowURLHandler(nullptr);
  }

  // Presses the main window's "Info" button; the about window it shows.
  static fw::Ref<Window2> Info() {
    app::Window1::Instance()->PushButton3()->Push();
    return std::dynamic_pointer_cast<Window2>(fw::GetImplicitWindow("Window2.Window2"));
  }

  std::vector<std::string> opened;
};

TEST_F(AboutWindowTest, InfoTwiceGivesOneAboutWindowShownAgain) {
  fw::Ref<Window2> first = Info();
  fw::Ref<Window2> second = Info();
  EXPECT_EQ(first, second);
  EXPECT_EQ(OpenAboutWindows(), 1);
  EXPECT_TRUE(first->Widget()->isVisible());
  EXPECT_EQ(first->ControlCount(), 6);  // the second press made no controls either
}

TEST_F(AboutWindowTest, WindowIsASmallResizeableDarkGreyAboutBox) {
  fw::Ref<Window2> w = Info();
  EXPECT_EQ(w->Widget()->windowTitle().toStdString(), "About");
  EXPECT_EQ(w->ContentWidget()->size(), QSize(390, 186));
  EXPECT_TRUE(w->Resizeable());
  EXPECT_EQ(w->Widget()->minimumSize(), QSize(64, 64));
  EXPECT_EQ(w->Widget()->maximumSize(), QSize(32000, 32000));
  EXPECT_EQ(w->ContentWidget()->palette().color(w->ContentWidget()->backgroundRole()),
            QColor(0x3C3C3C));
}

// --- the controls ---

struct PlaceCase {
  const char* name;
  QRect rect;
  int32_t tabIndex;
};
void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.name; }

class ControlPlaces : public AboutWindowTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(ControlPlaces, ControlStandsWhereTheLayoutPutsIt) {
  fw::Ref<Window2> w = Info();
  auto c = fw::CheckCast<fw::RectControl>(w->ControlByName(GetParam().name));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Widget()->geometry(), GetParam().rect);
  EXPECT_TRUE(c->Widget()->isVisible());
  EXPECT_EQ(c->TabIndex(), GetParam().tabIndex);
}

INSTANTIATE_TEST_SUITE_P(AboutWindow, ControlPlaces,
                         ::testing::Values(PlaceCase{"Label1", QRect(68, 9, 302, 58), 0},
                                           PlaceCase{"Canvas1", QRect(20, 14, 36, 35), 1},
                                           PlaceCase{"Label2", QRect(20, 79, 194, 55), 2},
                                           PlaceCase{"PushButton1", QRect(200, 146, 80, 20), 3},
                                           PlaceCase{"PushButton2", QRect(108, 146, 80, 20), 4},
                                           PlaceCase{"Canvas2", QRect(231, 71, 129, 59), 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AboutWindowTest, ControlsAreMadeInOrderAndReachedByTheirAccessors) {
  fw::Ref<Window2> w = Info();
  std::vector<std::string> names;
  for (int32_t i = 0; i < w->ControlCount(); ++i)
    names.push_back(fw::CheckCast<fw::RectControl>(w->ControlAt(i))->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Label1", "Canvas1", "Label2", "PushButton1",
                                             "PushButton2", "Canvas2"}));
  EXPECT_EQ(w->Label1(), w->ControlByName("Label1"));
  EXPECT_EQ(w->Canvas1(), w->ControlByName("Canvas1"));
  EXPECT_EQ(w->Label2(), w->ControlByName("Label2"));
  EXPECT_EQ(w->PushButton1(), w->ControlByName("PushButton1"));
  EXPECT_EQ(w->PushButton2(), w->ControlByName("PushButton2"));
  EXPECT_EQ(w->Canvas2(), w->ControlByName("Canvas2"));
}

TEST_F(AboutWindowTest, TextsAreWhiteAndTheCreditLineIsTwelvePixelArial) {
  fw::Ref<Window2> w = Info();
  EXPECT_EQ(w->Label1()->Text(), Window2Layout::CreditLine());
  EXPECT_EQ(w->Label2()->Text(), Window2Layout::ProductLine());
  for (const fw::Ref<fw::Label>& l : {w->Label1(), w->Label2()}) {
    SCOPED_TRACE(l->Name());
    EXPECT_EQ(l->TextColor(), 0xFFFFFFu);
    EXPECT_TRUE(l->LabelWidget()->wordWrap());
  }
  const QFont credit = w->Label1()->LabelWidget()->font();
  EXPECT_EQ(credit.pixelSize(), 12);
  EXPECT_EQ(credit.family().toStdString(), "Arial");
  EXPECT_EQ(w->Label2()->TextFont(), "System");
  EXPECT_EQ(w->Label2()->TextUnit(), fw::FontUnits::Default);
  EXPECT_TRUE(w->Label2()->LabelWidget()->alignment() & Qt::AlignHCenter);

  EXPECT_EQ(w->PushButton1()->Button()->text().toStdString(), "Close");
  EXPECT_EQ(w->PushButton2()->Button()->text().toStdString(), "Donate");
  for (const fw::Ref<fw::PushButton>& b : {w->PushButton1(), w->PushButton2()}) {
    SCOPED_TRACE(b->Caption());
    EXPECT_FALSE(b->Default());
    EXPECT_FALSE(b->Cancel());
    EXPECT_EQ(b->TextUnit(), fw::FontUnits::Default);
  }
}

TEST_F(AboutWindowTest, CanvasesShowTheBundlePictures) {
  fw::Ref<Window2> w = Info();
  EXPECT_EQ(w->Canvas1()->Backdrop(), app::tumblr());
  EXPECT_EQ(w->Canvas2()->Backdrop(), app::dorvex_logo2());
  ASSERT_NE(w->Canvas1()->Backdrop(), nullptr);
  ASSERT_NE(w->Canvas2()->Backdrop(), nullptr);
  // The icon's own light parts let the window's grey through; the logo is
  // painted over the window's colour.
  EXPECT_FALSE(w->Canvas1()->EraseBackground());
  EXPECT_TRUE(w->Canvas2()->EraseBackground());
}

// On screen each picture looks like its file drawn on the window's colour:
// the icon's mask, drawn from itself, keeps the transparency the file gives
// it, and soft edges show their own colour, not a pale rim.
TEST_F(AboutWindowTest, PicturesShowAsTheirFilesOnTheWindowsColour) {
  fw::Ref<Window2> w = Info();
  QApplication::processEvents();
  for (const auto& [canvas, file] :
       {std::pair{"Canvas1", "tumblr.png"}, std::pair{"Canvas2", "dorvex_logo2.png"}}) {
    SCOPED_TRACE(canvas);
    auto c = w->ControlByName<fw::Canvas>(canvas);
    ASSERT_NE(c, nullptr);
    const QRect at = c->Widget()->geometry();
    const QImage shown =
        w->ContentWidget()->grab(at).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage drawn(QString::fromStdString(std::string(TEST_SOURCE_DIR) + "/resources/" + file));
    ASSERT_FALSE(drawn.isNull());
    QImage expected(at.size(), QImage::Format_RGB32);
    expected.fill(QColor(0x3C, 0x3C, 0x3C));
    QPainter(&expected).drawImage(0, 0, drawn);
    ASSERT_EQ(shown.size(), expected.size());
    int worst = 0;
    QPoint worstAt;
    for (int y = 0; y < expected.height(); ++y)
      for (int x = 0; x < expected.width(); ++x) {
        const QRgb a = shown.pixel(x, y), b = expected.pixel(x, y);
        const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                std::abs(qBlue(a) - qBlue(b))});
        if (d > worst) worst = d, worstAt = QPoint(x, y);
      }
    EXPECT_LE(worst, 2) << "at " << worstAt.x() << "," << worstAt.y();
  }
}

// --- what each click opens ---

struct ClickCase {
  const char* control;
  std::string opens;  // empty: nothing
};
void PrintTo(const ClickCase& c, std::ostream* os) { *os << c.control << " -> " << c.opens; }

class Clicks : public AboutWindowTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(Clicks, EachClickOpensExactlyItsAddress) {
  fw::Ref<Window2> w = Info();
  auto c = fw::CheckCast<fw::RectControl>(w->ControlByName(GetParam().control));
  ASSERT_NE(c, nullptr);
  if (auto b = fw::CheckCast<fw::PushButton>(c))
    b->Button()->click();
  else
    Click(c->Widget());
  if (GetParam().opens.empty())
    EXPECT_TRUE(opened.empty());
  else
    EXPECT_EQ(opened, std::vector<std::string>{GetParam().opens});
  EXPECT_TRUE(w->IsOpen());
}

INSTANTIATE_TEST_SUITE_P(AboutWindow, Clicks,
                         ::testing::Values(ClickCase{"Label1", Window2Layout::kIconCreditPage},
                                           ClickCase{"Label2", Window2Layout::kMakerSecondSite},
                                           ClickCase{"Canvas2", Window2Layout::kMakerHomePage},
                                           ClickCase{"PushButton2", Window2Layout::kDonationPage},
                                           ClickCase{"Canvas1", ""}),
                         [](const auto& info) { return std::string(info.param.control); });

TEST_F(AboutWindowTest, MouseDownHandlersYieldFalse) {
  fw::Ref<Window2> w = Info();
  EXPECT_FALSE(w->Label1()->MouseDown(1, 1));
  EXPECT_FALSE(w->Label2()->MouseDown(1, 1));
  EXPECT_FALSE(w->Canvas2()->MouseDown(1, 1));
  EXPECT_EQ(opened.size(), 3u);
}

TEST_F(AboutWindowTest, PrintedAddressesAreTheOnesOpened) {
  fw::Ref<Window2> w = Info();
  Click(w->Label1()->Widget());
  Click(w->Canvas2()->Widget());
  Click(w->Label2()->Widget());
  ASSERT_EQ(opened.size(), 3u);
  const std::string credit = w->Label1()->Text();
  const std::string product = w->Label2()->Text();

  // The credit line ends with exactly the address a click on it opens.
  ASSERT_GE(credit.size(), opened[0].size());
  EXPECT_EQ(credit.substr(credit.size() - opened[0].size()), opened[0]);
  EXPECT_EQ(credit.substr(0, credit.size() - opened[0].size()), "The Programm Icon is from: ");
  EXPECT_EQ(QUrl(QString::fromStdString(opened[0]))
                .path()
                .toStdString()
                .find("/free-icons/social-media-icons/"),
            0u);

  // The product line names the domain bare; the logo opens that domain's root,
  // the line itself a site on another domain.
  const QUrl home(QString::fromStdString(opened[1]));
  const QUrl second(QString::fromStdString(opened[2]));
  const std::string domain = home.host().toStdString();
  EXPECT_EQ(home.path(), "/");
  EXPECT_EQ(product, "SnapHarbor - your picture backup for Tumblr blogs! Made by " + domain);
  EXPECT_NE(second.host(), home.host());
  EXPECT_EQ(second.path(), "/");
  for (const std::string& a : opened) EXPECT_NE(a.find(".example"), std::string::npos) << a;
}

// --- closing ---

TEST_F(AboutWindowTest, CloseThenInfoMakesANewWindowWithoutReadingThePicturesAgain) {
  fw::Ref<Window2> first = Info();
  fw::Ref<fw::Picture> icon = first->Canvas1()->Backdrop();
  fw::Ref<fw::Picture> logo = first->Canvas2()->Backdrop();
  ASSERT_NE(icon, nullptr);
  ASSERT_NE(logo, nullptr);

  first->PushButton1()->Button()->click();  // "Close"
  EXPECT_FALSE(first->IsOpen());
  EXPECT_EQ(fw::GetImplicitWindow("Window2.Window2"), nullptr);
  EXPECT_EQ(OpenAboutWindows(), 0);

  // With the pictures gone from the bundle, the next window still has them.
  const auto resources = BundleEnvironment::bundle->Resources();
  std::filesystem::rename(resources, resources.string() + ".away");
  fw::Ref<Window2> second = Info();
  std::filesystem::rename(resources.string() + ".away", resources);
  EXPECT_NE(second, first);
  EXPECT_EQ(OpenAboutWindows(), 1);
  EXPECT_EQ(second->Label1()->Text(), Window2Layout::CreditLine());
  EXPECT_EQ(second->Canvas1()->Backdrop(), icon);
  EXPECT_EQ(second->Canvas2()->Backdrop(), logo);
}

TEST_F(AboutWindowTest, CloseBoxDoesWhatCloseDoes) {
  std::weak_ptr<Window2> first = Info();
  QCloseEvent ev;
  QApplication::sendEvent(first.lock()->Widget(), &ev);
  EXPECT_EQ(fw::GetImplicitWindow("Window2.Window2"), nullptr);
  EXPECT_EQ(OpenAboutWindows(), 0);
  EXPECT_TRUE(first.expired());  // nothing of the program keeps a closed about window
  EXPECT_TRUE(Info()->IsOpen());
}

// Under the real event loop: the close box and "Close" end no event loop.
TEST_F(AboutWindowTest, ClosingTheAboutWindowLeavesTheProgramRunning) {
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name, nullptr};
  fw::RuntimeInit(argc, argv);
  std::vector<std::string> steps;
  bool mainStillOpen = false;
  fw::RunFrameworkInitialization([&] {
    Info();
    QTimer::singleShot(0, [&] {
      steps.push_back("close box");
      Window2::Instance()->Widget()->close();
      QTimer::singleShot(0, [&] {
        steps.push_back("Close");
        Info()->PushButton1()->Push();
        QTimer::singleShot(20, [&] {
          steps.push_back("still running");
          fw::Ref<fw::Window> main = fw::GetImplicitWindow("Window1.Window1");
          mainStillOpen = main && main->IsOpen() && fw::OpenWindows().size() == 1;
          fw::Quit(7);
        });
      });
    });
  });
  fw::RuntimeRun();
  EXPECT_EQ(fw::RuntimeExit(), 7);
  EXPECT_EQ(steps, (std::vector<std::string>{"close box", "Close", "still running"}));
  EXPECT_EQ(OpenAboutWindows(), 0);
  EXPECT_TRUE(mainStillOpen);
}

// --- the class record ---

TEST_F(AboutWindowTest, ClassRecordHandlesOnlyLayoutAndCreateControls) {
  const fw::ClassRecord& rec = Window2::Lookup();
  EXPECT_EQ(rec.FullName(), "Window2.Window2");
  EXPECT_EQ(rec.Superclass(), &fw::LookupClass("Window"));
  EXPECT_EQ(fw::ClassScope(rec), "Public");
  ASSERT_NE(rec.FindEventHook("Layout"), nullptr);
  ASSERT_NE(rec.FindEventHook("CreateControls"), nullptr);
  EXPECT_EQ(rec.FindEventHook("Open"), nullptr);
  EXPECT_EQ(rec.FindEventHook("Close"), nullptr);

  const std::vector<std::string> own = {"Layout",
                                        "CreateControls",
                                        "_CreateControls0",
                                        "Label1",
                                        "Canvas1",
                                        "Label2",
                                        "PushButton1",
                                        "PushButton2",
                                        "Canvas2",
                                        "Label1_MouseDown",
                                        "Label2_MouseDown",
                                        "PushButton1_Action",
                                        "PushButton2_Action",
                                        "Canvas2_MouseDown"};
  std::vector<std::string> ops = fw::LookupClass("Window").operations;
  ops.insert(ops.end(), own.begin(), own.end());
  EXPECT_EQ(rec.operations, ops);
  for (const std::string& op : own) {
    SCOPED_TRACE(op);
    EXPECT_EQ(fw::MemberScope(rec, op), "Public");
    EXPECT_EQ(fw::MemberAccessible(rec, op), op != "_CreateControls0");
  }
  const fw::MethodEntry* click = fw::FindMethodEntry(rec, "Canvas2_MouseDown");
  ASSERT_NE(click, nullptr);
  EXPECT_EQ(click->argumentTypes, (std::vector<std::string>{"Canvas", "Int32", "Int32"}));
  EXPECT_EQ(click->resultType, "Boolean");
}

}  // namespace
