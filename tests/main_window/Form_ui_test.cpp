// The backup form of the main window: its idle state, the checks of "Go", the
// running state, "Stop" and the progress line.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "framework/files/SpecialFolder.h"
#include "framework/runtime/Clock.h"
#include "framework/ui/MsgBox.h"
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
using testsupport::WaitUntil;

// What the form shows and holds, for comparing before and after a handler.
struct FormState {
  std::string address, folder, base, start;
  bool fieldsReadOnly[4], fieldsEnabled[4];
  bool goEnabled, stopEnabled, lineVisible, wheelVisible, wheelEnabled, timerEnabled, running;
  int32_t page, count;
  std::string url, folderProp, picturename;

  bool operator==(const FormState&) const = default;
};
void PrintTo(const FormState& s, std::ostream* os) {
  *os << "{fields \"" << s.address << "\" \"" << s.folder << "\" \"" << s.base << "\" \"" << s.start
      << "\"; read-only/enabled";
  for (int i = 0; i < 4; ++i) *os << " " << s.fieldsReadOnly[i] << "/" << s.fieldsEnabled[i];
  *os << "; go " << s.goEnabled << " stop " << s.stopEnabled << " line " << s.lineVisible
      << " wheel " << s.wheelVisible << "/" << s.wheelEnabled << " timer " << s.timerEnabled
      << " running " << s.running << "; Page " << s.page << " count " << s.count << " url \""
      << s.url << "\" folder \"" << s.folderProp << "\" picturename \"" << s.picturename << "\"}";
}

FormState StateOf(Window1& w) {
  FormState s{};
  const Ref<fw::TextField> fields[] = {w.TextField1(), w.TextField2(), w.TextField3(),
                                       w.TextField5()};
  s.address = fields[0]->Text();
  s.folder = fields[1]->Text();
  s.base = fields[2]->Text();
  s.start = fields[3]->Text();
  for (int i = 0; i < 4; ++i) {
    s.fieldsReadOnly[i] = fields[i]->ReadOnly();
    s.fieldsEnabled[i] = fields[i]->Enabled();
  }
  s.goEnabled = w.PushButton1()->Enabled();
  s.stopEnabled = w.PushButton2()->Enabled();
  s.lineVisible = w.Label1()->Visible();
  s.wheelVisible = w.ProgressWheel1()->Visible();
  s.wheelEnabled = w.ProgressWheel1()->Enabled();
  s.timerEnabled = w.Timer2()->Enabled();
  s.running = w.Thread1()->IsRunning();
  s.page = w.Page;
  s.count = w.count;
  s.url = w.url;
  s.folderProp = w.folder;
  s.picturename = w.picturename;
  return s;
}

// The states of the form's controls, each as it must be while idle (running
// false) or during a run.
void ExpectControls(Window1& w, bool running) {
  SCOPED_TRACE(running ? "running" : "idle");
  const FormState s = StateOf(w);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(s.fieldsReadOnly[i], running) << "field " << i;
    EXPECT_EQ(s.fieldsEnabled[i], !running) << "field " << i;
  }
  EXPECT_EQ(s.goEnabled, !running);
  EXPECT_EQ(s.stopEnabled, running);
  EXPECT_EQ(s.lineVisible, running);
  EXPECT_EQ(s.wheelVisible, running);
  EXPECT_EQ(s.wheelEnabled, running);
  EXPECT_EQ(w.ProgressWheel1()->Spinning(), running);
  EXPECT_EQ(s.timerEnabled, running);
  EXPECT_EQ(s.running, running);
}

