#include "about_window/Window2Layout.h"

#include <cstdint>
#include <string_view>

#include "framework/LayoutCodes.h"
#include "framework/LayoutTableWriter.h"

namespace app {

namespace {

constexpr uint32_t kDarkGrey = 0x3C3C3C;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int32_t kButtonStyle = 3;

struct Place {
  const char* name;
  int32_t left, top, width, height, tabIndex;
};

// The twelve entries every visible control's table begins with.
fw::LayoutTableWriter Begin(const Place& p) {
  fw::LayoutTableWriter w;
  w.String("Name", p.name)
      .Int32("Index", fw::layout_codes::kNoControlArray)
      .Int32("Left", p.left)
      .Int32("Top", p.top)
      .Int32("Width", p.width)
      .Int32("Height", p.height)
      .Bool("LockLeft", true)
      .Bool("LockTop", true)
      .Bool("LockRight", false)
      .Bool("LockBottom", false)
      .Int32("TabPanelIndex", 0)
      .Int32("TabIndex", p.tabIndex);
  return w;
}

// A white, wrapping line of text.
std::string LabelTable(const Place& p, std::string_view text, int32_t textAlign,
                       std::string_view font) {
  return Begin(p)
      .String("Text", text)
      .Int32("TextAlign", textAlign)
      .Color("TextColor", kWhite)
      .Bool("Multiline", true)
      .Bool("Enabled", true)
      .Bool("Visible", true)
      .Bool("Selectable", false)
      .Bool("Transparent", false)
      .String("HelpTag", "")
      .Bool("AutoDeactivate", true)
      .String("TextFont", font)
      .Bool("Bold", false)
      .Bool("Italic", false)
      .Bool("Underline", false)
      .String("DataSource", "")
      .String("DataField", "")
      .String("InitialParent", "")
      .Bytes();
}

// The picture itself is no part of the table: it is set before the table.
std::string CanvasTable(const Place& p, bool eraseBackground) {
  return Begin(p)
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

// Neither of the window's buttons is its default or cancel button.
std::string PushButtonTable(const Place& p, std::string_view caption) {
  return Begin(p)
      .Bool("TabStop", true)
      .String("Caption", caption)
      .Bool("Default", false)
      .Bool("Cancel", false)
      .Bool("Enabled", true)
      .Bool("Visible", true)
      .String("HelpTag", "")
      .Bool("AutoDeactivate", true)
      .Int32("ButtonStyle", kButtonStyle)
      .String("TextFont", "System")
      .Bool("Bold", false)
      .Bool("Italic", false)
      .Bool("Underline", false)
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
  static const std::string table = fw::LayoutTableWriter()
                                       .Int32("Placement", 0)
                                       .Int32("Width", 390)
                                       .Int32("Height", 186)
                                       .Int32("MinWidth", 64)
                                       .Int32("MinHeight", 64)
                                       .Int32("MaxWidth", 32000)
                                       .Int32("MaxHeight", 32000)
                                       .Int32("Frame", fw::layout_codes::kFrameDialog)
                                       .Bool("Composite", false)
                                       .Bool("HasBackColor", true)
                                       .Color("BackColor", kDarkGrey)
                                       .String("Title", "About")
                                       .Bool("Visible", true)
                                       .Bool("FullScreen", false)
                                       .Bool("MenuBarVisible", true)
                                       .Bool("CloseButton", true)
                                       .Bool("Resizeable", true)
                                       .Bool("LiveResize", false)
                                       .Bool("MaximizeButton", false)
                                       .Bool("MinimizeButton", true)
                                       .Int32("MacProcID", 0)
                                       .Bytes();
  return table;
}

const std::string& Window2Layout::Label1() {
  static const std::string table = LabelTable({"Label1", 68, 9, 302, 58, 0}, CreditLine(),
                                              fw::layout_codes::kTextAlignLeft, "Arial");
  return table;
}

const std::string& Window2Layout::Canvas1() {
  static const std::string table = CanvasTable({"Canvas1", 20, 14, 36, 35, 1}, false);
  return table;
}

const std::string& Window2Layout::Label2() {
  static const std::string table = LabelTable({"Label2", 20, 79, 194, 55, 2}, ProductLine(),
                                              fw::layout_codes::kTextAlignCentre, "System");
  return table;
}

const std::string& Window2Layout::PushButton1() {
  static const std::string table = PushButtonTable({"PushButton1", 200, 146, 80, 20, 3}, "Close");
  return table;
}

const std::string& Window2Layout::PushButton2() {
  static const std::string table = PushButtonTable({"PushButton2", 108, 146, 80, 20, 4}, "Donate");
  return table;
}

const std::string& Window2Layout::Canvas2() {
  static const std::string table = CanvasTable({"Canvas2", 231, 71, 129, 59, 5}, true);
  return table;
}

}  // namespace app
