// Fade-out of any control: its colours run to black, then it is closed and removed.
#include "ui/control.h"

void control_fade_out(Control *ctrl, int ms) {
    if (!ctrl) return;
    if (const ControlClass *cls = control_class(ctrl->type); cls && cls->fade_out) cls->fade_out(ctrl, ms);
    ctrl->flags &= ~CTRL_DISABLE_TIMER;
    ctrl->flags |= CTRL_FADING | CTRL_DISABLED;
    if (ms > 0) control_remove_after(ctrl, ms);
    else control_remove(ctrl);
    ctrl->flags |= CTRL_CLOSED;
    ctrl->id = -1;
}
