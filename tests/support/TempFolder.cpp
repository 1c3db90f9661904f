#include "tests/support/TempFolder.h"

#include <stdlib.h>

#include <stdexcept>
#include <system_error>
#include <vector>

namespace testsupport {

TempFolder::TempFolder(const std::string& prefix) {
  const std::string pattern = "/tmp/" + prefix + "-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!mkdtemp(name.data())) throw std::runtime_error("cannot make a folder like " + pattern);
  path_ = name.data();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace testsupport
