#include "framework/files/FolderItem.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "framework/files/SpecialFolder.h"
#include "framework/picture/OpenAsPicture.h"
#include "framework/picture/Picture.h"
#include "tests/support/TempFolder.h"

namespace {

namespace stdfs = std::filesystem;

std::string ReadFile(const stdfs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class InTempFolder : public ::testing::Test {
 protected:
  void TearDown() override { fw::FolderItem::SetNamedTempFilesForTests(false); }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& e : stdfs::directory_iterator(dir_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  testsupport::TempFolder temp_{"folderitem_test"};
  const stdfs::path dir_ = temp_.Path();
  const fw::Ref<fw::FolderItem> folder_ = std::make_shared<fw::FolderItem>(dir_.string());
};

// --- Names and paths ---

struct ChildCase {
  std::string name;
  bool accepted;
};
void PrintTo(const ChildCase& c, std::ostream* os) {
  *os << '"';
  for (char ch : c.name) *os << (ch == '\0' ? std::string("\\0") : std::string(1, ch));
  *os << '"' << (c.accepted ? " accepted" : " refused");
}

class FolderItemChild : public ::testing::TestWithParam<ChildCase> {};

TEST_P(FolderItemChild, TakesOnlyOnePlainName) {
  fw::FolderItem folder("/srv/pictures");
  auto child = folder.Child(GetParam().name);
  if (!GetParam().accepted) {
    EXPECT_EQ(child, nullptr);
    return;
  }
  ASSERT_TRUE(child);
  EXPECT_EQ(child->Name(), GetParam().name);
  EXPECT_EQ(child->Parent()->NativePath(), "/srv/pictures");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderItemChild,
    ::testing::Values(ChildCase{"", false}, ChildCase{".", false}, ChildCase{"..", false},
                      ChildCase{"/", false}, ChildCase{"a/b", false}, ChildCase{"../etc", false},
                      ChildCase{"x/", false}, ChildCase{std::string("a\0b", 3), false},
                      ChildCase{"pic-1.jpg", true}, ChildCase{".hidden", true},
                      ChildCase{"...", true}, ChildCase{"..x", true}, ChildCase{"with space", true},
                      ChildCase{"Bilder \xC3\xA4", true}));

struct PathCase {
  std::string given, path, name, parent;  // parent "" = Nil
};
void PrintTo(const PathCase& c, std::ostream* os) { *os << c.given; }

class FolderItemPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(FolderItemPath, IsResolvedInText) {
  fw::FolderItem item(GetParam().given);
  EXPECT_EQ(item.NativePath(), GetParam().path);
  EXPECT_EQ(item.Name(), GetParam().name);
  auto parent = item.Parent();
  if (GetParam().parent.empty()) {
    EXPECT_EQ(parent, nullptr);
  } else {
    ASSERT_TRUE(parent);
    EXPECT_EQ(parent->NativePath(), GetParam().parent);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FolderItemPath,
                         ::testing::Values(PathCase{"/", "/", "", ""},
                                           PathCase{"/a", "/a", "a", "/"},
                                           PathCase{"/a//b/./c/../d/", "/a/b/d", "d", "/a/b"},
                                           PathCase{"/../x", "/x", "x", "/"}));

TEST(FolderItemPath, RelativeIsTakenFromTheWorkingFolder) {
  fw::FolderItem item("sub/file");
  EXPECT_EQ(item.NativePath(), (stdfs::current_path() / "sub/file").string());
  EXPECT_EQ(fw::FolderItem::FromPath(""), nullptr);
}

// --- The file system ---

using FolderItemFiles = InTempFolder;

TEST_F(FolderItemFiles, CreateAsFolderMakesAMissingFolder) {
  auto sub = folder_->Child("out");
  EXPECT_FALSE(sub->Exists());
  EXPECT_FALSE(sub->IsFolder());
  sub->CreateAsFolder();
  EXPECT_TRUE(sub->Exists());
  EXPECT_TRUE(sub->IsFolder());
  sub->CreateAsFolder();  // again: nothing happens
  EXPECT_TRUE(sub->IsFolder());
}

TEST_F(FolderItemFiles, CreateAsFolderLeavesAFileAlone) {
  { std::ofstream(dir_ / "f") << "x"; }
  auto f = folder_->Child("f");
  f->CreateAsFolder();
  EXPECT_TRUE(f->Exists());
  EXPECT_FALSE(f->IsFolder());
  EXPECT_EQ(ReadFile(dir_ / "f"), "x");
}

TEST_F(FolderItemFiles, CountsEveryEntryHiddenOnesIncluded) {
  { std::ofstream(dir_ / "a.jpg") << "1"; }
  { std::ofstream(dir_ / "b.txt") << "2"; }
  { std::ofstream(dir_ / ".hidden") << "3"; }
  stdfs::create_directory(dir_ / "sub");
  { std::ofstream(dir_ / "sub" / "inner") << "4"; }  // not counted: one level only
  EXPECT_EQ(folder_->Count(), 4);
  EXPECT_EQ(folder_->Child("sub")->Count(), 1);
  EXPECT_EQ(folder_->Child("a.jpg")->Count(), 0);
  EXPECT_EQ(folder_->Child("missing")->Count(), 0);
}

TEST_F(FolderItemFiles, OpenAsPictureReadsAPictureFile) {
  QImage img(30, 20, QImage::Format_ARGB32);
  img.fill(qRgba(10, 200, 30, 255));
  ASSERT_TRUE(img.save(QString::fromStdString((dir_ / "icon.png").string()), "png"));
  auto pic = fw::OpenAsPicture(*folder_->Child("icon.png"));
  ASSERT_TRUE(pic);
  EXPECT_EQ(pic->Width(), 30);
  EXPECT_EQ(pic->Height(), 20);
}

TEST_F(FolderItemFiles, OpenAsPictureGivesNilForWhatIsNoPicture) {
  { std::ofstream(dir_ / "notes.png") << "no picture in here"; }
  { std::ofstream(dir_ / "empty.png"); }
  stdfs::create_directory(dir_ / "folder.png");
  ASSERT_EQ(mkfifo((dir_ / "pipe.png").c_str(), 0600), 0);  // must not block
  for (const char* name : {"notes.png", "empty.png", "folder.png", "pipe.png", "missing.png"})
    EXPECT_EQ(fw::OpenAsPicture(*folder_->Child(name)), nullptr) << name;
}

// --- Writing new files ---

// Each write test runs with the unnamed temporary file and with the named one.
class FolderItemWrite : public InTempFolder, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    InTempFolder::SetUp();
    fw::FolderItem::SetNamedTempFilesForTests(GetParam());
  }
};

TEST_P(FolderItemWrite, WritesTheBytesAndNothingElse) {
  const std::string bytes("\xFF\xD8 all of it \0 with a NUL", 26);
  EXPECT_TRUE(folder_->Child("new.jpg")->WriteNewFile(bytes));
  EXPECT_EQ(ReadFile(dir_ / "new.jpg"), bytes);
  EXPECT_EQ(Names(), std::vector<std::string>{"new.jpg"});
}

TEST_P(FolderItemWrite, NeverReplacesAnExistingName) {
  { std::ofstream(dir_ / "old.jpg") << "keep me"; }
  stdfs::create_symlink(dir_ / "nowhere", dir_ / "link.jpg");
  EXPECT_FALSE(folder_->Child("old.jpg")->WriteNewFile("new bytes"));
  EXPECT_FALSE(folder_->Child("link.jpg")->WriteNewFile("new bytes"));
  EXPECT_EQ(ReadFile(dir_ / "old.jpg"), "keep me");
  EXPECT_FALSE(stdfs::exists(dir_ / "nowhere"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"link.jpg", "old.jpg"}));
}

TEST_P(FolderItemWrite, IntoAMissingFolderFails) {
  EXPECT_FALSE(folder_->Child("missing")->Child("new.jpg")->WriteNewFile("bytes"));
  EXPECT_TRUE(Names().empty());
}

// A write that fails part-way (here the file-size limit stands in for a full
// disk) leaves neither the file nor its temporary file behind.
TEST_P(FolderItemWrite, AFailedWriteLeavesNothing) {
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  struct sigaction ignore = {}, saved;
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &saved);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = folder_->Child("big.jpg")->WriteNewFile(std::string(100000, 'x'));
  setrlimit(RLIMIT_FSIZE, &old);
  sigaction(SIGXFSZ, &saved, nullptr);
  EXPECT_FALSE(written);
  EXPECT_TRUE(Names().empty());
}

