#include "framework/ui/TextField.h"

#include <QLineEdit>
#include <QPalette>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Delegate.h"
#include "framework/classes/LayoutSetter.h"
#include "framework/runtime/ExceptionHelper.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/ui/CheckedAccessors.h"

namespace fw {

TextField::TextField() : TextControl(new QLineEdit) {
  QObject::connect(Edit(), &QLineEdit::textChanged, [this] {
    std::function<void(TextField&)> h = textChange_;  // the handler may free this field
    if (h) DeliverEvent([&] { h(*this); }, Name() + ".TextChange");
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
FW_CHECKED_PROPERTY_THEN(TextField, bool, bool, ReadOnly, SetReadOnly, readOnly_,
                         if (Edit()) Edit()->setReadOnly(v))
FW_CHECKED_PROPERTY_THEN(TextField, std::string, const std::string&, CueText, SetCueText, cueText_,
                         if (Edit()) Edit()->setPlaceholderText(QString::fromStdString(v)))
FW_CHECKED_PROPERTY_THEN(TextField, bool, bool, Password, SetPassword, password_,
                         if (Edit()) Edit()->setEchoMode(v ? QLineEdit::Password
                                                           : QLineEdit::Normal))
FW_CHECKED_PROPERTY_THEN(TextField, bool, bool, Border, SetBorder, border_,
                         if (Edit()) Edit()->setFrame(v))
FW_CHECKED_GETTER(TextField, uint32_t, TextColor, textColor_)
void TextField::SetTextColor(uint32_t rgb) { SetColor(textColor_, rgb); }
FW_CHECKED_GETTER(TextField, uint32_t, BackColor, backColor_)
void TextField::SetBackColor(uint32_t rgb) { SetColor(backColor_, rgb); }
void TextField::SetColor(uint32_t& slot, uint32_t rgb) {
  CheckMainThread();
  slot = rgb & 0xFFFFFFu;  // colours are 24-bit RGB
  colorsSet_ = true;
  ApplyColors();
}
FW_CHECKED_PROPERTY_THEN(TextField, int32_t, int32_t, LimitText, SetLimitText, limitText_,
                         if (Edit()) Edit()->setMaxLength(v > 0 ? v : 32767))
FW_CHECKED_GETTER(TextField, int32_t, Alignment, alignment_)
void TextField::SetAlignment(int32_t v) {
  CheckMainThread();
  alignment_ = v;
  Qt::Alignment a = Qt::AlignLeft;
  if (v == 2) a = Qt::AlignHCenter;
  if (v == 3) a = Qt::AlignRight;
  if (Edit()) Edit()->setAlignment(a | Qt::AlignVCenter);
}

FW_CHECKED_PROPERTY(TextField, bool, bool, UseFocusRing, SetUseFocusRing, useFocusRing_)
FW_CHECKED_PROPERTY(TextField, bool, bool, AutomaticallyCheckSpelling,
                    SetAutomaticallyCheckSpelling, spelling_)
FW_CHECKED_PROPERTY(TextField, bool, bool, AcceptTabs, SetAcceptTabs, acceptTabs_)
FW_CHECKED_PROPERTY(TextField, std::string, const std::string&, Format, SetFormat, format_)
FW_CHECKED_PROPERTY(TextField, std::string, const std::string&, Mask, SetMask, mask_)
FW_CHECKED_PROPERTY(TextField, std::string, const std::string&, DataSource, SetDataSource,
                    dataSource_)
FW_CHECKED_PROPERTY(TextField, std::string, const std::string&, DataField, SetDataField, dataField_)

bool TextField::SetLayoutProperty(const LayoutEntry& e) {
  static constexpr LayoutSetter<TextField> kSetters[] = {
      {"Text", LayoutSetterFor<&TextField::SetText>},
      {"ReadOnly", LayoutSetterFor<&TextField::SetReadOnly>},
      {"CueText", LayoutSetterFor<&TextField::SetCueText>},
      {"Password", LayoutSetterFor<&TextField::SetPassword>},
      {"Border", LayoutSetterFor<&TextField::SetBorder>},
      {"TextColor", LayoutSetterFor<&TextField::SetTextColor>},
      {"BackColor", LayoutSetterFor<&TextField::SetBackColor>},
      {"LimitText", LayoutSetterFor<&TextField::SetLimitText>},
      {"Alignment", LayoutSetterFor<&TextField::SetAlignment>},
      {"UseFocusRing", LayoutSetterFor<&TextField::SetUseFocusRing>},
      {"Format", LayoutSetterFor<&TextField::SetFormat>},
      {"Mask", LayoutSetterFor<&TextField::SetMask>},
      {"DataSource", LayoutSetterFor<&TextField::SetDataSource>},
      {"DataField", LayoutSetterFor<&TextField::SetDataField>},
      {"AutomaticallyCheckSpelling", LayoutSetterFor<&TextField::SetAutomaticallyCheckSpelling>},
      {"AcceptTabs", LayoutSetterFor<&TextField::SetAcceptTabs>},
  };
  return SetFromLayoutTable(*this, kSetters, e) || SetTextStyleProperty(style_, e) ||
         RectControl::SetLayoutProperty(e);
}

bool TextField::BindEvent(std::string_view event, const Ref<Delegate>& d) {
  if (event != "TextChange") return RectControl::BindEvent(event, d);
  textChange_ = DelegateHandler<void(TextField&)>(d, event);
  return true;
}

}  // namespace fw
