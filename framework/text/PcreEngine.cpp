#include "framework/text/PcreEngine.h"

#include <string>

#include "framework/runtime/PluginEntryPoints.h"
#include "framework/runtime/RuntimeException.h"
#include "framework/text/InitPluginEntrypoints.h"

namespace fw {

namespace {

using EntryPoint = PluginEntryPoints::EntryPoint;

// Every engine function: its name in the table, its address, and the slot of
// PcreEngine it fills.
template <class F>
struct Entry {
  const char* name;
  F* address;
  F* PcreEngine::*slot;
};

template <class Visit>
void ForEachEntry(Visit&& visit) {
  visit(Entry{"pcre2_compile_8", &pcre2_compile_8, &PcreEngine::compile});
  visit(Entry{"pcre2_code_free_8", &pcre2_code_free_8, &PcreEngine::codeFree});
  visit(Entry{"pcre2_get_error_message_8", &pcre2_get_error_message_8, &PcreEngine::errorMessage});
  visit(Entry{"pcre2_jit_compile_8", &pcre2_jit_compile_8, &PcreEngine::jitCompile});
  visit(Entry{"pcre2_jit_match_8", &pcre2_jit_match_8, &PcreEngine::jitMatch});
  visit(Entry{"pcre2_match_8", &pcre2_match_8, &PcreEngine::match});
  visit(Entry{"pcre2_match_data_create_from_pattern_8", &pcre2_match_data_create_from_pattern_8,
              &PcreEngine::matchDataCreate});
  visit(Entry{"pcre2_match_data_free_8", &pcre2_match_data_free_8, &PcreEngine::matchDataFree});
  visit(Entry{"pcre2_get_ovector_pointer_8", &pcre2_get_ovector_pointer_8,
              &PcreEngine::ovectorPointer});
  visit(Entry{"pcre2_get_ovector_count_8", &pcre2_get_ovector_count_8, &PcreEngine::ovectorCount});
  visit(Entry{"pcre2_match_context_create_8", &pcre2_match_context_create_8,
              &PcreEngine::matchContextCreate});
  visit(Entry{"pcre2_match_context_free_8", &pcre2_match_context_free_8,
              &PcreEngine::matchContextFree});
  visit(Entry{"pcre2_set_match_limit_8", &pcre2_set_match_limit_8, &PcreEngine::setMatchLimit});
  visit(Entry{"pcre2_set_depth_limit_8", &pcre2_set_depth_limit_8, &PcreEngine::setDepthLimit});
  visit(Entry{"pcre2_set_heap_limit_8", &pcre2_set_heap_limit_8, &PcreEngine::setHeapLimit});
}

}  // namespace

void PcreEngine::RegisterEntryPoints(PluginEntryPoints& table) {
  ForEachEntry(
      [&](auto entry) { table.Register(entry.name, reinterpret_cast<EntryPoint>(entry.address)); });
}

Ref<const PcreEngine> PcreEngine::Load() {
  InitPluginEntrypoints();
  auto engine = std::make_shared<PcreEngine>();
  const PluginEntryPoints& table = PluginEntryPoints::Instance();
  ForEachEntry([&](auto entry) {
    using F = std::remove_pointer_t<decltype(entry.address)>;
    F* fn = table.Lookup<F>(entry.name);
    if (!fn)
      throw RuntimeException(std::string("The regular-expression engine lacks ") + entry.name +
                             ".");
    (*engine).*(entry.slot) = fn;
  });
  return engine;
}

}  // namespace fw
