#include "framework/runtime/ExceptionDescription.h"

#include "framework/runtime/RuntimeException.h"

namespace fw {

ExceptionDescription ExceptionDescription::Of(std::exception_ptr e) {
  ExceptionDescription d;
  try {
    try {
      std::rethrow_exception(e);
    } catch (const RuntimeException& r) {
      d.className = r.ClassName();
      d.message = r.Message();
      d.errorNumber = r.ErrorNumber();
    } catch (const std::exception& s) {
      d.className = "std::exception";
      d.message = s.what();
    } catch (...) {
      d.className = "unknown exception";
    }
  } catch (...) {
    // Out of memory while describing; say what we can.
    d = ExceptionDescription();
    d.className = "unknown exception";
  }
  return d;
}

std::string ExceptionDescription::Line() const {
  return message.empty() ? className : className + ": " + message;
}

}  // namespace fw
