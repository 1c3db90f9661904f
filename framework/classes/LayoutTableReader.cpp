#include "framework/classes/LayoutTableReader.h"

#include <string>

#include "framework/runtime/RuntimeException.h"

namespace fw {

namespace {

[[noreturn]] void Fail(const std::string& what, size_t at) {
  throw RuntimeException("Layout table: " + what + " at byte " + std::to_string(at));
}

uint32_t Get32(std::string_view t, size_t at) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(t[at])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(t[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(t[at + 2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(t[at + 3]));
}

}  // namespace

LayoutEntry LayoutTableReader::Next() {
  if (AtEnd()) Fail("no entry left", pos_);
  const size_t space = table_.find(' ', pos_);
  if (space == std::string_view::npos) Fail("property name without its space", pos_);
  LayoutEntry e;
  e.name = std::string(table_.substr(pos_, space - pos_));
  const auto type = LayoutTypeOf(e.name);
  if (!type) Fail("unknown property \"" + e.name + "\"", pos_);
  e.type = *type;
  size_t at = space + 1;
  const size_t left = table_.size() - at;
  auto need = [&](size_t n) {
    if (left < n) Fail("value of \"" + e.name + "\" cut off", at);
  };
  switch (e.type) {
    case LayoutType::Int32:
      need(4);
      e.number = static_cast<int32_t>(Get32(table_, at));
      at += 4;
      break;
    case LayoutType::Boolean: {
      need(1);
      const auto b = static_cast<unsigned char>(table_[at]);
      if (b > 1) Fail("Boolean \"" + e.name + "\" is neither 00 nor 01", at);
      e.number = b;
      at += 1;
      break;
    }
    case LayoutType::Color:
      need(3);
      e.number = static_cast<int32_t>(
          (static_cast<uint32_t>(static_cast<unsigned char>(table_[at])) << 16) |
          (static_cast<uint32_t>(static_cast<unsigned char>(table_[at + 1])) << 8) |
          static_cast<uint32_t>(static_cast<unsigned char>(table_[at + 2])));
      at += 3;
      break;
    case LayoutType::String: {
      need(4);
      const uint32_t len = Get32(table_, at);
      if (left - 4 < len) Fail("text of \"" + e.name + "\" cut off", at);
      e.text = std::string(table_.substr(at + 4, len));
      at += 4 + len;
      break;
    }
  }
  pos_ = at;
  return e;
}

std::vector<LayoutEntry> LayoutTableReader::ReadAll(std::string_view table) {
  std::vector<LayoutEntry> out;
  LayoutTableReader r(table);
  while (!r.AtEnd()) out.push_back(r.Next());
  return out;
}

}  // namespace fw
