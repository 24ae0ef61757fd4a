// Fade-out of any control: its colours run to black, then it is closed and removed.
#include "ui/control.h"
#include "ui/image_control.h"
#include "ui/line_group.h"
#include "ui/panel.h"
#include "ui/scroll.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"

void control_fade_out(Control *ctrl, int ms) {
    if (!ctrl) return;
    switch (ctrl->type) {
    case CONTROL_PANEL: panel_fade_out_recursive(ctrl, ms); return;
    case CONTROL_IMAGE: image_control_fade_out(ctrl, ms); break;
    case CONTROL_TEXT: text_label_fade_out(ctrl, ms); break;
    case CONTROL_LINES: line_group_fade_out(ctrl, ms); break;
    case CONTROL_VALUE_BAR: value_bar_fade_out(ctrl, ms); break;
    case CONTROL_SCROLL: scroll_track_fade_out(ctrl, ms); break;
    default: break;
    }
    ctrl->flags &= ~CTRL_DISABLE_TIMER;
    ctrl->flags |= CTRL_FADING | CTRL_DISABLED;
    if (ms > 0) control_remove_after(ctrl, ms);
    else control_remove(ctrl);
    ctrl->flags |= CTRL_CLOSED;
    ctrl->id = -1;
}
