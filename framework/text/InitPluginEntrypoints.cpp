#include "framework/text/InitPluginEntrypoints.h"

#include <mutex>

#include "framework/runtime/PluginEntryPoints.h"
#include "framework/text/PcreEngine.h"

namespace fw {

void InitPluginEntrypoints() {
  static std::once_flag once;
  std::call_once(once, [] { PcreEngine::RegisterEntryPoints(PluginEntryPoints::Instance()); });
}

}  // namespace fw
