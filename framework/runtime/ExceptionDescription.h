#pragma once
#include <cstdint>
#include <exception>
#include <string>

namespace fw {

// What an exception says, as every report of one shows it.
struct ExceptionDescription {
  std::string className;  // "NilObjectException", ..., "std::exception" or "unknown exception"
  std::string message;    // a runtime exception's Message, another's what(); may be empty
  int32_t errorNumber = 0;

  // Describes e (not Nil); never throws: out of memory it gives "unknown exception".
  static ExceptionDescription Of(std::exception_ptr e);

  // "ClassName: message", or the class name alone when there is no message.
  // Raises only std::bad_alloc.
  std::string Line() const;
};

}  // namespace fw
