// The whole program on a fixture blog: started as main.cpp starts it, driven
// through its real form while the event loop runs, and left during a run.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "app/MainMenuBar.h"
#include "app/Startup.h"
#include "framework/files/FolderItem.h"
#include "framework/files/SpecialFolder.h"
#include "framework/net/NameResolver.h"
#include "framework/runtime/Clock.h"
#include "framework/runtime/Thread.h"
#include "framework/ui/MsgBox.h"
#include "framework/ui/Runtime.h"
#include "framework/ui/UnhandledReport.h"
#include "framework/ui/Window.h"
#include "main_window/DownloadWorker.h"
#include "main_window/Window1.h"
#include "tests/support/FixtureBlog.h"
#include "tests/support/Gate.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Waiting.h"

namespace {

namespace stdfs = std::filesystem;
using app::Window1;
using fw::Ref;
using testsupport::FixtureBlog;
using testsupport::LoopbackServer;
using Names = std::vector<std::string>;

// Turns the event loop (the runtime lock given up while it waits, so the
// worker runs) until pred holds or timeoutMs pass; gives pred's last value.
bool SpinUntil(const std::function<bool()>& pred, int timeoutMs = 10000) {
  if (pred()) return true;
  QEventLoop loop;
  QTimer poll;
  QElapsedTimer elapsed;
  elapsed.start();
  bool held = false;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if ((held = pred()) || elapsed.elapsed() > timeoutMs) loop.quit();
  });
  poll.start(5);
  loop.exec();
  return held;
}

// The open main window, as a weak reference: the test must not be what keeps
// it alive when the program ends.
std::weak_ptr<Window1> MainWindow() {
  return std::dynamic_pointer_cast<Window1>(fw::GetImplicitWindow("Window1.Window1"));
}

