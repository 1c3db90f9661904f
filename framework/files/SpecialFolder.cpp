#include "framework/files/SpecialFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <vector>

namespace fw {

namespace {

std::mutex gSeamMutex;
std::string gDesktopForTests;
std::string gExecutableForTests;

std::string HomeFolder() {
  const char* home = getenv("HOME");
  if (home && home[0] == '/') return home;
  if (struct passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
    return pw->pw_dir;
  return {};
}

// The value of XDG_DESKTOP_DIR in a user-dirs.dirs file ("" when not given):
// a double-quoted path that starts with "$HOME" or "/", backslash escapes allowed.
std::string DesktopFromUserDirs(const std::string& file, const std::string& home) {
  std::ifstream in(file);
  std::string line, found;
  while (std::getline(in, line)) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] == '#') continue;
    static const std::string kKey = "XDG_DESKTOP_DIR=";
    if (line.compare(i, kKey.size(), kKey) != 0) continue;
    i += kKey.size();
    if (i >= line.size() || line[i] != '"') continue;
    std::string value;
    bool closed = false;
    for (++i; i < line.size(); ++i) {
      char c = line[i];
      if (c == '\\' && i + 1 < line.size()) {
        value += line[++i];
      } else if (c == '"') {
        closed = true;
        break;
      } else {
        value += c;
      }
    }
    if (!closed) continue;
    if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
      if (home.empty()) continue;
      value = home + value.substr(5);
    } else if (value.empty() || value[0] != '/') {
      continue;
    }
    found = value;  // the last valid line counts
  }
  return found;
}

// Makes path and its missing parents; true when it is a folder afterwards.
bool MakeFolders(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash))) return false;
  if (mkdir(path.c_str(), 0777) == 0) return true;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

Ref<FolderItem> SpecialFolder::Desktop() {
  std::string path;
  {
    std::lock_guard<std::mutex> lock(gSeamMutex);
    path = gDesktopForTests;
  }
  if (path.empty()) {
    const std::string home = HomeFolder();
    const char* config = getenv("XDG_CONFIG_HOME");
    std::string configDir = config && config[0] == '/' ? std::string(config)
                            : home.empty()             ? std::string()
                                                       : home + "/.config";
    if (!configDir.empty()) path = DesktopFromUserDirs(configDir + "/user-dirs.dirs", home);
    if (path.empty() && !home.empty()) path = home + "/Desktop";
    if (path.empty()) return nullptr;
  }
  Ref<FolderItem> item = FolderItem::FromPath(path);
  if (!item || !MakeFolders(item->NativePath())) return nullptr;
  return item;
}

void SpecialFolder::SetDesktopForTests(const std::string& path) {
  std::lock_guard<std::mutex> lock(gSeamMutex);
  gDesktopForTests = path;
}

Ref<FolderItem> SpecialFolder::ExecutableFile() {
  {
    std::lock_guard<std::mutex> lock(gSeamMutex);
    if (!gExecutableForTests.empty()) return FolderItem::FromPath(gExecutableForTests);
  }
  std::vector<char> buf(PATH_MAX + 1);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return nullptr;
  return FolderItem::FromPath(std::string(buf.data(), static_cast<size_t>(n)));
}

void SpecialFolder::SetExecutableFileForTests(const std::string& path) {
  std::lock_guard<std::mutex> lock(gSeamMutex);
  gExecutableForTests = path;
}

}  // namespace fw
