#pragma once
#include <exception>
#include <functional>
#include <string>

namespace fw {

// Where an exception that no program code caught is reported. The default
// writes the exception's class and message to standard error; the UI layer
// installs one that also shows a message box on the main thread.
using UnhandledReporter = std::function<void(std::exception_ptr)>;
void SetUnhandledReporter(UnhandledReporter reporter);

// Reports e through the installed reporter; never throws.
void ReportUnhandled(std::exception_ptr e);

// ExceptionDescription::Of(e).Line(): "ClassName: message", or the class name
// alone when the exception has no message.
std::string DescribeException(std::exception_ptr e);

}  // namespace fw
