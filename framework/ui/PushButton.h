#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "framework/picture/FontUnits.h"
#include "framework/ui/TextControl.h"

class QPushButton;

namespace fw {

// A push button. Event "Action": void (PushButton&), when it is pressed.
// Every getter and setter raises ThreadAccessingUIException on a worker.
class PushButton : public TextControl {
 public:
  PushButton();
  ~PushButton() override;

  const ClassRecord& Class() const override;

  // The caption; "&" marks the mnemonic letter ("&&" is a plain "&").
  std::string Caption() const;
  void SetCaption(const std::string& v);
  // Return (Default) or Escape (Cancel) in the window press the button.
  bool Default() const;
  void SetDefault(bool v);
  bool Cancel() const;
  void SetCancel(bool v);
  // Kept as set: every style is drawn as the toolkit's push button.
  int32_t ButtonStyle() const;
  void SetButtonStyle(int32_t v);

  // Presses the button: the Action event runs (through DeliverEvent).
  void Push();

  bool SetLayoutProperty(const LayoutEntry& e) override;
  bool BindEvent(std::string_view event, const Ref<Delegate>& d) override;

  QPushButton* Button() const;

 private:
  void RaiseAction();

  std::string caption_;
  bool default_ = false, cancel_ = false;
  int32_t buttonStyle_ = 0;
  std::function<void(PushButton&)> action_;
};

}  // namespace fw
