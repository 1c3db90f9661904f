#include "main_window/DownloadWorker.h"

#include <gtest/gtest.h>

#include <QColor>
#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>

#include "framework/files/FolderItem.h"
#include "framework/files/SpecialFolder.h"
#include "framework/net/HTTPSocket.h"
#include "framework/net/NameResolver.h"
#include "framework/picture/Picture.h"
#include "framework/runtime/Clock.h"
#include "framework/runtime/Int32.h"
#include "framework/runtime/Thread.h"
#include "framework/runtime/UnhandledException.h"
#include "framework/text/Text.h"
#include "tests/support/FixtureBlog.h"
#include "tests/support/Gate.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Waiting.h"

namespace {

namespace stdfs = std::filesystem;
using testsupport::FixtureBlog;
using testsupport::LoopbackServer;
using testsupport::WaitUntil;
using Step = LoopbackServer::Step;
using Paths = std::vector<std::string>;

constexpr int64_t kPauseMs = 10000;

std::string ReadFile(const stdfs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const stdfs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

// Lets other threads run for ms of real time.
void RealPause(int ms) {
  WaitUntil([] { return false; }, ms);
}

// The picture in the file has this size and, near its middle, about this colour.
void ExpectPicture(const stdfs::path& file, int width, int height, uint32_t rgb) {
  SCOPED_TRACE(file.filename().string());
  const fw::Ref<fw::Picture> pic = fw::Picture::FromFile(file.string());
  ASSERT_NE(pic, nullptr) << "no whole picture";
  EXPECT_EQ(pic->Width(), width);
  EXPECT_EQ(pic->Height(), height);
  const QColor got = pic->Image().pixelColor(width / 2, height / 2);
  const QColor want(QRgb(0xFF000000u | rgb));
  EXPECT_NEAR(got.red(), want.red(), 8);
  EXPECT_NEAR(got.green(), want.green(), 8);
  EXPECT_NEAR(got.blue(), want.blue(), 8);
}

// Runs the worker against a fixture blog, with the Desktop in a temporary
// folder and a clock that makes the 10 s pause free.
class DownloadWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<fw::ManualClock>(/*autoAdvance=*/true);
    fw::SetClock(clock_);
    fw::SpecialFolder::SetDesktopForTests(desktop_.string());
    // A partial file would show under a name of its own.
    fw::FolderItem::SetNamedTempFilesForTests(true);
    blog_ = MakeBlog();
    props_.url = blog_->BlogUrl();
    props_.folder = "backup";
    props_.picturename = "pic";
  }
  void TearDown() override {
    gate_.Open();
    Stop();
    EXPECT_TRUE(fw::Thread::WaitForAllThreadsToEnd(5000)) << "a thread outlived its test";
    app::SetPictureConversion({});
    thread_.reset();
    blog_.reset();
    fw::FolderItem::SetNamedTempFilesForTests(false);
    fw::SpecialFolder::SetDesktopForTests("");
    fw::SetClock(nullptr);
  }
  virtual std::unique_ptr<FixtureBlog> MakeBlog() { return std::make_unique<FixtureBlog>(); }

  void Start() {
    thread_ = std::make_shared<fw::Thread>();
    thread_->SetRunHandler([this](fw::Thread& t) { app::RunDownloadWorker(props_, t); });
    thread_->Run();
  }
  // As "Stop" does it.
  void Stop() {
    if (!thread_) return;
    thread_->Suspend();
    thread_->Kill();
  }
  // Runs the worker until it asks for page n, which never answers, and stops it there.
  void RunUntilPage(int32_t n) {
    blog_->HoldPage(n);
    Start();
    ASSERT_TRUE(blog_->WaitForRequest("/page/" + fw::Str(n))) << "no request for page " << n;
    Stop();
  }

