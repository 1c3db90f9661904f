#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>
#include <QWidget>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "framework/runtime/MainThreadRule.h"
#include "framework/runtime/OutOfBoundsException.h"
#include "framework/runtime/Thread.h"
#include "framework/runtime/ThreadAccessingUIException.h"
#include "framework/ui/MenuBar.h"
#include "framework/ui/MenuItem.h"
#include "framework/ui/QuitMenuItem.h"
#include "tests/support/Waiting.h"

namespace {

using fw::MenuItem;
using fw::Ref;

// Makes one entry the way the program's builder does: Constructor, then Name,
// AutoEnable, Text and (unless nullptr) KeyboardShortcut.
template <class T = MenuItem>
Ref<T> Entry(const char* name, const char* text, const char* shortcut) {
  auto item = std::make_shared<T>();
  item->Constructor();
  item->SetName(name);
  item->SetAutoEnable(true);
  item->SetText(text);
  if (shortcut) item->SetKeyboardShortcut(shortcut);
  return item;
}

// A bar whose Constructor builds its menus without calling the base one,
// looking each menu up by name for every item, as the program's bar does.
class GermanBar : public fw::MenuBar {
 public:
  void Constructor() override {
    Append(Entry("FileMenu", "&Ablage", ""));
    fw::NonNil(Child("FileMenu")).Append(Entry<fw::QuitMenuItem>("FileQuit", "Beenden", "Cmd+Q"));
    Append(Entry("EditMenu", "&Bearbeiten", ""));
    const struct {
      const char* name;
      const char* text;
      const char* shortcut;
    } items[] = {
        {"EditUndo", "&Rückgängig", "Cmd+Z"},  {"EditSeparator1", "-", nullptr},
        {"EditCut", "&Ausschneiden", "Cmd+X"}, {"EditCopy", "&Kopieren", "Cmd+C"},
        {"EditPaste", "&Einfügen", "Cmd+V"},   {"EditClear", "&Löschen", ""},
        {"EditSeparator2", "-", nullptr},      {"EditSelectAll", "&Alles auswählen", "Cmd+A"}};
    for (const auto& i : items)
      fw::NonNil(Child("EditMenu")).Append(Entry(i.name, i.text, i.shortcut));
  }
};

Ref<GermanBar> MakeBar() {
  auto bar = std::make_shared<GermanBar>();
  bar->Constructor();
  return bar;
}

TEST(MenuStructure, KeepsEntriesInOrderWithCaptionBytesAndMnemonics) {
  Ref<GermanBar> bar = MakeBar();
  ASSERT_EQ(bar->Count(), 2);
  EXPECT_EQ(bar->Item(0)->Name(), "FileMenu");
  EXPECT_EQ(bar->Item(1)->Name(), "EditMenu");
  Ref<MenuItem> file = bar->Child("FileMenu");
  ASSERT_EQ(file->Count(), 1);
  EXPECT_NE(dynamic_cast<fw::QuitMenuItem*>(file->Item(0).get()), nullptr);

  Ref<MenuItem> edit = bar->Child("EditMenu");
  const std::vector<std::string> names = {"EditUndo",       "EditSeparator1", "EditCut",
                                          "EditCopy",       "EditPaste",      "EditClear",
                                          "EditSeparator2", "EditSelectAll"};
  ASSERT_EQ(edit->Count(), static_cast<int32_t>(names.size()));
  QList<QAction*> shown = edit->NativeMenu()->actions();
  ASSERT_EQ(shown.size(), static_cast<qsizetype>(names.size()));
  for (int32_t i = 0; i < edit->Count(); ++i) {
    Ref<MenuItem> item = edit->Item(i);
    EXPECT_EQ(item->Name(), names[static_cast<size_t>(i)]);
    EXPECT_EQ(shown[i], item->NativeAction()) << "menu order at " << i;
    EXPECT_EQ(item->NativeAction()->isSeparator(), i == 1 || i == 6) << item->Name();
  }

  // Captions are kept byte for byte; Qt reads the same "&" as the mnemonic.
  Ref<MenuItem> undo = edit->Child("EditUndo");
  EXPECT_EQ(undo->Text(),
            "&R\xC3\xBC"
            "ckg\xC3\xA4"
            "ngig");
  EXPECT_EQ(undo->Text().size(), 13u);
  EXPECT_EQ(undo->NativeAction()->text(), QString::fromUtf8("&Rückgängig"));
  EXPECT_EQ(undo->NativeAction()->iconText(), QString::fromUtf8("Rückgängig"));
  EXPECT_EQ(QKeySequence::mnemonic(bar->Item(0)->NativeAction()->text()),
            QKeySequence(Qt::ALT | Qt::Key_A));
  EXPECT_TRUE(QKeySequence::mnemonic(file->Item(0)->NativeAction()->text()).isEmpty());
  EXPECT_EQ(edit->Child("EditSelectAll")->NativeAction()->text(),
            QString::fromUtf8("&Alles auswählen"));

  // Shortcut texts stay as given; separators never had one.
  EXPECT_EQ(file->Item(0)->KeyboardShortcut(), "Cmd+Q");
  EXPECT_EQ(file->Item(0)->NativeAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  EXPECT_EQ(edit->Child("EditSeparator1")->KeyboardShortcut(), "");
  EXPECT_TRUE(edit->Child("EditClear")->NativeAction()->shortcut().isEmpty());
}

TEST(MenuStructure, ChildFindsByNameWithoutRegardToCaseAndItemChecksBounds) {
  Ref<GermanBar> bar = MakeBar();
  EXPECT_EQ(bar->Child("editmenu"), bar->Item(1));
  EXPECT_EQ(bar->Child("EditCopy"), nullptr) << "Child looks at direct children only";
  EXPECT_EQ(bar->Child("Missing"), nullptr);
  EXPECT_EQ(bar->Child(""), nullptr);
  EXPECT_THROW(bar->Item(2), fw::OutOfBoundsException);
  EXPECT_THROW(bar->Item(-1), fw::OutOfBoundsException);
  EXPECT_THROW(bar->Append(nullptr), fw::NilObjectException);
  EXPECT_EQ(bar->Count(), 2);
}

TEST(MenuStructure, TextChangesBetweenSeparatorAndCaption) {
  auto item = Entry("Item", "-", nullptr);
  EXPECT_TRUE(item->NativeAction()->isSeparator());
  EXPECT_EQ(item->Text(), "-");
  EXPECT_TRUE(item->NativeAction()->text().isEmpty()) << "no text drawn beside the line";
  item->SetText("&Neu");
  EXPECT_FALSE(item->NativeAction()->isSeparator());
  EXPECT_EQ(item->Text(), "&Neu");
}

// A "-" item looks exactly like the toolkit's own separator: a line between
// the items, no text beside it.
TEST(MenuStructure, SeparatorDrawsAsAPlainLine) {
  auto menu = Entry("EditMenu", "&Bearbeiten", "");
  menu->Append(Entry("EditCut", "&Ausschneiden", nullptr));
  menu->Append(Entry("EditSeparator1", "-", nullptr));
  menu->Append(Entry("EditCopy", "&Kopieren", nullptr));
  QMenu plain;
  plain.addAction(QString::fromUtf8("&Ausschneiden"));
  plain.addSeparator();
  plain.addAction(QString::fromUtf8("&Kopieren"));
  const QImage ours = menu->NativeMenu()->grab().toImage();
  const QImage expected = plain.grab().toImage();
  ASSERT_FALSE(expected.isNull());
  EXPECT_EQ(ours.size(), expected.size());
  EXPECT_TRUE(ours == expected) << "the separator row differs from a plain line";
}

struct ShortcutCase {
  std::string text;
  std::string expected;  // Qt's portable text; "" for none
};

void PrintTo(const ShortcutCase& c, std::ostream* os) {
  *os << '"' << c.text << "\" -> \"" << c.expected << '"';
}

class ShortcutText : public ::testing::TestWithParam<ShortcutCase> {};

TEST_P(ShortcutText, MapsToThePlatformsKeys) {
  const ShortcutCase& c = GetParam();
  auto item = Entry("Item", "Item", c.text.c_str());
  EXPECT_EQ(item->KeyboardShortcut(), c.text);
  EXPECT_EQ(item->NativeAction()->shortcut().toString(QKeySequence::PortableText).toStdString(),
            c.expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Table, ShortcutText,
    ::testing::Values(ShortcutCase{"Cmd+Q", "Ctrl+Q"}, ShortcutCase{"Cmd+A", "Ctrl+A"},
                      ShortcutCase{"cmd+z", "Ctrl+Z"}, ShortcutCase{"Cmd+Shift+Z", "Ctrl+Shift+Z"},
                      ShortcutCase{"Opt+Cmd+X", "Ctrl+Alt+X"}, ShortcutCase{"Cmd+F5", "Ctrl+F5"},
                      ShortcutCase{"Cmd++", "Ctrl++"}, ShortcutCase{"F5", "F5"},
                      ShortcutCase{"", ""}, ShortcutCase{"Cmd+", ""}, ShortcutCase{"Cmd+Shift", ""},
                      ShortcutCase{"Hyper+Q", ""}, ShortcutCase{"Cmd+NoSuchKey", ""},
                      ShortcutCase{"Cmd+Q+W", ""}));
// clang-format on

TEST(MenuStructure, AnUnsetShortcutIsNone) {
  auto item = Entry("Item", "Item", nullptr);
  EXPECT_EQ(item->KeyboardShortcut(), "");
  EXPECT_TRUE(item->NativeAction()->shortcut().isEmpty());
}

// A window with a focused text field under the German bar.
class EditMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bar_ = MakeBar();
    edit_ = bar_->Child("EditMenu");
    field_ = new QLineEdit(&window_);
    other_ = new QLineEdit(&window_);
    other_->move(0, 40);
    window_.show();
    window_.activateWindow();
    field_->setFocus();
    ASSERT_TRUE(testsupport::WaitUntil([&] {
      QApplication::processEvents();
      return QApplication::focusWidget() == field_;
    }));
    QGuiApplication::clipboard()->clear();
  }

  // Chooses the item as the user would.
  void Choose(const char* name) { fw::NonNil(edit_->Child(name)).NativeAction()->trigger(); }
  std::set<std::string> EnabledAfterShowing() {
    emit edit_->NativeMenu()->aboutToShow();
    std::set<std::string> on;
    for (int32_t i = 0; i < edit_->Count(); ++i) {
      Ref<MenuItem> item = edit_->Item(i);
      if (item->Text() != "-" && item->Enabled()) on.insert(item->Name());
    }
    return on;
  }

  Ref<GermanBar> bar_;
  Ref<MenuItem> edit_;
  QWidget window_;
  QLineEdit* field_ = nullptr;
  QLineEdit* other_ = nullptr;
};

TEST_F(EditMenuTest, ItemsActOnTheFocusedField) {
  field_->setText("abc");
  other_->setText("untouched");
  Choose("EditSelectAll");
  EXPECT_EQ(field_->selectedText(), "abc");
  Choose("EditCopy");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "abc");
  field_->end(false);
  Choose("EditPaste");
  EXPECT_EQ(field_->text(), "abcabc");
  Choose("EditUndo");
  EXPECT_EQ(field_->text(), "abc");
  field_->setSelection(0, 1);
  Choose("EditCut");
  EXPECT_EQ(field_->text(), "bc");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "a");
  field_->setSelection(1, 1);
  Choose("EditClear");
  EXPECT_EQ(field_->text(), "b");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "a");
  EXPECT_EQ(other_->text(), "untouched");
}

