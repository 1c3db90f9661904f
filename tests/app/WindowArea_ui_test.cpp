// Each of the program's windows gives its controls the whole size of its
// layout table, below the application's menu bar, however tall the bar is.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <ostream>
#include <string>

#include "about_window/Window2.h"
#include "app/MainMenuBar.h"
#include "framework/ui/Application.h"
#include "framework/ui/RectControl.h"
#include "framework/ui/Window.h"
#include "main_window/Window1.h"
#include "tests/about_window/TempBundle.h"

// Readable geometry in failure messages.
inline void PrintTo(const QRect& r, std::ostream* os) {
  *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}
inline void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << "x" << s.height(); }

namespace {

struct AreaCase {
  std::string name;
  std::function<fw::Ref<fw::Window>()> open;
  int width, height;     // the window's table
  std::string barStyle;  // style sheet of the application; empty: the plain style
  int minBarHeight;      // the bar is at least this tall with that style
};
void PrintTo(const AreaCase& c, std::ostream* os) { *os << c.name; }

class WindowArea : public ::testing::TestWithParam<AreaCase> {
 protected:
  void SetUp() override {
    bundle_.AddBothPictures();
    bundle_.Use();
    auto application = std::make_shared<fw::Application>();
    application->SetMenuBar(app::MainMenuBar::Instance());
    fw::Application::SetCurrent(application);
    qApp->setStyleSheet(QString::fromStdString(GetParam().barStyle));
  }
  void TearDown() override {
    fw::ReleaseImplicitWindowList();
    fw::ReleaseWindowLists();
    fw::Application::SetCurrent(nullptr);
    app::MainMenuBar::ReleaseImplicitInstance();
    qApp->setStyleSheet(QString());
  }

  abouttest::TempBundle bundle_;
};

TEST_P(WindowArea, ControlsGetTheTablesSizeBelowTheMenuBar) {
  const AreaCase& c = GetParam();
  fw::Ref<fw::Window> w = c.open();
  ASSERT_NE(w, nullptr);
  QApplication::processEvents();
  QWidget* top = w->Widget();
  QWidget* content = w->ContentWidget();
  auto* bar = top->findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(bar->isVisible());
  const int barHeight = bar->geometry().height();
  EXPECT_GE(barHeight, c.minBarHeight);

  // The bar along the top, the form area whole right under it.
  EXPECT_EQ(bar->geometry().top(), 0);
  EXPECT_EQ(content->geometry(), QRect(0, barHeight, c.width, c.height));
  EXPECT_EQ(top->size(), QSize(c.width, c.height + barHeight));
  EXPECT_EQ(w->Width(), c.width);
  EXPECT_EQ(w->Height(), c.height);

  // Every control lies inside the form area, none under the bar or past the edge.
  int lowest = 0;
  for (int32_t i = 0; i < w->ControlCount(); ++i) {
    auto* rc = dynamic_cast<fw::RectControl*>(w->ControlAt(i).get());
    if (!rc || !rc->Widget()) continue;
    const QRect r = rc->Widget()->geometry();
    EXPECT_TRUE(content->rect().contains(r)) << rc->Name();
    lowest = std::max(lowest, r.bottom());
  }
  EXPECT_LT(lowest, c.height);
}

const std::string kTallBar = "QMenuBar { min-height: 34px; } QMenuBar::item { padding: 9px 8px; }";

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowArea,
    ::testing::Values(AreaCase{"main_window_plain_bar",
                               [] { return fw::Ref<fw::Window>(app::Window1::Instance()); }, 564,
                               142, "", 1},
                      AreaCase{"main_window_tall_bar",
                               [] { return fw::Ref<fw::Window>(app::Window1::Instance()); }, 564,
                               142, kTallBar, 34},
                      AreaCase{"about_window_plain_bar",
                               [] { return fw::Ref<fw::Window>(app::Window2::Instance()); }, 390,
                               186, "", 1},
                      AreaCase{"about_window_tall_bar",
                               [] { return fw::Ref<fw::Window>(app::Window2::Instance()); }, 390,
                               186, kTallBar, 34}),
    [](const auto& info) { return info.param.name; });

}  // namespace
