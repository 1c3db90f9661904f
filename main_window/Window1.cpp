#include "main_window/Window1.h"

#include <utility>
#include <vector>

#include "about_window/Window2.h"
#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Delegate.h"
#include "framework/classes/EventBinding.h"
#include "framework/classes/Operation.h"
#include "framework/classes/PropertyTarget.h"
#include "framework/files/FolderItem.h"
#include "framework/files/SpecialFolder.h"
#include "framework/picture/FontUnits.h"
#include "framework/runtime/Int32.h"
#include "framework/ui/MsgBox.h"
#include "framework/ui/Runtime.h"
#include "main_window/DownloadWorker.h"
#include "main_window/ExtractPicURLs.h"
#include "main_window/FormChecks.h"
#include "main_window/Window1Layout.h"

namespace app {

namespace {

// The record of the framework class a control of type T is cast to.
template <class T>
const fw::ClassRecord& KindRecord() {
  if constexpr (std::is_same_v<T, fw::TextField>)
    return fw::LookupClass("TextField");
  else if constexpr (std::is_same_v<T, fw::PushButton>)
    return fw::LookupClass("PushButton");
  else if constexpr (std::is_same_v<T, fw::Label>)
    return fw::LookupClass("Label");
  else if constexpr (std::is_same_v<T, fw::ProgressWheel>)
    return fw::LookupClass("ProgressWheel");
  else if constexpr (std::is_same_v<T, fw::Thread>)
    return fw::LookupClass("Thread");
  else {
    static_assert(std::is_same_v<T, fw::Timer>, "not a control kind of this window");
    return fw::LookupClass("Timer");
  }
}

// The four operations through which the framework treats a member as a
// PaneChild, then the member's constructor.
const std::vector<fw::Operation>& MemberOperations() {
  static const std::vector<fw::Operation> ops = {
      {"_SetWindow", {"Window"}, "", fw::Operation::kHidden},
      {"Window", {}, "Window"},
      {"_Index", {}, "Int32", fw::Operation::kHidden},
      {"_SetIndex", {"Int32"}, "", fw::Operation::kHidden},
      {"Constructor", {}, ""},
  };
  return ops;
}

// Builds the record of a window member class M under the framework class
// superName.
template <class M>
const fw::ClassRecord& BuildMemberRecord(const char* superName, const char* fullName) {
  fw::ClassRecord& r = fw::RuntimeNewClass(&fw::LookupClass(superName), fullName);
  r.SetAllocator<M>();
  r.finaliser = [](fw::Object& o) { dynamic_cast<M&>(o).Exit(); };
  fw::AddOperations(r, MemberOperations());
  r.interfaces = r.Superclass()->interfaces;
  r.interfaces.insert(
      r.interfaces.begin(),
      fw::InterfaceTable{"_PaneChild", {"_SetWindow", "Window", "_Index", "_SetIndex"}});
  r.properties.push_back({"Index", "Int32", fw::PublicAttributes()});
  r.properties.push_back(
      {"ownerWindow", "Window", fw::RuntimeAllocateAttributeTable({{"__Scope", "Private"}})});
  r.attributes = fw::PublicAttributes();
  return r;
}

}  // namespace

// --- the class record ---

const fw::ClassRecord& Window1::Lookup() {
  static const fw::ClassRecord& rec = []() -> const fw::ClassRecord& {
    fw::ClassRecord& r = fw::RuntimeNewClass(&fw::LookupClass("Window"), "Window1.Window1");
    r.SetAllocator<Window1>();
    r.initialiser = [](fw::Object& o) { dynamic_cast<Window1&>(o).Init(); };
    r.finaliser = [](fw::Object& o) { dynamic_cast<Window1&>(o).Exit(); };
    fw::AddOperations(r, {
                             {"Layout", {}, ""},
                             {"CreateControls", {}, ""},
                             {"_CreateControls0", {}, "", fw::Operation::kHidden},
                             {"TextField1", {}, "TextField"},
                             {"PushButton1", {}, "PushButton"},
                             {"Label1", {}, "Label"},
                             {"PushButton2", {}, "PushButton"},
                             {"Label2", {}, "Label"},
                             {"Label3", {}, "Label"},
                             {"TextField2", {}, "TextField"},
                             {"TextField3", {}, "TextField"},
                             {"Label6", {}, "Label"},
                             {"TextField5", {}, "TextField"},
                             {"Label7", {}, "Label"},
                             {"PushButton3", {}, "PushButton"},
                             {"Thread1", {}, "Thread"},
                             {"ProgressWheel1", {}, "ProgressWheel"},
                             {"Timer2", {}, "Timer"},
                             {"Label8", {}, "Label"},
                             {"TextField1_TextChange", {"TextField"}, ""},
                             {"PushButton1_Action", {"PushButton"}, ""},
                             {"PushButton2_Action", {"PushButton"}, ""},
                             {"PushButton3_Action", {"PushButton"}, ""},
                             {"Thread1_Run", {"Thread"}, ""},
                             {"Timer2_Action", {"Timer"}, ""},
                             {"Event_Open", {}, ""},
                             {"Event_Close", {}, ""},
                             {"ExtractPicURLs", {"String"}, "String()"},
                         });
    r.eventHooks = {
        {"Layout", "Layout", fw::HookTo(&Window1::Layout)},
        {"CreateControls", "CreateControls", fw::HookTo(&Window1::CreateControls)},
        {"Open", "Event_Open", fw::HookTo(&Window1::Event_Open)},
        {"Close", "Event_Close", fw::HookTo(&Window1::Event_Close)},
    };
    for (const char* name : {"Page", "count"})
      r.properties.push_back({name, "Int32", fw::PublicAttributes()});
    for (const char* name : {"url", "folder", "picturename", "watermark", "checkurl"})
      r.properties.push_back({name, "String", fw::PublicAttributes()});
    r.attributes = fw::PublicAttributes();
    return r;
  }();
  return rec;
}

const fw::ClassRecord& Window1::Class() const { return Lookup(); }

fw::Ref<Window1> Window1::Instance() { return fw::ImplicitWindow<Window1>(Lookup()); }

void Window1::Init() {
  Page = 0;
  count = 0;
}

void Window1::Exit() {
  for (std::string* s : {&url, &folder, &picturename, &watermark, &checkurl})
    std::string().swap(*s);
}

// --- layout and controls ---

void Window1::Layout() { fw::SetProperties(*this, Window1Layout::Window()); }

void Window1::CreateControls() { CreateControls0(); }

template <class T>
fw::Ref<T> Window1::Control(std::string_view name) const {
  return fw::RuntimeCheckCast<T>(ControlByName(name), KindRecord<T>());
}

template <class T>
void Window1::MakeVisible(std::string_view name, const std::string& table) {
  MakeControl<T>(name);
  if constexpr (!std::is_same_v<T, fw::ProgressWheel>)
    fw::NonNil(Control<T>(name)).SetTextUnit(fw::FontUnitsFromCode(0));
  fw::SetProperties(Control<T>(name), table);
}

void Window1::CreateControls0() {
  MakeVisible<fw::TextField>("TextField1", Window1Layout::TextField1());
  fw::RuntimeAddEventHandler(Control<fw::TextField>("TextField1"), "TextChange",
                             fw::RuntimeCreateDelegate(&Window1::TextField1_TextChange, this));

  MakeVisible<fw::PushButton>("PushButton1", Window1Layout::PushButton1());
  fw::RuntimeAddEventHandler(Control<fw::PushButton>("PushButton1"), "Action",
                             fw::RuntimeCreateDelegate(&Window1::PushButton1_Action, this));

  MakeVisible<fw::Label>("Label1", Window1Layout::Label1());

  MakeVisible<fw::PushButton>("PushButton2", Window1Layout::PushButton2());
  fw::RuntimeAddEventHandler(Control<fw::PushButton>("PushButton2"), "Action",
                             fw::RuntimeCreateDelegate(&Window1::PushButton2_Action, this));

  MakeVisible<fw::Label>("Label2", Window1Layout::Label2());
  MakeVisible<fw::Label>("Label3", Window1Layout::Label3());
  MakeVisible<fw::TextField>("TextField2", Window1Layout::TextField2());
  MakeVisible<fw::TextField>("TextField3", Window1Layout::TextField3());
  MakeVisible<fw::Label>("Label6", Window1Layout::Label6());
  MakeVisible<fw::TextField>("TextField5", Window1Layout::TextField5());
  MakeVisible<fw::Label>("Label7", Window1Layout::Label7());

  MakeVisible<fw::PushButton>("PushButton3", Window1Layout::PushButton3());
  fw::RuntimeAddEventHandler(Control<fw::PushButton>("PushButton3"), "Action",
                             fw::RuntimeCreateDelegate(&Window1::PushButton3_Action, this));

  MakeControl<class Window1::Thread1>("Thread1", Window1::Thread1::Lookup());
  fw::SetProperties(Control<fw::Thread>("Thread1"), Window1Layout::Thread1());
  fw::RuntimeAddEventHandler(Control<fw::Thread>("Thread1"), "Run",
                             fw::RuntimeCreateDelegate(&Window1::Thread1_Run, this));

  MakeVisible<fw::ProgressWheel>("ProgressWheel1", Window1Layout::ProgressWheel1());

  MakeControl<class Window1::Timer2>("Timer2", Window1::Timer2::Lookup());
  fw::SetProperties(Control<fw::Timer>("Timer2"), Window1Layout::Timer2());
  fw::RuntimeAddEventHandler(Control<fw::Timer>("Timer2"), "Action",
                             fw::RuntimeCreateDelegate(&Window1::Timer2_Action, this));

  MakeVisible<fw::Label>("Label8", Window1Layout::Label8());
}

// --- the control accessors ---

fw::Ref<fw::TextField> Window1::TextField1() const { return Control<fw::TextField>("TextField1"); }
fw::Ref<fw::PushButton> Window1::PushButton1() const {
  return Control<fw::PushButton>("PushButton1");
}
fw::Ref<fw::Label> Window1::Label1() const { return Control<fw::Label>("Label1"); }
fw::Ref<fw::PushButton> Window1::PushButton2() const {
  return Control<fw::PushButton>("PushButton2");
}
fw::Ref<fw::Label> Window1::Label2() const { return Control<fw::Label>("Label2"); }
fw::Ref<fw::Label> Window1::Label3() const { return Control<fw::Label>("Label3"); }
fw::Ref<fw::TextField> Window1::TextField2() const { return Control<fw::TextField>("TextField2"); }
fw::Ref<fw::TextField> Window1::TextField3() const { return Control<fw::TextField>("TextField3"); }
fw::Ref<fw::Label> Window1::Label6() const { return Control<fw::Label>("Label6"); }
fw::Ref<fw::TextField> Window1::TextField5() const { return Control<fw::TextField>("TextField5"); }
fw::Ref<fw::Label> Window1::Label7() const { return Control<fw::Label>("Label7"); }
fw::Ref<fw::PushButton> Window1::PushButton3() const {
  return Control<fw::PushButton>("PushButton3");
}
fw::Ref<fw::Thread> Window1::Thread1() const { return Control<fw::Thread>("Thread1"); }
fw::Ref<fw::ProgressWheel> Window1::ProgressWheel1() const {
  return Control<fw::ProgressWheel>("ProgressWheel1");
}
fw::Ref<fw::Timer> Window1::Timer2() const { return Control<fw::Timer>("Timer2"); }
fw::Ref<fw::Label> Window1::Label8() const { return Control<fw::Label>("Label8"); }

// --- handlers ---

void Window1::TextField1_TextChange(fw::TextField&) {}

// "Go": the first failing check is shown and ends the handler with the form
// as it was (an address that is not the blog service's is emptied after the
// message). Otherwise the address is shortened, the form copied into the run
// state, the worker started and the form locked.
void Window1::PushButton1_Action(fw::PushButton&) {
  const FormCheck check =
      CheckForm(fw::NonNil(TextField1()).Text(), fw::NonNil(TextField2()).Text(),
                fw::NonNil(TextField3()).Text());
  if (!check.Passed()) {
    fw::MsgBox(check.message);
    if (check.clearAddress) fw::NonNil(TextField1()).SetText("");
    return;
  }
  fw::NonNil(TextField1()).SetText(check.normalised);

  fw::NonNil(PushButton1()).SetEnabled(false);
  fw::NonNil(PushButton2()).SetEnabled(true);
  count = fw::DoubleToInt32(fw::Val(fw::NonNil(TextField5()).Text()));
  url = fw::NonNil(TextField1()).Text();
  folder = fw::NonNil(TextField2()).Text();
  picturename = fw::NonNil(TextField3()).Text();
  fw::NonNil(Thread1()).Run();
  fw::NonNil(Label1()).SetVisible(true);
  fw::NonNil(ProgressWheel1()).SetVisible(true);
  fw::NonNil(ProgressWheel1()).SetEnabled(true);
  for (fw::Ref<fw::TextField> (Window1::*field)() const :
       {&Window1::TextField1, &Window1::TextField2, &Window1::TextField3, &Window1::TextField5}) {
    fw::NonNil((this->*field)()).SetReadOnly(true);
    fw::NonNil((this->*field)()).SetEnabled(false);
  }
  fw::NonNil(Timer2()).SetEnabled(true);
}

// "Stop": the worker ends at the yield point where it waits (Kill returns once
// it has unwound), then the form is unlocked and the progress line, the wheel
// and the timer stop.
void Window1::PushButton2_Action(fw::PushButton&) {
  fw::NonNil(PushButton2()).SetEnabled(false);
  fw::NonNil(PushButton1()).SetEnabled(true);
  fw::NonNil(Thread1()).Suspend();
  fw::NonNil(Thread1()).Kill();
  fw::NonNil(ProgressWheel1()).SetVisible(false);
  fw::NonNil(ProgressWheel1()).SetEnabled(false);
  for (fw::Ref<fw::TextField> (Window1::*field)() const :
       {&Window1::TextField1, &Window1::TextField2, &Window1::TextField3, &Window1::TextField5}) {
    fw::NonNil((this->*field)()).SetReadOnly(false);
    fw::NonNil((this->*field)()).SetEnabled(true);
  }
  fw::NonNil(Label1()).SetVisible(false);
  fw::NonNil(Timer2()).SetEnabled(false);
}

// "Info": shows the about window, the open one if there is one.
void Window1::PushButton3_Action(fw::PushButton&) { fw::NonNil(Window2::Instance()).Show(); }

void Window1::Thread1_Run(fw::Thread& thread) { RunDownloadWorker(*this, thread); }

// The progress line: the number of items in the output folder on the Desktop
// (0 while the folder is not there yet). The figure is the folder's exact
// count as of its last change; a big folder is counted off the main thread, so
// until its first count lands the line keeps its text. Raises
// NilObjectException when there is no Desktop, no item for the folder name or
// no label; the line then keeps its text.
void Window1::Timer2_Action(fw::Timer&) {
  const fw::Ref<fw::FolderItem> desktop = fw::SpecialFolder::Desktop();
  const fw::Ref<fw::FolderItem> output = fw::NonNil(desktop).Child(folder);
  const std::string& path = fw::NonNil(output).NativePath();
  if (!progressCount_)
    progressCount_ = std::make_unique<fw::FolderCounter>([this] { ProgressCountLanded(); });
  const int32_t items = progressCount_->Count(path);
  if (items < 0) return;
  fw::NonNil(Label1()).SetText("Pictures saved: " + fw::Str(items));
}

void Window1::ProgressCountLanded() {
  const fw::Ref<fw::Timer> timer = Timer2();
  if (timer && timer->Enabled() && timer->Mode() != fw::Timer::kModeOff) timer->CallAction();
}

// The idle form: count 0, no progress line, no "Stop", no timer, and the
// start-number field showing the count.
void Window1::Event_Open() {
  count = 0;
  fw::NonNil(Label1()).SetVisible(false);
  fw::NonNil(PushButton2()).SetEnabled(false);
  fw::NonNil(Timer2()).SetEnabled(false);
  fw::NonNil(TextField5()).SetText(fw::Str(count));
}

void Window1::Event_Close() { fw::Quit(0); }

fw::StringArray Window1::ExtractPicURLs(std::string pageText) {
  return app::ExtractPicURLs(std::move(pageText));
}

// --- the members ---

const fw::ClassRecord& Window1::Thread1::Lookup() {
  static const fw::ClassRecord& rec =
      BuildMemberRecord<class Window1::Thread1>("Thread", "Window1.Thread1");
  return rec;
}

const fw::ClassRecord& Window1::Thread1::Class() const { return Lookup(); }

void Window1::Thread1::Constructor() {}

void Window1::Thread1::Exit() { SetWindow(nullptr); }

const fw::ClassRecord& Window1::Timer2::Lookup() {
  static const fw::ClassRecord& rec =
      BuildMemberRecord<class Window1::Timer2>("Timer", "Window1.Timer2");
  return rec;
}

const fw::ClassRecord& Window1::Timer2::Class() const { return Lookup(); }

void Window1::Timer2::Constructor() {}

void Window1::Timer2::Exit() { SetWindow(nullptr); }

}  // namespace app
