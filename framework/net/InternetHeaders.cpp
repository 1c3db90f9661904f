#include "framework/net/InternetHeaders.h"

#include <algorithm>

#include "framework/runtime/OutOfBoundsException.h"
#include "framework/text/Text.h"

namespace fw {

void InternetHeaders::SetHeader(std::string_view name, std::string_view value) {
  auto first = std::find_if(lines_.begin(), lines_.end(),
                            [&](const auto& line) { return StrEq(line.first, name); });
  if (first == lines_.end()) {
    lines_.emplace_back(std::string(name), std::string(value));
    return;
  }
  first->second = std::string(value);
  lines_.erase(std::remove_if(first + 1, lines_.end(),
                              [&](const auto& line) { return StrEq(line.first, name); }),
               lines_.end());
}

void InternetHeaders::AppendHeader(std::string_view name, std::string_view value) {
  lines_.emplace_back(std::string(name), std::string(value));
}

void InternetHeaders::Delete(std::string_view name) {
  lines_.erase(std::remove_if(lines_.begin(), lines_.end(),
                              [&](const auto& line) { return StrEq(line.first, name); }),
               lines_.end());
}

void InternetHeaders::Clear() { lines_.clear(); }

std::string InternetHeaders::Value(std::string_view name) const {
  for (const auto& line : lines_) {
    if (StrEq(line.first, name)) return line.second;
  }
  return {};
}

bool InternetHeaders::Has(std::string_view name) const {
  return std::any_of(lines_.begin(), lines_.end(),
                     [&](const auto& line) { return StrEq(line.first, name); });
}

const std::string& InternetHeaders::Name(int32_t i) const {
  if (i < 0 || i >= Count()) throw OutOfBoundsException();
  return lines_[static_cast<size_t>(i)].first;
}

const std::string& InternetHeaders::Value(int32_t i) const {
  if (i < 0 || i >= Count()) throw OutOfBoundsException();
  return lines_[static_cast<size_t>(i)].second;
}

}  // namespace fw
