#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "framework/picture/FontUnits.h"
#include "framework/ui/TextControl.h"

class QLabel;

namespace fw {

// Static text. Event "MouseDown": bool (Label&, int32_t x, int32_t y), when a
// mouse button goes down on it (x, y from its top left); unbound it yields
// False.
// Every getter and setter raises ThreadAccessingUIException on a worker.
class Label : public TextControl {
 public:
  Label();
  ~Label() override;

  const ClassRecord& Class() const override;

  // Shown as plain text.
  std::string Text() const;
  void SetText(const std::string& v);
  // 0xRRGGBB, while the label is enabled.
  uint32_t TextColor() const;
  void SetTextColor(uint32_t rgb);
  // 0 left, 1 centre, 2 right.
  int32_t TextAlign() const;
  void SetTextAlign(int32_t v);
  // True: the text wraps at word boundaries and starts at the top.
  bool Multiline() const;
  void SetMultiline(bool v);
  // True: the user can select the text with the mouse.
  bool Selectable() const;
  void SetSelectable(bool v);
  // False: the label fills its rectangle with its window's colour first.
  bool Transparent() const;
  void SetTransparent(bool v);

  // Kept as set, no effect here.
  std::string DataSource() const;
  void SetDataSource(const std::string& v);
  std::string DataField() const;
  void SetDataField(const std::string& v);

  // Raises the MouseDown event (through DeliverEvent) and gives its result:
  // False when unbound or when the handler raised.
  bool MouseDown(int32_t x, int32_t y);

  bool SetLayoutProperty(const LayoutEntry& e) override;
  bool BindEvent(std::string_view event, const Ref<Delegate>& d) override;

  QLabel* LabelWidget() const;

 protected:
  void UpdateFocusPolicy() override;

 private:
  void ApplyAlignment();

  std::string text_;
  uint32_t textColor_ = 0x000000;
  int32_t textAlign_ = 0;
  bool multiline_ = false, selectable_ = false, transparent_ = false;
  std::string dataSource_, dataField_;
  std::function<bool(Label&, int32_t, int32_t)> mouseDown_;
};

}  // namespace fw
