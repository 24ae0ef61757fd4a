#pragma once
// The starship "Assign Officer" dialog: every officer of the ship's owner who could take command
// of the ship where it stands (the sector starbase's commander, the officers held at that starbase,
// the commanders of the owner's other ships in the sector), one clickable row each.
//  - The dialog changes nothing: a click records the row's index and calls slot 3; "Cancel" calls
//    slot 4. The galaxy screen fills both right after officer_assign_build; an empty slot does
//    nothing. The title's close box removes the dialog without calling a slot.
//  - Its widget state is an AssignOfficerState (the record the starbase dialog shares): one
//    reference on the target and on every listed officer, released when the dialog is freed.
//  - Game thread only.
#include <cstdint>
#include "platform/list.h"
#include "ui/control.h"
#include "ui/panel.h"

struct GameObject;
struct Officer;

// Dialog flags.
constexpr uint32_t ASSIGN_OFFICER_ANIMATE = 0x1;
constexpr uint32_t ASSIGN_OFFICER_CANCEL  = 0x2;

// Children of the dialog, and of each candidate row.
constexpr int ASSIGN_OFFICER_ID_TITLE      = 100001;
constexpr int ASSIGN_OFFICER_ID_TARGET_ROW = 100002;
constexpr int ASSIGN_OFFICER_ID_LIST       = 100003;
constexpr int ASSIGN_OFFICER_ID_CANCEL     = 100014;
constexpr int ASSIGN_ROW_ID_STARBASE       = 100004;
constexpr int ASSIGN_ROW_ID_BOX            = 100005;
constexpr int ASSIGN_ROW_ID_SHIP           = 100006;
constexpr int ASSIGN_ROW_ID_SHIP_NAME      = 100007;
constexpr int ASSIGN_ROW_ID_ARMOUR_ICON    = 100008;
constexpr int ASSIGN_ROW_ID_ARMOUR_BAR     = 100009;
constexpr int ASSIGN_ROW_ID_CREW_ICON      = 100010;
constexpr int ASSIGN_ROW_ID_CREW_BAR       = 100011;
constexpr int ASSIGN_ROW_ID_STARBASE_LABEL = 100012;
constexpr int ASSIGN_ROW_ID_ARROW          = 100013;

constexpr int ASSIGN_OFFICER_SLOT_PICK = 3;
constexpr int ASSIGN_OFFICER_SLOT_BACK = 4;

struct AssignOfficerState : PanelCommandSlots {
    List<Control> rows;                 // the candidate rows, in display order (the list panel holds them)
    List<Officer> officers;             // the candidates, same order; one reference each
    GameObject   *target = nullptr;     // the post to fill; one reference
    int32_t       picked = -1;          // index of the clicked row
};

void                officer_assign_state_free(void *state);
AssignOfficerState *officer_assign_state(Control *dialog);   // null for any other control
// Gives the dialog a new, empty state whose target is the object (one more reference, when any);
// null when no state could be made.
AssignOfficerState *officer_assign_state_install(Control *dialog, GameObject *target);

void        officer_assign_build(Control *dialog, GameObject *ship, uint32_t flags);
Officer    *officer_assign_get_picked(Control *dialog);      // null while picked is out of range
GameObject *officer_assign_get_target(Control *dialog);
void        officer_assign_set_pick_handler(Control *dialog, ControlFn handler);
void        officer_assign_set_back_handler(Control *dialog, ControlFn handler);

void officer_assign_on_pick(Control *row);
void officer_assign_on_cancel(Control *button);
void officer_assign_on_close(Control *title);

// Shared with the commanding officer panel: a list row that lights up while the pointer is over
// it, and the small picture of a game object (its icon, else its current frame) as a new control.
void     officer_row_set_hover_look(Control *row);
Control *object_picture_control(GameObject *object);