// A process killed in the middle of the write never leaves a cut-off file
// under the name; the unnamed temporary file vanishes with it.
TEST_P(FolderItemWrite, AProcessKilledMidWriteLeavesNoPartialFile) {
  auto target = folder_->Child("big.jpg");
  const std::string bytes(100000, 'x');
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
    struct rlimit small = {4096, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &small);
    signal(SIGXFSZ, SIG_DFL);  // the write past the limit kills the process
    target->WriteNewFile(bytes);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_FALSE(stdfs::exists(dir_ / "big.jpg"));
  for (const auto& name : Names()) EXPECT_EQ(name[0], '.') << name;  // at most a hidden leftover
  if (!GetParam()) {
    EXPECT_TRUE(Names().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(TempFile, FolderItemWrite, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "named" : "unnamed"; });

// --- Special folders ---

// Desktop from a user-dirs.dirs file; the expected path is relative to $HOME
// unless it begins with @TMP@, which stands for the test's own folder.
struct DesktopCase {
  std::string name, userDirs, expected;
};
void PrintTo(const DesktopCase& c, std::ostream* os) { *os << c.name; }

class SpecialFolderDesktop : public InTempFolder,
                             public ::testing::WithParamInterface<DesktopCase> {
 protected:
  void SetUp() override {
    InTempFolder::SetUp();
    for (const char* v : {"HOME", "XDG_CONFIG_HOME"}) {
      const char* s = getenv(v);
      saved_.emplace_back(v, s ? std::optional<std::string>(s) : std::nullopt);
    }
    home_ = dir_ / "home";
    stdfs::create_directories(home_ / "cfg");
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home_ / "cfg").c_str(), 1);
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
    fw::SpecialFolder::SetDesktopForTests("");
    InTempFolder::TearDown();
  }
  stdfs::path home_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_P(SpecialFolderDesktop, IsFoundAndMade) {
  const DesktopCase& c = GetParam();
  auto fill = [&](std::string s) {
    for (size_t at; (at = s.find("@TMP@")) != std::string::npos;) s.replace(at, 5, dir_.string());
    return s;
  };
  if (!c.userDirs.empty()) std::ofstream(home_ / "cfg" / "user-dirs.dirs") << fill(c.userDirs);
  const std::string expected =
      c.expected.rfind("@TMP@", 0) == 0 ? fill(c.expected) : (home_ / c.expected).string();
  auto desktop = fw::SpecialFolder::Desktop();
  ASSERT_TRUE(desktop);
  EXPECT_EQ(desktop->NativePath(), expected);
  EXPECT_TRUE(stdfs::is_directory(expected));
}

std::vector<DesktopCase> DesktopCases() {
  return {
      {"no_file", "", "Desktop"},
      {"absolute_value", "XDG_DESKTOP_DIR=\"@TMP@/elsewhere/Desk\"\n", "@TMP@/elsewhere/Desk"},
      {"home_relative", "# written by the session\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n",
       "Schreibtisch"},
      {"nested_missing_parents", "XDG_DESKTOP_DIR=\"$HOME/a/b/Desk\"\n", "a/b/Desk"},
      {"escaped_quote", "XDG_DESKTOP_DIR=\"$HOME/My \\\"Desk\\\"\"\n", "My \"Desk\""},
      {"commented_out", "#XDG_DESKTOP_DIR=\"$HOME/Other\"\n", "Desktop"},
      {"relative_value_ignored", "XDG_DESKTOP_DIR=\"Other\"\n", "Desktop"},
      {"unquoted_value_ignored", "XDG_DESKTOP_DIR=$HOME/Other\n", "Desktop"},
      {"home_prefix_only_as_a_part", "XDG_DESKTOP_DIR=\"$HOMEX/Other\"\n", "Desktop"},
      {"last_line_counts",
       "XDG_DESKTOP_DIR=\"$HOME/First\"\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n"
       "XDG_DESKTOP_DIR=\"$HOME/Second\"\n",
       "Second"},
  };
}

INSTANTIATE_TEST_SUITE_P(Cases, SpecialFolderDesktop, ::testing::ValuesIn(DesktopCases()),
                         [](const auto& info) { return info.param.name; });

using SpecialFolderSeam = InTempFolder;

TEST_F(SpecialFolderSeam, DesktopGivesAndMakesTheFolderSet) {
  fw::SpecialFolder::SetDesktopForTests((dir_ / "desk").string());
  auto desktop = fw::SpecialFolder::Desktop();
  fw::SpecialFolder::SetDesktopForTests("");
  ASSERT_TRUE(desktop);
  EXPECT_EQ(desktop->NativePath(), (dir_ / "desk").string());
  EXPECT_TRUE(desktop->IsFolder());
}

TEST_F(SpecialFolderSeam, DesktopIsNilWhenItCannotBeMade) {
  { std::ofstream(dir_ / "file") << "x"; }
  fw::SpecialFolder::SetDesktopForTests((dir_ / "file").string());
  EXPECT_EQ(fw::SpecialFolder::Desktop(), nullptr);
  fw::SpecialFolder::SetDesktopForTests((dir_ / "file" / "Desktop").string());
  EXPECT_EQ(fw::SpecialFolder::Desktop(), nullptr);
  fw::SpecialFolder::SetDesktopForTests("");
}

TEST(SpecialFolderExecutable, IsTheRunningProgramAndCanBeSetForTests) {
  auto exe = fw::SpecialFolder::ExecutableFile();
  ASSERT_TRUE(exe);
  EXPECT_EQ(stdfs::path(exe->NativePath()), stdfs::read_symlink("/proc/self/exe"));
  EXPECT_TRUE(exe->Exists());

  fw::SpecialFolder::SetExecutableFileForTests("/opt/bundle/bin/prog");
  auto resources = fw::SpecialFolder::ExecutableFile()->Parent()->Parent()->Child("Resources");
  fw::SpecialFolder::SetExecutableFileForTests("");
  EXPECT_EQ(resources->NativePath(), "/opt/bundle/Resources");
  EXPECT_EQ(fw::SpecialFolder::ExecutableFile()->NativePath(), exe->NativePath());
}

}  // namespace
