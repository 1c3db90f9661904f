#pragma once
// Table shapes that both of the program's windows use: the window's own table
// and those of its labels and push buttons. Each gives the table bytes for
// fw::SetProperties; none can fail.
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/classes/LayoutTableWriter.h"

namespace app {

// Where a visible control sits, and its place in the focus order.
struct ControlPlace {
  const char* name;
  int32_t left, top, width, height, tabIndex;
};

// The window values in which the program's windows differ.
struct WindowValues {
  int32_t width, height, frame;
  bool composite;
  std::string_view title;
  bool resizeable;
};

// The 21-entry table of a window with the program's dark grey background.
std::string WindowTable(const WindowValues& v);

// The twelve entries every visible control's table begins with: name, place,
// size, locked to the left and top edges only, no control array.
fw::LayoutTableWriter BeginControlTable(const ControlPlace& p);

// A push button's 26 entries.
std::string PushButtonTable(const ControlPlace& p, std::string_view caption, bool isDefault,
                            bool enabled);

// A label's 29 entries.
struct LabelLook {
  uint32_t textColor;
  int32_t textAlign;
  bool multiline;
  std::string_view font;
};
std::string LabelTable(const ControlPlace& p, std::string_view text, const LabelLook& look);

}  // namespace app
