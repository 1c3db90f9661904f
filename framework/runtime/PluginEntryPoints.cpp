#include "framework/runtime/PluginEntryPoints.h"

namespace fw {

PluginEntryPoints& PluginEntryPoints::Instance() {
  static PluginEntryPoints table;
  return table;
}

void PluginEntryPoints::Register(std::string_view name, EntryPoint fn) {
  std::lock_guard lock(m_);
  if (fn) {
    entries_.insert_or_assign(std::string(name), fn);
  } else if (auto it = entries_.find(name); it != entries_.end()) {
    entries_.erase(it);
  }
}

PluginEntryPoints::EntryPoint PluginEntryPoints::Lookup(std::string_view name) const {
  std::lock_guard lock(m_);
  auto it = entries_.find(name);
  return it == entries_.end() ? nullptr : it->second;
}

}  // namespace fw
