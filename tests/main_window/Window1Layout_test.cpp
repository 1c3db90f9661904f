#include "main_window/Window1Layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "framework/classes/LayoutTableReader.h"

namespace {

using app::Window1Layout;
using Names = std::vector<std::string>;

const Names kControlStart = {"Name",      "Index",      "Left",          "Top",
                             "Width",     "Height",     "LockLeft",      "LockTop",
                             "LockRight", "LockBottom", "TabPanelIndex", "TabIndex"};

Names With(Names head, const Names& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

const Names kWindowNames = {"Placement",  "Width",        "Height",         "MinWidth",
                            "MinHeight",  "MaxWidth",     "MaxHeight",      "Frame",
                            "Composite",  "HasBackColor", "BackColor",      "Title",
                            "Visible",    "FullScreen",   "MenuBarVisible", "CloseButton",
                            "Resizeable", "LiveResize",   "MaximizeButton", "MinimizeButton",
                            "MacProcID"};
const Names kTextFieldNames = With(kControlStart, {"TabStop",
                                                   "Border",
                                                   "Password",
                                                   "UseFocusRing",
                                                   "TextColor",
                                                   "BackColor",
                                                   "Enabled",
                                                   "Format",
                                                   "Visible",
                                                   "HelpTag",
                                                   "AutoDeactivate",
                                                   "TextFont",
                                                   "Bold",
                                                   "Italic",
                                                   "Underline",
                                                   "CueText",
                                                   "Text",
                                                   "Mask",
                                                   "ReadOnly",
                                                   "LimitText",
                                                   "AcceptTabs",
                                                   "Alignment",
                                                   "AutomaticallyCheckSpelling",
                                                   "DataSource",
                                                   "DataField"});
const Names kPushButtonNames =
    With(kControlStart, {"TabStop", "Caption", "Default", "Cancel", "Enabled", "Visible", "HelpTag",
                         "AutoDeactivate", "ButtonStyle", "TextFont", "Bold", "Italic", "Underline",
                         "InitialParent"});
const Names kLabelNames = With(
    kControlStart, {"Text", "TextAlign", "TextColor", "Multiline", "Enabled", "Visible",
                    "Selectable", "Transparent", "HelpTag", "AutoDeactivate", "TextFont", "Bold",
                    "Italic", "Underline", "DataSource", "DataField", "InitialParent"});
const Names kWheelNames = With(
    kControlStart, {"TabStop", "InitialParent", "Visible", "HelpTag", "AutoDeactivate", "Enabled"});
const Names kThreadNames = {"Priority", "StackSize"};
const Names kTimerNames = {"Mode", "Period"};

struct TableCase {
  const char* label;
  const std::string& (*table)();
  const Names* names;
  size_t entries;
};

void PrintTo(const TableCase& c, std::ostream* os) { *os << c.label; }

class EveryTable : public ::testing::TestWithParam<TableCase> {};

// A reader walks the table entry by entry, in the kind's fixed order, and
// ends exactly at its last byte.
TEST_P(EveryTable, ReadsInTheKindsOrderAndEndsAtTheLastByte) {
  const std::string& table = GetParam().table();
  fw::LayoutTableReader reader(table);
  Names read;
  while (!reader.AtEnd()) read.push_back(reader.Next().name);
  EXPECT_EQ(reader.Position(), table.size());
  EXPECT_EQ(read, *GetParam().names);
  EXPECT_EQ(read.size(), GetParam().entries);
}

const TableCase kTables[] = {
    {"Window", &Window1Layout::Window, &kWindowNames, 21},
    {"TextField1", &Window1Layout::TextField1, &kTextFieldNames, 37},
    {"PushButton1", &Window1Layout::PushButton1, &kPushButtonNames, 26},
    {"Label1", &Window1Layout::Label1, &kLabelNames, 29},
    {"PushButton2", &Window1Layout::PushButton2, &kPushButtonNames, 26},
    {"Label2", &Window1Layout::Label2, &kLabelNames, 29},
    {"Label3", &Window1Layout::Label3, &kLabelNames, 29},
    {"TextField2", &Window1Layout::TextField2, &kTextFieldNames, 37},
    {"TextField3", &Window1Layout::TextField3, &kTextFieldNames, 37},
    {"Label6", &Window1Layout::Label6, &kLabelNames, 29},
    {"TextField5", &Window1Layout::TextField5, &kTextFieldNames, 37},
    {"Label7", &Window1Layout::Label7, &kLabelNames, 29},
    {"PushButton3", &Window1Layout::PushButton3, &kPushButtonNames, 26},
    {"Thread1", &Window1Layout::Thread1, &kThreadNames, 2},
    {"ProgressWheel1", &Window1Layout::ProgressWheel1, &kWheelNames, 18},
    {"Timer2", &Window1Layout::Timer2, &kTimerNames, 2},
    {"Label8", &Window1Layout::Label8, &kLabelNames, 29},
};

INSTANTIATE_TEST_SUITE_P(Tables, EveryTable, ::testing::ValuesIn(kTables),
                         [](const auto& info) { return std::string(info.param.label); });

std::map<std::string, fw::LayoutEntry> Entries(const std::string& table) {
  std::map<std::string, fw::LayoutEntry> out;
  for (fw::LayoutEntry& e : fw::LayoutTableReader::ReadAll(table)) out[e.name] = e;
  return out;
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

TEST(Window1LayoutBytes, WindowTableBeginsWithItsPlacementWidthAndHeight) {
  const std::string expected = "Placement " + Bytes({0, 0, 0, 0}) + "Width " +
                               Bytes({0, 0, 0x02, 0x34}) + "Height " + Bytes({0, 0, 0, 0x8E});
  EXPECT_EQ(Window1Layout::Window().substr(0, expected.size()), expected);
  EXPECT_NE(Window1Layout::Window().find("BackColor " + Bytes({0x3C, 0x3C, 0x3C})),
            std::string::npos);
}

TEST(Window1LayoutBytes, ControlTablesCarryTheNoArrayIndexAndWholeBytesForBooleans) {
  const std::string index = "Index " + Bytes({0x80, 0, 0, 0});
  for (const TableCase& c : kTables) {
    if (c.names == &kThreadNames || c.names == &kTimerNames || c.names == &kWindowNames) continue;
    EXPECT_NE(c.table().find(index), std::string::npos) << c.label;
  }
  // One byte per Boolean: the table reads back (the reader refuses any other
  // byte), and the pattern of a few is exact.
  EXPECT_NE(Window1Layout::PushButton2().find("Default " + Bytes({1}) + "Cancel " + Bytes({0}) +
                                              "Enabled " + Bytes({0}) + "Visible " + Bytes({1})),
            std::string::npos);
}

TEST(Window1LayoutBytes, EmptyTextsAreFourZeroBytesAndStayInTheTable) {
  const std::string empty = Bytes({0, 0, 0, 0});
  for (const char* name : {"Format", "HelpTag", "Text", "Mask", "DataSource", "DataField"})
    EXPECT_NE(Window1Layout::TextField2().find(std::string(name) + " " + empty), std::string::npos)
        << name;
  EXPECT_NE(Window1Layout::TextField5().find("CueText " + empty), std::string::npos);
  EXPECT_NE(Window1Layout::PushButton1().find("InitialParent " + empty), std::string::npos);
  EXPECT_NE(Window1Layout::Label8().find("DataField " + empty + "InitialParent " + empty),
            std::string::npos);
  EXPECT_NE(Window1Layout::ProgressWheel1().find("HelpTag " + empty), std::string::npos);
}

TEST(Window1LayoutBytes, ProgressLineTextIsSixteenBytesEndingInASpace) {
  const std::string text = "Text " + Bytes({0, 0, 0, 0x10}) + "Pictures saved: " + "TextAlign ";
  EXPECT_NE(Window1Layout::Label1().find(text), std::string::npos);
}

TEST(Window1LayoutBytes, BlogAddressCueIsAnExampleAddressOfTwentyFiveCharacters) {
  const std::string cue = Entries(Window1Layout::TextField1())["CueText"].text;
  EXPECT_EQ(cue, Window1Layout::kBlogAddressCue);
  EXPECT_EQ(cue.size(), 25u);
  EXPECT_EQ(cue.rfind("http://", 0), 0u);
  EXPECT_EQ(cue.substr(cue.size() - 11), ".tumblr.com");
}

// The values of the window's own table.
TEST(Window1LayoutValues, WindowTable) {
  auto e = Entries(Window1Layout::Window());
  EXPECT_EQ(e["Title"].text, "SnapHarbor - Freeware");
  EXPECT_EQ(e["Width"].Int(), 564);
  EXPECT_EQ(e["Height"].Int(), 142);
  EXPECT_EQ(e["MinWidth"].Int(), 64);
  EXPECT_EQ(e["MinHeight"].Int(), 64);
  EXPECT_EQ(e["MaxWidth"].Int(), 32000);
  EXPECT_EQ(e["MaxHeight"].Int(), 32000);
  EXPECT_EQ(e["Frame"].Int(), 0);
  EXPECT_EQ(e["BackColor"].Color(), 0x3C3C3Cu);
  EXPECT_TRUE(e["Composite"].Bool());
  EXPECT_TRUE(e["HasBackColor"].Bool());
  EXPECT_TRUE(e["Visible"].Bool());
  EXPECT_FALSE(e["FullScreen"].Bool());
  EXPECT_TRUE(e["MenuBarVisible"].Bool());
  EXPECT_TRUE(e["CloseButton"].Bool());
  EXPECT_FALSE(e["Resizeable"].Bool());
  EXPECT_FALSE(e["LiveResize"].Bool());
  EXPECT_FALSE(e["MaximizeButton"].Bool());
  EXPECT_TRUE(e["MinimizeButton"].Bool());
  EXPECT_EQ(e["MacProcID"].Int(), 0);
}

// One row per visible control: place, focus order, text and its own values.
struct ControlCase {
  const char* name;
  const std::string& (*table)();
  int32_t left, top, width, height, tabIndex;
  const char* textName;  // "Text" or "Caption"; nullptr: none
  const char* text;
  bool enabled, visible;
  uint32_t textColor;   // labels only
  bool isDefault;       // buttons only
  bool useFocusRing;    // text fields only
  const char* cueText;  // text fields only
  const char* helpTag;
};

void PrintTo(const ControlCase& c, std::ostream* os) { *os << c.name; }

class EveryControl : public ::testing::TestWithParam<ControlCase> {};

TEST_P(EveryControl, TableHoldsItsPlaceTextAndOwnValues) {
  const ControlCase& c = GetParam();
  auto e = Entries(c.table());
  EXPECT_EQ(e["Name"].text, c.name);
  EXPECT_EQ(e["Index"].Int(), INT32_MIN);
  EXPECT_EQ(e["Left"].Int(), c.left);
  EXPECT_EQ(e["Top"].Int(), c.top);
  EXPECT_EQ(e["Width"].Int(), c.width);
  EXPECT_EQ(e["Height"].Int(), c.height);
  EXPECT_EQ(e["TabIndex"].Int(), c.tabIndex);
  EXPECT_TRUE(e["LockLeft"].Bool());
  EXPECT_TRUE(e["LockTop"].Bool());
  EXPECT_FALSE(e["LockRight"].Bool());
  EXPECT_FALSE(e["LockBottom"].Bool());
  EXPECT_EQ(e["TabPanelIndex"].Int(), 0);
  EXPECT_TRUE(e["AutoDeactivate"].Bool());
  EXPECT_EQ(e["Enabled"].Bool(), c.enabled);
  EXPECT_EQ(e["Visible"].Bool(), c.visible);
  EXPECT_EQ(e["HelpTag"].text, c.helpTag);
  if (c.textName) {
    EXPECT_EQ(e[c.textName].text, c.text);
  }
  const std::string kind = e.count("Caption")   ? "button"
                           : e.count("CueText") ? "field"
                           : e.count("Text")    ? "label"
                                                : "wheel";
  if (kind == "label") {
    EXPECT_EQ(e["TextColor"].Color(), c.textColor);
    EXPECT_FALSE(e["Transparent"].Bool());
    EXPECT_FALSE(e["Selectable"].Bool());
    EXPECT_EQ(e["TextFont"].text, "System");
  } else if (kind == "button") {
    EXPECT_EQ(e["Default"].Bool(), c.isDefault);
    EXPECT_FALSE(e["Cancel"].Bool());
    EXPECT_EQ(e["ButtonStyle"].Int(), 3);
    EXPECT_EQ(e["TextFont"].text, "System");
  } else if (kind == "field") {
    EXPECT_EQ(e["UseFocusRing"].Bool(), c.useFocusRing);
    EXPECT_EQ(e["CueText"].text, c.cueText);
    EXPECT_EQ(e["TextColor"].Color(), 0x000000u);
    EXPECT_EQ(e["BackColor"].Color(), 0xFFFFFFu);
    EXPECT_TRUE(e["Border"].Bool());
    EXPECT_FALSE(e["ReadOnly"].Bool());
    EXPECT_FALSE(e["Password"].Bool());
    EXPECT_EQ(e["TextFont"].text, "System");
  } else {
    EXPECT_TRUE(e["TabStop"].Bool());
  }
}

constexpr uint32_t kOrange = 0xFF5200;
const ControlCase kControls[] = {
    {"TextField1", &Window1Layout::TextField1, 158, 14, 384, 22, 1, "Text", "", true, true, 0,
     false, false, "http://example.tumblr.com",
     "Type in the tumblr adress whitout the slash at the end - please :)"},
    {"PushButton1", &Window1Layout::PushButton1, 494, 44, 50, 20, 2, "Caption", "Go", true, true, 0,
     true, false, "", ""},
    {"Label1", &Window1Layout::Label1, 20, 105, 243, 15, 5, "Text", "Pictures saved: ", true, true,
     kOrange, false, false, "", ""},
    {"PushButton2", &Window1Layout::PushButton2, 494, 73, 50, 20, 6, "Caption", "Stop", false, true,
     0, true, false, "", ""},
    {"Label2", &Window1Layout::Label2, 20, 44, 126, 20, 7, "Text", "Output Foldername:", true, true,
     kOrange, false, false, "", ""},
    {"Label3", &Window1Layout::Label3, 20, 73, 126, 20, 8, "Text", "Rename to:", true, true,
     kOrange, false, false, "", ""},
    {"TextField2", &Window1Layout::TextField2, 158, 43, 324, 22, 9, "Text", "", true, true, 0,
     false, true, "myblogpics", ""},
    {"TextField3", &Window1Layout::TextField3, 158, 73, 215, 22, 10, "Text", "", true, true, 0,
     false, true, "myblogpic", ""},
    {"Label6", &Window1Layout::Label6, 457, 74, 23, 20, 14, "Text", ".jpg", true, true, kOrange,
     false, false, "", ""},
    {"TextField5", &Window1Layout::TextField5, 385, 73, 62, 22, 15, "Text", "1", true, true, 0,
     false, true, "", ""},
    {"Label7", &Window1Layout::Label7, 375, 75, 7, 20, 16, "Text", "-", true, true, 0x808080, false,
     false, "", ""},
    {"PushButton3", &Window1Layout::PushButton3, 494, 102, 50, 20, 17, "Caption", "Info", true,
     true, 0, false, false, "", ""},
    {"ProgressWheel1", &Window1Layout::ProgressWheel1, 462, 105, 16, 16, 18, nullptr, "", false,
     false, 0, false, false, "", ""},
    {"Label8", &Window1Layout::Label8, 20, 14, 126, 20, 19, "Text", "Blog Adress:", true, true,
     kOrange, false, false, "", ""},
};

INSTANTIATE_TEST_SUITE_P(Controls, EveryControl, ::testing::ValuesIn(kControls),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Window1LayoutValues, MembersCarryOnlyTheirOwnSettings) {
  auto thread = Entries(Window1Layout::Thread1());
  EXPECT_EQ(thread["Priority"].Int(), 5);
  EXPECT_EQ(thread["StackSize"].Int(), 0);
  auto timer = Entries(Window1Layout::Timer2());
  EXPECT_EQ(timer["Mode"].Int(), 2);
  EXPECT_EQ(timer["Period"].Int(), 100);
  EXPECT_EQ(
      timer.count("Name") + timer.count("Index") + thread.count("Name") + thread.count("Index"),
      0u);
}

}  // namespace
