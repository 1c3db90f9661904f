#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace fw {

// Base of every fault the runtime reports to program code.
class RuntimeException : public std::runtime_error {
 public:
  explicit RuntimeException(std::string message = {}, int32_t errorNumber = 0)
      : std::runtime_error(message), message_(std::move(message)), errorNumber_(errorNumber) {}
  const std::string& Message() const { return message_; }
  int32_t ErrorNumber() const { return errorNumber_; }
  // The class name shown in the report of an unhandled exception.
  virtual const char* ClassName() const { return "RuntimeException"; }

 private:
  std::string message_;
  int32_t errorNumber_;
};

}  // namespace fw
