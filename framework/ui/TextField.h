#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "framework/picture/FontUnits.h"
#include "framework/ui/TextControl.h"

class QLineEdit;

namespace fw {

// A one-line text entry. Event "TextChange": void (TextField&), after every
// change of its text (typed or set).
// Every getter and setter raises ThreadAccessingUIException on a worker.
class TextField : public TextControl {
 public:
  TextField();
  ~TextField() override;

  const ClassRecord& Class() const override;

  std::string Text() const;
  void SetText(const std::string& v);
  // True: the user cannot change the text (it can still be set).
  bool ReadOnly() const;
  void SetReadOnly(bool v);
  // The hint shown while the field is empty.
  std::string CueText() const;
  void SetCueText(const std::string& v);
  // True: the text is shown masked.
  bool Password() const;
  void SetPassword(bool v);
  // False: no frame around the field.
  bool Border() const;
  void SetBorder(bool v);
  // 0xRRGGBB, while the field is enabled.
  uint32_t TextColor() const;
  void SetTextColor(uint32_t rgb);
  uint32_t BackColor() const;
  void SetBackColor(uint32_t rgb);
  // Most characters the user may type; 0: no limit.
  int32_t LimitText() const;
  void SetLimitText(int32_t v);
  // 0 default (left), 1 left, 2 centre, 3 right.
  int32_t Alignment() const;
  void SetAlignment(int32_t v);

  // Kept as set, no effect here.
  bool UseFocusRing() const;
  void SetUseFocusRing(bool v);
  std::string Format() const;
  void SetFormat(const std::string& v);
  std::string Mask() const;
  void SetMask(const std::string& v);
  std::string DataSource() const;
  void SetDataSource(const std::string& v);
  std::string DataField() const;
  void SetDataField(const std::string& v);
  bool AutomaticallyCheckSpelling() const;
  void SetAutomaticallyCheckSpelling(bool v);
  bool AcceptTabs() const;
  void SetAcceptTabs(bool v);

  bool SetLayoutProperty(const LayoutEntry& e) override;
  bool BindEvent(std::string_view event, const Ref<Delegate>& d) override;

  QLineEdit* Edit() const;

 private:
  void ApplyColors();
  // Stores rgb (its low 24 bits) in slot and shows the colours; main thread only.
  void SetColor(uint32_t& slot, uint32_t rgb);

  std::string cueText_;
  bool readOnly_ = false, password_ = false, border_ = true;
  uint32_t textColor_ = 0x000000, backColor_ = 0xFFFFFF;
  bool colorsSet_ = false;
  int32_t limitText_ = 0, alignment_ = 0;
  bool useFocusRing_ = true;
  std::string format_, mask_, dataSource_, dataField_;
  bool spelling_ = false, acceptTabs_ = false;
  std::function<void(TextField&)> textChange_;
};

}  // namespace fw
