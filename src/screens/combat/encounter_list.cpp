// The turn-order strip: one card per predicted turn of the combat map, the acting object's card
// glowing; a click on a card hands its object to the strip's pick handler.
#include <algorithm>
#include <new>
#include <vector>

#include "game/encounter_map.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "screens/combat/combat_local.h"
#include "screens/combat/combat_panels.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "ui/text_label.h"
#include "world/object.h"
#include "world/object_map.h"

namespace {

constexpr int FIRST_X_BUILD = 8;
constexpr int FIRST_X_REFRESH = 5;
constexpr int CARD_GAP = 8;
constexpr int CARD_Y = 5;
constexpr int NAME_GAP = 6;
constexpr int WIDTH_MARGIN = 8;
constexpr int HEIGHT_MARGIN = 5;
constexpr int LEAVE_MS = 350;
constexpr int SETTLE_MS = 200;
constexpr int PULSE_MS = 126;
// The glow of the acting object's card: green 10..32 and blue 0..3 arrive together (7 and 53 ms a
// step).
constexpr int CARD_GLOW_MS = 159;

Sprite *frame_picture(GameObject *obj, int32_t frame) {
    if (!obj || frame < 0 || frame >= obj->frame_count) return nullptr;
    if (obj->frames && obj->frames[frame]) return obj->frames[frame];
    return obj->frame_sprites ? obj->frame_sprites[frame] : nullptr;
}

const TurnOrderEntry *entry_at(const EncounterListState *state, int32_t index) {
    if (!state->prediction || index < 0 || index >= list_count(state->prediction)) return nullptr;
    return state->prediction->items[size_t(index)];
}

uint64_t card_object_id(const EncounterListState *state, const Control *card) {
    const TurnOrderEntry *entry = entry_at(state, encounter_list_card_index(card));
    return entry ? entry->object_id : 0;
}

void set_card_index(Control *card, int32_t index) {
    if (Panel *p = panel_of(card)) p->value = index;
}

void set_dark(Control *card) {
    panel_set_background_hover(card, 0, 0, 0, 0, 60, 0, PULSE_MS);
}

List<TurnOrderEntry> *predict(ObjectMap *map) {
    return map_predict_turn_order(map, ENCOUNTER_LIST_TURNS_PER_OBJECT * (map ? map_object_count(map) : 0));
}

// Gives every card the tallest card's height with its picture and name centred in it, and places it
// in the row starting at first_x: at once (settle_ms 0) or sliding in from below the panel.
void lay_out_row(Control *panel, List<Control> *cards, int first_x, int settle_ms, const std::vector<bool> *fresh) {
    int card_h = 0, picture_h = 0;
    for (Control *card : cards->items) {
        card_h = std::max(card_h, card->h);
        if (Control *picture = panel_find_child(card, ENCOUNTER_CARD_PICTURE_ID)) picture_h = std::max(picture_h, picture->h);
    }
    int x = first_x;
    for (size_t i = 0; i < cards->items.size(); ++i) {
        Control *card = cards->items[i];
        control_set_size(card, card->w, card_h);
        if (Control *picture = panel_find_child(card, ENCOUNTER_CARD_PICTURE_ID))
            control_set_position(picture, card->w / 2 - picture->w / 2, picture_h / 2 - picture->h / 2);
        if (Control *name = panel_find_child(card, ENCOUNTER_CARD_NAME_ID))
            control_set_position(name, card->w / 2 - name->w / 2, card_h - name->h);
        if (settle_ms <= 0) {
            control_set_position(card, x, CARD_Y);
        } else {
            if (fresh && (*fresh)[i]) control_set_position(card, x, panel->h);
            control_move_to(card, x, CARD_Y, settle_ms);
        }
        x += card->w + CARD_GAP;
    }
}

}  // namespace

EncounterListState *encounter_list_state(Control *panel) {
    if (!panel || !panel_command_slots(panel) || panel->widget_free != encounter_list_state_free) return nullptr;
    return static_cast<EncounterListState *>(panel_command_slots(panel));
}

int32_t encounter_list_card_index(const Control *card) {
    const Panel *p = card ? panel_of(card) : nullptr;
    return p ? p->value : -1;
}

void encounter_list_state_free(void *state) {
    EncounterListState *s = static_cast<EncounterListState *>(state);
    if (!s) return;
    list_free(s->cards);
    list_free(s->prediction);
    delete s;
}

void encounter_list_forget_map(Control *panel) {
    if (EncounterListState *state = encounter_list_state(panel)) state->map = nullptr;
}

