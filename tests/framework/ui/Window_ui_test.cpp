#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <string>
#include <vector>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/EventBinding.h"
#include "framework/classes/LayoutTableWriter.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/runtime/RuntimeLock.h"
#include "framework/runtime/Thread.h"
#include "framework/runtime/ThreadAccessingUIException.h"
#include "framework/ui/PaneChild.h"
#include "framework/ui/PushButton.h"
#include "framework/ui/Runtime.h"
#include "framework/ui/TextField.h"
#include "framework/ui/Timer.h"
#include "framework/ui/Window.h"
#include "tests/support/Waiting.h"
#include "tests/support/WorkerAttempts.h"

namespace {

std::string WindowTable(bool visible, bool resizeable = false, int32_t frame = 0) {
  return fw::LayoutTableWriter()
      .Int32("Placement", 0)
      .Int32("Width", 564)
      .Int32("Height", 142)
      .Int32("MinWidth", 64)
      .Int32("MinHeight", 64)
      .Int32("MaxWidth", 32000)
      .Int32("MaxHeight", 32000)
      .Int32("Frame", frame)
      .Bool("Composite", true)
      .Bool("HasBackColor", true)
      .Color("BackColor", 0x3C3C3C)
      .String("Title", "Test Window")
      .Bool("Visible", visible)
      .Bool("FullScreen", false)
      .Bool("MenuBarVisible", true)
      .Bool("CloseButton", true)
      .Bool("Resizeable", resizeable)
      .Bool("LiveResize", false)
      .Bool("MaximizeButton", false)
      .Bool("MinimizeButton", true)
      .Int32("MacProcID", 0);
}

std::string ControlTable(const std::string& name, int32_t left, int32_t tabIndex) {
  return fw::LayoutTableWriter()
      .String("Name", name)
      .Int32("Index", INT32_MIN)
      .Int32("Left", left)
      .Int32("Top", 10)
      .Int32("Width", 80)
      .Int32("Height", 22)
      .Int32("TabIndex", tabIndex);
}

class MemberTimer : public fw::Timer, public fw::PaneChild {};

// A window class as a program writes one: its record hooks the four window
// events; CreateControls makes two text fields, a button and a timer member.
class TestWindow : public fw::Window {
 public:
  static inline bool visibleLayout = true;
  static inline bool failInCreate = false;
  static inline bool quitOnClose = false;
  static inline std::vector<std::string> journal;

  static const fw::ClassRecord& Lookup() {
    static const fw::ClassRecord& rec = []() -> const fw::ClassRecord& {
      fw::ClassRecord& r = fw::RuntimeNewClass(&fw::LookupClass("Window"), "TestWindow.TestWindow");
      r.SetAllocator<TestWindow>();
      fw::RuntimeNewVtable(r, {"Layout", "CreateControls", "Event_Open", "Event_Close"});
      r.eventHooks = {{"Layout", "Layout", fw::HookTo(&TestWindow::Layout)},
                      {"CreateControls", "CreateControls", fw::HookTo(&TestWindow::CreateControls)},
                      {"Open", "Event_Open", fw::HookTo(&TestWindow::Event_Open)},
                      {"Close", "Event_Close", fw::HookTo(&TestWindow::Event_Close)}};
      return r;
    }();
    return rec;
  }
  const fw::ClassRecord& Class() const override { return Lookup(); }

  void Layout() {
    journal.push_back("Layout");
    fw::SetProperties(*this, WindowTable(visibleLayout));
  }
  void CreateControls() {
    journal.push_back("CreateControls");
    Make<fw::TextField>("Field1", ControlTable("Field1", 10, 3));
    Make<fw::TextField>("Field2", ControlTable("Field2", 100, 1));
    if (failInCreate) throw fw::RuntimeException("no controls today");
    Make<fw::PushButton>("Button1", ControlTable("Button1", 200, 2));
    auto timer = New<MemberTimer>();
    AddControl("Timer1", timer);
    fw::SetProperties(fw::CheckCast<fw::Timer>(ControlByName("Timer1")),
                      fw::LayoutTableWriter().Int32("Mode", 2).Int32("Period", 100).Bytes());
    fw::RuntimeAddEventHandler(ControlByName<fw::PushButton>("Button1"), "Action",
                               fw::RuntimeCreateDelegate(&TestWindow::Button1_Action, this));
    fw::RuntimeAddEventHandler(ControlByName<fw::Timer>("Timer1"), "Action",
                               fw::RuntimeCreateDelegate(&TestWindow::Timer1_Action, this));
  }
  void Event_Open() {
    journal.push_back("Open");
    controlsSeenAtOpen = ControlCount();
  }
  void Event_Close() {
    journal.push_back("Close");
    if (quitOnClose) fw::Quit(0);
  }
  void Button1_Action(fw::PushButton&) { journal.push_back("Button1"); }
  void Timer1_Action(fw::Timer&) { journal.push_back("Timer1"); }

