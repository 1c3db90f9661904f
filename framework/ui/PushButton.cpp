#include "framework/ui/PushButton.h"

#include <QPushButton>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Delegate.h"
#include "framework/classes/LayoutSetter.h"
#include "framework/runtime/ExceptionHelper.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/ui/CheckedAccessors.h"

namespace fw {

PushButton::PushButton() : TextControl(new QPushButton) {
  QObject::connect(Button(), &QPushButton::clicked, [this] { RaiseAction(); });
  ApplyTextStyle(style_);
}

PushButton::~PushButton() = default;

const ClassRecord& PushButton::Class() const { return LookupClass("PushButton"); }

QPushButton* PushButton::Button() const { return static_cast<QPushButton*>(Widget()); }

void PushButton::RaiseAction() {
  std::function<void(PushButton&)> h = action_;  // the handler may free this button
  if (h) DeliverEvent([&] { h(*this); }, Name() + ".Action");
}

void PushButton::Push() {
  CheckMainThread();
  if (Button())
    Button()->click();  // emits clicked, which raises Action
  else
    RaiseAction();
}

FW_CHECKED_PROPERTY_THEN(PushButton, std::string, const std::string&, Caption, SetCaption, caption_,
                         if (Button()) Button()->setText(QString::fromStdString(v)))
FW_CHECKED_PROPERTY_THEN(PushButton, bool, bool, Default, SetDefault, default_,
                         if (Button()) Button()->setDefault(v))
FW_CHECKED_PROPERTY(PushButton, bool, bool, Cancel, SetCancel, cancel_)
FW_CHECKED_PROPERTY(PushButton, int32_t, int32_t, ButtonStyle, SetButtonStyle, buttonStyle_)

bool PushButton::SetLayoutProperty(const LayoutEntry& e) {
  static constexpr LayoutSetter<PushButton> kSetters[] = {
      {"Caption", LayoutSetterFor<&PushButton::SetCaption>},
      {"Default", LayoutSetterFor<&PushButton::SetDefault>},
      {"Cancel", LayoutSetterFor<&PushButton::SetCancel>},
      {"ButtonStyle", LayoutSetterFor<&PushButton::SetButtonStyle>},
  };
  return SetFromLayoutTable(*this, kSetters, e) || SetTextStyleProperty(style_, e) ||
         RectControl::SetLayoutProperty(e);
}

bool PushButton::BindEvent(std::string_view event, const Ref<Delegate>& d) {
  if (event != "Action") return RectControl::BindEvent(event, d);
  action_ = DelegateHandler<void(PushButton&)>(d, event);
  return true;
}

}  // namespace fw