TEST_F(EditMenuTest, AnEditThatCannotBeDoneNowIsNotHandled) {
  field_->setText("abc");
  field_->setReadOnly(true);
  field_->selectAll();
  QGuiApplication::clipboard()->setText("x");
  EXPECT_FALSE(edit_->Child("EditPaste")->Event_Action());
  EXPECT_FALSE(edit_->Child("EditCut")->Event_Action());
  EXPECT_EQ(field_->text(), "abc");
  EXPECT_TRUE(edit_->Child("EditCopy")->Event_Action());
  EXPECT_FALSE(edit_->Child("EditSeparator1")->Event_Action()) << "an item with no action";
}

struct EnableCase {
  const char* label;
  const char* text;
  int selStart, selLength;  // selLength 0: none
  bool readOnly;
  bool password;
  bool typed;  // the text was typed in, so there is something to undo
  const char* clipboard;
  bool focused;
  std::set<std::string> enabled;
};

void PrintTo(const EnableCase& c, std::ostream* os) { *os << c.label; }

class EditEnabling : public EditMenuTest, public ::testing::WithParamInterface<EnableCase> {};

TEST_P(EditEnabling, FollowsTheFocusedFieldEachTimeTheMenuShows) {
  const EnableCase& c = GetParam();
  // Everything on first, so the test sees each item switched off too.
  for (int32_t i = 0; i < edit_->Count(); ++i) edit_->Item(i)->SetEnabled(true);
  if (c.typed)
    field_->insert(c.text);
  else
    field_->setText(c.text);
  if (c.selLength) field_->setSelection(c.selStart, c.selLength);
  field_->setReadOnly(c.readOnly);
  if (c.password) field_->setEchoMode(QLineEdit::Password);
  if (*c.clipboard) QGuiApplication::clipboard()->setText(c.clipboard);
  if (!c.focused) {
    field_->clearFocus();
    QApplication::processEvents();
  }
  EXPECT_EQ(EnabledAfterShowing(), c.enabled);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Table, EditEnabling,
    ::testing::Values(
        EnableCase{"no field focused", "abc", 0, 2, false, false, true, "x", false, {}},
        EnableCase{"empty field, text on the clipboard", "", 0, 0, false, false, false, "x", true,
                   {"EditPaste"}},
        EnableCase{"text, nothing selected", "abc", 0, 0, false, false, false, "", true,
                   {"EditSelectAll"}},
        EnableCase{"text selected", "abc", 1, 2, false, false, false, "", true,
                   {"EditCut", "EditCopy", "EditClear", "EditSelectAll"}},
        EnableCase{"typed text, clipboard full", "abc", 0, 0, false, false, true, "x", true,
                   {"EditUndo", "EditPaste", "EditSelectAll"}},
        EnableCase{"read-only with a selection", "abc", 0, 3, true, false, true, "x", true,
                   {"EditCopy", "EditSelectAll"}},
        EnableCase{"password with a selection", "abc", 0, 3, false, true, false, "", true,
                   {"EditClear", "EditSelectAll"}}));
