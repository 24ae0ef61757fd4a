#pragma once
// The design panel: one panel in two stages. The ship type chooser (ship_type_chooser.cpp) shows
// the hulls the owner may build, the chosen hull's figures, description and animated picture, and
// "Configure"; the design editor (design_editor.cpp) turns the panel into the hull picture with one
// card per mount, the statistics, the power bar, the cost tag and Accept / Back / Cancel; the
// system picker (system_picker.cpp) is the "Choose system" list a mount card opens.
//  - The panel's widget state is one DesignEditorState for both stages; its command slots are
//    filled by the opener (the galaxy screen's design handlers).
//  - The editor fits and removes systems on its own working copy of a Ship, made from the hull
//    template and, when editing, from copies of the design's systems: the design itself is never
//    touched, so cancelling leaves it as it was. The accepted slot's owner takes the working copy
//    (design_get_ship, then design_release_ship); otherwise the panel destroys it.
//  - The chooser's picture loads on a worker: the worker only resolves the factory's load groups
//    and then sets the state's done bit (atomic, last). The game thread builds and reveals the
//    picture when it sees the bit, and joins the worker before the next selection and before the
//    state goes. Everything else, "editor open" included, is the game thread's.
//  - Game thread only, but for design_hull_load_thread.
#include <atomic>
#include <cstdint>
#include <string>
#include "platform/list.h"
#include "ui/panel.h"

struct Control;
struct Crit;
struct GameObject;
struct Player;
struct SDL_Thread;
struct Ship;
struct Sprite;
struct System;

// Option flags of design_configure_build.
constexpr uint32_t DESIGN_OPT_ANIMATE = 0x1;   // opening animations, name entry style 15
constexpr uint32_t DESIGN_OPT_CAPTION = 0x2;   // the title bar shows "Ship Design"
constexpr uint32_t DESIGN_OPT_UPGRADE = 0x4;   // "Upgrade" may be offered
constexpr uint32_t DESIGN_OPTS_NEW  = DESIGN_OPT_ANIMATE | DESIGN_OPT_CAPTION;
constexpr uint32_t DESIGN_OPTS_EDIT = DESIGN_OPTS_NEW | DESIGN_OPT_UPGRADE;

// Command slots of DesignEditorState.
enum DesignEditorSlot : int {
    DESIGN_EDITOR_SLOT_ACCEPTED  = 5,   // Accept, with the panel
    DESIGN_EDITOR_SLOT_CANCELLED = 6,   // Cancel, with the panel
};

// Children by id, in the panel.
constexpr int DESIGN_ID_TITLE        = 100001;
constexpr int DESIGN_ID_CARD_STRIP   = 100002;
constexpr int DESIGN_ID_PICTURE      = 100004;   // the hull picture
constexpr int DESIGN_ID_STATS        = 100005;
constexpr int DESIGN_ID_NAME         = 100006;
constexpr int DESIGN_ID_BUTTONS      = 100007;
constexpr int DESIGN_ID_FRAME        = 100008;   // the chooser's picture frame
constexpr int DESIGN_ID_COST_TAG     = 100009;
constexpr int DESIGN_ID_LABEL        = 100010;   // "Select ship type", later "Choose system"
constexpr int DESIGN_ID_CONFIGURE    = 100011;
constexpr int DESIGN_ID_HULL_PANEL   = 100012;
constexpr int DESIGN_ID_TEXT         = 100013;   // description, hover tip text
constexpr int DESIGN_ID_PICKER       = 100015;
constexpr int DESIGN_ID_ACCEPT       = 100016;
constexpr int DESIGN_ID_BACK         = 100017;   // "Back" or "Cancel"
constexpr int DESIGN_ID_ARROW        = 100018;
constexpr int DESIGN_ID_MARKER       = 100019;
constexpr int DESIGN_ID_EDITOR_FRAME = 100020;
constexpr int DESIGN_ID_POWER_BOX    = 100021;
constexpr int DESIGN_ID_POWER_BAR    = 100022;
constexpr int DESIGN_ID_UPGRADE      = 100023;
constexpr int DESIGN_ID_HIGHLIGHT    = 100024;   // the picker's two lines from the card to the mount
constexpr int DESIGN_ID_LOAD_WATCH   = 100025;   // an empty control whose timer looks for the worker's end
constexpr int DESIGN_ID_CONNECTOR    = 5000000;  // + mount index
// Inside the picker list.
constexpr int PICKER_ID_ROWS   = 100002;
constexpr int PICKER_ID_SCROLL = 100007;
constexpr int PICKER_ID_TIP    = 2841403;        // the refusal tip, a top-level control
// Inside a hull card.
constexpr int HULL_CARD_ID_PICTURE = 10001;
constexpr int HULL_CARD_ID_NAME    = 10002;

// A candidate's refusal bits (System::status) in the picker.
constexpr uint32_t PICKER_REFUSED_ONE_PER_SHIP = 0x2;
constexpr uint32_t PICKER_REFUSED_POWER        = 0x4;

constexpr int DESIGN_PICKER_MAX_HEIGHT = 372;
constexpr int DESIGN_PICKER_MIN_WIDTH  = 225;

struct DesignEditorState;
// Moves the panel left as far as it runs past the screen's right edge (never past the left edge).
void design_keep_on_screen(Control *panel);

