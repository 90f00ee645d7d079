// Small event hooks the windows attach to single controls: an action when a control loses the
// focus, and Enter keys that move the focus on instead of reaching the control.
#ifndef KEZ_UI_FOCUS_EVENTS_H_
#define KEZ_UI_FOCUS_EVENTS_H_

#include <functional>

class QWidget;

namespace kez::ui {

// Calls `action` each time `control` loses the keyboard focus. The hook lives as long as the
// control.
void OnFocusOut(QWidget* control, std::function<void()> action);

// Swallows Return and Enter in `control` (and its inner editor, for spin boxes and date pickers)
// and moves the focus to the next control instead.
void EnterMovesFocusOn(QWidget* control);

}  // namespace kez::ui

#endif  // KEZ_UI_FOCUS_EVENTS_H_
