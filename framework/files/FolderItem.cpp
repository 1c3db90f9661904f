#include "framework/files/FolderItem.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <random>
#include <vector>

namespace fw {

namespace {

std::atomic<bool> gNamedTempOnly{false};

// The absolute, textually resolved form of path.
std::string Normalise(const std::string& path) {
  std::string full = path;
  if (full.empty() || full[0] != '/') {
    std::vector<char> buf(PATH_MAX);
    std::string cwd = getcwd(buf.data(), buf.size()) ? buf.data() : "/";
    full = cwd + "/" + full;
  }
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < full.size()) {
    size_t j = full.find('/', i);
    if (j == std::string::npos) j = full.size();
    std::string part = full.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    i = j + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

// Closes a descriptor on scope exit.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
};

bool WriteAll(int fd, const std::string& bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// A hidden name in the same folder for the file being written.
std::string TempName(const std::string& name) {
  thread_local std::mt19937_64 rng{std::random_device{}()};
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string base = name.substr(0, 200);  // keeps the whole name under NAME_MAX
  std::string suffix;
  for (int i = 0; i < 6; ++i) suffix += kChars[rng() % (sizeof(kChars) - 1)];
  return "." + base + ".part-" + suffix;
}

}  // namespace

FolderItem::FolderItem(const std::string& path) : path_(Normalise(path)) {}

Ref<FolderItem> FolderItem::FromPath(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return nullptr;
  return std::make_shared<FolderItem>(path);
}

std::string FolderItem::Name() const {
  if (path_ == "/") return "";
  return path_.substr(path_.rfind('/') + 1);
}

Ref<FolderItem> FolderItem::Parent() const {
  if (path_ == "/") return nullptr;
  size_t slash = path_.rfind('/');
  return std::make_shared<FolderItem>(slash == 0 ? "/" : path_.substr(0, slash));
}

bool FolderItem::IsPlainName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

Ref<FolderItem> FolderItem::Child(const std::string& name) const {
  if (!IsPlainName(name)) return nullptr;
  return std::make_shared<FolderItem>(path_ == "/" ? "/" + name : path_ + "/" + name);
}

bool FolderItem::Exists() const {
  struct stat st;
  return lstat(path_.c_str(), &st) == 0;
}

bool FolderItem::IsFolder() const {
  struct stat st;
  return stat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void FolderItem::CreateAsFolder() const { mkdir(path_.c_str(), 0777); }

int32_t FolderItem::Count() const {
  const int64_t n = CountEntries(path_);
  return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}

int64_t FolderItem::CountEntries(const std::string& path, int64_t limit,
                                 const std::atomic<bool>* stop) {
  DIR* dir = opendir(path.c_str());
  if (!dir) return 0;
  int64_t n = 0;
  while (struct dirent* e = readdir(dir)) {
    const char* s = e->d_name;
    if (s[0] == '.' && (s[1] == '\0' || (s[1] == '.' && s[2] == '\0'))) continue;
    ++n;
    if ((limit >= 0 && n > limit) || ((n & 1023) == 0 && stop && stop->load())) {
      n = -1;
      break;
    }
  }
  closedir(dir);
  return n;
}

bool FolderItem::WriteNewFile(const std::string& bytes) const {
  if (path_ == "/") return false;
  const std::string name = Name();
  Fd dir(open(Parent()->NativePath().c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC));
  if (dir.fd < 0) return false;
  // Cheap early answer; the final link below refuses an existing name anyway.
  struct stat st;
  if (fstatat(dir.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return false;

  // An unnamed file vanishes by itself if the process dies before it is linked.
  int fd = -1;
  std::string temp;
  // It is put in place through /proc, so that must be there.
  if (!gNamedTempOnly.load() && access("/proc/self/fd", X_OK) == 0)
    fd = openat(dir.fd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) {
    for (int tries = 0; tries < 100 && fd < 0; ++tries) {
      temp = TempName(name);
      fd = openat(dir.fd, temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
      if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return false;
  }
  Fd file(fd);
  auto dropTemp = [&] {
    if (!temp.empty()) unlinkat(dir.fd, temp.c_str(), 0);
  };
  if (!WriteAll(fd, bytes) || fsync(fd) != 0) {
    dropTemp();
    return false;
  }

  bool placed = false;
  if (temp.empty()) {
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    placed = linkat(AT_FDCWD, self.c_str(), dir.fd, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
  } else {
    // link() never replaces an existing name; where the file system has no
    // hard links, a rename that refuses to replace does the same.
    if (linkat(dir.fd, temp.c_str(), dir.fd, name.c_str(), 0) == 0) {
      placed = true;
    } else if (errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK) {
      placed = renameat2(dir.fd, temp.c_str(), dir.fd, name.c_str(), RENAME_NOREPLACE) == 0;
    }
    dropTemp();
  }
  if (placed) fsync(dir.fd);
  return placed;
}

void FolderItem::SetNamedTempFilesForTests(bool namedOnly) { gNamedTempOnly.store(namedOnly); }

}  // namespace fw
