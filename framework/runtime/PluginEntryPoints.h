#pragma once
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace fw {

// The plug-in entry-point table: engine functions the framework reaches by
// name rather than by linking to them directly.
class PluginEntryPoints {
 public:
  // A function of any signature; callers cast it back with Lookup<F>.
  using EntryPoint = void (*)();

  // The process's one table (empty until filled); cannot fail.
  static PluginEntryPoints& Instance();

  // Enters fn under name, replacing an earlier entry; a null fn removes it; cannot fail.
  void Register(std::string_view name, EntryPoint fn);
  // The function entered under name (exact spelling); nullptr when there is none.
  EntryPoint Lookup(std::string_view name) const;
  // Lookup cast back to the function type F; nullptr when there is none.
  template <class F>
  F* Lookup(std::string_view name) const {
    return reinterpret_cast<F*>(Lookup(name));
  }

 private:
  PluginEntryPoints() = default;
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  mutable std::mutex m_;
  std::unordered_map<std::string, EntryPoint, NameHash, std::equal_to<>> entries_;  // guarded by m_
};

}  // namespace fw
