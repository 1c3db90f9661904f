#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <string>
#include <vector>

#include "about_window/Window2.h"
#include "about_window/Window2Layout.h"
#include "framework/ui/ShowURL.h"
#include "tests/about_window/TempBundle.h"

// A bundle whose Resources folder lacks both pictures, from the start of the
// process (the pictures, once loaded, stay for the process's life).

namespace {

using app::Window2;

void Click(QWidget* w) {
  ASSERT_NE(w, nullptr);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

TEST(AboutWindowWithoutPictures, OpensWithEmptyPictureAreasUntilTheFilesAreThere) {
  abouttest::TempBundle bundle;
  bundle.Use();
  std::vector<std::string> opened;
  fw::SetShowURLHandler([&](const std::string& a) { opened.push_back(a); });

  fw::Ref<Window2> w = Window2::Instance();
  w->Show();
  EXPECT_TRUE(w->IsOpen());
  EXPECT_EQ(w->ControlCount(), 6);
  EXPECT_EQ(w->Canvas1()->Backdrop(), nullptr);
  EXPECT_EQ(w->Canvas2()->Backdrop(), nullptr);
  EXPECT_TRUE(w->Canvas2()->Widget()->isVisible());

  // The empty logo area still opens the maker's home page; the icon area nothing.
  Click(w->Canvas1()->Widget());
  EXPECT_TRUE(opened.empty());
  Click(w->Canvas2()->Widget());
  EXPECT_EQ(opened, std::vector<std::string>{app::Window2Layout::kMakerHomePage});

  // Once the files are in place, the next about window shows them.
  w->PushButton1()->Push();
  bundle.AddBothPictures();
  fw::Ref<Window2> next = Window2::Instance();
  EXPECT_NE(next, w);
  EXPECT_NE(next->Canvas1()->Backdrop(), nullptr);
  EXPECT_NE(next->Canvas2()->Backdrop(), nullptr);
  next->Close();
  fw::SetShowURLHandler(nullptr);
}

}  // namespace
