#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace fw {

// The report of an exception that no program code caught, for the windowed
// runtime: a line on standard error at once, then a message box with the
// critical icon on the main thread. A report from a worker is queued to the
// main thread (the worker ends meanwhile). The program goes on after it.
class UnhandledReport {
 public:
  struct Details {
    std::string className;  // "NilObjectException", ...
    std::string message;    // the exception's Message, may be empty
    int32_t errorNumber = 0;
    std::string title;      // the box's title
    std::string text;       // the box's text: class name and message
  };
  // Shows one report on the main thread; the default is the modal box.
  using Presenter = std::function<void(const Details&)>;

  // Makes Report the runtime's reporter (SetUnhandledReporter); cannot fail.
  static void Install();
  // Reports e as described above; never throws. Without a QApplication only
  // the line is written.
  static void Report(std::exception_ptr e);
  // What a report of e says; never throws.
  static Details Describe(std::exception_ptr e);
  // Puts a presenter in place of the box (tests record reports with it);
  // an empty one puts the box back.
  static void SetPresenter(Presenter presenter);

 private:
  static void Present(const Details& details);
};

}  // namespace fw
