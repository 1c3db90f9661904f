#include "app/ControlTables.h"

#include "framework/classes/LayoutCodes.h"

namespace app {

namespace {
constexpr uint32_t kDarkGrey = 0x3C3C3C;
constexpr int32_t kButtonStyle = 3;
}  // namespace

std::string WindowTable(const WindowValues& v) {
  return fw::LayoutTableWriter()
      .Int32("Placement", 0)
      .Int32("Width", v.width)
      .Int32("Height", v.height)
      .Int32("MinWidth", 64)
      .Int32("MinHeight", 64)
      .Int32("MaxWidth", 32000)
      .Int32("MaxHeight", 32000)
      .Int32("Frame", v.frame)
      .Bool("Composite", v.composite)
      .Bool("HasBackColor", true)
      .Color("BackColor", kDarkGrey)
      .String("Title", v.title)
      .Bool("Visible", true)
      .Bool("FullScreen", false)
      .Bool("MenuBarVisible", true)
      .Bool("CloseButton", true)
      .Bool("Resizeable", v.resizeable)
      .Bool("LiveResize", false)
      .Bool("MaximizeButton", false)
      .Bool("MinimizeButton", true)
      .Int32("MacProcID", 0)
      .Bytes();
}

fw::LayoutTableWriter BeginControlTable(const ControlPlace& p) {
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

std::string PushButtonTable(const ControlPlace& p, std::string_view caption, bool isDefault,
                            bool enabled) {
  return BeginControlTable(p)
      .Bool("TabStop", true)
      .String("Caption", caption)
      .Bool("Default", isDefault)
      .Bool("Cancel", false)
      .Bool("Enabled", enabled)
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

std::string LabelTable(const ControlPlace& p, std::string_view text, const LabelLook& look) {
  return BeginControlTable(p)
      .String("Text", text)
      .Int32("TextAlign", look.textAlign)
      .Color("TextColor", look.textColor)
      .Bool("Multiline", look.multiline)
      .Bool("Enabled", true)
      .Bool("Visible", true)
      .Bool("Selectable", false)
      .Bool("Transparent", false)
      .String("HelpTag", "")
      .Bool("AutoDeactivate", true)
      .String("TextFont", look.font)
      .Bool("Bold", false)
      .Bool("Italic", false)
      .Bool("Underline", false)
      .String("DataSource", "")
      .String("DataField", "")
      .String("InitialParent", "")
      .Bytes();
}

}  // namespace app
