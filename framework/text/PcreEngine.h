#pragma once
#ifndef PCRE2_CODE_UNIT_WIDTH
#define PCRE2_CODE_UNIT_WIDTH 8
#endif
#include <pcre2.h>

#include "framework/runtime/Nil.h"

namespace fw {

class PluginEntryPoints;

// The functions of the regular-expression engine (8-bit code units), as found
// by name in the plug-in entry-point table.
class PcreEngine {
 public:
  // The engine's functions as the table holds them now (it is filled first when
  // that has not happened); raises RuntimeException naming a missing function.
  static Ref<const PcreEngine> Load();
  // Enters every function below in table under its name; cannot fail.
  static void RegisterEntryPoints(PluginEntryPoints& table);

  decltype(&pcre2_compile_8) compile = nullptr;
  decltype(&pcre2_code_free_8) codeFree = nullptr;
  decltype(&pcre2_get_error_message_8) errorMessage = nullptr;
  decltype(&pcre2_jit_compile_8) jitCompile = nullptr;
  decltype(&pcre2_jit_match_8) jitMatch = nullptr;
  decltype(&pcre2_match_8) match = nullptr;
  decltype(&pcre2_match_data_create_from_pattern_8) matchDataCreate = nullptr;
  decltype(&pcre2_match_data_free_8) matchDataFree = nullptr;
  decltype(&pcre2_get_ovector_pointer_8) ovectorPointer = nullptr;
  decltype(&pcre2_get_ovector_count_8) ovectorCount = nullptr;
  decltype(&pcre2_match_context_create_8) matchContextCreate = nullptr;
  decltype(&pcre2_match_context_free_8) matchContextFree = nullptr;
  decltype(&pcre2_set_match_limit_8) setMatchLimit = nullptr;
  decltype(&pcre2_set_depth_limit_8) setDepthLimit = nullptr;
  decltype(&pcre2_set_heap_limit_8) setHeapLimit = nullptr;

  // The same functions in every slot; cannot fail.
  bool operator==(const PcreEngine&) const = default;
};

}  // namespace fw
