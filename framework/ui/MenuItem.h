#pragma once
#include <QKeySequence>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/classes/Object.h"
#include "framework/runtime/Nil.h"

class QAction;
class QMenu;

namespace fw {

// One entry of a menu: a menu of its own once it has children, a separator
// when its Text is "-", else an item the user chooses. Shown through a
// QAction (and a QMenu for its children). Made with std::make_shared, then
// Constructor() runs; the C++ constructor is the framework's initialiser, so
// an item is ready before any Constructor runs (a subclass's Constructor need
// not call this one).
//
// Standard Edit items: an item named EditUndo, EditCut, EditCopy, EditPaste,
// EditClear or EditSelectAll acts on the focused text field (QLineEdit) when
// chosen, and, with AutoEnable, enables itself from that field's state each
// time its menu is about to show.
//
// Every operation below except Event_Action runs CheckMainThread first, so it
// raises ThreadAccessingUIException on a worker once the rule is active.
class MenuItem : public virtual Object, public std::enable_shared_from_this<MenuItem> {
 public:
  MenuItem();
  ~MenuItem() override;
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  // The record of "MenuItem"; never fails.
  const ClassRecord& Class() const override;

  // The program-visible constructor, run right after allocation; nothing to
  // do beyond the initialiser. Cannot fail.
  virtual void Constructor();

  // The name under which the parent's Child finds the entry; "" at first.
  std::string Name() const;
  void SetName(std::string name);
  // The caption, kept byte for byte: "&" marks the mnemonic ("&Ablage" shows
  // "Ablage" with A underlined), "-" makes a separator. "" at first.
  std::string Text() const;
  void SetText(std::string text);
  // The shortcut text as given: "Cmd+Q" ("Cmd" is Ctrl on this platform);
  // "" or a text that names no key means none. Unset: none.
  std::string KeyboardShortcut() const;
  void SetKeyboardShortcut(std::string shortcut);
  // Whether the framework sets Enabled by itself before the menu shows.
  bool AutoEnable() const;
  void SetAutoEnable(bool on);
  // Whether the user can choose the item; true at first.
  bool Enabled() const;
  void SetEnabled(bool on);

  // Makes child this entry's last child; the parent keeps it. Raises
  // NilObjectException for Nil.
  void Append(const Ref<MenuItem>& child);
  // The direct child whose Name equals name (StrEq); Nil when there is none.
  Ref<MenuItem> Child(std::string_view name) const;
  // Number of direct children.
  int32_t Count() const;
  // The child at 0-based index; raises OutOfBoundsException outside 0..Count()-1.
  Ref<MenuItem> Item(int32_t index) const;

  // The Action event, raised when the user chooses the item: runs the bound
  // handler, else the standard Edit action of a standard Edit item. True when
  // the choice was handled, false otherwise (also when nothing is bound).
  virtual bool Event_Action();
  // Binds the Action event; an empty handler unbinds it.
  using ActionHandler = std::function<bool(MenuItem&)>;
  void SetActionHandler(ActionHandler handler);

  // Sets Enabled of every child that has AutoEnable: standard Edit items from
  // the focused text field, the others to true. The framework calls it each
  // time this entry's menu is about to show.
  void EnableChildren();

  // The QAction that shows this entry; never null, owned by the entry.
  QAction* NativeAction() const { return action_; }
  // The QMenu of the children, made on first use; owned by the entry.
  QMenu* NativeMenu();

  // What a shortcut text means on this platform: "Cmd+Q" -> Ctrl+Q, "Cmd+Shift+Z"
  // -> Ctrl+Shift+Z; "Cmd", "Command", "Ctrl", "Control" -> Ctrl; "Shift";
  // "Opt", "Option", "Alt" -> Alt; the key is a letter, digit or key name
  // ("F5", "Del", "Esc", ...), "+" written as "Cmd++". An empty QKeySequence
  // for "" and for any text it cannot read.
  static QKeySequence ShortcutFromText(std::string_view text);

 protected:
  // A child joined at the end: puts its native action under this entry.
  virtual void AttachNativeChild(MenuItem& child);

 private:
  void OnTriggered();

  std::string name_;
  std::string text_;
  std::string shortcut_;
  bool autoEnable_ = false;
  ActionHandler handler_;
  std::vector<Ref<MenuItem>> children_;
  QAction* action_ = nullptr;  // owned
  QMenu* menu_ = nullptr;      // owned; made with the first child
};

}  // namespace fw
