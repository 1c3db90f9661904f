#include "main_window/Window1Layout.h"

#include <cstdint>
#include <string_view>

#include "app/ControlTables.h"
#include "framework/classes/LayoutCodes.h"
#include "framework/classes/LayoutTableWriter.h"

namespace app {

namespace {

constexpr uint32_t kOrange = 0xFF5200;
constexpr uint32_t kGrey = 0x808080;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

std::string TextFieldTable(const ControlPlace& p, bool useFocusRing, std::string_view helpTag,
                           std::string_view cueText, std::string_view text) {
  return BeginControlTable(p)
      .Bool("TabStop", true)
      .Bool("Border", true)
      .Bool("Password", false)
      .Bool("UseFocusRing", useFocusRing)
      .Color("TextColor", kBlack)
      .Color("BackColor", kWhite)
      .Bool("Enabled", true)
      .String("Format", "")
      .Bool("Visible", true)
      .String("HelpTag", helpTag)
      .Bool("AutoDeactivate", true)
      .String("TextFont", "System")
      .Bool("Bold", false)
      .Bool("Italic", false)
      .Bool("Underline", false)
      .String("CueText", cueText)
      .String("Text", text)
      .String("Mask", "")
      .Bool("ReadOnly", false)
      .Int32("LimitText", 0)
      .Bool("AcceptTabs", false)
      .Int32("Alignment", fw::layout_codes::kAlignmentDefault)
      .Bool("AutomaticallyCheckSpelling", false)
      .String("DataSource", "")
      .String("DataField", "")
      .Bytes();
}

std::string CaptionTable(const ControlPlace& p, std::string_view text, uint32_t textColor) {
  return app::LabelTable(p, text, {textColor, fw::layout_codes::kTextAlignLeft, false, "System"});
}

}  // namespace

const std::string& Window1Layout::Window() {
  static const std::string table = WindowTable(
      {564, 142, fw::layout_codes::kFrameDocument, true, "SnapHarbor - Freeware", false});
  return table;
}

const std::string& Window1Layout::TextField1() {
  static const std::string table = TextFieldTable(
      {"TextField1", 158, 14, 384, 22, 1}, false,
      "Type in the tumblr adress whitout the slash at the end - please :)", kBlogAddressCue, "");
  return table;
}

const std::string& Window1Layout::PushButton1() {
  static const std::string table =
      PushButtonTable({"PushButton1", 494, 44, 50, 20, 2}, "Go", true, true);
  return table;
}

const std::string& Window1Layout::Label1() {
  static const std::string table =
      CaptionTable({"Label1", 20, 105, 243, 15, 5}, "Pictures saved: ", kOrange);
  return table;
}

const std::string& Window1Layout::PushButton2() {
  static const std::string table =
      PushButtonTable({"PushButton2", 494, 73, 50, 20, 6}, "Stop", true, false);
  return table;
}

const std::string& Window1Layout::Label2() {
  static const std::string table =
      CaptionTable({"Label2", 20, 44, 126, 20, 7}, "Output Foldername:", kOrange);
  return table;
}

const std::string& Window1Layout::Label3() {
  static const std::string table =
      CaptionTable({"Label3", 20, 73, 126, 20, 8}, "Rename to:", kOrange);
  return table;
}

const std::string& Window1Layout::TextField2() {
  static const std::string table =
      TextFieldTable({"TextField2", 158, 43, 324, 22, 9}, true, "", "myblogpics", "");
  return table;
}

const std::string& Window1Layout::TextField3() {
  static const std::string table =
      TextFieldTable({"TextField3", 158, 73, 215, 22, 10}, true, "", "myblogpic", "");
  return table;
}

const std::string& Window1Layout::Label6() {
  static const std::string table = CaptionTable({"Label6", 457, 74, 23, 20, 14}, ".jpg", kOrange);
  return table;
}

const std::string& Window1Layout::TextField5() {
  static const std::string table =
      TextFieldTable({"TextField5", 385, 73, 62, 22, 15}, true, "", "", "1");
  return table;
}

const std::string& Window1Layout::Label7() {
  static const std::string table = CaptionTable({"Label7", 375, 75, 7, 20, 16}, "-", kGrey);
  return table;
}

const std::string& Window1Layout::PushButton3() {
  static const std::string table =
      PushButtonTable({"PushButton3", 494, 102, 50, 20, 17}, "Info", false, true);
  return table;
}

const std::string& Window1Layout::Thread1() {
  static const std::string table =
      fw::LayoutTableWriter().Int32("Priority", 5).Int32("StackSize", 0).Bytes();
  return table;
}

const std::string& Window1Layout::ProgressWheel1() {
  static const std::string table = BeginControlTable({"ProgressWheel1", 462, 105, 16, 16, 18})
                                       .Bool("TabStop", true)
                                       .String("InitialParent", "")
                                       .Bool("Visible", false)
                                       .String("HelpTag", "")
                                       .Bool("AutoDeactivate", true)
                                       .Bool("Enabled", false)
                                       .Bytes();
  return table;
}

const std::string& Window1Layout::Timer2() {
  static const std::string table =
      fw::LayoutTableWriter().Int32("Mode", 2).Int32("Period", 100).Bytes();
  return table;
}

const std::string& Window1Layout::Label8() {
  static const std::string table =
      CaptionTable({"Label8", 20, 14, 126, 20, 19}, "Blog Adress:", kOrange);
  return table;
}

}  // namespace app