// The main window made as start-up makes it, with the Desktop in a temporary
// folder, message boxes recorded and a fixture blog as the only name that
// resolves.
class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fw::SpecialFolder::SetDesktopForTests((root_ / "Desktop").string());
    blog_ = std::make_unique<FixtureBlog>();
    fw::SetMsgBoxHandler([this](const std::string& text) {
      messages_.push_back(text);
      addressAtMessage_ = w_->TextField1()->Text();
    });
    w_ = Window1::Instance();
  }
  void TearDown() override {
    // The worker holds the window while it runs: end it, and let its OS
    // thread finish, before the window goes.
    gate_.Open();
    if (Ref<fw::Thread> t = w_->Thread1()) t->Kill();
    EXPECT_TRUE(fw::Thread::WaitForAllThreadsToEnd(5000)) << "a thread outlived its test";
    app::SetPictureConversion({});
    fw::SetClock(nullptr);
    w_.reset();
    fw::ReleaseImplicitWindowList();
    fw::ReleaseWindowLists();
    fw::SetMsgBoxHandler({});
    blog_.reset();
    fw::SpecialFolder::SetDesktopForTests("");
  }

  void Fill(const std::string& address, const std::string& folder, const std::string& base,
            const std::string& start) {
    w_->TextField1()->SetText(address);
    w_->TextField2()->SetText(folder);
    w_->TextField3()->SetText(base);
    w_->TextField5()->SetText(start);
  }
  // Presses a button as a click does.
  void Go() { w_->PushButton1()->Push(); }
  void Stop() { w_->PushButton2()->Push(); }

  stdfs::path Desktop() const { return root_ / "Desktop"; }

  testsupport::TempFolder temp_{"form_ui_test"};
  const stdfs::path root_ = temp_.Path();
  std::unique_ptr<FixtureBlog> blog_;
  Ref<Window1> w_;
  std::vector<std::string> messages_;
  std::string addressAtMessage_;
  testsupport::Gate gate_;  // for a picture conversion that takes as long as the test wants
};

TEST_F(FormTest, OpensIdleWithZeroInTheStartField) {
  ExpectControls(*w_, /*running=*/false);
  EXPECT_EQ(w_->count, 0);
  EXPECT_EQ(w_->TextField5()->Text(), "0");
  EXPECT_EQ(w_->TextField1()->Text(), "");
  EXPECT_TRUE(messages_.empty());
}

// --- "Go" and its checks ---

// Texts of a case: "PORT" stands for the fixture blog's port.
struct GoCase {
  const char* name;
  std::string address, folder, base, start;
  const char* message;                   // nullptr: no message, the run starts
  std::string addressAfter;              // TextField1's text afterwards
  int32_t count = 0;                     // a started run's count
  std::string firstRequest = "/page/1";  // a started run's first request
};
void PrintTo(const GoCase& c, std::ostream* os) {
  *os << c.name << ": \"" << c.address << "\", \"" << c.folder << "\", \"" << c.base << "\", \""
      << c.start << "\"";
}

class GoChecks : public FormTest, public ::testing::WithParamInterface<GoCase> {
 protected:
  std::string WithPort(std::string s) const {
    for (size_t at; (at = s.find("PORT")) != std::string::npos;)
      s.replace(at, 4, std::to_string(blog_->Server().Port()));
    return s;
  }
};

TEST_P(GoChecks, ShowTheFirstFailureAndChangeNothingElseOrStartTheRun) {
  const GoCase& c = GetParam();
  const std::string address = WithPort(c.address), addressAfter = WithPort(c.addressAfter);
  // The blog's first page never answers: a started worker stays in its request.
  blog_->HoldPage(1);
  Fill(address, c.folder, c.base, c.start);
  w_->url = "earlier url";
  w_->folder = "earlier folder";
  w_->picturename = "earlier name";
  FormState before = StateOf(*w_);

  Go();

  if (c.message) {
    EXPECT_EQ(messages_, std::vector<std::string>{c.message});
    // A field is emptied only after the message has been shown.
    EXPECT_EQ(addressAtMessage_, address);
    before.address = addressAfter;
    EXPECT_EQ(StateOf(*w_), before);
    EXPECT_TRUE(blog_->RequestPaths().empty());
    return;
  }
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  ExpectControls(*w_, /*running=*/true);
  EXPECT_EQ(w_->TextField1()->Text(), addressAfter);
  EXPECT_EQ(w_->url, addressAfter);
  EXPECT_EQ(w_->folder, c.folder);
  EXPECT_EQ(w_->picturename, c.base);
  EXPECT_EQ(w_->count, c.count);
  EXPECT_EQ(w_->TextField5()->Text(), c.start);
  EXPECT_TRUE(blog_->WaitForRequest(c.firstRequest));
}

