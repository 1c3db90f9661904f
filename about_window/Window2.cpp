#include "about_window/Window2.h"

#include "about_window/BundlePictures.h"
#include "about_window/Window2Layout.h"
#include "framework/classes/ClassRegistry.h"
#include "framework/classes/EventBinding.h"
#include "framework/classes/Operation.h"
#include "framework/classes/PropertyTarget.h"
#include "framework/ui/ShowURL.h"

namespace app {

namespace {

constexpr uint8_t kDefaultUnit = 0;  // the text unit of the about window's controls
constexpr uint8_t kPixelUnit = 1;    // the credit line's unit
constexpr double kCreditLineSize = 12;

}  // namespace

const fw::ClassRecord& Window2::Lookup() {
  static const fw::ClassRecord& rec = []() -> const fw::ClassRecord& {
    fw::ClassRecord& r = fw::RuntimeNewClass(&fw::LookupClass("Window"), "Window2.Window2");
    r.SetAllocator<Window2>();
    fw::AddOperations(r, {
                             {"Layout", {}, ""},
                             {"CreateControls", {}, ""},
                             {"_CreateControls0", {}, "", fw::Operation::kHidden},
                             {"Label1", {}, "Label"},
                             {"Canvas1", {}, "Canvas"},
                             {"Label2", {}, "Label"},
                             {"PushButton1", {}, "PushButton"},
                             {"PushButton2", {}, "PushButton"},
                             {"Canvas2", {}, "Canvas"},
                             {"Label1_MouseDown", {"Label", "Int32", "Int32"}, "Boolean"},
                             {"Label2_MouseDown", {"Label", "Int32", "Int32"}, "Boolean"},
                             {"PushButton1_Action", {"PushButton"}, ""},
                             {"PushButton2_Action", {"PushButton"}, ""},
                             {"Canvas2_MouseDown", {"Canvas", "Int32", "Int32"}, "Boolean"},
                         });
    r.eventHooks = {{"Layout", "Layout", fw::HookTo(&Window2::Layout)},
                    {"CreateControls", "CreateControls", fw::HookTo(&Window2::CreateControls)}};
    r.attributes = fw::PublicAttributes();
    return r;
  }();
  return rec;
}

const fw::ClassRecord& Window2::Class() const { return Lookup(); }

fw::Ref<Window2> Window2::Instance() { return fw::ImplicitWindow<Window2>(Lookup()); }

void Window2::Layout() { fw::SetProperties(*this, Window2Layout::Window()); }

void Window2::CreateControls() { CreateControls0(); }

// Each control in turn: made, constructed and registered; its setters; its
// table; its handler. After the registration every step works on what the
// registry gives for the name.
void Window2::CreateControls0() {
  MakeControl<fw::Label>("Label1");
  fw::NonNil(Label1()).SetTextSize(kCreditLineSize);
  fw::NonNil(Label1()).SetTextUnit(kPixelUnit);
  fw::SetProperties(Label1(), Window2Layout::Label1());
  fw::RuntimeAddEventHandler(Label1(), "MouseDown",
                             fw::RuntimeCreateDelegate(&Window2::Label1_MouseDown, this));

  MakeControl<fw::Canvas>("Canvas1");
  {
    fw::Ref<fw::Canvas> canvas = Canvas1();
    fw::Ref<fw::Picture> pic = tumblr();
    fw::NonNil(canvas).SetBackdrop(pic);
  }
  fw::SetProperties(Canvas1(), Window2Layout::Canvas1());
  // A click on the program icon does nothing: no handler.

  MakeControl<fw::Label>("Label2");
  fw::NonNil(Label2()).SetTextUnit(kDefaultUnit);
  fw::SetProperties(Label2(), Window2Layout::Label2());
  fw::RuntimeAddEventHandler(Label2(), "MouseDown",
                             fw::RuntimeCreateDelegate(&Window2::Label2_MouseDown, this));

  MakeControl<fw::PushButton>("PushButton1");
  fw::NonNil(PushButton1()).SetTextUnit(kDefaultUnit);
  fw::SetProperties(PushButton1(), Window2Layout::PushButton1());
  fw::RuntimeAddEventHandler(PushButton1(), "Action",
                             fw::RuntimeCreateDelegate(&Window2::PushButton1_Action, this));

  MakeControl<fw::PushButton>("PushButton2");
  fw::NonNil(PushButton2()).SetTextUnit(kDefaultUnit);
  fw::SetProperties(PushButton2(), Window2Layout::PushButton2());
  fw::RuntimeAddEventHandler(PushButton2(), "Action",
                             fw::RuntimeCreateDelegate(&Window2::PushButton2_Action, this));

  MakeControl<fw::Canvas>("Canvas2");
  {
    fw::Ref<fw::Canvas> canvas = Canvas2();
    fw::Ref<fw::Picture> pic = dorvex_logo2();
    fw::NonNil(canvas).SetBackdrop(pic);
  }
  fw::SetProperties(Canvas2(), Window2Layout::Canvas2());
  fw::RuntimeAddEventHandler(Canvas2(), "MouseDown",
                             fw::RuntimeCreateDelegate(&Window2::Canvas2_MouseDown, this));
}

fw::Ref<fw::Label> Window2::Label1() const {
  return fw::RuntimeCheckCast<fw::Label>(ControlByName("Label1"), fw::LookupClass("Label"));
}
fw::Ref<fw::Canvas> Window2::Canvas1() const {
  return fw::RuntimeCheckCast<fw::Canvas>(ControlByName("Canvas1"), fw::LookupClass("Canvas"));
}
fw::Ref<fw::Label> Window2::Label2() const {
  return fw::RuntimeCheckCast<fw::Label>(ControlByName("Label2"), fw::LookupClass("Label"));
}
fw::Ref<fw::PushButton> Window2::PushButton1() const {
  return fw::RuntimeCheckCast<fw::PushButton>(ControlByName("PushButton1"),
                                              fw::LookupClass("PushButton"));
}
fw::Ref<fw::PushButton> Window2::PushButton2() const {
  return fw::RuntimeCheckCast<fw::PushButton>(ControlByName("PushButton2"),
                                              fw::LookupClass("PushButton"));
}
fw::Ref<fw::Canvas> Window2::Canvas2() const {
  return fw::RuntimeCheckCast<fw::Canvas>(ControlByName("Canvas2"), fw::LookupClass("Canvas"));
}

bool Window2::Label1_MouseDown(fw::Label&, int32_t, int32_t) {
  fw::ShowURL(Window2Layout::kIconCreditPage);
  return false;
}

bool Window2::Label2_MouseDown(fw::Label&, int32_t, int32_t) {
  fw::ShowURL(Window2Layout::kMakerSecondSite);
  return false;
}

// The open about window is the one whose button was pressed.
void Window2::PushButton1_Action(fw::PushButton&) { fw::NonNil(Instance()).Close(); }

void Window2::PushButton2_Action(fw::PushButton&) { fw::ShowURL(Window2Layout::kDonationPage); }

bool Window2::Canvas2_MouseDown(fw::Canvas&, int32_t, int32_t) {
  fw::ShowURL(Window2Layout::kMakerHomePage);
  return false;
}

}  // namespace app
