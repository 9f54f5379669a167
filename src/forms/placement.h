#pragma once
// Window placement shared by the print window and the settings dialogs.

#include "forms/form_window.h"

namespace forms {

inline constexpr double kSlideStepTwips = 1000;

// Centres the window on the screen; a window larger than the screen gets a negative position.
void CenterForm(FormWindow& form);

// The settings dialogs' close: re-centre vertically, then jump right in 1000-twip steps,
// bringing the window to the front and letting pending messages run at each step, until
// it is wholly off screen; then unload it. Never fails: a failing step is skipped.
void SlideOutAndUnload(FormWindow& form);

}  // namespace forms
