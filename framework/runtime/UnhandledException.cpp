#include "framework/runtime/UnhandledException.h"

#include <cstdio>
#include <mutex>

#include "framework/runtime/ExceptionDescription.h"

namespace fw {

namespace {
std::mutex gReporterMutex;
UnhandledReporter& Reporter() {
  static UnhandledReporter reporter;
  return reporter;
}
}  // namespace

void SetUnhandledReporter(UnhandledReporter reporter) {
  std::lock_guard g(gReporterMutex);
  Reporter() = std::move(reporter);
}

std::string DescribeException(std::exception_ptr e) { return ExceptionDescription::Of(e).Line(); }

void ReportUnhandled(std::exception_ptr e) {
  UnhandledReporter reporter;
  {
    std::lock_guard g(gReporterMutex);
    reporter = Reporter();
  }
  try {
    if (reporter) {
      reporter(e);
      return;
    }
  } catch (...) {
  }
  std::fprintf(stderr, "Unhandled exception: %s\n", DescribeException(e).c_str());
}

}  // namespace fw