  std::string A(const std::string& path) const { return blog_->Address(path); }
  stdfs::path Out() const { return desktop_ / props_.folder; }
  // Every entry of the output folder, hidden ones included, sorted.
  Paths Entries() const {
    Paths names;
    if (!stdfs::is_directory(Out())) return names;
    for (const auto& e : stdfs::directory_iterator(Out())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Every file anywhere under the temporary root.
  Paths AllFiles() const {
    Paths files;
    for (const auto& e : stdfs::recursive_directory_iterator(root_))
      if (!e.is_directory()) files.push_back(stdfs::relative(e.path(), root_));
    return files;
  }

  std::shared_ptr<fw::ManualClock> clock_;
  testsupport::TempFolder temp_{"downloadworker_test"};
  const stdfs::path root_ = temp_.Path();
  const stdfs::path desktop_ = root_ / "Desktop";
  std::unique_ptr<FixtureBlog> blog_;
  app::MainWindowProperties props_;
  std::shared_ptr<fw::Thread> thread_;
  testsupport::Gate gate_;  // for stand-ins that do not come back until the test says so
};

// --- The page cycle ---

TEST_F(DownloadWorkerTest, NumbersPicturesOnAcrossPagesWithAPauseAfterEach) {
  blog_->AddPicture("/pics/red.jpg", 24, 16, 0xCC2222);
  blog_->AddPicture("/pics/green.jpg", 20, 30, 0x22CC22);
  blog_->AddPicture("/pics/blue.jpg", 16, 16, 0x2222CC);
  blog_->SetPage(1, {A("/pics/red.jpg"), A("/pics/green.jpg")});
  // The same address twice: fetched and saved twice, under consecutive numbers.
  blog_->SetPage(2, {A("/pics/blue.jpg"), A("/pics/red.jpg")});
  RunUntilPage(3);

  EXPECT_EQ(blog_->RequestPaths(), (Paths{"/page/1", "/pics/red.jpg", "/pics/green.jpg", "/page/2",
                                          "/pics/blue.jpg", "/pics/red.jpg", "/page/3"}));
  EXPECT_EQ(Entries(), (Paths{"pic-1.jpg", "pic-2.jpg", "pic-3.jpg", "pic-4.jpg"}));
  ExpectPicture(Out() / "pic-1.jpg", 24, 16, 0xCC2222);
  ExpectPicture(Out() / "pic-2.jpg", 20, 30, 0x22CC22);
  ExpectPicture(Out() / "pic-3.jpg", 16, 16, 0x2222CC);
  ExpectPicture(Out() / "pic-4.jpg", 24, 16, 0xCC2222);
  EXPECT_EQ(props_.count, 4);
  EXPECT_EQ(props_.Page, 3);
  EXPECT_EQ(clock_->NowMs(), 2 * kPauseMs) << "one 10 s pause after each page";
}

TEST_F(DownloadWorkerTest, SendsPlainRequestsOneConnectionEach) {
  blog_->AddPicture("/pics/a.jpg");
  blog_->SetPage(1, {A("/pics/a.jpg"), A("/pics/a.jpg")});
  RunUntilPage(2);

  const std::string host = "Host: " + std::string(FixtureBlog::kHost) + ":" +
                           std::to_string(blog_->Server().Port()) + "\r\n";
  const std::string head = " HTTP/1.0\r\nAccept: */*\r\nAccept-Language: en\r\n" + host + "\r\n";
  const Paths requests = blog_->Server().Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0], "GET /page/1" + head);
  EXPECT_EQ(requests[1], "GET /pics/a.jpg" + head);
  EXPECT_EQ(requests[2], "GET /pics/a.jpg" + head);
  EXPECT_EQ(blog_->Server().Connections(), 4);
}

struct StartCase {
  std::string name;
  int32_t page, count;    // as the run starts
  int32_t firstPage;      // the page requested first
  std::string firstFile;  // the name of the first picture saved
};
void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }

class DownloadWorkerStart : public DownloadWorkerTest,
                            public ::testing::WithParamInterface<StartCase> {};