// clang-format on

TEST(MenuEnabling, OtherAutoEnableItemsAreSwitchedOnAndTheRestKeepTheirState) {
  auto menu = Entry("Menu", "Menu", "");
  auto autoItem = Entry("Auto", "Auto", "");
  auto fixedItem = Entry("Fixed", "Fixed", "");
  fixedItem->SetAutoEnable(false);
  menu->Append(autoItem);
  menu->Append(fixedItem);
  autoItem->SetEnabled(false);
  fixedItem->SetEnabled(false);
  emit menu->NativeMenu()->aboutToShow();
  EXPECT_TRUE(autoItem->Enabled());
  EXPECT_FALSE(fixedItem->Enabled());
}

TEST(MenuAction, RunsTheBoundHandlerWithItsResult) {
  auto item = Entry("Item", "Item", "");
  EXPECT_FALSE(item->Event_Action());
  int calls = 0;
  item->SetActionHandler([&](MenuItem& m) {
    ++calls;
    EXPECT_EQ(&m, item.get());
    return true;
  });
  item->NativeAction()->trigger();
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(item->Event_Action());
}

// The three ways a window can take the bar.
struct AttachCase {
  const char* label;
  std::function<QWidget*()> make;
};

void PrintTo(const AttachCase& c, std::ostream* os) { *os << c.label; }

