#pragma once
#include <cstdint>
#include <string>

#include "framework/picture/FontUnits.h"
#include "framework/ui/RectControl.h"

namespace fw {

// A control that shows text (text field, push button, label): its font,
// weight, slant, underline and text size with its unit. Like RectControl's,
// every getter and setter raises ThreadAccessingUIException on a worker thread
// and otherwise cannot fail.
class TextControl : public RectControl {
 public:
  // "System": the platform's default UI font.
  std::string TextFont() const;
  void SetTextFont(const std::string& v);
  bool Bold() const;
  void SetBold(bool v);
  bool Italic() const;
  void SetItalic(bool v);
  bool Underline() const;
  void SetUnderline(bool v);
  // The text's size in TextUnit units; 0: the toolkit's default size.
  double TextSize() const;
  void SetTextSize(double v);
  FontUnits TextUnit() const;
  void SetTextUnit(FontUnits v);
  void SetTextUnit(uint8_t code) { SetTextUnit(FontUnitsFromCode(code)); }

 protected:
  // Takes ownership of widget, as RectControl does.
  explicit TextControl(QWidget* widget) : RectControl(widget) {}

  TextStyle style_;
};

}  // namespace fw
