#include "about_window/Window2Layout.h"

#include <cstdint>
#include <string_view>

#include "app/ControlTables.h"
#include "framework/classes/LayoutCodes.h"
#include "framework/classes/LayoutTableWriter.h"

namespace app {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

// A white, wrapping line of text.
std::string TextLineTable(const ControlPlace& p, std::string_view text, int32_t textAlign,
                          std::string_view font) {
  return app::LabelTable(p, text, {kWhite, textAlign, true, font});
}

// The picture itself is no part of the table: it is set before the table.
std::string CanvasTable(const ControlPlace& p, bool eraseBackground) {
  return BeginControlTable(p)
      .Bool("TabStop", true)
      .Bool("Visible", true)
      .String("HelpTag", "")
      .Bool("AutoDeactivate", true)
      .Bool("Enabled", true)
      .Bool("UseFocusRing", true)
      .Bool("AcceptFocus", false)
      .Bool("AcceptTabs", false)
      .Bool("DoubleBuffer", false)
      .Bool("EraseBackground", eraseBackground)
      .String("InitialParent", "")
      .Bytes();
}

}  // namespace

std::string Window2Layout::CreditLine() {
  return std::string("The Programm Icon is from: ") + kIconCreditPage;
}

std::string Window2Layout::ProductLine() {
  return std::string("SnapHarbor - your picture backup for Tumblr blogs! Made by ") + kMakerDomain;
}

const std::string& Window2Layout::Window() {
  static const std::string table =
      WindowTable({390, 186, fw::layout_codes::kFrameDialog, false, "About", true});
  return table;
}

const std::string& Window2Layout::Label1() {
  static const std::string table = TextLineTable({"Label1", 68, 9, 302, 58, 0}, CreditLine(),
                                                 fw::layout_codes::kTextAlignLeft, "Arial");
  return table;
}

const std::string& Window2Layout::Canvas1() {
  static const std::string table = CanvasTable({"Canvas1", 20, 14, 36, 35, 1}, false);
  return table;
}

const std::string& Window2Layout::Label2() {
  static const std::string table = TextLineTable({"Label2", 20, 79, 194, 55, 2}, ProductLine(),
                                                 fw::layout_codes::kTextAlignCentre, "System");
  return table;
}

// Neither of the window's buttons is its default or cancel button.
const std::string& Window2Layout::PushButton1() {
  static const std::string table =
      PushButtonTable({"PushButton1", 200, 146, 80, 20, 3}, "Close", false, true);
  return table;
}

const std::string& Window2Layout::PushButton2() {
  static const std::string table =
      PushButtonTable({"PushButton2", 108, 146, 80, 20, 4}, "Donate", false, true);
  return table;
}

const std::string& Window2Layout::Canvas2() {
  static const std::string table = CanvasTable({"Canvas2", 231, 71, 129, 59, 5}, true);
  return table;
}

}  // namespace app