Control *encounter_list_card_build(Control *panel, uint64_t object_id) {
    EncounterListState *state = encounter_list_state(panel);
    GameObject *obj = state ? combat_detail::find_on_map(state->map, object_id) : nullptr;
    if (!obj) return nullptr;
    const int32_t picture_index = object_get_picture(obj);
    if (picture_index < 0) return nullptr;
    Control *card = panel_create_empty();
    if (!card) return nullptr;
    control_set_size(card, 20, 10);
    control_set_tag(card, -1);
    control_set_owner(card, panel);
    panel_set_background(card, true);
    set_dark(card);
    control_set_user_data(card, panel, nullptr);
    control_set_callback(card, CONTROL_ON_CLICK, encounter_list_card_on_click);

    int32_t r = 255, g = 255, b = 255;
    (void)game_get_player_colors(game_get(), obj->owner_id, &r, &g, &b);
    if (obj->kind == OBJECT_SHIP || obj->kind == OBJECT_SHOT) {
        Control *picture = image_control_create_single(frame_picture(obj, picture_index));
        if (picture) {
            panel_add_child(card, 0, 0, ENCOUNTER_CARD_PICTURE_ID, 1, picture);
            if (obj->kind == OBJECT_SHOT) {
                image_control_enable_border(picture);
                combat_detail::set_colour(image_control_border_colour(picture), r, g, b);
            }
        }
        if (obj->kind == OBJECT_SHIP)
            panel_add_child(card, 0, (picture ? picture->h : 0) + NAME_GAP, ENCOUNTER_CARD_NAME_ID, 1,
                            text_label_create_plain(2, r, g, b, object_get_name(obj)));
    }
    panel_relayout(card);
    return card;
}

void encounter_list_build(Control *panel, ObjectMap *map) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 1);
    panel_set_anchor_mode(panel, PANEL_ANCHOR_BOTTOM);
    panel_set_border(panel, true);
    combat_detail::set_colour(panel_border_colour(panel), 50, 50, 55);

    EncounterListState *state = new (std::nothrow) EncounterListState();
    if (!state) return;
    panel_set_command_state(panel, state, encounter_list_state_free);
    state->map = map;
    state->cards = list_create<Control>();
    state->prediction = predict(map);
    state->turn_stamp = map ? map->change_count : 0;
    if (!state->cards || !state->prediction) return;

    for (int32_t i = 0; i < list_count(state->prediction); ++i) {
        Control *card = encounter_list_card_build(panel, state->prediction->items[size_t(i)]->object_id);
        if (!card) continue;
        set_card_index(card, i);
        panel_add_child(panel, 0, 0, 0, 0, card);
        list_append(state->cards, card);
    }
    lay_out_row(panel, state->cards, FIRST_X_BUILD, 0, nullptr);

    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    state->content_width = w + WIDTH_MARGIN;
    control_set_size(panel, std::min(state->content_width, ENCOUNTER_LIST_MAX_WIDTH), h + HEIGHT_MARGIN);
}

void encounter_list_refresh(Control *panel) {
    EncounterListState *state = encounter_list_state(panel);
    if (!state || !state->map || !state->cards || state->map->change_count == state->turn_stamp) return;
    state->turn_stamp = state->map->change_count;

    List<TurnOrderEntry> *prediction = predict(state->map);
    List<Control> *cards = list_create<Control>();
    if (!prediction || !cards) {
        list_free(prediction);
        list_free(cards);
        return;
    }
    std::vector<bool> fresh;
    for (int32_t i = 0; i < list_count(prediction); ++i) {
        const uint64_t id = prediction->items[size_t(i)]->object_id;
        Control *card = nullptr;
        for (Control *&old : state->cards->items)
            if (old && card_object_id(state, old) == id) {
                card = old;
                old = nullptr;
                break;
            }
        const bool is_new = !card;
        if (is_new) {
            // The new card is built against the new prediction's index; its own id is what counts.
            if (!(card = encounter_list_card_build(panel, id))) continue;
            panel_add_child(panel, 0, 0, 0, 0, card);
        }
        set_card_index(card, i);
        list_append(cards, card);
        fresh.push_back(is_new);
    }
    for (Control *gone : state->cards->items) {
        if (!gone) continue;
        control_move_to(gone, gone->x, panel->h, LEAVE_MS);
        control_remove_after(gone, LEAVE_MS);
    }
    list_free(state->cards);
    state->cards = cards;
    list_free(state->prediction);
    state->prediction = prediction;
    lay_out_row(panel, cards, FIRST_X_REFRESH, SETTLE_MS, &fresh);
}

void encounter_list_highlight(Control *panel, uint64_t object_id) {
    EncounterListState *state = encounter_list_state(panel);
    if (!state) return;
    state->highlighted_id = object_id;
    if (!state->cards) return;
    for (Control *card : state->cards->items) {
        Panel *p = panel_of(card);
        if (!p) continue;
        if (object_id && card_object_id(state, card) == object_id) {
            p->flags &= ~PANEL_BG_HOVER;
            colour_fade_start(panel_background_colour(card), 0, 10, 0, 0, 32, 3, CARD_GLOW_MS, 0,
                              COLOUR_FADE_MODE_REPEAT);
        } else {
            panel_set_background(card, true);
            set_dark(card);
        }
    }
}

void encounter_list_card_on_click(Control *card) {
    Control *panel = card ? static_cast<Control *>(card->user_data) : nullptr;
    EncounterListState *state = encounter_list_state(panel);
    if (!state) return;
    if (const TurnOrderEntry *entry = entry_at(state, encounter_list_card_index(card))) state->picked_id = entry->object_id;
    panel_call_slot(panel, ENCOUNTER_LIST_SLOT_PICK);
}
