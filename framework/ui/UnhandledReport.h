#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace fw {

// The report of an exception that no program code caught, for the windowed
// runtime: a line on standard error at once, then a message box with the
// critical icon on the main thread. A report from a worker is queued to the
// main thread (the worker ends meanwhile). The program goes on after it.
//
// One box at a time: a report that comes while a box is open waits for it to
// close. A report identical to one already shown (class, message and where it
// came from) is not shown again while the program runs: a fault that repeats
// every few milliseconds (a timer's) gives one box, and the user can still
// reach the window behind it. Standard error gets every report, each line
// with its count when it repeats.
class UnhandledReport {
 public:
  struct Details {
    std::string className;  // "NilObjectException", ...
    std::string message;    // the exception's Message, may be empty
    int32_t errorNumber = 0;
    std::string where;  // the event or step it came from; may be empty
    std::string title;  // the box's title
    std::string text;   // the box's text: class name and message
  };
  // Shows one report on the main thread; the default is the modal box.
  using Presenter = std::function<void(const Details&)>;

  // Makes Report the runtime's reporter (SetUnhandledReporter); cannot fail.
  static void Install();
  // Reports e as described above; never throws. Without a QApplication only
  // the line is written.
  static void Report(std::exception_ptr e, std::string_view where = {});
  // What a report of e says; never throws.
  static Details Describe(std::exception_ptr e, std::string_view where = {});
  // Puts a presenter in place of the box (tests record reports with it);
  // an empty one puts the box back. Either way the reports shown so far are
  // forgotten, so the next of each kind is shown again.
  static void SetPresenter(Presenter presenter);

 private:
  static void ShowInTurn(const Details& details);
  static void Present(const Details& details);
};

}  // namespace fw
