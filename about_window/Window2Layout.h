#pragma once
#include <string>

namespace app {

// The layout tables of the about window and of its controls: constants of the
// program, each written once (on first use) with the framework's table writer
// and applied in one step with fw::SetProperties. None of them can fail.
//
// The about window's web addresses live here too, beside the two lines of text
// that print them, so each is written in one place only.
class Window2Layout {
 public:
  // The window's own table (Layout).
  static const std::string& Window();

  // The controls' tables, in creation order.
  static const std::string& Label1();
  static const std::string& Canvas1();
  static const std::string& Label2();
  static const std::string& PushButton1();
  static const std::string& PushButton2();
  static const std::string& Canvas2();

  // The page on the icon site that the program icon comes from; printed at
  // the end of the credit line and opened by a click on it.
  static constexpr const char* kIconCreditPage =
      "http://icons.example/free-icons/social-media-icons/round-glyphs-by-mira-lund/tumblr-icon";
  // The maker's domain, printed bare at the end of the product line, and its
  // home page, which the logo opens.
  static constexpr const char* kMakerDomain = "dorvex.example";
  static constexpr const char* kMakerHomePage = "http://dorvex.example/";
  // The maker's second web site, on another domain; the product line opens it.
  static constexpr const char* kMakerSecondSite = "http://dorvex-labs.example/";
  // The donation page; "Donate" opens it.
  static constexpr const char* kDonationPage =
      "https://payments.example/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id=DVX4K7Q2M9R3T";

  // The credit line (Label1's text) and the product line (Label2's text).
  static std::string CreditLine();
  static std::string ProductLine();
};

}  // namespace app
