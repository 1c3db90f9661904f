#include "framework/ui/PushButton.h"

#include <QPushButton>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Delegate.h"
#include "framework/runtime/ExceptionHelper.h"
#include "framework/runtime/MainThreadRule.h"

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
  if (h) DeliverEvent([&] { h(*this); });
}

void PushButton::Push() {
  CheckMainThread();
  if (Button())
    Button()->click();  // emits clicked, which raises Action
  else
    RaiseAction();
}

std::string PushButton::Caption() const {
  CheckMainThread();
  return caption_;
}
void PushButton::SetCaption(const std::string& v) {
  CheckMainThread();
  caption_ = v;
  if (Button()) Button()->setText(QString::fromStdString(v));
}
bool PushButton::Default() const {
  CheckMainThread();
  return default_;
}
void PushButton::SetDefault(bool v) {
  CheckMainThread();
  default_ = v;
  if (Button()) Button()->setDefault(v);
}
bool PushButton::Cancel() const {
  CheckMainThread();
  return cancel_;
}
void PushButton::SetCancel(bool v) {
  CheckMainThread();
  cancel_ = v;
}
int32_t PushButton::ButtonStyle() const {
  CheckMainThread();
  return buttonStyle_;
}
void PushButton::SetButtonStyle(int32_t v) {
  CheckMainThread();
  buttonStyle_ = v;
}


bool PushButton::SetLayoutProperty(const LayoutEntry& e) {
  const std::string& n = e.name;
  if (n == "Caption") SetCaption(e.text);
  else if (n == "Default") SetDefault(e.Bool());
  else if (n == "Cancel") SetCancel(e.Bool());
  else if (n == "ButtonStyle") SetButtonStyle(e.Int());
  else if (SetTextStyleProperty(style_, e)) {}
  else return RectControl::SetLayoutProperty(e);
  return true;
}

bool PushButton::BindEvent(std::string_view event, const Ref<Delegate>& d) {
  if (event != "Action") return RectControl::BindEvent(event, d);
  action_ = DelegateHandler<void(PushButton&)>(d, event);
  return true;
}

}  // namespace fw