TEST_P(DownloadWorkerStart, GoesOnFromPageAndCountAsFound) {
  const StartCase& c = GetParam();
  props_.Page = c.page;
  props_.count = c.count;
  blog_->AddPicture("/pics/a.jpg");
  blog_->SetPage(c.firstPage, {A("/pics/a.jpg")});
  RunUntilPage(fw::AddWrap(c.firstPage, 1));

  EXPECT_EQ(blog_->RequestPaths().front(), "/page/" + fw::Str(c.firstPage));
  EXPECT_EQ(Entries(), Paths{c.firstFile});
  EXPECT_EQ(props_.count, fw::AddWrap(c.count, 1));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DownloadWorkerStart,
    ::testing::Values(StartCase{"new window, start number 0", 0, 0, 1, "pic-1.jpg"},
                      StartCase{"after a stop on page 7", 7, 41, 8, "pic-42.jpg"},
                      StartCase{"negative start number", 0, -1, 1, "pic-0.jpg"},
                      StartCase{"numbers wrap past the top", INT32_MAX, INT32_MAX, INT32_MIN,
                                "pic--2147483648.jpg"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

struct AddressCase {
  std::string name;
  std::string path;
  bool taken;
};
void PrintTo(const AddressCase& c, std::ostream* os) {
  *os << c.name << " (" << c.path << (c.taken ? ") taken" : ") skipped");
}

class DownloadWorkerAddress : public DownloadWorkerTest,
                              public ::testing::WithParamInterface<AddressCase> {};

// Only the last three characters count; a skipped address costs no request
// and no number.
TEST_P(DownloadWorkerAddress, TakesAddressesEndingInJpg) {
  const AddressCase& c = GetParam();
  blog_->AddPicture(c.path, 10, 10, 0x00FF00);
  blog_->AddPicture("/pics/last.jpg", 12, 8, 0x0000FF);
  blog_->SetPage(1, {A(c.path), A("/pics/last.jpg")});
  RunUntilPage(2);

  if (c.taken) {
    EXPECT_EQ(blog_->RequestPaths(), (Paths{"/page/1", c.path, "/pics/last.jpg", "/page/2"}));
    EXPECT_EQ(Entries(), (Paths{"pic-1.jpg", "pic-2.jpg"}));
    ExpectPicture(Out() / "pic-2.jpg", 12, 8, 0x0000FF);
  } else {
    EXPECT_EQ(blog_->RequestPaths(), (Paths{"/page/1", "/pics/last.jpg", "/page/2"}));
    EXPECT_EQ(Entries(), Paths{"pic-1.jpg"});
    ExpectPicture(Out() / "pic-1.jpg", 12, 8, 0x0000FF);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, DownloadWorkerAddress,
                         ::testing::Values(AddressCase{"jpg", "/pics/a.jpg", true},
                                           AddressCase{"upper case", "/pics/a.JPG", true},
                                           AddressCase{"no dot before jpg", "/pics/photojpg", true},
                                           AddressCase{"png", "/pics/a.png", false},
                                           AddressCase{"jpeg", "/pics/a.jpeg", false},
                                           AddressCase{"query after jpg", "/pics/a.jpg?x=1", false},
                                           AddressCase{"slash after jpg", "/pics/a.jpg/", false}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(DownloadWorkerTest, PageThatGivesNothingStillMakesTheFolderAndGoesOn) {
  // Page 1 is not there: a 404 with no body.
  ASSERT_FALSE(stdfs::exists(Out()));
  RunUntilPage(2);

  EXPECT_EQ(blog_->RequestPaths(), (Paths{"/page/1", "/page/2"}));
  EXPECT_TRUE(stdfs::is_directory(Out()));
  EXPECT_EQ(Entries(), Paths{});
  EXPECT_EQ(props_.count, 0);
  EXPECT_EQ(clock_->NowMs(), kPauseMs);
}

TEST_F(DownloadWorkerTest, NetworkDownStillCountsThePagesUp) {
  props_.url = "http://unreachable.example";  // does not resolve
  Start();
  ASSERT_TRUE(WaitUntil([&] { return props_.Page >= 5; }));
  Stop();

  EXPECT_EQ(blog_->RequestPaths(), Paths{});
  EXPECT_TRUE(stdfs::is_directory(Out()));
  EXPECT_EQ(Entries(), Paths{});
  EXPECT_EQ(props_.count, 0);
  EXPECT_GE(clock_->NowMs(), (props_.Page - 1) * kPauseMs);
}

// --- Pictures that give nothing to save ---

enum class Unusable { Missing, ErrorPage, NotAPicture, CutOff, Unresolved, Relative };
struct UnusableCase {
  std::string name;
  Unusable kind;
};
void PrintTo(const UnusableCase& c, std::ostream* os) { *os << c.name; }

class DownloadWorkerUnusable : public DownloadWorkerTest,
                               public ::testing::WithParamInterface<UnusableCase> {};

// Its number is used up, nothing is saved for it (not even the bytes of the
// picture before), and the run goes on.
TEST_P(DownloadWorkerUnusable, SavesNothingAndGoesOn) {
  const std::string jpeg = blog_->AddPicture("/pics/one.jpg", 30, 20, 0xFF8800);
  blog_->AddPicture("/pics/two.jpg", 20, 30, 0x0088FF);
  std::string bad = A("/pics/bad.jpg");
  switch (GetParam().kind) {
    case Unusable::Missing:
      break;
    case Unusable::ErrorPage:
      blog_->SetReply("/pics/bad.jpg", LoopbackServer::Response(500, "<h1>Server error</h1>"));
      break;
    case Unusable::NotAPicture:
      blog_->SetReply("/pics/bad.jpg", LoopbackServer::Response(200, "GIF89a but not really"));
      break;
    case Unusable::CutOff:
      blog_->SetReply("/pics/bad.jpg",
                      LoopbackServer::Response(200, jpeg.substr(0, jpeg.size() / 2)));
      break;
    case Unusable::Unresolved:
      bad = "http://nowhere.example/pics/one.jpg";
      break;
    case Unusable::Relative:
      bad = "/pics/one.jpg";
      break;
  }
  blog_->SetPage(1, {A("/pics/one.jpg"), bad, A("/pics/two.jpg")});
  RunUntilPage(2);

  EXPECT_EQ(Entries(), (Paths{"pic-1.jpg", "pic-3.jpg"}));
  ExpectPicture(Out() / "pic-3.jpg", 20, 30, 0x0088FF);
  EXPECT_EQ(props_.count, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DownloadWorkerUnusable,
    ::testing::Values(UnusableCase{"404 without a body", Unusable::Missing},
                      UnusableCase{"error page", Unusable::ErrorPage},
                      UnusableCase{"bytes that are no picture", Unusable::NotAPicture},
                      UnusableCase{"cut-off JPEG", Unusable::CutOff},
                      UnusableCase{"host that does not resolve", Unusable::Unresolved},
                      UnusableCase{"relative address, no host", Unusable::Relative}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// --- Hostile servers and pages ---

enum class Hostile {
  InjectionInPath,
  InjectionInHost,
  ClosedBeforeLength,
  ResetWithoutLength,
  SilenceWithoutLength,
  PastTheBodyCap,
  HugeHeaderBlock,
  WholeToTheClose,
  LengthReachedConnectionOpen,
  PageWithUnquotedImgThen20MB,
  PageWith20MBDataSrc
};
struct HostileCase {
  std::string name;
  Hostile kind;
  Paths requests;  // the request targets on the wire, in order
  Paths entries;   // the output folder afterwards
  int32_t count;
};
void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class DownloadWorkerHostile : public DownloadWorkerTest,
                              public ::testing::WithParamInterface<HostileCase> {
 protected:
  void TearDown() override {
    DownloadWorkerTest::TearDown();
    fw::HTTPSocket::SetBodyCap(0);
  }
};

// Page 1 links one.jpg, the hostile item and two.jpg (unless the page itself
// is the hostile item). Whatever the server or page does, only whole
// downloads are saved, every request on the wire is a clean one, and the
// worker goes on to page 2.
TEST_P(DownloadWorkerHostile, SavesOnlyWholeDownloadsAndGoesOn) {
  const HostileCase& c = GetParam();
  const std::string one = blog_->AddPicture("/pics/one.jpg", 30, 20, 0xFF8800);
  blog_->AddPicture("/pics/two.jpg", 20, 30, 0x0088FF);
  const std::string bad = FixtureBlog::Jpeg(40, 30, 0x55AA55);  // whole, and decodes
  const std::string hostPart =
      std::string(FixtureBlog::kHost) + ":" + std::to_string(blog_->Server().Port());
  std::string badAddress = A("/pics/bad.jpg");
  const auto reply = [&](std::vector<Step> steps) {
    blog_->SetReply("/pics/bad.jpg", std::move(steps));
  };
  const std::string ok = "HTTP/1.0 200 OK\r\n";
  const std::string length = "Content-Length: " + std::to_string(bad.size()) + "\r\n";
  bool stall = false;
  switch (c.kind) {
    case Hostile::InjectionInPath:
      badAddress = A("/pics/one.jpg\r\nX-Injected: yes\r\nX-Pad: .jpg");
      break;
    case Hostile::InjectionInHost:
      badAddress = "http://" + hostPart + "\r\nX-Host-Injected: 1/pics/one.jpg";
      break;
    case Hostile::ClosedBeforeLength:
      reply({Step::Send(ok + "Content-Length: " + std::to_string(bad.size() + 1000) + "\r\n\r\n" +
                        bad),
             Step::Close()});
      break;
    case Hostile::ResetWithoutLength:
      reply({Step::Send(ok + "\r\n" + bad), Step::Pause(100), Step::Reset()});
      break;
    case Hostile::SilenceWithoutLength:
      reply({Step::Send(ok + "\r\n" + bad), Step::Hang()});
      stall = true;
      break;
    case Hostile::PastTheBodyCap:
      // The cap's first bytes hold the whole picture and then some.
      fw::HTTPSocket::SetBodyCap(static_cast<int64_t>(bad.size()) + 100);
      reply({Step::Send(ok + "\r\n" + bad + std::string(100000, '\0')), Step::Close()});
      break;
    case Hostile::HugeHeaderBlock: {
      std::string head = ok;
      while (head.size() < (size_t{3} << 19)) head += "X-Fill: " + std::string(1000, 'h') + "\r\n";
      reply({Step::Send(head + length + "\r\n" + bad), Step::Close()});
      break;
    }
    case Hostile::WholeToTheClose:
      reply({Step::Send(ok + "\r\n" + bad), Step::Close()});
      break;
    case Hostile::LengthReachedConnectionOpen:
      reply({Step::Send(ok + length + "\r\n" + bad), Step::Hang()});
      break;
    case Hostile::PageWithUnquotedImgThen20MB: {
      std::string page = "<img src=a.jpg>";
      while (page.size() < (size_t{20} << 20)) page += "<p>words, words</p>\n";
      blog_->SetPageHtml(1, page);
      break;
    }
    case Hostile::PageWith20MBDataSrc:
      blog_->SetPageHtml(1, "<img src=\"data:image/jpeg;base64," +
                                std::string(size_t{20} << 20, 'Q') + "\">" +
                                FixtureBlog::PageHtml({A("/pics/one.jpg")}));
      break;
  }
  if (c.kind != Hostile::PageWithUnquotedImgThen20MB && c.kind != Hostile::PageWith20MBDataSrc) {
    blog_->SetPage(1, {A("/pics/one.jpg"), badAddress, A("/pics/two.jpg")});
  }
  blog_->HoldPage(2);
  Start();
  if (stall) {
    ASSERT_TRUE(blog_->WaitForRequest("/pics/bad.jpg"));
    RealPause(100);
    clock_->Advance(31000);  // past the 30 s of silence
  }
  ASSERT_TRUE(blog_->WaitForRequest("/page/2", 20000)) << "the worker did not go on";
  Stop();

  EXPECT_EQ(blog_->RequestPaths(), c.requests);
  for (const std::string& head : blog_->Server().Requests()) {
    const std::string path = head.substr(4, head.find(' ', 4) - 4);
    EXPECT_EQ(head, "GET " + path + " HTTP/1.0\r\nAccept: */*\r\nAccept-Language: en\r\nHost: " +
                        hostPart + "\r\n\r\n");
  }
  EXPECT_EQ(Entries(), c.entries);
  EXPECT_EQ(props_.count, c.count);
  if (c.entries == Paths{"pic-1.jpg", "pic-2.jpg", "pic-3.jpg"}) {
    ExpectPicture(Out() / "pic-2.jpg", 40, 30, 0x55AA55);
  }
}

const Paths kAllThree = {"/page/1", "/pics/one.jpg", "/pics/bad.jpg", "/pics/two.jpg", "/page/2"};
const Paths kBadNotSent = {"/page/1", "/pics/one.jpg", "/pics/two.jpg", "/page/2"};
const Paths kBadNotSaved = {"pic-1.jpg", "pic-3.jpg"};
const Paths kAllSaved = {"pic-1.jpg", "pic-2.jpg", "pic-3.jpg"};

INSTANTIATE_TEST_SUITE_P(
    Cases, DownloadWorkerHostile,
    ::testing::Values(
        HostileCase{"CR LF in a src path", Hostile::InjectionInPath, kBadNotSent, kBadNotSaved, 3},
        HostileCase{"CR LF in a src host part", Hostile::InjectionInHost, kBadNotSent, kBadNotSaved,
                    3},
        HostileCase{"whole picture, closed before its Content-Length", Hostile::ClosedBeforeLength,
                    kAllThree, kBadNotSaved, 3},
        HostileCase{"whole picture without length, then a reset", Hostile::ResetWithoutLength,
                    kAllThree, kBadNotSaved, 3},
        HostileCase{"whole picture without length, then 30 s of silence",
                    Hostile::SilenceWithoutLength, kAllThree, kBadNotSaved, 3},
        HostileCase{"body past the cap", Hostile::PastTheBodyCap, kAllThree, kBadNotSaved, 3},
        HostileCase{"header block past 1 MiB", Hostile::HugeHeaderBlock, kAllThree, kBadNotSaved,
                    3},
        HostileCase{"whole picture to the close, without length", Hostile::WholeToTheClose,
                    kAllThree, kAllSaved, 3},
        HostileCase{"Content-Length reached, connection left open",
                    Hostile::LengthReachedConnectionOpen, kAllThree, kAllSaved, 3},
        HostileCase{"20 MB page whose one img has no double quote",
                    Hostile::PageWithUnquotedImgThen20MB, Paths{"/page/1", "/page/2"}, Paths{}, 0},
        HostileCase{"20 MB data: src before a picture", Hostile::PageWith20MBDataSrc,
                    Paths{"/page/1", "/pics/one.jpg", "/page/2"}, Paths{"pic-1.jpg"}, 1}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(DownloadWorkerTest, ExistingFileIsNotReplaced) {
  stdfs::create_directories(Out());
  WriteFile(Out() / "pic-1.jpg", "keep me");
  blog_->AddPicture("/pics/one.jpg");
  blog_->AddPicture("/pics/two.jpg", 8, 8, 0x123456);
  blog_->SetPage(1, {A("/pics/one.jpg"), A("/pics/two.jpg")});
  RunUntilPage(2);

  EXPECT_EQ(ReadFile(Out() / "pic-1.jpg"), "keep me");
  EXPECT_EQ(Entries(), (Paths{"pic-1.jpg", "pic-2.jpg"}));
  ExpectPicture(Out() / "pic-2.jpg", 8, 8, 0x123456);
  EXPECT_EQ(props_.count, 2);
}

struct NameCase {
  std::string name;
  std::string folder, picturename;
  int32_t count;  // after page 1
};
void PrintTo(const NameCase& c, std::ostream* os) {
  *os << c.name << ": folder \"" << c.folder << "\", base name \"" << c.picturename << '"';
}

class DownloadWorkerName : public DownloadWorkerTest,
                           public ::testing::WithParamInterface<NameCase> {};

// A name that is not one plain name writes nothing anywhere, and the run goes on.
TEST_P(DownloadWorkerName, NameThatIsNotPlainWritesNothing) {
  const NameCase& c = GetParam();
  props_.folder = c.folder;
  props_.picturename = c.picturename;
  blog_->AddPicture("/pics/one.jpg");
  blog_->SetPage(1, {A("/pics/one.jpg")});
  RunUntilPage(2);

  EXPECT_EQ(AllFiles(), Paths{});
  EXPECT_EQ(props_.count, c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DownloadWorkerName,
    ::testing::Values(NameCase{"folder above the Desktop", "../outside", "pic", 0},
                      NameCase{"folder with a path", "a/b", "pic", 0},
                      NameCase{"folder ..", "..", "pic", 0},
                      NameCase{"empty folder name", "", "pic", 0},
                      NameCase{"base name above the folder", "backup", "../../pic", 1},
                      NameCase{"base name with a path", "backup", "sub/pic", 1}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// --- Stop ---

TEST_F(DownloadWorkerTest, StopInThePauseEndsTheWorker) {
  clock_->SetAutoAdvance(false);  // the pause lasts
  blog_->AddPicture("/pics/one.jpg");
  blog_->SetPage(1, {A("/pics/one.jpg")});
  Start();
  ASSERT_TRUE(WaitUntil([&] { return thread_->GetState() == fw::Thread::State::Sleeping; }));
  Stop();

  EXPECT_FALSE(thread_->IsRunning());
  clock_->Advance(2 * kPauseMs);
  RealPause(50);
  EXPECT_EQ(blog_->RequestPaths(), (Paths{"/page/1", "/pics/one.jpg"}));
  EXPECT_EQ(Entries(), Paths{"pic-1.jpg"});
  EXPECT_EQ(props_.Page, 1);
  EXPECT_EQ(props_.count, 1);
}

TEST_F(DownloadWorkerTest, StopInAHangingPictureRequestLeavesNoPartialFile) {
  const std::string jpeg = blog_->AddPicture("/pics/hang.jpg", 40, 40, 0x777777);
  blog_->SetReply("/pics/hang.jpg",
                  {Step::Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(jpeg.size()) +
                              "\r\n\r\n" + jpeg.substr(0, jpeg.size() / 2)),
                   Step::Hang()});
  blog_->AddPicture("/pics/one.jpg");
  blog_->AddPicture("/pics/two.jpg");
  blog_->SetPage(1, {A("/pics/one.jpg"), A("/pics/hang.jpg"), A("/pics/two.jpg")});
  Start();
  ASSERT_TRUE(blog_->WaitForRequest("/pics/hang.jpg"));
  RealPause(20);
  Stop();

  EXPECT_FALSE(thread_->IsRunning());
  EXPECT_TRUE(WaitUntil([&] { return blog_->Server().OpenConnections() == 0; }))
      << "the connection stays open";
  RealPause(50);
  EXPECT_EQ(blog_->RequestPaths(), (Paths{"/page/1", "/pics/one.jpg", "/pics/hang.jpg"}));
  EXPECT_EQ(Entries(), Paths{"pic-1.jpg"});
  EXPECT_EQ(props_.count, 2) << "the cut-off picture has used up its number";
}

// Decoding and encoding run with the runtime lock given up; a Stop meanwhile
// still finds the picture either not saved or saved whole.
TEST_F(DownloadWorkerTest, StopWhileALargePictureIsWorkedOnLeavesItWholeOrAbsent) {
  blog_->AddPicture("/pics/big.jpg", 3000, 2000, 0x336699);
  blog_->SetPage(1, {A("/pics/big.jpg")});
  blog_->HoldPage(2);
  Start();
  ASSERT_TRUE(blog_->WaitForRequest("/pics/big.jpg"));
  Stop();

  const Paths entries = Entries();
  EXPECT_TRUE(entries == Paths{} || entries == Paths{"pic-1.jpg"})
      << ::testing::PrintToString(entries);
  if (!entries.empty()) ExpectPicture(Out() / "pic-1.jpg", 3000, 2000, 0x336699);
}

// A picture is converted and written while the next one downloads; the
// downloads themselves stay one after another, and every picture keeps the
// number it was fetched under.
TEST_F(DownloadWorkerTest, NextPictureIsFetchedWhileOneIsConverted) {
  std::atomic<int> conversions{0};
  const app::PictureConversion real = app::RealPictureConversion();
  app::SetPictureConversion([&](std::string bytes, const std::string& watermark) {
    if (++conversions == 1) gate_.Pass();  // the first one until the test says
    return real(std::move(bytes), watermark);
  });
  blog_->AddPicture("/pics/first.jpg", 24, 16, 0xCC2222);
  blog_->AddPicture("/pics/second.jpg", 20, 30, 0x22CC22);
  blog_->AddPicture("/pics/third.jpg", 16, 16, 0x2222CC);
  blog_->SetPage(1, {A("/pics/first.jpg"), A("/pics/second.jpg"), A("/pics/third.jpg")});
  blog_->HoldPage(2);
  Start();

  ASSERT_TRUE(blog_->WaitForRequest("/pics/second.jpg")) << "the worker waited for a conversion";
  RealPause(20);
  EXPECT_EQ(gate_.Passed(), 0);
  EXPECT_EQ(Entries(), Paths{});
  EXPECT_EQ(blog_->RequestPaths().back(), "/pics/third.jpg")
      << "one picture waits for its conversion, one is converting, none is fetched further";

  gate_.Open();
  ASSERT_TRUE(blog_->WaitForRequest("/page/2")) << "the page did not end";
  EXPECT_EQ(blog_->RequestPaths(), (Paths{"/page/1", "/pics/first.jpg", "/pics/second.jpg",
                                          "/pics/third.jpg", "/page/2"}));
  EXPECT_EQ(Entries(), (Paths{"pic-1.jpg", "pic-2.jpg", "pic-3.jpg"}))
      << "every picture is on disk before the pause";
  ExpectPicture(Out() / "pic-1.jpg", 24, 16, 0xCC2222);
  ExpectPicture(Out() / "pic-2.jpg", 20, 30, 0x22CC22);
  ExpectPicture(Out() / "pic-3.jpg", 16, 16, 0x2222CC);
}

// What leaves a conversion is raised on the worker, as if the worker had
// converted the picture itself: the run ends with the report, and the picture
// is not saved.
TEST_F(DownloadWorkerTest, FailureInAConversionEndsTheRunWithAReport) {
  std::atomic<int> reports{0};
  std::string report;
  fw::SetUnhandledReporter([&](std::exception_ptr e, std::string_view) {
    report = fw::DescribeException(e);
    ++reports;
  });
  app::SetPictureConversion([](std::string, const std::string&) -> std::string {
    throw std::runtime_error("out of pixels");
  });
  blog_->AddPicture("/pics/a.jpg");
  blog_->SetPage(1, {A("/pics/a.jpg")});
  Start();

  ASSERT_TRUE(WaitUntil([&] { return !thread_->IsRunning(); })) << "the run did not end";
  EXPECT_EQ(reports, 1);
  EXPECT_NE(report.find("out of pixels"), std::string::npos) << report;
  EXPECT_EQ(blog_->RequestPaths(), (Paths{"/page/1", "/pics/a.jpg"}));
  EXPECT_EQ(Entries(), Paths{});
  fw::SetUnhandledReporter(nullptr);
}

// --- Stop in every state of the worker ---

// Where the worker stands when "Stop" comes: how to bring it there, and how
// to see that it is there.
class DownloadWorkerStop;
struct StopCase {
  const char* name;
  std::function<void(DownloadWorkerStop&)> arrange;
  std::function<bool(DownloadWorkerStop&)> inState;
};
void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class DownloadWorkerStop : public DownloadWorkerTest,
                           public ::testing::WithParamInterface<StopCase> {
 public:
  // Makes page 1 hold one "jpg" address.
  void OnePicturePage(const std::string& path) {
    blog_->AddPicture(path, 32, 24, 0x225588);
    blog_->SetPage(1, {A(path)});
  }
  bool Requested(const std::string& path) const {
    const Paths paths = blog_->RequestPaths();
    return std::find(paths.begin(), paths.end(), path) != paths.end();
  }
  std::unique_ptr<FixtureBlog>& Blog() { return blog_; }
  app::MainWindowProperties& Props() { return props_; }
  std::shared_ptr<fw::ManualClock>& TestClock() { return clock_; }
  testsupport::Gate& TestGate() { return gate_; }
  fw::Thread& Worker() { return *thread_; }
};

// Stop returns while the stand-ins still hold the worker (it does not wait
// for them), and once they let go the worker takes no further step: no
// request, no number, no file, no connection left open.
TEST_P(DownloadWorkerStop, TakesEffectAtOnceAndTheWorkerTakesNoFurtherStep) {
  GetParam().arrange(*this);
  Start();
  ASSERT_TRUE(WaitUntil([&] { return GetParam().inState(*this); }))
      << "the worker did not get there";
  RealPause(10);
  const int32_t page = props_.Page, count = props_.count;
  const Paths requests = blog_->RequestPaths();

  Stop();
  EXPECT_FALSE(thread_->IsRunning());
  EXPECT_EQ(gate_.Passed(), 0) << "Stop waited for the stand-in";

  gate_.Open();
  clock_->Advance(3 * kPauseMs);
  EXPECT_TRUE(fw::Thread::WaitForAllThreadsToEnd(5000)) << "the stopped worker did not end";
  RealPause(20);
  EXPECT_EQ(props_.Page, page);
  EXPECT_EQ(props_.count, count);
  EXPECT_EQ(blog_->RequestPaths(), requests);
  EXPECT_EQ(Entries(), Paths{}) << "nothing of the stopped picture is saved";
  EXPECT_TRUE(WaitUntil([&] { return blog_->Server().OpenConnections() == 0; }));
}

const StopCase kStopCases[] = {
    {"WaitingForAPage", [](DownloadWorkerStop& t) { t.Blog()->HoldPage(1); },
     [](DownloadWorkerStop& t) { return t.Requested("/page/1"); }},
    {"WaitingForAPicture",
     [](DownloadWorkerStop& t) {
       t.Blog()->SetPage(1, {t.Blog()->Address("/pics/hang.jpg")});
       t.Blog()->SetReply(
           "/pics/hang.jpg",
           {Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 900\r\n\r\n\xFF\xD8"), Step::Hang()});
     },
     [](DownloadWorkerStop& t) { return t.Requested("/pics/hang.jpg"); }},
    {"InATlsHandshake",
     // A server that takes the connection and never answers the greeting.
     [](DownloadWorkerStop& t) {
       t.Props().url = "https://" + std::string(FixtureBlog::kHost) + ":" +
                       std::to_string(t.Blog()->Server().Port());
     },
     [](DownloadWorkerStop& t) {
       return t.Blog()->Server().Connections() == 1 &&
              t.Worker().GetState() == fw::Thread::State::Waiting;
     }},
    {"InANameLookupThatNeverAnswers",
     [](DownloadWorkerStop& t) {
       fw::NameResolver::SetFunction([&gate = t.TestGate()](const std::string&) {
         gate.Pass();
         return std::vector<std::string>{"127.0.0.1"};
       });
       t.Blog()->SetPage(1, {});
     },
     [](DownloadWorkerStop& t) { return t.TestGate().Arrived() == 1; }},
    {"ConvertingAPicture",
     [](DownloadWorkerStop& t) {
       t.OnePicturePage("/pics/slow.jpg");
       app::SetPictureConversion([&gate = t.TestGate()](std::string bytes, const std::string&) {
         gate.Pass();
         return bytes;
       });
     },
     [](DownloadWorkerStop& t) { return t.TestGate().Arrived() == 1; }},
    {"InThePause",
     [](DownloadWorkerStop& t) {
       t.TestClock()->SetAutoAdvance(false);
       t.Blog()->SetPage(1, {});
     },
     [](DownloadWorkerStop& t) { return t.Worker().GetState() == fw::Thread::State::Sleeping; }},
};
INSTANTIATE_TEST_SUITE_P(EveryState, DownloadWorkerStop, ::testing::ValuesIn(kStopCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- TLS ---

class DownloadWorkerTlsTest : public DownloadWorkerTest {
 protected:
  std::unique_ptr<FixtureBlog> MakeBlog() override {
    return std::make_unique<FixtureBlog>(LoopbackServer::Mode::Tls, "secure.example");
  }
};

TEST_F(DownloadWorkerTlsTest, FetchesHttpsPagesAndPictures) {
  ASSERT_EQ(props_.url.rfind("https://secure.example:", 0), 0u) << props_.url;
  blog_->AddPicture("/pics/a.jpg", 10, 12, 0xAA00AA);
  blog_->SetPage(1, {A("/pics/a.jpg")});
  RunUntilPage(2);

  EXPECT_EQ(Entries(), Paths{"pic-1.jpg"});
  ExpectPicture(Out() / "pic-1.jpg", 10, 12, 0xAA00AA);
}

}  // namespace
