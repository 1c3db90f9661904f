#include "framework/ui/TextField.h"

#include <QLineEdit>
#include <QPalette>

#include "framework/ui/CheckedAccessors.h"
#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Delegate.h"
#include "framework/runtime/ExceptionHelper.h"
#include "framework/runtime/MainThreadRule.h"

namespace fw {

TextField::TextField() : TextControl(new QLineEdit) {
  QObject::connect(Edit(), &QLineEdit::textChanged, [this] {
    std::function<void(TextField&)> h = textChange_;  // the handler may free this field
    if (h) DeliverEvent([&] { h(*this); });
  });
  ApplyTextStyle(style_);
}

TextField::~TextField() = default;

const ClassRecord& TextField::Class() const { return LookupClass("TextField"); }

QLineEdit* TextField::Edit() const { return static_cast<QLineEdit*>(Widget()); }

void TextField::ApplyColors() {
  if (!Edit() || !colorsSet_) return;
  QPalette p = Edit()->palette();
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(g, QPalette::Text, QColor::fromRgb(textColor_));
    p.setColor(g, QPalette::Base, QColor::fromRgb(backColor_));
  }
  Edit()->setPalette(p);
}

std::string TextField::Text() const {
  CheckMainThread();
  return Edit() ? Edit()->text().toStdString() : std::string();
}
void TextField::SetText(const std::string& v) {
  CheckMainThread();
  if (Edit()) Edit()->setText(QString::fromStdString(v));
}
bool TextField::ReadOnly() const {
  CheckMainThread();
  return readOnly_;
}
void TextField::SetReadOnly(bool v) {
  CheckMainThread();
  readOnly_ = v;
  if (Edit()) Edit()->setReadOnly(v);
}
std::string TextField::CueText() const {
  CheckMainThread();
  return cueText_;
}
void TextField::SetCueText(const std::string& v) {
  CheckMainThread();
  cueText_ = v;
  if (Edit()) Edit()->setPlaceholderText(QString::fromStdString(v));
}
bool TextField::Password() const {
  CheckMainThread();
  return password_;
}
void TextField::SetPassword(bool v) {
  CheckMainThread();
  password_ = v;
  if (Edit()) Edit()->setEchoMode(v ? QLineEdit::Password : QLineEdit::Normal);
}
bool TextField::Border() const {
  CheckMainThread();
  return border_;
}
void TextField::SetBorder(bool v) {
  CheckMainThread();
  border_ = v;
  if (Edit()) Edit()->setFrame(v);
}
uint32_t TextField::TextColor() const {
  CheckMainThread();
  return textColor_;
}
void TextField::SetTextColor(uint32_t rgb) {
  CheckMainThread();
  textColor_ = rgb & 0xFFFFFFu;
  colorsSet_ = true;
  ApplyColors();
}
uint32_t TextField::BackColor() const {
  CheckMainThread();
  return backColor_;
}
void TextField::SetBackColor(uint32_t rgb) {
  CheckMainThread();
  backColor_ = rgb & 0xFFFFFFu;
  colorsSet_ = true;
  ApplyColors();
}
int32_t TextField::LimitText() const {
  CheckMainThread();
  return limitText_;
}
void TextField::SetLimitText(int32_t v) {
  CheckMainThread();
  limitText_ = v;
  if (Edit()) Edit()->setMaxLength(v > 0 ? v : 32767);
}
int32_t TextField::Alignment() const {
  CheckMainThread();
  return alignment_;
}
void TextField::SetAlignment(int32_t v) {
  CheckMainThread();
  alignment_ = v;
  Qt::Alignment a = Qt::AlignLeft;
  if (v == 2) a = Qt::AlignHCenter;
  if (v == 3) a = Qt::AlignRight;
  if (Edit()) Edit()->setAlignment(a | Qt::AlignVCenter);
}


FW_CHECKED_PROPERTY(TextField, bool, bool, UseFocusRing, SetUseFocusRing, useFocusRing_)
FW_CHECKED_PROPERTY(TextField, bool, bool, AutomaticallyCheckSpelling, SetAutomaticallyCheckSpelling, spelling_)
FW_CHECKED_PROPERTY(TextField, bool, bool, AcceptTabs, SetAcceptTabs, acceptTabs_)
FW_CHECKED_PROPERTY(TextField, std::string, const std::string&, Format, SetFormat, format_)
FW_CHECKED_PROPERTY(TextField, std::string, const std::string&, Mask, SetMask, mask_)
FW_CHECKED_PROPERTY(TextField, std::string, const std::string&, DataSource, SetDataSource, dataSource_)
FW_CHECKED_PROPERTY(TextField, std::string, const std::string&, DataField, SetDataField, dataField_)

bool TextField::SetLayoutProperty(const LayoutEntry& e) {
  const std::string& n = e.name;
  if (n == "Text") SetText(e.text);
  else if (n == "ReadOnly") SetReadOnly(e.Bool());
  else if (n == "CueText") SetCueText(e.text);
  else if (n == "Password") SetPassword(e.Bool());
  else if (n == "Border") SetBorder(e.Bool());
  else if (n == "TextColor") SetTextColor(e.Color());
  else if (n == "BackColor") SetBackColor(e.Color());
  else if (n == "LimitText") SetLimitText(e.Int());
  else if (n == "Alignment") SetAlignment(e.Int());
  else if (n == "UseFocusRing") SetUseFocusRing(e.Bool());
  else if (n == "Format") SetFormat(e.text);
  else if (n == "Mask") SetMask(e.text);
  else if (n == "DataSource") SetDataSource(e.text);
  else if (n == "DataField") SetDataField(e.text);
  else if (n == "AutomaticallyCheckSpelling") SetAutomaticallyCheckSpelling(e.Bool());
  else if (n == "AcceptTabs") SetAcceptTabs(e.Bool());
  else if (SetTextStyleProperty(style_, e)) {}
  else return RectControl::SetLayoutProperty(e);
  return true;
}

bool TextField::BindEvent(std::string_view event, const Ref<Delegate>& d) {
  if (event != "TextChange") return RectControl::BindEvent(event, d);
  textChange_ = DelegateHandler<void(TextField&)>(d, event);
  return true;
}

}  // namespace fw
