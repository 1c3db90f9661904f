#include "framework/ui/TextControl.h"

#include "framework/ui/CheckedAccessors.h"

namespace fw {

#define FW_TEXT_STYLE(Type, Arg, Get, Set, field) \
  FW_CHECKED_PROPERTY_THEN(TextControl, Type, Arg, Get, Set, style_.field, ApplyTextStyle(style_))

FW_TEXT_STYLE(std::string, const std::string&, TextFont, SetTextFont, font)
FW_TEXT_STYLE(bool, bool, Bold, SetBold, bold)
FW_TEXT_STYLE(bool, bool, Italic, SetItalic, italic)
FW_TEXT_STYLE(bool, bool, Underline, SetUnderline, underline)
FW_TEXT_STYLE(double, double, TextSize, SetTextSize, size)
FW_TEXT_STYLE(FontUnits, FontUnits, TextUnit, SetTextUnit, unit)

#undef FW_TEXT_STYLE

}  // namespace fw