  int32_t controlsSeenAtOpen = -1;

 private:
  template <class T>
  void Make(const std::string& name, const std::string& table) {
    auto c = New<T>();
    c->Constructor();
    AddControl(name, c);
    fw::SetProperties(ControlByName<T>(name), table);
  }
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestWindow::journal.clear();
    TestWindow::visibleLayout = true;
    TestWindow::failInCreate = false;
    TestWindow::quitOnClose = false;
  }
  void TearDown() override {
    for (auto& w : fw::OpenWindows()) w->Close();
    fw::ReleaseImplicitWindowList();
    fw::SetMainThreadRuleActive(false);
  }
  static fw::Ref<TestWindow> Make() { return fw::ImplicitWindow<TestWindow>(TestWindow::Lookup()); }
};

TEST_F(WindowTest, ConstructorRaisesLayoutCreateControlsThenOpenWhichSeesTheControls) {
  auto w = Make();
  EXPECT_EQ(TestWindow::journal, (std::vector<std::string>{"Layout", "CreateControls", "Open"}));
  EXPECT_EQ(w->controlsSeenAtOpen, 4);
  EXPECT_TRUE(w->IsOpen());
  EXPECT_TRUE(w->Widget()->isVisible());
  EXPECT_EQ(fw::OpenWindows().size(), 1u);
}

