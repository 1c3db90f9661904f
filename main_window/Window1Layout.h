#pragma once
#include <string>

namespace app {

// The layout tables of the main window and of its controls: constants of the
// program, each written once (on first use) with the framework's table writer
// and applied in one step with fw::SetProperties. None of them can fail.
class Window1Layout {
 public:
  // The window's own table (Layout).
  static const std::string& Window();

  // The controls' tables, in creation order.
  static const std::string& TextField1();
  static const std::string& PushButton1();
  static const std::string& Label1();
  static const std::string& PushButton2();
  static const std::string& Label2();
  static const std::string& Label3();
  static const std::string& TextField2();
  static const std::string& TextField3();
  static const std::string& Label6();
  static const std::string& TextField5();
  static const std::string& Label7();
  static const std::string& PushButton3();
  static const std::string& Thread1();
  static const std::string& ProgressWheel1();
  static const std::string& Timer2();
  static const std::string& Label8();

  // The example blog address shown in the empty blog-address field.
  static constexpr const char* kBlogAddressCue = "http://example.tumblr.com";
};

}  // namespace app
