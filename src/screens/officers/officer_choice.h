#pragma once
// The "Assign Officer" dialog: every officer of the post's owner who could take the post where it
// stands, one clickable row each. The post, the target, is a starship or a starbase:
//  - a starship: the starship's row, the sector line, then the sector starbase's commander, the
//    officers held at that starbase and the commanders of the owner's other ships in the sector;
//  - a starbase: the sector line and the starbase's present commander, then the starbase's pool
//    and the commanders of the owner's ships in the sector.
//  - The dialog changes nothing: a click records the row's index and calls OFFICER_CHOICE_SLOT_PICK;
//    "Cancel" calls OFFICER_CHOICE_SLOT_BACK. The opener fills both right after officer_choice_build;
//    an empty slot does nothing. The title's close box removes the dialog without calling a slot.
//  - Its widget state is an OfficerChoiceState: one reference on the target and on every listed
//    officer, released when the dialog is freed. Rebuilt, never updated. Game thread only.
// The commanding officer panel, which picks a post for one officer, shares the rows' look and pictures.
#include <cstdint>
#include "platform/list.h"
#include "ui/control.h"
#include "ui/panel.h"

struct GameObject;
struct Officer;

// Dialog flags.
constexpr uint32_t OFFICER_CHOICE_ANIMATE = 0x1;
constexpr uint32_t OFFICER_CHOICE_CANCEL  = 0x2;

// Children of the dialog, and of each candidate row (and of the starbase's target row).
constexpr int OFFICER_CHOICE_ID_TITLE          = 100001;
constexpr int OFFICER_CHOICE_ID_TARGET_ROW     = 100002;
constexpr int OFFICER_CHOICE_ID_LIST           = 100003;
constexpr int OFFICER_CHOICE_ID_CANCEL         = 100014;
constexpr int OFFICER_CHOICE_ROW_ID_STARBASE   = 100004;
constexpr int OFFICER_CHOICE_ROW_ID_BOX        = 100005;
constexpr int OFFICER_CHOICE_ROW_ID_SHIP       = 100006;
constexpr int OFFICER_CHOICE_ROW_ID_SHIP_NAME  = 100007;
constexpr int OFFICER_CHOICE_ROW_ID_ARMOUR_ICON = 100008;
constexpr int OFFICER_CHOICE_ROW_ID_ARMOUR_BAR = 100009;
constexpr int OFFICER_CHOICE_ROW_ID_CREW_ICON  = 100010;
constexpr int OFFICER_CHOICE_ROW_ID_CREW_BAR   = 100011;
constexpr int OFFICER_CHOICE_ROW_ID_STARBASE_LABEL = 100012;
constexpr int OFFICER_CHOICE_ROW_ID_ARROW      = 100013;

constexpr int OFFICER_CHOICE_SLOT_PICK = 3;
constexpr int OFFICER_CHOICE_SLOT_BACK = 4;

struct OfficerChoiceState : PanelCommandSlots {
    List<Control> rows;                 // the candidate rows, in display order (the list panel holds them)
    List<Officer> officers;             // the candidates, same order; one reference each
    GameObject   *target = nullptr;     // the post to fill; one reference
    int32_t       picked = -1;          // index of the clicked row
};

OfficerChoiceState *officer_choice_state(Control *dialog);   // null for any other control

// Builds the dialog for the post: a starship or a starbase (another target gives an empty dialog).
void        officer_choice_build(Control *dialog, GameObject *target, uint32_t flags);
Officer    *officer_choice_picked(Control *dialog);      // null while picked is out of range
GameObject *officer_choice_target(Control *dialog);

void officer_choice_on_pick(Control *row);
void officer_choice_on_cancel(Control *button);
void officer_choice_on_close(Control *title);

// Shared with the commanding officer panel and the officer lists: a list row that lights up while
// the pointer is over it, and the small picture of a game object (its icon, else its current
// frame) as a new control.
void     officer_row_set_hover_look(Control *row);
Control *object_picture_control(GameObject *object);