#define BLOG "http://fixtureblog.tumblr.example:PORT"
#define HOST "fixtureblog.tumblr.example:PORT"

const GoCase kGoCases[] = {
    // The first failing check is the one reported.
    {"AllEmpty", "", "", "", "", "Enter a Tumblr blogadress!", ""},
    {"OnlyAddress", BLOG, "", "", "0", "Enter an output foldername!", BLOG},
    {"NoBaseName", BLOG, "out", "", "0", "Enter a name for the pictures!", BLOG},
    {"NoDotAndNoBase", "nodots", "out", "", "0", "Enter a name for the pictures!", "nodots"},
    {"NoDot", "http://localhost:PORT/x", "out", "pic", "0", "Please enter a correct URL!",
     "http://localhost:PORT/x"},
    // An address that is not the service's is emptied.
    {"AnotherDomain", "http://www.example.com", "out", "pic", "0", "This isnt a tumblr address!",
     ""},
    {"LabelBeforeTheBlogName", "http://www." HOST, "out", "pic", "0", "This isnt a tumblr address!",
     ""},
    {"DotInTheBlogName", "http://my.blog.tumblr.example", "out", "pic", "0",
     "This isnt a tumblr address!", ""},
    {"ServiceWithoutBlog", "http://tumblr.example", "out", "pic", "0",
     "This isnt a tumblr address!", ""},
    // Folder and base names must each be one plain name in the Desktop folder.
    {"FolderDot", BLOG, ".", "pic", "0", "Enter an output foldername!", BLOG},
    {"FolderDotDot", BLOG, "..", "pic", "0", "Enter an output foldername!", BLOG},
    {"FolderWithSlash", BLOG, "a/b", "pic", "0", "Enter an output foldername!", BLOG},
    {"FolderWithNul", BLOG, std::string("a\0b", 3), "pic", "0", "Enter an output foldername!",
     BLOG},
    {"BaseDotDot", BLOG, "out", "..", "0", "Enter a name for the pictures!", BLOG},
    {"BaseWithSlash", BLOG, "out", "../x", "0", "Enter a name for the pictures!", BLOG},
    // Too few "/"-separated pieces to cut down to scheme, "//" and host.
    {"HostWithoutScheme", HOST, "out", "pic", "0", "Please enter a correct URL!", HOST},
    {"HostAndOneSlash", HOST "/", "out", "pic", "0", "Please enter a correct URL!", HOST "/"},
    {"SchemeAndOneSlash", "http:/" HOST, "out", "pic", "0", "Please enter a correct URL!",
     "http:/" HOST},
    // Passing addresses keep their first three pieces, as typed.
    {"PathAndQueryDropped", BLOG "/post/12?x=1", "out", "pic", "0", nullptr, BLOG},
    {"TrailingSlashDropped", BLOG "/", "out", "pic", "7", nullptr, BLOG, 7},
    {"CaseKeptAsTyped", "HTTP://FixtureBlog.TUMBLR.example:PORT/", "out", "pic", "0", nullptr,
     "HTTP://FixtureBlog.TUMBLR.example:PORT"},
    {"NoSchemeTwoSegments", HOST "/a/b/c", "out", "pic", "0", nullptr, HOST "/a/b", 0,
     "/a/b/page/1"},
    {"BlanksAreNames", BLOG, "  ", " ", "0", nullptr, BLOG},
    {"StartNotANumber", BLOG, "out", "pic", "many", nullptr, BLOG, 0},
    {"StartFractionNegative", BLOG, "out", "pic", "-12.9", nullptr, BLOG, -12},
    {"StartOutOfRange", BLOG, "out", "pic", "1e20", nullptr, BLOG, 2147483647},
};
INSTANTIATE_TEST_SUITE_P(Form, GoChecks, ::testing::ValuesIn(kGoCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- A run and "Stop" ---

TEST_F(FormTest, StopEndsTheWorkerWhereItWaitsAndFreesTheForm) {
  blog_->SetPage(1, {});
  blog_->HoldPage(2);
  Fill(blog_->BlogUrl() + "/", "out", "pic", "5");

  Go();
  ExpectControls(*w_, /*running=*/true);
  EXPECT_EQ(w_->url, blog_->BlogUrl());
  EXPECT_EQ(w_->count, 5);
  // Page 1 gives nothing; the worker then sleeps its 10 s pause on the real
  // clock, and "Stop" must not wait for it.
  ASSERT_TRUE(WaitUntil([&] { return w_->Thread1()->GetState() == fw::Thread::State::Sleeping; }));

  Stop();
  ExpectControls(*w_, /*running=*/false);
  EXPECT_EQ(blog_->RequestPaths(), std::vector<std::string>{"/page/1"});
  EXPECT_EQ(w_->Page, 1);
  EXPECT_EQ(w_->TextField1()->Text(), blog_->BlogUrl());
  EXPECT_EQ(w_->TextField5()->Text(), "5");

  // Again, now from the page after, with the count from the field again.
  w_->TextField5()->SetText("9");
  Go();
  ExpectControls(*w_, /*running=*/true);
  EXPECT_EQ(w_->count, 9);
  ASSERT_TRUE(blog_->WaitForRequest("/page/2"));
  // Stopped inside a request that never answers.
  Stop();
  ExpectControls(*w_, /*running=*/false);
  EXPECT_EQ(w_->Page, 2);
}

// "Stop" while the old worker still converts a picture, and "Go" at once:
// the new run starts without waiting for the old thread, goes on from the
// page after and numbers from the field again; the old picture is never saved.
TEST_F(FormTest, GoRightAfterStopStartsANewRunWhileTheOldThreadStillConverts) {
  fw::SetClock(std::make_shared<fw::ManualClock>(/*autoAdvance=*/true));
  std::atomic<int> conversions{0};
  app::SetPictureConversion([&](std::string bytes, const std::string&) {
    if (++conversions == 1) gate_.Pass();  // the first picture takes as long as the test says
    return bytes;
  });
  blog_->AddPicture("/one.jpg");
  blog_->AddPicture("/two.jpg");
  blog_->SetPage(1, {blog_->Address("/one.jpg")});
  blog_->SetPage(2, {blog_->Address("/two.jpg")});
  blog_->HoldPage(3);
  Fill(blog_->BlogUrl(), "out", "pic", "5");

  Go();
  ASSERT_TRUE(WaitUntil([&] { return gate_.Arrived() == 1; }));
  EXPECT_EQ(w_->Page, 1);
  EXPECT_EQ(w_->count, 6);
  Stop();
  ExpectControls(*w_, /*running=*/false);
  w_->TextField5()->SetText("20");
  Go();
  ExpectControls(*w_, /*running=*/true);
  ASSERT_TRUE(blog_->WaitForRequest("/page/3")) << "the new run did not get on";
  EXPECT_EQ(gate_.Passed(), 0) << "the new run waited for the old thread";
  EXPECT_EQ(w_->Page, 3);
  EXPECT_EQ(w_->count, 21);

  gate_.Open();
  Stop();
  EXPECT_TRUE(fw::Thread::WaitForAllThreadsToEnd(5000));
  EXPECT_EQ(conversions, 2);
  EXPECT_EQ(blog_->RequestPaths(),
            (std::vector<std::string>{"/page/1", "/one.jpg", "/page/2", "/two.jpg", "/page/3"}));
  std::vector<std::string> files;
  for (const auto& e : stdfs::directory_iterator(Desktop() / "out"))
    files.push_back(e.path().filename());
  EXPECT_EQ(files, std::vector<std::string>{"pic-21.jpg"}) << "the stopped picture was saved";
  EXPECT_EQ(w_->Page, 3);
  EXPECT_EQ(w_->count, 21);
}

TEST_F(FormTest, GoIsNotPressableDuringARun) {
  blog_->HoldPage(1);
  Fill(blog_->BlogUrl(), "out", "pic", "0");
  Go();
  ASSERT_TRUE(blog_->WaitForRequest("/page/1"));
  w_->TextField5()->SetText("40");
  Go();
  EXPECT_EQ(w_->count, 0);
  EXPECT_TRUE(w_->Thread1()->IsRunning());
  EXPECT_EQ(blog_->RequestPaths(), std::vector<std::string>{"/page/1"});
}

// --- The progress line ---

TEST_F(FormTest, ProgressLineCountsWhatTheFolderHolds) {
  const stdfs::path out = Desktop() / "backup";
  stdfs::create_directories(out / "sub");
  std::ofstream(out / "notes.txt") << "x";
  std::ofstream(out / ".hidden") << "x";
  blog_->AddPicture("/a.jpg");
  blog_->HoldPage(1);
  Fill(blog_->BlogUrl(), "backup", "pic", "100");
  Go();
  EXPECT_EQ(w_->Label1()->Text(), "Pictures saved: ");  // the layout's text until the first Action

  w_->Timer2()->CallAction();
  EXPECT_EQ(w_->Label1()->Text(), "Pictures saved: 3");

  // The first picture comes with the next page.
  ASSERT_TRUE(blog_->WaitForRequest("/page/1"));
  Stop();
  blog_->SetPage(2, {blog_->Address("/a.jpg")});
  blog_->HoldPage(3);
  Go();
  ASSERT_TRUE(WaitUntil([&] { return stdfs::exists(out / "pic-101.jpg"); }));
  w_->Timer2()->CallAction();
  EXPECT_EQ(w_->Label1()->Text(), "Pictures saved: 4");

  // After "Stop" the line is hidden with its last text.
  Stop();
  stdfs::remove(out / "notes.txt");
  EXPECT_FALSE(w_->Timer2()->Enabled());
  EXPECT_FALSE(w_->Label1()->Visible());
  EXPECT_EQ(w_->Label1()->Text(), "Pictures saved: 4");
}

TEST_F(FormTest, ProgressLineShowsZeroForAFolderNotMadeYet) {
  blog_->HoldPage(1);  // the worker makes the folder only once the page has come
  Fill(blog_->BlogUrl(), "later", "pic", "0");
  Go();
  ASSERT_TRUE(blog_->WaitForRequest("/page/1"));
  w_->Timer2()->CallAction();
  EXPECT_EQ(w_->Label1()->Text(), "Pictures saved: 0");
  EXPECT_FALSE(stdfs::exists(Desktop() / "later"));
}

// A folder too big to read on the main thread at each Action is counted
// elsewhere: the Action leaves the line as it is, and the figure is written
// as soon as the count lands, without waiting for the next Action.
TEST_F(FormTest, ProgressLineOfABigFolderIsWrittenWhenItsCountLands) {
  const stdfs::path out = Desktop() / "big";
  stdfs::create_directories(out);
  constexpr int kFiles = 5000;
  for (int i = 0; i < kFiles; ++i) std::ofstream(out / ("f" + std::to_string(i)));
  blog_->HoldPage(1);
  Fill(blog_->BlogUrl(), "big", "pic", "0");
  Go();
  w_->Timer2()->CallAction();
  EXPECT_EQ(w_->Label1()->Text(), "Pictures saved: ");
  const std::string want = "Pictures saved: " + std::to_string(kFiles);
  QElapsedTimer t;
  t.start();
  while (w_->Label1()->Text() != want && t.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(w_->Label1()->Text(), want);

  // After "Stop" a count that lands leaves the line alone. (The Action may
  // already show the new file: a count still reading the folder when it was
  // made can have seen it. What it shows at Stop is what stays.)
  std::ofstream(out / "one-more");
  w_->Timer2()->CallAction();  // sends a count off
  Stop();
  const std::string atStop = w_->Label1()->Text();
  t.restart();
  while (t.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(w_->Label1()->Text(), atStop);
}

}  // namespace