TEST_F(WindowTest, LayoutTableSetsTheWindowsProperties) {
  auto w = Make();
  EXPECT_EQ(w->Title(), "Test Window");
  EXPECT_EQ(w->Widget()->windowTitle().toStdString(), "Test Window");
  EXPECT_EQ(w->Width(), 564);
  EXPECT_EQ(w->Height(), 142);
  EXPECT_EQ(w->ContentWidget()->size(), QSize(564, 142));
  // Not resizeable: held at its size whatever the limits say.
  EXPECT_EQ(w->Widget()->minimumSize(), w->Widget()->maximumSize());
  EXPECT_EQ(w->ContentWidget()->palette().color(QPalette::Window), QColor(0x3C, 0x3C, 0x3C));
  EXPECT_TRUE(w->ContentWidget()->autoFillBackground());
  const Qt::WindowFlags f = w->Widget()->windowFlags();
  EXPECT_EQ(f & Qt::WindowType_Mask, Qt::Window);
  EXPECT_TRUE(f & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(f & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(f & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(w->Composite());  // kept
}

TEST_F(WindowTest, ResizeableWindowAndDialogFrame) {
  auto w = std::make_shared<fw::Window>();
  fw::SetProperties(w, WindowTable(false, true, 8));
  EXPECT_EQ(w->Widget()->windowFlags() & Qt::WindowType_Mask, Qt::Dialog);
  EXPECT_EQ(w->ContentWidget()->minimumSize(), QSize(64, 64));
  EXPECT_EQ(w->ContentWidget()->maximumSize(), QSize(32000, 32000));
}

TEST_F(WindowTest, ControlsAreInTheWindowWithTheirTableValues) {
  auto w = Make();
  auto field = w->ControlByName<fw::TextField>("Field1");
  ASSERT_TRUE(field);
  EXPECT_EQ(field->Widget()->parentWidget(), w->ContentWidget());
  EXPECT_EQ(field->Widget()->geometry(), QRect(10, 10, 80, 22));
  EXPECT_EQ(field->Name(), "Field1");
  EXPECT_EQ(field->Index(), INT32_MIN);
  EXPECT_TRUE(field->Widget()->isVisible());
}

TEST_F(WindowTest, ControlRegistryFindsByNameAndGivesNilOtherwise) {
  auto w = Make();
  auto f1 = w->ControlByName("Field1");
  EXPECT_TRUE(f1);
  EXPECT_EQ(w->ControlByName("field1"), f1);  // names compare as the program's strings do
  EXPECT_EQ(w->ControlByName("Field3"), nullptr);
  EXPECT_EQ(w->ControlByName<fw::PushButton>("Field1"), nullptr);  // of another class
  EXPECT_EQ(fw::RuntimeCheckCast(f1, fw::LookupClass("PushButton")), nullptr);
  EXPECT_EQ(fw::RuntimeCheckCast(f1, fw::LookupClass("RectControl")), f1);
  EXPECT_THROW(w->AddControl("Nothing", nullptr), fw::NilObjectException);

  auto other = w->New<fw::TextField>();
  w->AddControl("FIELD1", other);
  EXPECT_EQ(w->ControlByName("Field1"), other);  // replaced
  EXPECT_EQ(w->ControlCount(), 4);
}

// The widget Tab moves to from w: the next one in the focus chain that takes
// focus by Tab.
QWidget* NextTabStop(QWidget* w) {
  for (QWidget* n = w->nextInFocusChain(); n && n != w; n = n->nextInFocusChain())
    if ((n->focusPolicy() & Qt::TabFocus) && n->isVisible() && n->isEnabled()) return n;
  return nullptr;
}

TEST_F(WindowTest, TabOrderFollowsTabIndexNotCreationOrder) {
  auto w = Make();
  QWidget* f2 = w->ControlByName<fw::TextField>("Field2")->Widget();
  QWidget* b1 = w->ControlByName<fw::PushButton>("Button1")->Widget();
  QWidget* f1 = w->ControlByName<fw::TextField>("Field1")->Widget();
  EXPECT_EQ(NextTabStop(f2), b1);
  EXPECT_EQ(NextTabStop(b1), f1);
  EXPECT_EQ(NextTabStop(f1), f2);

  w->ControlByName<fw::PushButton>("Button1")->SetTabStop(false);
  EXPECT_EQ(NextTabStop(f2), f1);
}

TEST_F(WindowTest, ImplicitInstanceIsFoundWhileOpenAndGoneAfterClose) {
  auto w = Make();
  EXPECT_EQ(fw::GetImplicitWindow("TestWindow.TestWindow"), w);
  EXPECT_EQ(Make(), w);  // found, nothing made
  EXPECT_EQ(TestWindow::journal.size(), 3u);

  w->Close();
  EXPECT_EQ(TestWindow::journal.back(), "Close");
  EXPECT_EQ(fw::GetImplicitWindow("TestWindow.TestWindow"), nullptr);
  EXPECT_TRUE(fw::OpenWindows().empty());
  EXPECT_FALSE(w->Widget()->isVisible());

  auto again = Make();
  EXPECT_NE(again, w);
  w->Close();  // closed already: nothing runs
  EXPECT_EQ(std::count(TestWindow::journal.begin(), TestWindow::journal.end(), "Close"), 1);
}

TEST_F(WindowTest, CloseBoxDoesWhatCloseDoes) {
  std::weak_ptr<TestWindow> weak = Make();
  QWidget* top = weak.lock()->Widget();
  QCloseEvent ev;
  QApplication::sendEvent(top, &ev);
  EXPECT_EQ(TestWindow::journal.back(), "Close");
  EXPECT_EQ(fw::GetImplicitWindow("TestWindow.TestWindow"), nullptr);
  EXPECT_TRUE(fw::OpenWindows().empty());
  // Nothing else held it: the window with its bound controls and linked timer is gone.
  EXPECT_TRUE(weak.expired());
}

TEST_F(WindowTest, OpenWindowsListKeepsTheWindowAliveUntilClose) {
  std::weak_ptr<TestWindow> weak = Make();
  fw::ReleaseImplicitWindowList();
  ASSERT_FALSE(weak.expired());  // the open-window list holds it
  auto timer = weak.lock()->ControlByName<MemberTimer>("Timer1");
  EXPECT_EQ(timer->Window(), weak.lock());  // linked
  weak.lock()->Close();
  EXPECT_EQ(timer->Window(), nullptr);  // link emptied on close
  EXPECT_TRUE(weak.expired());
}

TEST_F(WindowTest, ReleaseWindowListsFreesOpenWindows) {
  std::weak_ptr<TestWindow> weak = Make();
  fw::ReleaseImplicitWindowList();
  fw::ReleaseWindowLists();
  EXPECT_TRUE(weak.expired());
  EXPECT_TRUE(fw::OpenWindows().empty());
}

TEST_F(WindowTest, InvisibleLayoutDoesNotOpenUntilShow) {
  TestWindow::visibleLayout = false;
  auto w = Make();
  EXPECT_EQ(TestWindow::journal, (std::vector<std::string>{"Layout", "CreateControls"}));
  EXPECT_FALSE(w->IsOpen());
  EXPECT_TRUE(fw::OpenWindows().empty());
  w->Show();
  EXPECT_EQ(TestWindow::journal.back(), "Open");
  EXPECT_TRUE(w->Widget()->isVisible());
  w->Show();  // again: no second Open
  EXPECT_EQ(std::count(TestWindow::journal.begin(), TestWindow::journal.end(), "Open"), 1);
}

TEST_F(WindowTest, FailedConstructionLeavesNoImplicitInstance) {
  TestWindow::failInCreate = true;
  EXPECT_THROW(Make(), fw::RuntimeException);
  EXPECT_EQ(fw::GetImplicitWindow("TestWindow.TestWindow"), nullptr);
  EXPECT_TRUE(fw::OpenWindows().empty());
}

TEST_F(WindowTest, ReturnPressesTheEnabledDefaultButton) {
  auto w = Make();
  auto button = w->ControlByName<fw::PushButton>("Button1");
  button->SetDefault(true);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(w->Widget(), &press);
  EXPECT_EQ(TestWindow::journal.back(), "Button1");

  button->SetEnabled(false);
  TestWindow::journal.clear();
  QApplication::sendEvent(w->Widget(), &press);
  EXPECT_TRUE(TestWindow::journal.empty());
}

TEST_F(WindowTest, DelegatesDoNotKeepAWindowThatWasNeverOpenedAlive) {
  TestWindow::visibleLayout = false;
  std::weak_ptr<TestWindow> weak;
  fw::Ref<fw::PushButton> button;
  {
    auto w = Make();
    weak = w;
    button = w->ControlByName<fw::PushButton>("Button1");
    fw::ReleaseImplicitWindowList();
    // Its timer member links back to it until the window lists are released.
    fw::ReleaseWindowLists();
  }
  EXPECT_TRUE(weak.expired());
  TestWindow::journal.clear();
  button->Push();  // the receiver is gone: nothing runs
  EXPECT_TRUE(TestWindow::journal.empty());
}

TEST_F(WindowTest, WindowAndControlOperationsOnAWorkerRaise) {
  auto w = Make();
  auto field = w->ControlByName<fw::TextField>("Field1");
  auto timer = w->ControlByName<fw::Timer>("Timer1");
  fw::SetMainThreadRuleActive(true);
  const std::vector<std::string> raised = testsupport::RaisedOnWorker({
      {"SetText", [&] { field->SetText("x"); }},
      {"Enabled", [&] { field->SetEnabled(false); }},
      {"Title", [&] { w->SetTitle("x"); }},
      {"Show", [&] { w->Show(); }},
      {"NewWindow", [&] { fw::Window other; }},
      {"Timer", [&] { timer->SetEnabled(false); }},     // timers carry no check
      {"Lookup", [&] { w->ControlByName("Field1"); }},  // nor does the registry
  });
  EXPECT_EQ(raised, (std::vector<std::string>{"SetText", "Enabled", "Title", "Show", "NewWindow"}));
  EXPECT_EQ(field->Text(), "");
}

}  // namespace

namespace {

// Under the real event loop (which holds the runtime lock only while it
// delivers): the timer fires, its handler presses the button, the button's
// handler closes the window, and the window's Close handler quits.
TEST_F(WindowTest, EventsRunUnderTheEventLoopAndCloseCanQuit) {
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name, nullptr};
  fw::RuntimeInit(argc, argv);
  TestWindow::quitOnClose = true;

  struct Chain {
    std::vector<std::string> steps;
    bool lockHeld = true;
    void Tick(fw::Timer&) {
      steps.push_back("tick");
      lockHeld = lockHeld && fw::RuntimeLock::Instance().HeldByMe();
      fw::GetImplicitWindow("TestWindow.TestWindow")
          ->ControlByName<fw::PushButton>("Button1")
          ->Push();
    }
    void Press(fw::PushButton&) {
      steps.push_back("press");
      fw::GetImplicitWindow("TestWindow.TestWindow")->Close();
    }
  };
  auto chain = std::make_shared<Chain>();
  fw::RunFrameworkInitialization([&] {
    auto w = Make();
    fw::RuntimeAddEventHandler(w->ControlByName<fw::Timer>("Timer1"), "Action",
                               fw::RuntimeCreateDelegate(&Chain::Tick, chain));
    fw::RuntimeAddEventHandler(w->ControlByName<fw::PushButton>("Button1"), "Action",
                               fw::RuntimeCreateDelegate(&Chain::Press, chain));
  });
  fw::RuntimeRun();
  EXPECT_EQ(fw::RuntimeExit(), 0);
  EXPECT_EQ(chain->steps, (std::vector<std::string>{"tick", "press"}));
  EXPECT_TRUE(chain->lockHeld);
  EXPECT_EQ(TestWindow::journal.back(), "Close");
  EXPECT_TRUE(fw::OpenWindows().empty());
}

}  // namespace
