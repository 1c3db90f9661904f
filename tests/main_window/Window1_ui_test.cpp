#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Introspection.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/runtime/ThreadAccessingUIException.h"
#include "main_window/Window1.h"
#include "tests/support/Waiting.h"
#include "tests/support/WorkerAttempts.h"

namespace {

using app::Window1;
using fw::Ref;

class Window1Test : public ::testing::Test {
 protected:
  void TearDown() override {
    fw::SetMainThreadRuleActive(false);
    fw::ReleaseImplicitWindowList();
    fw::ReleaseWindowLists();
  }
  // A window made from its record (initialiser run) but not constructed.
  static Ref<Window1> Unconstructed() {
    return std::dynamic_pointer_cast<Window1>(fw::RuntimeNewObject(Window1::Lookup()));
  }
};

TEST_F(Window1Test, ControlsAreRegisteredInCreationOrderWithTheirClasses) {
  Ref<Window1> w = Window1::Instance();
  const std::vector<std::pair<const char*, const char*>> expected = {
      {"TextField1", "TextField"},
      {"PushButton1", "PushButton"},
      {"Label1", "Label"},
      {"PushButton2", "PushButton"},
      {"Label2", "Label"},
      {"Label3", "Label"},
      {"TextField2", "TextField"},
      {"TextField3", "TextField"},
      {"Label6", "Label"},
      {"TextField5", "TextField"},
      {"Label7", "Label"},
      {"PushButton3", "PushButton"},
      {"Thread1", "Window1.Thread1"},
      {"ProgressWheel1", "ProgressWheel"},
      {"Timer2", "Window1.Timer2"},
      {"Label8", "Label"}};
  ASSERT_EQ(w->ControlCount(), static_cast<int32_t>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    Ref<fw::Object> c = w->ControlAt(static_cast<int32_t>(i));
    EXPECT_EQ(c, w->ControlByName(expected[i].first)) << expected[i].first;
    EXPECT_EQ(c->Class().FullName(), expected[i].second) << expected[i].first;
    if (auto* rc = dynamic_cast<fw::RectControl*>(c.get())) {
      EXPECT_EQ(rc->Name(), expected[i].first);
    }
  }
}

TEST_F(Window1Test, WindowOpensWithItsTableOnTheDarkGrey) {
  Ref<Window1> w = Window1::Instance();
  EXPECT_TRUE(w->IsOpen());
  EXPECT_EQ(w->Title(), "SnapHarbor - Freeware");
  EXPECT_EQ(w->ContentWidget()->size(), QSize(564, 142));
  EXPECT_FALSE(w->Resizeable());
  EXPECT_EQ(w->ContentWidget()->palette().color(QPalette::Window), QColor(0x3C, 0x3C, 0x3C));
  EXPECT_EQ(w->Label2()->LabelWidget()->palette().color(QPalette::WindowText),
            QColor(0xFF, 0x52, 0x00));
  EXPECT_EQ(w->Label7()->LabelWidget()->palette().color(QPalette::WindowText),
            QColor(0x80, 0x80, 0x80));
}

struct GeometryCase {
  const char* name;
  QRect rect;
};
void PrintTo(const GeometryCase& c, std::ostream* os) { *os << c.name; }

class Window1Geometry : public Window1Test, public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(Window1Geometry, ControlSitsWhereItsTablePutsIt) {
  Ref<Window1> w = Window1::Instance();
  auto* rc = dynamic_cast<fw::RectControl*>(w->ControlByName(GetParam().name).get());
  ASSERT_NE(rc, nullptr);
  EXPECT_EQ(rc->Widget()->parentWidget(), w->ContentWidget());
  EXPECT_EQ(rc->Widget()->geometry(), GetParam().rect);
}

const GeometryCase kGeometry[] = {
    {"TextField1", {158, 14, 384, 22}}, {"PushButton1", {494, 44, 50, 20}},
    {"Label1", {20, 105, 243, 15}},     {"TextField5", {385, 73, 62, 22}},
    {"Label7", {375, 75, 7, 20}},       {"ProgressWheel1", {462, 105, 16, 16}},
};
INSTANTIATE_TEST_SUITE_P(Some, Window1Geometry, ::testing::ValuesIn(kGeometry),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Window1Test, ControlsStartInTheirLayoutStates) {
  // Built but not opened: what the tables alone give, before Open runs.
  Ref<Window1> w = Unconstructed();
  w->Layout();
  w->CreateControls();
  EXPECT_FALSE(w->IsOpen());
  EXPECT_EQ(w->TextField5()->Text(), "1");
  EXPECT_FALSE(w->PushButton2()->Enabled());
  EXPECT_TRUE(w->PushButton2()->Default());
  EXPECT_TRUE(w->PushButton1()->Enabled());
  EXPECT_TRUE(w->PushButton1()->Default());
  EXPECT_FALSE(w->PushButton3()->Default());
  EXPECT_FALSE(w->ProgressWheel1()->Visible());
  EXPECT_FALSE(w->ProgressWheel1()->Enabled());
  EXPECT_TRUE(w->ProgressWheel1()->TabStop());
  EXPECT_EQ(w->Label1()->Text(), "Pictures saved: ");
  EXPECT_EQ(w->TextField1()->CueText(), "http://example.tumblr.com");
  EXPECT_EQ(w->TextField1()->Edit()->placeholderText().toStdString(), "http://example.tumblr.com");
  EXPECT_FALSE(w->TextField1()->UseFocusRing());
  EXPECT_TRUE(w->TextField2()->UseFocusRing());
  for (auto field : {w->TextField1(), w->TextField2(), w->TextField3(), w->TextField5()}) {
    EXPECT_FALSE(field->ReadOnly());
    EXPECT_EQ(field->TextUnit(), fw::FontUnits::Default);
  }
  EXPECT_EQ(w->Timer2()->Mode(), fw::Timer::kModeMultiple);
  EXPECT_EQ(w->Timer2()->Period(), 100);
  EXPECT_EQ(w->Thread1()->Priority, 5);
  EXPECT_EQ(w->Thread1()->StackSize, 0);
  EXPECT_FALSE(w->Thread1()->IsRunning());
}

TEST_F(Window1Test, AccessorsLookUpAnewAndGiveNilForAMissingControl) {
  Ref<Window1> w = Window1::Instance();
  EXPECT_EQ(w->TextField1(), w->TextField1());
  EXPECT_EQ(w->Thread1(), w->Thread1());
  EXPECT_EQ(w->Timer2().get(), dynamic_cast<fw::Timer*>(w->ControlByName("Timer2").get()));
  // A replacement under the same name is what the next call finds.
  auto other = w->New<fw::Label>();
  w->AddControl("Label8", other);
  EXPECT_EQ(w->Label8(), other);
  // Another class under the name, or none at all: Nil, no exception.
  w->AddControl("Label6", w->New<fw::TextField>());
  EXPECT_EQ(w->Label6(), nullptr);
  Ref<Window1> bare = Unconstructed();
  EXPECT_EQ(bare->TextField1(), nullptr);
  EXPECT_EQ(bare->Thread1(), nullptr);
  EXPECT_EQ(bare->Timer2(), nullptr);
}

TEST_F(Window1Test, InstanceWhileOpenGivesTheOpenWindowAndBuildsNothing) {
  Ref<Window1> w = Window1::Instance();
  Ref<fw::Object> field = w->ControlByName("TextField1");
  EXPECT_EQ(Window1::Instance(), w);
  EXPECT_EQ(w->ControlCount(), 16);
  EXPECT_EQ(w->ControlByName("TextField1"), field);
  EXPECT_EQ(fw::GetImplicitWindow("Window1.Window1"), w);
  EXPECT_EQ(fw::OpenWindows().size(), 1u);
}

TEST_F(Window1Test, NewWindowHoldsZerosAndEmptyTextsAndItsFinaliserEmptiesOnlyTheTexts) {
  Ref<Window1> w = Unconstructed();
  EXPECT_EQ(w->Page, 0);
  EXPECT_EQ(w->count, 0);
  for (const std::string* s : {&w->url, &w->folder, &w->picturename, &w->watermark, &w->checkurl})
    EXPECT_TRUE(s->empty());
  w->Page = 7;
  w->count = 42;
  w->url = "http://a.tumblr.com";
  w->folder = w->picturename = w->watermark = w->checkurl = "x";
  Window1::Lookup().finaliser(*w);
  EXPECT_EQ(w->Page, 7);
  EXPECT_EQ(w->count, 42);
  for (const std::string* s : {&w->url, &w->folder, &w->picturename, &w->watermark, &w->checkurl})
    EXPECT_TRUE(s->empty());
}

TEST_F(Window1Test, ClassRecordListsWindowsOperationsThenItsOwnWithScopes) {
  const fw::ClassRecord& r = Window1::Lookup();
  const fw::ClassRecord& window = fw::LookupClass("Window");
  EXPECT_EQ(r.FullName(), "Window1.Window1");
  EXPECT_EQ(r.Superclass(), &window);
  const std::vector<std::string> own = {"Layout",
                                        "CreateControls",
                                        "_CreateControls0",
                                        "TextField1",
                                        "PushButton1",
                                        "Label1",
                                        "PushButton2",
                                        "Label2",
                                        "Label3",
                                        "TextField2",
                                        "TextField3",
                                        "Label6",
                                        "TextField5",
                                        "Label7",
                                        "PushButton3",
                                        "Thread1",
                                        "ProgressWheel1",
                                        "Timer2",
                                        "Label8",
                                        "TextField1_TextChange",
                                        "PushButton1_Action",
                                        "PushButton2_Action",
                                        "PushButton3_Action",
                                        "Thread1_Run",
                                        "Timer2_Action",
                                        "Event_Open",
                                        "Event_Close",
                                        "ExtractPicURLs"};
  std::vector<std::string> ops = window.operations;
  ops.insert(ops.end(), own.begin(), own.end());
  EXPECT_EQ(r.operations, ops);
  std::vector<std::string> methods;
  for (const fw::MethodEntry& m : r.methods) methods.push_back(m.name);
  EXPECT_EQ(methods, own);
  for (const std::string& m : own) {
    EXPECT_EQ(fw::MemberScope(r, m), "Public") << m;
    EXPECT_EQ(fw::MemberAccessible(r, m), m != "_CreateControls0") << m;
  }
  EXPECT_EQ(fw::FindMethodEntry(r, "Thread1")->resultType, "Thread");
  EXPECT_EQ(fw::FindMethodEntry(r, "Timer2_Action")->argumentTypes,
            std::vector<std::string>{"Timer"});

  std::vector<std::pair<std::string, std::string>> props;
  for (const fw::PropertyEntry& p : r.properties) {
    props.emplace_back(p.name, p.type);
    EXPECT_TRUE(fw::MemberAccessible(r, p.name)) << p.name;
  }
  EXPECT_EQ(props, (std::vector<std::pair<std::string, std::string>>{{"Page", "Int32"},
                                                                     {"count", "Int32"},
                                                                     {"url", "String"},
                                                                     {"folder", "String"},
                                                                     {"picturename", "String"},
                                                                     {"watermark", "String"},
                                                                     {"checkurl", "String"}}));
  std::vector<std::pair<std::string, std::string>> hooks;
  for (const fw::EventHook& h : r.eventHooks) hooks.emplace_back(h.event, h.operation);
  EXPECT_EQ(hooks,
            (std::vector<std::pair<std::string, std::string>>{{"Layout", "Layout"},
                                                              {"CreateControls", "CreateControls"},
                                                              {"Open", "Event_Open"},
                                                              {"Close", "Event_Close"}}));
  EXPECT_EQ(fw::ClassScope(r), "Public");
  EXPECT_EQ(fw::FindClass("Window1.Window1"), &r);
}

struct MemberCase {
  const char* fullName;
  const fw::ClassRecord& (*lookup)();
  const char* superclass;
  std::vector<std::string> interfaces;
};
void PrintTo(const MemberCase& c, std::ostream* os) { *os << c.fullName; }

class MemberRecords : public ::testing::TestWithParam<MemberCase> {};

TEST_P(MemberRecords, SuperclassOperationsThenThePaneChildOnesAndTheConstructor) {
  const fw::ClassRecord& r = GetParam().lookup();
  const fw::ClassRecord& super = fw::LookupClass(GetParam().superclass);
  EXPECT_EQ(r.FullName(), GetParam().fullName);
  EXPECT_EQ(r.Superclass(), &super);
  std::vector<std::string> ops = super.operations;
  for (const char* op : {"_SetWindow", "Window", "_Index", "_SetIndex", "Constructor"})
    ops.push_back(op);
  EXPECT_EQ(r.operations, ops);
  std::vector<std::string> interfaces;
  for (const fw::InterfaceTable& t : r.interfaces) interfaces.push_back(t.name);
  EXPECT_EQ(interfaces, GetParam().interfaces);
  EXPECT_EQ(r.interfaces[0].operations,
            (std::vector<std::string>{"_SetWindow", "Window", "_Index", "_SetIndex"}));
  EXPECT_TRUE(fw::MemberAccessible(r, "Window"));
  EXPECT_TRUE(fw::MemberAccessible(r, "Constructor"));
  EXPECT_FALSE(fw::MemberAccessible(r, "_SetWindow"));
  EXPECT_TRUE(fw::MemberAccessible(r, "Index"));
  EXPECT_FALSE(fw::MemberAccessible(r, "ownerWindow"));
}

INSTANTIATE_TEST_SUITE_P(
    Both, MemberRecords,
    ::testing::Values(
        MemberCase{"Window1.Thread1", &Window1::Thread1::Lookup, "Thread", {"_PaneChild"}},
        MemberCase{
            "Window1.Timer2", &Window1::Timer2::Lookup, "Timer", {"_PaneChild", "actionSource"}}),
    [](const auto& info) { return std::string(info.param.superclass); });

TEST_F(Window1Test, MembersLinkToTheWindowAndClosingFreesTheWindow) {
  std::weak_ptr<Window1> weak = Window1::Instance();
  auto* thread = dynamic_cast<fw::PaneChild*>(weak.lock()->ControlByName("Thread1").get());
  auto* timer = dynamic_cast<fw::PaneChild*>(weak.lock()->ControlByName("Timer2").get());
  ASSERT_TRUE(thread && timer);
  EXPECT_EQ(thread->Window(), weak.lock());
  EXPECT_EQ(timer->Window(), weak.lock());
  weak.lock()->Close();
  EXPECT_EQ(fw::GetImplicitWindow("Window1.Window1"), nullptr);
  EXPECT_TRUE(weak.expired()) << "window -> member -> window kept the closed window alive";
}

TEST_F(Window1Test, MemberFinaliserDropsItsOwnerLink) {
  Ref<Window1> w = Window1::Instance();
  for (const fw::ClassRecord* rec : {&Window1::Thread1::Lookup(), &Window1::Timer2::Lookup()}) {
    Ref<fw::Object> member = fw::RuntimeNewObject(*rec);
    auto* pc = dynamic_cast<fw::PaneChild*>(member.get());
    pc->SetWindow(w);
    rec->finaliser(*member);
    EXPECT_EQ(pc->Window(), nullptr) << rec->FullName();
  }
}

TEST_F(Window1Test, MakingOrTouchingTheWindowOnAWorkerRaises) {
  Ref<Window1> w = Window1::Instance();
  fw::ReleaseImplicitWindowList();  // so the worker's Instance has to make one
  fw::SetMainThreadRuleActive(true);
  const std::vector<std::string> raised = testsupport::RaisedOnWorker({
      {"Instance", [] { Window1::Instance(); }},
      {"SetText", [&] { w->TextField1()->SetText("x"); }},
      {"Accessor", [&] { w->TextField1(); }},  // the lookup itself has no check
  });
  EXPECT_EQ(raised, (std::vector<std::string>{"Instance", "SetText"}));
  EXPECT_EQ(fw::GetImplicitWindow("Window1.Window1"), nullptr);
}

}  // namespace
