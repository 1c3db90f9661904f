#include "app/MainMenuBar.h"

#include <memory>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Operation.h"
#include "framework/ui/MenuItem.h"
#include "framework/ui/QuitMenuItem.h"

namespace app {

namespace {

// MainMenuBar._implicitInstance: the single bar. Main thread only.
fw::Ref<MainMenuBar>& ImplicitInstanceVariable() {
  static fw::Ref<MainMenuBar> bar;
  return bar;
}

// One entry of the bar, made in the order of the rows.
struct Row {
  const char* name;
  const char* text;
  const char* shortcut;  // nullptr: the shortcut is not set at all
  const char* parent;    // nullptr: a menu of the bar itself
  bool quitItem;
};

// Makes the entry, sets Name, AutoEnable, Text and (unless it has none)
// KeyboardShortcut, and appends it to the bar or to the menu the bar finds
// under the parent's name, looked up anew for this entry.
void AddEntry(MainMenuBar& bar, const Row& row) {
  fw::Ref<fw::MenuItem> entry;
  if (row.quitItem)
    entry = std::make_shared<fw::QuitMenuItem>();
  else
    entry = std::make_shared<fw::MenuItem>();
  entry->Constructor();
  entry->SetName(row.name);
  entry->SetAutoEnable(true);
  entry->SetText(row.text);
  if (row.shortcut) entry->SetKeyboardShortcut(row.shortcut);
  if (row.parent)
    fw::NonNil(bar.Child(row.parent), "menu of the bar").Append(entry);
  else
    bar.Append(entry);
}

}  // namespace

const fw::ClassRecord& MainMenuBar::Lookup() {
  static const fw::ClassRecord& rec = []() -> const fw::ClassRecord& {
    fw::ClassRecord& r =
        fw::RuntimeNewClass(&fw::LookupClass("MenuBar"), "MainMenuBar.MainMenuBar");
    r.SetAllocator<MainMenuBar>();
    fw::AddOperations(r, {
                             {"Constructor", {}, "", fw::Operation::kOverride},
                             {"Untitled0", {}, ""},
                             {"Untitled1", {}, ""},
                         });
    r.attributes = fw::PublicAttributes();
    return r;
  }();
  return rec;
}

const fw::ClassRecord& MainMenuBar::Class() const { return Lookup(); }

fw::Ref<MainMenuBar> MainMenuBar::Instance() {
  fw::Ref<MainMenuBar>& variable = ImplicitInstanceVariable();
  if (!variable) {
    fw::Ref<MainMenuBar> bar =
        std::dynamic_pointer_cast<MainMenuBar>(fw::RuntimeNewObject(Lookup()));
    fw::NonNil(bar).Constructor();
    variable = bar;
  }
  return variable;
}

const fw::Ref<MainMenuBar>& MainMenuBar::ImplicitInstance() { return ImplicitInstanceVariable(); }

void MainMenuBar::ReleaseImplicitInstance() {
  fw::Ref<MainMenuBar> held = std::move(ImplicitInstanceVariable());
  ImplicitInstanceVariable() = nullptr;
  held.reset();
}

void MainMenuBar::Constructor() {
  Untitled0();
  Untitled1();
}

void MainMenuBar::Untitled0() {
  static const Row rows[] = {
      {"FileMenu", "&Ablage", "", nullptr, false},
      {"FileQuit", "Beenden", "Cmd+Q", "FileMenu", true},
  };
  for (const Row& row : rows) AddEntry(*this, row);
}

void MainMenuBar::Untitled1() {
  static const Row rows[] = {
      {"EditMenu", "&Bearbeiten", "", nullptr, false},
      {"EditUndo",
       "&R\xC3\xBC"
       "ckg\xC3\xA4ngig",
       "Cmd+Z", "EditMenu", false},
      {"EditSeparator1", "-", nullptr, "EditMenu", false},
      {"EditCut", "&Ausschneiden", "Cmd+X", "EditMenu", false},
      {"EditCopy", "&Kopieren", "Cmd+C", "EditMenu", false},
      {"EditPaste", "&Einf\xC3\xBCgen", "Cmd+V", "EditMenu", false},
      {"EditClear", "&L\xC3\xB6schen", "", "EditMenu", false},
      {"EditSeparator2", "-", nullptr, "EditMenu", false},
      {"EditSelectAll", "&Alles ausw\xC3\xA4hlen", "Cmd+A", "EditMenu", false},
  };
  for (const Row& row : rows) AddEntry(*this, row);
}

}  // namespace app