class MenuBarAttach : public ::testing::TestWithParam<AttachCase> {};

TEST_P(MenuBarAttach, ShowsTheMenusAndLaterAppends) {
  Ref<GermanBar> bar = MakeBar();
  std::unique_ptr<QWidget> window(GetParam().make());
  window->resize(300, 200);
  QMenuBar* shown = bar->AttachTo(window.get());
  ASSERT_NE(shown, nullptr);
  window->show();
  QApplication::processEvents();
  EXPECT_EQ(shown->window(), window.get());
  EXPECT_TRUE(shown->isVisible());
  EXPECT_EQ(shown->y(), 0);
  EXPECT_EQ(shown->width(), window->width());
  QList<QAction*> menus = shown->actions();
  ASSERT_EQ(menus.size(), 2);
  EXPECT_EQ(menus[0]->text(), "&Ablage");
  EXPECT_EQ(menus[1]->text(), "&Bearbeiten");
  EXPECT_EQ(menus[1]->menu(), bar->Item(1)->NativeMenu());

  bar->Append(Entry("HelpMenu", "&Hilfe", ""));
  ASSERT_EQ(shown->actions().size(), 3);
  EXPECT_NE(shown->actions()[2]->menu(), nullptr) << "a bar's entry is a menu even while empty";
  window->resize(400, 200);
  QApplication::processEvents();
  EXPECT_EQ(shown->width(), 400);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Kinds, MenuBarAttach,
    ::testing::Values(AttachCase{"plain widget", [] { return new QWidget; }},
                      AttachCase{"widget with a layout",
                                 [] {
                                   auto* w = new QWidget;
                                   new QVBoxLayout(w);
                                   return w;
                                 }},
                      AttachCase{"main window", [] { return new QMainWindow; }}));
