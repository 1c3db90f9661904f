#include "framework/classes/LayoutTableWriter.h"

#include "framework/runtime/RuntimeException.h"

namespace fw {

void LayoutTableWriter::Start(std::string_view name, LayoutType type) {
  const auto known = LayoutTypeOf(name);
  if (!known) throw RuntimeException("Unknown layout property \"" + std::string(name) + "\"");
  if (*known != type)
    throw RuntimeException("Layout property \"" + std::string(name) + "\" is of type " +
                           LayoutTypeName(*known) + ", not " + LayoutTypeName(type));
  bytes_.append(name);
  bytes_.push_back(' ');
}

void LayoutTableWriter::Put32(uint32_t v) {
  bytes_.push_back(static_cast<char>(v >> 24));
  bytes_.push_back(static_cast<char>(v >> 16));
  bytes_.push_back(static_cast<char>(v >> 8));
  bytes_.push_back(static_cast<char>(v));
}

LayoutTableWriter& LayoutTableWriter::Int32(std::string_view name, int32_t value) {
  Start(name, LayoutType::Int32);
  Put32(static_cast<uint32_t>(value));
  return *this;
}

LayoutTableWriter& LayoutTableWriter::Bool(std::string_view name, bool value) {
  Start(name, LayoutType::Boolean);
  bytes_.push_back(value ? '\x01' : '\x00');
  return *this;
}

LayoutTableWriter& LayoutTableWriter::Color(std::string_view name, uint32_t rgb) {
  Start(name, LayoutType::Color);
  bytes_.push_back(static_cast<char>(rgb >> 16));
  bytes_.push_back(static_cast<char>(rgb >> 8));
  bytes_.push_back(static_cast<char>(rgb));
  return *this;
}

LayoutTableWriter& LayoutTableWriter::String(std::string_view name, std::string_view text) {
  Start(name, LayoutType::String);
  Put32(static_cast<uint32_t>(text.size()));
  bytes_.append(text);
  return *this;
}

}  // namespace fw
