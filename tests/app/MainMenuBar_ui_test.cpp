#include <gtest/gtest.h>

#include <QAction>
#include <QString>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/MainMenuBar.h"
#include "framework/classes/ClassRegistry.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/runtime/Thread.h"
#include "framework/runtime/ThreadAccessingUIException.h"
#include "framework/ui/QuitMenuItem.h"
#include "tests/support/Waiting.h"
#include "tests/support/WorkerAttempts.h"

namespace {

using app::MainMenuBar;
using fw::Ref;

class MainMenuBarTest : public ::testing::Test {
 protected:
  void SetUp() override { MainMenuBar::ReleaseImplicitInstance(); }
  void TearDown() override {
    fw::SetMainThreadRuleActive(false);
    MainMenuBar::ReleaseImplicitInstance();
  }
};

struct EntryCase {
  const char* menu;  // the bar's menu the entry is in; nullptr: the menu itself
  int32_t index;     // place in its parent
  const char* name;
  const char* text;
  const char* shortcut;
  bool quitItem;
};

void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }

class MenuEntries : public MainMenuBarTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(MenuEntries, EntryStandsInItsPlaceWithItsCaptionAndShortcut) {
  const EntryCase& c = GetParam();
  Ref<MainMenuBar> bar = MainMenuBar::Instance();
  Ref<fw::MenuItem> parent = c.menu ? bar->Child(c.menu) : Ref<fw::MenuItem>(bar);
  ASSERT_TRUE(parent);
  Ref<fw::MenuItem> entry = parent->Item(c.index);
  EXPECT_EQ(entry, parent->Child(c.name));
  EXPECT_EQ(entry->Name(), c.name);
  EXPECT_EQ(entry->Text(), c.text);  // byte for byte
  EXPECT_EQ(entry->KeyboardShortcut(), c.shortcut);
  EXPECT_TRUE(entry->AutoEnable());
  EXPECT_EQ(dynamic_cast<fw::QuitMenuItem*>(entry.get()) != nullptr, c.quitItem);
}

const EntryCase kEntries[] = {
    {nullptr, 0, "FileMenu", "&Ablage", "", false},
    {"FileMenu", 0, "FileQuit", "Beenden", "Cmd+Q", true},
    {nullptr, 1, "EditMenu", "&Bearbeiten", "", false},
    {"EditMenu", 0, "EditUndo",
     "&R\xC3\xBC"
     "ckg\xC3\xA4ngig",
     "Cmd+Z", false},
    {"EditMenu", 1, "EditSeparator1", "-", "", false},
    {"EditMenu", 2, "EditCut", "&Ausschneiden", "Cmd+X", false},
    {"EditMenu", 3, "EditCopy", "&Kopieren", "Cmd+C", false},
    {"EditMenu", 4, "EditPaste", "&Einf\xC3\xBCgen", "Cmd+V", false},
    {"EditMenu", 5, "EditClear", "&L\xC3\xB6schen", "", false},
    {"EditMenu", 6, "EditSeparator2", "-", "", false},
    {"EditMenu", 7, "EditSelectAll", "&Alles ausw\xC3\xA4hlen", "Cmd+A", false},
};

INSTANTIATE_TEST_SUITE_P(Table, MenuEntries, ::testing::ValuesIn(kEntries),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainMenuBarTest, BarHoldsFileThenEditWithOneAndEightEntries) {
  Ref<MainMenuBar> bar = MainMenuBar::Instance();
  ASSERT_EQ(bar->Count(), 2);
  EXPECT_EQ(bar->Item(0)->Count(), 1);
  EXPECT_EQ(bar->Item(1)->Count(), 8);
  EXPECT_TRUE(bar->Item(1)->Item(1)->NativeAction()->isSeparator());
  EXPECT_TRUE(bar->Item(1)->Item(6)->NativeAction()->isSeparator());
  const std::string undo = bar->Child("EditMenu")->Child("EditUndo")->Text();
  EXPECT_EQ(undo.size(), 13u);
  EXPECT_EQ(QString::fromStdString(undo).size(), 11);
  EXPECT_EQ(bar->Child("FileMenu")->Child("FileQuit")->Text().find('&'), std::string::npos);
  EXPECT_EQ(bar->Child("FileMenu")->Child("FileQuit")->NativeAction()->shortcut(),
            QKeySequence("Ctrl+Q"));
}

TEST_F(MainMenuBarTest, SecondAccessorCallGivesTheSameBarAndBuildsNothing) {
  EXPECT_EQ(MainMenuBar::ImplicitInstance(), nullptr);
  Ref<MainMenuBar> first = MainMenuBar::Instance();
  Ref<fw::MenuItem> undo = first->Child("EditMenu")->Child("EditUndo");
  Ref<MainMenuBar> second = MainMenuBar::Instance();
  EXPECT_EQ(second, first);
  EXPECT_EQ(second->Count(), 2);
  EXPECT_EQ(second->Child("EditMenu")->Count(), 8);
  EXPECT_EQ(second->Child("EditMenu")->Child("EditUndo"), undo);
}

TEST_F(MainMenuBarTest, ReleaseEmptiesTheVariableAndDropsTheBarOrNothing) {
  MainMenuBar::ReleaseImplicitInstance();  // none made: nothing to drop
  EXPECT_EQ(MainMenuBar::ImplicitInstance(), nullptr);
  std::weak_ptr<MainMenuBar> weak = MainMenuBar::Instance();
  ASSERT_FALSE(weak.expired());  // the variable holds it
  MainMenuBar::ReleaseImplicitInstance();
  EXPECT_EQ(MainMenuBar::ImplicitInstance(), nullptr);
  EXPECT_TRUE(weak.expired());
  EXPECT_NE(MainMenuBar::Instance(), nullptr);  // a later call makes a new one
}

TEST_F(MainMenuBarTest, ClassRecordFollowsMenuBarsOperationsWithTheTwoBuilders) {
  const fw::ClassRecord& r = MainMenuBar::Lookup();
  const fw::ClassRecord& menuBar = fw::LookupClass("MenuBar");
  EXPECT_EQ(r.FullName(), "MainMenuBar.MainMenuBar");
  EXPECT_EQ(r.Superclass(), &menuBar);
  std::vector<std::string> ops = menuBar.operations;
  ops.push_back("Untitled0");
  ops.push_back("Untitled1");
  EXPECT_EQ(r.operations, ops);
  EXPECT_EQ(MainMenuBar::Instance()->Class().FullName(), "MainMenuBar.MainMenuBar");
}

TEST_F(MainMenuBarTest, BuildingOnAWorkerRaisesAndLeavesNoBar) {
  fw::SetMainThreadRuleActive(true);
  EXPECT_EQ(testsupport::RaisedOnWorker({{"Instance", [] { MainMenuBar::Instance(); }}}),
            std::vector<std::string>{"Instance"});
  EXPECT_EQ(MainMenuBar::ImplicitInstance(), nullptr);
}

}  // namespace