// clang-format on

TEST(MenuBarAttach, NullWindowRaises) {
  Ref<GermanBar> bar = MakeBar();
  EXPECT_THROW(bar->AttachTo(nullptr), fw::NilObjectException);
}

TEST(MenuThreadRule, EveryMenuOperationRaisesOnAWorker) {
  Ref<GermanBar> bar = MakeBar();
  Ref<MenuItem> item = bar->Item(0);
  QWidget window;
  const std::vector<std::pair<const char*, std::function<void()>>> ops = {
      {"make", [] { std::make_shared<MenuItem>(); }},
      {"Constructor", [&] { item->Constructor(); }},
      {"Name", [&] { item->Name(); }},
      {"SetName", [&] { item->SetName("x"); }},
      {"Text", [&] { item->Text(); }},
      {"SetText", [&] { item->SetText("x"); }},
      {"KeyboardShortcut", [&] { item->KeyboardShortcut(); }},
      {"SetKeyboardShortcut", [&] { item->SetKeyboardShortcut("Cmd+X"); }},
      {"SetAutoEnable", [&] { item->SetAutoEnable(false); }},
      {"SetEnabled", [&] { item->SetEnabled(false); }},
      {"Append", [&] { item->Append(bar->Item(1)); }},
      {"Child", [&] { bar->Child("FileMenu"); }},
      {"Count", [&] { bar->Count(); }},
      {"Item", [&] { bar->Item(0); }},
      {"EnableChildren", [&] { item->EnableChildren(); }},
      {"AttachTo", [&] { bar->AttachTo(&window); }},
  };
  std::vector<std::string> notRaised;
  fw::SetMainThreadRuleActive(true);
  auto worker = std::make_shared<fw::Thread>();
  worker->SetRunHandler([&](fw::Thread&) {
    for (const auto& [name, op] : ops) {
      try {
        op();
        notRaised.push_back(name);
      } catch (const fw::ThreadAccessingUIException&) {
      }
    }
  });
  worker->Run();
  EXPECT_TRUE(testsupport::WaitUntil([&] { return !worker->IsRunning(); }));
  fw::SetMainThreadRuleActive(false);
  EXPECT_EQ(notRaised, std::vector<std::string>{});
  EXPECT_EQ(item->Name(), "FileMenu") << "nothing changed";
  EXPECT_EQ(item->Count(), 1);
}

}  // namespace