// The program with its Desktop in a temporary folder, the 10 s pause made
// free, message boxes and unhandled-exception reports recorded, and a fixture
// blog as the only name that resolves.
class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fw::SpecialFolder::SetDesktopForTests((root_ / "Desktop").string());
    fw::FolderItem::SetNamedTempFilesForTests(true);  // a partial file would show
    fw::SetClock(std::make_shared<fw::ManualClock>(/*autoAdvance=*/true));
    fw::SetMsgBoxHandler([this](const std::string& text) { messages_.push_back(text); });
    fw::UnhandledReport::SetPresenter(
        [this](const fw::UnhandledReport::Details& d) { reports_.push_back(d.text); });
    blog_ = std::make_unique<FixtureBlog>();
  }
  void TearDown() override {
    app::SetStartupObserver({});
    blog_.reset();
    fw::UnhandledReport::SetPresenter({});
    fw::SetMsgBoxHandler({});
    fw::SetClock(nullptr);
    fw::FolderItem::SetNamedTempFilesForTests(false);
    fw::SpecialFolder::SetDesktopForTests("");
  }

  // Runs the program as main.cpp does; once its event loop runs, scenario
  // runs inside it (as an event) with the open main window. A program still
  // running 30 s later quits with status 99. Gives the exit status.
  int RunProgram(const std::function<void(std::weak_ptr<Window1>)>& scenario) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { fw::Quit(99); });
    app::SetStartupObserver([&](const std::string& step) {
      if (step != "_RuntimeRun") return;
      guard.start(30000);
      QTimer::singleShot(0, [&] {
        if (SpinUntil([] { return !MainWindow().expired(); }))
          scenario(MainWindow());
        else
          ADD_FAILURE() << "the main window did not open";
      });
    });
    char name[] = "snapharbor";
    char* argv[] = {name, nullptr};
    return app::RunProgram(1, argv);
  }

  // Fills the form as the user types it and presses "Go" as a click does.
  static void TypeAndGo(Window1& w, const std::string& address, const std::string& folder,
                        const std::string& base, const std::string& start) {
    w.TextField1()->SetText(address);
    w.TextField2()->SetText(folder);
    w.TextField3()->SetText(base);
    w.TextField5()->SetText(start);
    w.PushButton1()->Push();
  }

  bool Requested(const std::string& path) const {
    const Names paths = blog_->RequestPaths();
    return std::find(paths.begin(), paths.end(), path) != paths.end();
  }
  // Every entry of the Desktop folder `folder`, hidden ones included, sorted.
  Names Entries(const std::string& folder) const {
    Names names;
    const stdfs::path dir = root_ / "Desktop" / folder;
    if (stdfs::is_directory(dir))
      for (const auto& e : stdfs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  testsupport::TempFolder temp_{"endtoend_ui_test"};
  const stdfs::path root_ = temp_.Path();
  std::unique_ptr<FixtureBlog> blog_;
  Names messages_, reports_;
};

TEST_F(EndToEndTest, BackupRunStoppedResumedAndEndedByClosingTheWindow) {
  blog_->AddPicture("/pics/one.jpg", 40, 30, 0xCC3333);
  blog_->AddPicture("/pics/two.jpg", 30, 40, 0x33CC33);
  blog_->SetPage(1, {blog_->Address("/pics/one.jpg"), blog_->Address("/pics/skip.png"),
                     blog_->Address("/pics/two.jpg")});
  blog_->HoldPage(2);
  blog_->HoldPage(3);
  std::weak_ptr<Window1> window;
  bool finished = false;

  const int status = RunProgram([&](std::weak_ptr<Window1> main) {
    window = main;
    {
      Ref<Window1> w = main.lock();
      TypeAndGo(*w, blog_->BlogUrl() + "/archive", "backup", "pic", "0");
      ASSERT_TRUE(messages_.empty()) << messages_.front();
      EXPECT_EQ(w->TextField1()->Text(), blog_->BlogUrl());
      EXPECT_FALSE(w->PushButton1()->Enabled());
      EXPECT_TRUE(w->ProgressWheel1()->Spinning());
      EXPECT_FALSE(w->TextField2()->Enabled());
    }
    // The pictures appear, and the timer's line counts them.
    ASSERT_TRUE(SpinUntil([&] {
      return main.lock()->Label1()->Text() == "Pictures saved: 2" && Requested("/page/2");
    })) << main.lock()->Label1()->Text();
    EXPECT_EQ(Entries("backup"), (Names{"pic-1.jpg", "pic-2.jpg"}));
    EXPECT_TRUE(main.lock()->Label1()->Visible());

    // "Stop" while the worker waits for page 2, then "Go" again: page 3 next.
    main.lock()->PushButton2()->Push();
    EXPECT_FALSE(main.lock()->Label1()->Visible());
    EXPECT_TRUE(main.lock()->PushButton1()->Enabled());
    EXPECT_TRUE(main.lock()->TextField1()->Enabled());
    main.lock()->PushButton1()->Push();
    ASSERT_TRUE(SpinUntil([&] { return Requested("/page/3"); }));
    EXPECT_EQ(blog_->RequestPaths(),
              (Names{"/page/1", "/pics/one.jpg", "/pics/two.jpg", "/page/2", "/page/3"}));

    // Closed by its close box during the run: the program quits.
    main.lock()->Widget()->close();
    finished = true;
  });

  EXPECT_TRUE(finished);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(window.expired());
  EXPECT_EQ(Entries("backup"), (Names{"pic-1.jpg", "pic-2.jpg"}));
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(reports_.empty()) << reports_.front();
}

// --- Leaving the program during a run, wherever the worker stands ---

// The two ways out of the program: the main window's close box and the File
// menu's quit item.
void CloseByCloseBox(Window1& w) { w.Widget()->close(); }
void QuitByQuitItem(Window1&) {
  app::MainMenuBar::ImplicitInstance()
      ->Child("FileMenu")
      ->Child("FileQuit")
      ->NativeAction()
      ->trigger();
}

// How the user leaves.
struct QuitWay {
  const char* name;
  std::function<void(Window1&)> quit;
};
void PrintTo(const QuitWay& c, std::ostream* os) { *os << c.name; }

class QuitDuringARun;
// Where the worker stands: how to bring it there (before the program starts)
// and how to see that it is there.
struct WorkerState {
  const char* name;
  std::function<void(QuitDuringARun&)> arrange;
  std::function<bool(QuitDuringARun&)> inState;
};
void PrintTo(const WorkerState& c, std::ostream* os) { *os << c.name; }

class QuitDuringARun : public EndToEndTest,
                       public ::testing::WithParamInterface<std::tuple<QuitWay, WorkerState>> {
 public:
  void TearDown() override {
    gate_.Open();
    EXPECT_TRUE(fw::Thread::WaitForAllThreadsToEnd(5000)) << "a thread outlived the program";
    fw::NameResolver::SetFunction({});
    app::SetPictureConversion({});
    EndToEndTest::TearDown();
  }
  FixtureBlog& Blog() { return *blog_; }
  bool WasRequested(const std::string& path) const { return Requested(path); }
  testsupport::Gate& TestGate() { return gate_; }

  testsupport::Gate gate_;  // a stand-in that does not come back while the program runs
};

// The program ends at once with status 0, whatever the worker is doing (the
// stand-ins have not come back when it has), and leaves no file behind.
TEST_P(QuitDuringARun, EndsTheProgramAtOnceAndLeavesNoPartialFile) {
  const auto& [way, state] = GetParam();
  state.arrange(*this);
  std::weak_ptr<Window1> window;
  bool finished = false;

  const int status = RunProgram([&](std::weak_ptr<Window1> main) {
    window = main;
    TypeAndGo(*main.lock(), blog_->BlogUrl(), "backup", "pic", "0");
    ASSERT_TRUE(SpinUntil([&] { return state.inState(*this); })) << "the worker did not get there";
    way.quit(*main.lock());
    finished = true;
  });

  EXPECT_TRUE(finished);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(gate_.Passed(), 0) << "the program waited for the stand-in";
  // A worker let go in a section unwinds once it comes out; the window whose
  // handler it ran is then released on the main thread. (The program's own
  // process ends before that.)
  gate_.Open();
  EXPECT_TRUE(fw::Thread::WaitForAllThreadsToEnd(5000));
  QCoreApplication::sendPostedEvents();
  EXPECT_TRUE(window.expired());
  EXPECT_EQ(Entries("backup"), Names{});
  // The worker's connections went with it.
  EXPECT_TRUE(testsupport::WaitUntil([&] { return blog_->Server().OpenConnections() == 0; }, 2000));
  EXPECT_TRUE(reports_.empty()) << reports_.front();
}

const QuitWay kQuitWays[] = {
    {"CloseBox", CloseByCloseBox},
    {"QuitItem", QuitByQuitItem},
};

const WorkerState kWorkerStates[] = {
    {"PictureHalfIn",
     // The picture's body stops halfway and never goes on.
     [](QuitDuringARun& t) {
       const std::string jpeg = FixtureBlog::Jpeg(64, 48, 0x3366CC);
       t.Blog().SetReply("/half.jpg",
                         {LoopbackServer::Step::Send(
                              "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(jpeg.size()) +
                              "\r\n\r\n" + jpeg.substr(0, jpeg.size() / 2)),
                          LoopbackServer::Step::Hang()});
       t.Blog().SetPage(1, {t.Blog().Address("/half.jpg")});
     },
     [](QuitDuringARun& t) { return t.WasRequested("/half.jpg"); }},
    {"NameLookupThatNeverAnswers",
     [](QuitDuringARun& t) {
       fw::NameResolver::SetFunction([&gate = t.TestGate()](const std::string&) {
         gate.Pass();
         return std::vector<std::string>{"127.0.0.1"};
       });
     },
     [](QuitDuringARun& t) { return t.TestGate().Arrived() == 1; }},
    {"ConvertingAPicture",
     [](QuitDuringARun& t) {
       t.Blog().AddPicture("/slow.jpg");
       t.Blog().SetPage(1, {t.Blog().Address("/slow.jpg")});
       app::SetPictureConversion([&gate = t.TestGate()](std::string bytes, const std::string&) {
         gate.Pass();
         return bytes;
       });
     },
     [](QuitDuringARun& t) { return t.TestGate().Arrived() == 1; }},
};

INSTANTIATE_TEST_SUITE_P(Ways, QuitDuringARun,
                         ::testing::Combine(::testing::ValuesIn(kQuitWays),
                                            ::testing::ValuesIn(kWorkerStates)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  std::get<1>(info.param).name;
                         });

// --- A fault that repeats: one box, and the user can still leave ---

struct RepeatingFaultCase {
  const char* name;
  std::function<void(Window1&)> leave;  // what the user does once the box is closed
};
void PrintTo(const RepeatingFaultCase& c, std::ostream* os) { *os << c.name; }

class RepeatingFault : public EndToEndTest,
                       public ::testing::WithParamInterface<RepeatingFaultCase> {};

// With a Desktop that cannot be had (its path is a regular file) the progress
// timer raises NilObjectException every 100 ms. The report shows one box,
// which stands for 300 ms as a user reading it would, while the timer goes on
// failing; no second box opens, over it or after it, and Stop, the close box
// and the quit item all still work.
TEST_P(RepeatingFault, ShowsOneBoxAndLeavesTheWindowUsable) {
  const stdfs::path desktopFile = root_ / "Desktop-is-a-file";
  { std::ofstream(desktopFile) << "not a folder"; }
  fw::SpecialFolder::SetDesktopForTests(desktopFile.string());
  blog_->HoldPage(1);
  int boxes = 0, open = 0, mostOpen = 0;
  std::vector<fw::UnhandledReport::Details> shown;
  fw::UnhandledReport::SetPresenter([&](const fw::UnhandledReport::Details& d) {
    ++boxes;
    mostOpen = std::max(mostOpen, ++open);
    shown.push_back(d);
    QEventLoop box;  // what a modal box does: an event loop of its own
    QTimer::singleShot(300, &box, &QEventLoop::quit);
    box.exec();
    --open;
  });
  bool left = false;

  testing::internal::CaptureStderr();
  const int status = RunProgram([&](std::weak_ptr<Window1> main) {
    TypeAndGo(*main.lock(), blog_->BlogUrl(), "backup", "pic", "0");
    ASSERT_TRUE(SpinUntil([&] { return boxes == 1 && open == 0; }, 5000)) << "no box shown";
    // Another half second of the failing timer after the box was closed.
    SpinUntil([] { return false; }, 500);
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(main.lock()->Label1()->Visible()) << "the run is on, its timer failing";
    GetParam().leave(*main.lock());
    left = true;
  });
  const std::string err = testing::internal::GetCapturedStderr();

  EXPECT_TRUE(left);
  EXPECT_EQ(status, 0) << "the program did not end by the user's hand";
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(mostOpen, 1) << "a box opened over another";
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].className, "NilObjectException");
  EXPECT_EQ(shown[0].where, "Window1.Timer2.Action");
  // Standard error has every report, the repeats counted.
  size_t lines = 0;
  for (size_t at = 0;
       (at = err.find("Unhandled exception: NilObjectException", at)) != std::string::npos; ++at)
    ++lines;
  EXPECT_GE(lines, 5u) << err;
  EXPECT_NE(err.find("times, shown once]"), std::string::npos) << err;
}

const RepeatingFaultCase kRepeatingFaultCases[] = {
    {"Stop, then the close box",
     [](Window1& w) {
       w.PushButton2()->Push();
       EXPECT_FALSE(w.Label1()->Visible());
       EXPECT_TRUE(w.PushButton1()->Enabled()) << "Stop did not stop the run";
       w.Widget()->close();
     }},
    {"CloseBox", CloseByCloseBox},
    {"QuitItem", QuitByQuitItem},
};
INSTANTIATE_TEST_SUITE_P(Ways, RepeatingFault, ::testing::ValuesIn(kRepeatingFaultCases),
                         [](const auto& info) {
                           std::string s = info.param.name;
                           for (char& ch : s)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return s;
                         });

}  // namespace
