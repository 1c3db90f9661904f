#include "framework/classes/LayoutTable.h"

#include <array>
#include <utility>

namespace fw {

namespace {

// Every property name a layout table may carry, with its type.
constexpr std::array<std::pair<std::string_view, LayoutType>, 70> kNames = {{
    {"Placement", LayoutType::Int32},
    {"Width", LayoutType::Int32},
    {"Height", LayoutType::Int32},
    {"MinWidth", LayoutType::Int32},
    {"MinHeight", LayoutType::Int32},
    {"MaxWidth", LayoutType::Int32},
    {"MaxHeight", LayoutType::Int32},
    {"Frame", LayoutType::Int32},
    {"MacProcID", LayoutType::Int32},
    {"Index", LayoutType::Int32},
    {"Left", LayoutType::Int32},
    {"Top", LayoutType::Int32},
    {"TabPanelIndex", LayoutType::Int32},
    {"TabIndex", LayoutType::Int32},
    {"LimitText", LayoutType::Int32},
    {"Alignment", LayoutType::Int32},
    {"ButtonStyle", LayoutType::Int32},
    {"TextAlign", LayoutType::Int32},
    {"Priority", LayoutType::Int32},
    {"StackSize", LayoutType::Int32},
    {"Mode", LayoutType::Int32},
    {"Period", LayoutType::Int32},
    {"Composite", LayoutType::Boolean},
    {"HasBackColor", LayoutType::Boolean},
    {"Visible", LayoutType::Boolean},
    {"FullScreen", LayoutType::Boolean},
    {"MenuBarVisible", LayoutType::Boolean},
    {"CloseButton", LayoutType::Boolean},
    {"Resizeable", LayoutType::Boolean},
    {"LiveResize", LayoutType::Boolean},
    {"MaximizeButton", LayoutType::Boolean},
    {"MinimizeButton", LayoutType::Boolean},
    {"LockLeft", LayoutType::Boolean},
    {"LockTop", LayoutType::Boolean},
    {"LockRight", LayoutType::Boolean},
    {"LockBottom", LayoutType::Boolean},
    {"TabStop", LayoutType::Boolean},
    {"Border", LayoutType::Boolean},
    {"Password", LayoutType::Boolean},
    {"UseFocusRing", LayoutType::Boolean},
    {"Enabled", LayoutType::Boolean},
    {"AutoDeactivate", LayoutType::Boolean},
    {"Bold", LayoutType::Boolean},
    {"Italic", LayoutType::Boolean},
    {"Underline", LayoutType::Boolean},
    {"ReadOnly", LayoutType::Boolean},
    {"AcceptTabs", LayoutType::Boolean},
    {"AutomaticallyCheckSpelling", LayoutType::Boolean},
    {"Default", LayoutType::Boolean},
    {"Cancel", LayoutType::Boolean},
    {"Multiline", LayoutType::Boolean},
    {"Selectable", LayoutType::Boolean},
    {"Transparent", LayoutType::Boolean},
    {"AcceptFocus", LayoutType::Boolean},
    {"DoubleBuffer", LayoutType::Boolean},
    {"EraseBackground", LayoutType::Boolean},
    {"BackColor", LayoutType::Color},
    {"TextColor", LayoutType::Color},
    {"Title", LayoutType::String},
    {"Name", LayoutType::String},
    {"HelpTag", LayoutType::String},
    {"InitialParent", LayoutType::String},
    {"TextFont", LayoutType::String},
    {"Text", LayoutType::String},
    {"Caption", LayoutType::String},
    {"CueText", LayoutType::String},
    {"Format", LayoutType::String},
    {"Mask", LayoutType::String},
    {"DataSource", LayoutType::String},
    {"DataField", LayoutType::String},
}};

}  // namespace

std::optional<LayoutType> LayoutTypeOf(std::string_view name) {
  for (const auto& [n, t] : kNames)
    if (n == name) return t;
  return std::nullopt;
}

const char* LayoutTypeName(LayoutType type) {
  switch (type) {
    case LayoutType::Int32:
      return "Int32";
    case LayoutType::Boolean:
      return "Boolean";
    case LayoutType::Color:
      return "Color";
    case LayoutType::String:
      return "String";
  }
  return "Int32";
}

}  // namespace fw