struct DesignEditorState : PanelCommandSlots {
    uint32_t    options = 0;
    uint64_t    owner_id = 0;
    int32_t     editor_open = 0;             // game thread only
    int32_t     hull_chosen = 0;
    int32_t     held_hull = -1;              // the template whose load groups the panel requests
    int32_t     selected_hull = -1;
    int32_t     chosen_mount = -1;
    System     *prior_system = nullptr;      // one reference
    Ship       *working_ship = nullptr;      // owned unless taken
    GameObject *design_to_edit = nullptr;    // not held; consumed by design_editor_build
    std::string name;
    int32_t     mount_x = 0, mount_y = 0, mount_right = 0;
    int32_t     chooser_x = -1, chooser_y = -1;   // where the hull chooser stood before the editor moved it
    SDL_Thread *load_thread = nullptr;
    Control    *panel = nullptr;
    Control    *frame = nullptr;             // the picture frame while a load runs (one reference)
    int32_t     load_hull = -1;              // the hull type the running load is for
    std::atomic<uint32_t> load_done{0};      // set by the worker last; 1: the groups are resolved
    uint64_t    edited_id = 0;
    List<Control> mount_cards;               // one reference each
    int32_t     armour_shown = 0;
};

// The panel's state; null for any other panel.
DesignEditorState *design_editor_state(Control *panel);
// The ship factory's template of hull type t (0..8); null outside them or when the factory cannot start.
const Ship *design_hull_template(int32_t t);
// The sprite of the object's frame: frames[frame], else frame_sprites[frame]; null outside the frames.
Sprite *design_frame_sprite(const GameObject *obj, int32_t frame);

// ---- The ship type chooser ----
// (Re)builds the chooser in the panel, replacing its state (the old one is freed first).
void design_configure_build(Control *panel, const char *name, uint32_t owner_low, uint32_t owner_high,
                            uint32_t options);
// Skips the chooser: the editor opens on the design (a no-op once the editor is open).
void design_configure_open(Control *panel, GameObject *design);
void design_configure_on_close(Control *title_bar);
// Hull types 0..8 the player may design on: the template's hull flag 0x4 and the unlocked list.
// The flags are a bit per hull type.
uint32_t design_available_hulls(Player *player);
void design_hull_cards_build(Control *panel);
void design_card_grid_build(Control *strip, uint32_t available);
void design_card_grid_on_click(Control *card);
void design_card_grid_on_hover_enter(Control *card);
void design_card_grid_on_hover_leave(Control *card);
void design_on_hull_selected(Control *card);
// The game thread's part of a picture load: when the worker is done, joins it and shows the
// picture (unless the editor has opened meanwhile). Run every frame by the panel's update.
void design_hull_load_poll(Control *panel);
int  design_hull_load_thread(void *state);
// Where the chooser creates its load worker; tests put a creator that fails here. Null restores SDL's.
using DesignThreadCreator = SDL_Thread *(int (*)(void *), void *);
void design_set_thread_creator(DesignThreadCreator *creator);
void design_editor_state_free(void *state);

// ---- The design editor ----
void design_editor_build(Control *configure_button);
void design_on_name_changed(Control *entry);
void design_on_accept(Control *button);
void design_on_back(Control *button);
void design_on_cancel(Control *button);
void design_on_upgrade(Control *button);
void design_refresh_stats(Control *panel);
bool design_upgrade_available(Control *panel);
Ship    *design_get_ship(Control *panel);
void     design_release_ship(Control *panel);
uint64_t design_get_edited_id(Control *panel);
// The mount card of a mount, null when none is shown.
Control *design_mount_card(Control *panel, int32_t mount);
// The mount area (the hull picture, the mount cards, the connector lines), null before the editor.
Control *design_mount_area(Control *panel);
// A mount card's option flags for what the mount holds.
uint32_t design_mount_card_options(const Crit &crit);
// A new card for the mount in its old card's place (or the mount's card place), growing over
// grow_ms after delay_ms; the old card fades out.
Control *design_rebuild_mount_card(Control *panel, int32_t mount, int grow_ms, int delay_ms);
// The connector lines fade back in after delay_ms.
void design_restore_connectors(Control *panel, int delay_ms);
// The four facing shields refilled and the hull picture's shield overlay redone.
void design_refill_and_overlay(Control *panel);

// ---- The system picker ----
void design_on_mount_click(Control *card);
void design_system_list_build(Control *list, List<System> *candidates);
Control *design_system_row_build(Control *list, System *system, int detail);
void design_system_row_on_click(Control *row);
void design_system_row_on_hover_enter(Control *row);
void design_system_row_on_dwell(Control *row);
void design_system_row_on_hover_leave(Control *row);
void design_system_list_on_wheel(Control *row);
System *design_system_list_get_picked(Control *list);
void design_system_row_set_width(Control *row, int width);
void design_system_list_state_free(void *state);
void design_on_system_picked(Control *list);
void design_picker_cancel(Control *control);
// Closes the picker; restore puts the mount's prior system back (cancel), else the mount is kept.
void design_picker_close(Control *panel, bool restore);
// The picker's candidates for a mount of the ship, in name order, each with its refusal bits; the
// systems of another mount kind are left out. A new list; its element-free releases.
List<System> *design_picker_candidates(Player *owner, Ship *ship, int32_t mount);
