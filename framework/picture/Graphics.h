#pragma once
#include <cstdint>
#include <string>

#include "framework/picture/FontUnits.h"
#include "framework/runtime/Nil.h"

class QPainter;
class QFont;

namespace fw {

class Picture;

// A picture's drawing context. It draws straight into its picture's pixels
// and keeps its settings between calls. Made by Picture::Graphics only; once
// the picture is gone, drawing does nothing.
class Graphics {
 public:
  // For DrawPicture: an argument left out.
  static constexpr int32_t kNotGiven = -10000;

  explicit Graphics(Picture* owner);
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  // Colour of text drawn next, as 0xRRGGBB (higher bits ignored); black at first.
  uint32_t ForeColor() const { return foreColor_; }
  void SetForeColor(uint32_t rgb) { foreColor_ = rgb & 0xFFFFFFu; }
  // Bold text; false at first.
  bool Bold() const { return bold_; }
  void SetBold(bool bold) { bold_ = bold; }
  // Font family name; "System" at first. "System" and "Helvetica" map to
  // fonts at hand; an unknown name falls back to the toolkit's sans-serif.
  const std::string& TextFont() const { return textFont_; }
  void SetTextFont(std::string name) { textFont_ = std::move(name); }
  // The unit TextSize is given in (see FontUnits.h); Default at first.
  FontUnits TextUnit() const { return textUnit_; }
  void SetTextUnit(FontUnits unit) { textUnit_ = unit; }
  void SetTextUnit(uint8_t code) { textUnit_ = FontUnitsFromCode(code); }
  // Text size in TextUnit; 0 (the toolkit's default size) at first.
  double TextSize() const { return textSize_; }
  void SetTextSize(double size) { textSize_ = size; }

  // Size of the picture drawn into; 0 once it is gone.
  int32_t Width() const;
  int32_t Height() const;

  // Draws text with its first baseline's left end at (x, y). wrapWidth > 0
  // breaks lines at word boundaries (inside a word too long for the width) to
  // fit that width; 0 or less breaks only at the text's own line ends.
  // Following lines go one line height down. condense draws narrower letters.
  // The empty text draws nothing. Never fails; draws nothing when there is no
  // window system to take fonts from.
  void DrawString(const std::string& text, int32_t x, int32_t y, int32_t wrapWidth = 0,
                  bool condense = false);

  // Draws the part (sx, sy, sw, sh) of pic scaled to (x, y, w, h). kNotGiven
  // for sx/sy means 0, for sw/sh the rest of pic, for w/h the part's own size
  // (so with nothing given, the whole picture at its own size). pic's mask
  // makes it transparent where the mask is light. Drawn into a mask, a pic
  // with transparency of its own (Picture::HasOwnTransparency) draws its
  // shape, making each pixel at least as opaque as pic is there; any other pic
  // draws its pixels. Raises NilObjectException for a Nil pic.
  void DrawPicture(const Ref<Picture>& pic, int32_t x, int32_t y, int32_t w = kNotGiven,
                   int32_t h = kNotGiven, int32_t sx = kNotGiven, int32_t sy = kNotGiven,
                   int32_t sw = kNotGiven, int32_t sh = kNotGiven);

  // Picture calls this when it goes away.
  void Detach() { owner_ = nullptr; }

 private:
  QFont MakeFont(bool condense) const;

  Picture* owner_;
  uint32_t foreColor_ = 0x000000;
  bool bold_ = false;
  std::string textFont_ = "System";
  FontUnits textUnit_ = FontUnits::Default;
  double textSize_ = 0;
};

}  // namespace fw
