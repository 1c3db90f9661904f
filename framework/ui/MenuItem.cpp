#include "framework/ui/MenuItem.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>

#include "framework/classes/ClassRegistry.h"
#include "framework/runtime/ExceptionHelper.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/runtime/OutOfBoundsException.h"
#include "framework/text/Text.h"
#include "framework/ui/CheckedAccessors.h"

namespace fw {

namespace {

// The standard Edit items, recognised by name.
enum class EditKind { None, Undo, Cut, Copy, Paste, Clear, SelectAll };

EditKind EditKindOf(std::string_view name) {
  static const struct {
    const char* name;
    EditKind kind;
  } kStandard[] = {{"EditUndo", EditKind::Undo},   {"EditCut", EditKind::Cut},
                   {"EditCopy", EditKind::Copy},   {"EditPaste", EditKind::Paste},
                   {"EditClear", EditKind::Clear}, {"EditSelectAll", EditKind::SelectAll}};
  for (const auto& s : kStandard) {
    if (StrEq(name, s.name)) return s.kind;
  }
  return EditKind::None;
}

// The text field the Edit items act on: the one with the keyboard focus.
QLineEdit* FocusedTextField() { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }

bool CanEdit(EditKind kind, const QLineEdit* field) {
  if (!field) return false;
  const bool editable = !field->isReadOnly();
  // A password field gives nothing away, as its own context menu does not.
  const bool shows = field->echoMode() == QLineEdit::Normal;
  switch (kind) {
    case EditKind::Undo:
      return editable && field->isUndoAvailable();
    case EditKind::Cut:
      return editable && shows && field->hasSelectedText();
    case EditKind::Copy:
      return shows && field->hasSelectedText();
    case EditKind::Paste: {
      const QClipboard* clip = QGuiApplication::clipboard();
      return editable && clip && !clip->text().isEmpty();
    }
    case EditKind::Clear:
      return editable && field->hasSelectedText();
    case EditKind::SelectAll:
      return !field->text().isEmpty();
    case EditKind::None:
      break;
  }
  return false;
}

// Does the edit when it can be done now (a shortcut may come while the
// item's enabling is stale); true when it was done.
bool DoEdit(EditKind kind) {
  QLineEdit* field = FocusedTextField();
  if (!CanEdit(kind, field)) return false;
  switch (kind) {
    case EditKind::Undo:
      field->undo();
      break;
    case EditKind::Cut:
      field->cut();
      break;
    case EditKind::Copy:
      field->copy();
      break;
    case EditKind::Paste:
      field->paste();
      break;
    case EditKind::Clear:
      field->del();
      break;
    case EditKind::SelectAll:
      field->selectAll();
      break;
    case EditKind::None:
      return false;
  }
  return true;
}

// One modifier word of a shortcut text; 0 when it is none.
Qt::KeyboardModifiers ModifierOf(std::string_view word) {
  if (StrEq(word, "Cmd") || StrEq(word, "Command") || StrEq(word, "Ctrl") || StrEq(word, "Control"))
    return Qt::ControlModifier;
  if (StrEq(word, "Shift")) return Qt::ShiftModifier;
  if (StrEq(word, "Opt") || StrEq(word, "Option") || StrEq(word, "Alt")) return Qt::AltModifier;
  return Qt::NoModifier;
}

}  // namespace

MenuItem::MenuItem() {
  CheckMainThread();
  action_ = new QAction();
  QObject::connect(action_, &QAction::triggered, action_, [this] { OnTriggered(); });
}

MenuItem::~MenuItem() {
  // The action first: it leaves the parent's menu and every menu bar it is in.
  delete action_;
  delete menu_;
}

const ClassRecord& MenuItem::Class() const { return LookupClass("MenuItem"); }

void MenuItem::Constructor() { CheckMainThread(); }

FW_CHECKED_GETTER(MenuItem, std::string, Name, name_)

void MenuItem::SetName(std::string name) {
  CheckMainThread();
  name_ = std::move(name);
  action_->setObjectName(QString::fromStdString(name_));
}

FW_CHECKED_GETTER(MenuItem, std::string, Text, text_)

void MenuItem::SetText(std::string text) {
  CheckMainThread();
  text_ = std::move(text);
  const bool separator = text_ == "-";
  // A separator is a plain line: some styles draw an action's text beside it.
  const QString shown = separator ? QString() : QString::fromStdString(text_);
  action_->setSeparator(separator);
  action_->setText(shown);  // Qt reads "&" as the mnemonic mark too
  if (menu_) menu_->setTitle(shown);
}

FW_CHECKED_GETTER(MenuItem, std::string, KeyboardShortcut, shortcut_)

void MenuItem::SetKeyboardShortcut(std::string shortcut) {
  CheckMainThread();
  shortcut_ = std::move(shortcut);
  action_->setShortcut(ShortcutFromText(shortcut_));
}

FW_CHECKED_GETTER(MenuItem, bool, AutoEnable, autoEnable_)

FW_CHECKED_SETTER(MenuItem, bool, SetAutoEnable, autoEnable_)

bool MenuItem::Enabled() const {
  CheckMainThread();
  return action_->isEnabled();
}

void MenuItem::SetEnabled(bool on) {
  CheckMainThread();
  action_->setEnabled(on);
}

void MenuItem::Append(const Ref<MenuItem>& child) {
  CheckMainThread();
  MenuItem& c = NonNil(child, "MenuItem.Append");
  children_.push_back(child);
  AttachNativeChild(c);
}

Ref<MenuItem> MenuItem::Child(std::string_view name) const {
  CheckMainThread();
  for (const auto& c : children_) {
    if (StrEq(c->name_, name)) return c;
  }
  return nullptr;
}

int32_t MenuItem::Count() const {
  CheckMainThread();
  return static_cast<int32_t>(children_.size());
}

Ref<MenuItem> MenuItem::Item(int32_t index) const {
  CheckMainThread();
  if (index < 0 || index >= static_cast<int32_t>(children_.size()))
    throw OutOfBoundsException("MenuItem.Item " + Str(index));
  return children_[static_cast<size_t>(index)];
}

bool MenuItem::Event_Action() {
  if (handler_ && handler_(*this)) return true;
  const EditKind kind = EditKindOf(name_);
  return kind != EditKind::None && DoEdit(kind);
}

void MenuItem::SetActionHandler(ActionHandler handler) {
  CheckMainThread();
  handler_ = std::move(handler);
}

void MenuItem::EnableChildren() {
  CheckMainThread();
  QLineEdit* field = FocusedTextField();
  for (const auto& c : children_) {
    if (!c->autoEnable_) continue;
    const EditKind kind = EditKindOf(c->name_);
    c->action_->setEnabled(kind == EditKind::None || CanEdit(kind, field));
  }
}

QMenu* MenuItem::NativeMenu() {
  CheckMainThread();
  if (!menu_) {
    menu_ = new QMenu();
    menu_->setTitle(action_->text());
    QObject::connect(menu_, &QMenu::aboutToShow, menu_, [this] {
      DeliverEvent([this] { EnableChildren(); }, Name() + ".EnableMenu");
    });
    action_->setMenu(menu_);
  }
  return menu_;
}

void MenuItem::AttachNativeChild(MenuItem& child) { NativeMenu()->addAction(child.action_); }

void MenuItem::OnTriggered() {
  // Keep the item alive while its event runs, should the event drop the last
  // other reference.
  Ref<MenuItem> self = weak_from_this().lock();
  DeliverEvent([this] { Event_Action(); }, Name() + ".Action");
}

QKeySequence MenuItem::ShortcutFromText(std::string_view text) {
  if (text.empty()) return {};
  StringArray words = Split(text, "+");
  std::string key = words.back();
  words.pop_back();
  if (key.empty()) {
    // "Cmd++": the key is "+" itself, which left two empty pieces.
    if (words.size() < 2 || !words.back().empty()) return {};
    words.pop_back();
    key = "+";
  }
  Qt::KeyboardModifiers mods;
  for (const std::string& w : words) {
    const Qt::KeyboardModifiers m = ModifierOf(w);
    if (m == Qt::NoModifier) return {};
    mods |= m;
  }
  const QKeySequence keyOnly =
      QKeySequence::fromString(QString::fromStdString(key), QKeySequence::PortableText);
  if (keyOnly.count() != 1 || keyOnly[0].keyboardModifiers() != Qt::NoModifier) return {};
  switch (keyOnly[0].key()) {
    case Qt::Key_unknown:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
      return {};  // no key, or a modifier where the key should be
    default:
      break;
  }
  return QKeySequence(QKeyCombination(mods, keyOnly[0].key()));
}

}  // namespace fw
