#pragma once
// What the layout codes mean in this framework: the one table.
//
//   Window
//     Frame           0 document window; 8 dialog-style window (not modal);
//                     any other code: document window
//     Resizeable      False: fixed at Width x Height; True: between the
//                     Min and Max sizes
//     MenuBarVisible  True: the application's menu bar is shown in the window
//     Placement, Composite, LiveResize, FullScreen, MacProcID
//                     kept, no effect (the window opens where the system puts it)
//   Every control
//     LockLeft/Top/Right/Bottom, AutoDeactivate, TabPanelIndex, InitialParent,
//     Index           kept, no effect (controls keep place and size on resize)
//     TabIndex        focus order, lower first; TabStop False keeps Tab away
//   TextField
//     Alignment       0 default (left), 1 left, 2 centre, 3 right
//     LimitText       0 no limit, else the most characters the user may type
//     Border          False: no frame
//     TextFont        "System": the platform's default UI font
//     UseFocusRing, Format, Mask, DataSource, DataField, AcceptTabs,
//     AutomaticallyCheckSpelling      kept, no effect
//   PushButton
//     ButtonStyle     kept; every style is the toolkit's push button
//     Default/Cancel  Return/Escape in the window press the button
//   Label
//     TextAlign       0 left, 1 centre, 2 right
//     Transparent     False: filled with the window's colour
//   Canvas
//     EraseBackground True: filled with the window's colour before painting
//     DoubleBuffer, UseFocusRing, AcceptTabs   kept, no effect
//   Text controls
//     TextUnit        the FontUnits codes of FontUnits.h; TextSize 0 is the
//                     toolkit's default size whatever the unit
//   Thread
//     Priority, StackSize   kept on the thread as they are
//   Timer
//     Mode            0 off, 1 once, 2 repeating (Timer::kMode...)
#include <cstdint>

namespace fw::layout_codes {

constexpr int32_t kFrameDocument = 0;
constexpr int32_t kFrameDialog = 8;

constexpr int32_t kTextAlignLeft = 0;
constexpr int32_t kTextAlignCentre = 1;
constexpr int32_t kTextAlignRight = 2;

constexpr int32_t kAlignmentDefault = 0;
constexpr int32_t kAlignmentLeft = 1;
constexpr int32_t kAlignmentCentre = 2;
constexpr int32_t kAlignmentRight = 3;

// The Index of a control that is no member of a control array.
constexpr int32_t kNoControlArray = INT32_MIN;

}  // namespace fw::layout_codes
