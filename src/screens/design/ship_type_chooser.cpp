// The design panel's first stage: the title bar with the design name, the strip of hull cards the
// owner may build, the chosen hull's figures, description and animated picture, and "Configure".
// Also the state record both stages share and the picture's load worker.
#include "screens/design/design_editor.h"

#include <SDL.h>

#include <algorithm>
#include <new>

#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/log.h"
#include "platform/sound.h"
#include "platform/str.h"
#include "screens/design/design_local.h"
#include "systems/system.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_entry.h"
#include "ui/text_label.h"
#include "world/factory.h"
#include "world/ship.h"

namespace {

constexpr int STRIP_BELOW_TITLE = 488;
constexpr int CARD_GAP = 8;
constexpr int LOOK_MS = 350;
constexpr int LOAD_POLL_MS = 15;
constexpr int KEY_CONFIGURE = 99;
constexpr int PANEL_MIN_W = 600;

SDL_Thread *sdl_create(int (*body)(void *), void *data) { return SDL_CreateThread(body, data); }
DesignThreadCreator *g_create_thread = sdl_create;

void join_load(DesignEditorState *s) {
    if (!s->load_thread) return;
    SDL_WaitThread(s->load_thread, nullptr);
    s->load_thread = nullptr;
}

void drop_frame(DesignEditorState *s) {
    if (s->frame) control_release(s->frame);
    s->frame = nullptr;
}

// The size of one of the template's frames; 0 x 0 outside its frames.
void frame_size(const Ship *tmpl, int32_t f, int *w, int *h) {
    const bool known = tmpl->frame_w && tmpl->frame_h && f >= 0 && f < tmpl->frame_count;
    *w = known ? tmpl->frame_w[f] : 0;
    *h = known ? tmpl->frame_h[f] : 0;
}

// Whether the hull is shown by its picture slot rather than its detail frames: a hull whose detail
// frames are smaller than its picture (they are its small turning frames) would stand as a speck
// in a frame meant for a full-size picture.
bool shows_still_picture(const Ship *tmpl) {
    int dw = 0, dh = 0, pw = 0, ph = 0;
    ship_get_frame_extent(tmpl, &dw, &dh);
    frame_size(tmpl, tmpl->picture_frame, &pw, &ph);
    return int64_t(pw) * ph > int64_t(dw) * dh;
}

// The size of the hull's picture frame: the largest detail frame, or the picture slot.
void picture_extent(const Ship *tmpl, int *w, int *h) {
    if (shows_still_picture(tmpl)) frame_size(tmpl, tmpl->picture_frame, w, h);
    else ship_get_frame_extent(tmpl, w, h);
}

// The animated picture of a loaded hull in its frame: the detail frames, from the middle one, or
// the still picture.
void show_hull_picture(DesignEditorState *s, Control *frame, int32_t hull) {
    const Ship *tmpl = design_hull_template(hull);
    if (!tmpl || !frame || s->editor_open) return;
    std::vector<Sprite *> sprites;
    if (!shows_still_picture(tmpl))
        for (int32_t f = tmpl->offset_first; f <= tmpl->offset_last; ++f)
            if (Sprite *sprite = design_frame_sprite(tmpl, f)) sprites.push_back(sprite);
    if (sprites.empty())
        if (Sprite *still = design_frame_sprite(tmpl, tmpl->picture_frame)) sprites.push_back(still);
    if (sprites.empty()) return;
    Control *picture = image_control_create_sprites(sprites.data(), int(sprites.size()));
    if (!picture) return;
    image_control_select_entry(picture, int(sprites.size()) / 2);
    if (Control *old = panel_find_child(frame, DESIGN_ID_PICTURE)) control_remove(old);
    // Centred in the frame's full size: the frame may still be growing when the picture comes.
    int fw = 0, fh = 0;
    picture_extent(tmpl, &fw, &fh);
    panel_add_child(frame, fw / 2 - picture->w / 2, fh / 2 - picture->h / 2, DESIGN_ID_PICTURE, 0, picture);
    control_set_hidden(frame, true);   // shown at once, also when it was still waiting to show
}

// The game thread's side of a load: the panel's load watcher looks for the worker's done bit a
// frame at a time while a worker runs (the watcher outlives the chooser's controls).
void load_poll(Control *watcher) {
    Control *panel = watcher ? watcher->owner : nullptr;
    DesignEditorState *s = design_editor_state(panel);
    if (!s || !s->load_thread) return;
    design_hull_load_poll(panel);
    if (s->load_thread) control_set_timer(watcher, LOAD_POLL_MS);
}

void watch_load(Control *panel) {
    Control *watcher = panel_find_child(panel, DESIGN_ID_LOAD_WATCH);
    if (!watcher) {
        watcher = panel_add_child(panel, 0, 0, DESIGN_ID_LOAD_WATCH, 1, panel_create_empty());
        if (!watcher) return;
        panel_clear_fills(watcher);
        watcher->on_timer = load_poll;
    }
    control_set_timer(watcher, LOAD_POLL_MS);
}

void card_look(Control *card, bool lit) {
    Control *picture = panel_find_child(card, HULL_CARD_ID_PICTURE);
    if (Control *name = panel_find_child(card, HULL_CARD_ID_NAME))
        colour_fade_to(text_label_colour(name), 230, 230, lit ? 230 : 0, LOOK_MS, 0);
    if (picture) image_control_animate_brightness(picture, lit ? 120 : 100, LOOK_MS, 0);
    colour_fade_to(panel_background_colour(card), 0, 0, lit ? 32 : 0, LOOK_MS, 0);
}

bool card_selected(Control *card) {
    const Panel *p = panel_of(card);
    return p && p->value == 1;
}

void set_configure_enabled(Control *panel, bool on) {
    Control *buttons = panel_find_child(panel, DESIGN_ID_BUTTONS);
    Control *configure = buttons ? panel_find_child(buttons, DESIGN_ID_CONFIGURE) : nullptr;
    if (!configure) return;
    image_control_set_highlight(configure, !on);
    image_control_set_tooltip(configure, !on, design_detail::TIP_TEXT, 0, 0, on ? "" : "No ship type selected");
}

// The old control gives its id up as it fades: its successor takes the same one.
void fade_child(Control *panel, int id, int ms) {
    if (Control *c = panel_find_child(panel, id)) {
        control_set_id(c, 0);
        control_fade_out(c, ms);
    }
}

}  // namespace

void design_set_thread_creator(DesignThreadCreator *creator) { g_create_thread = creator ? creator : sdl_create; }

DesignEditorState *design_editor_state(Control *panel) {
    return panel && panel_of(panel) && panel->widget_free == design_editor_state_free
               ? static_cast<DesignEditorState *>(panel_command_slots(panel))
               : nullptr;
}

void design_editor_state_free(void *data) {
    DesignEditorState *s = static_cast<DesignEditorState *>(data);
    if (!s) return;
    join_load(s);
    drop_frame(s);
    if (s->held_hull >= 0) {
        factory_release_detail_group(OBJECT_SHIP, s->held_hull);
        (void)factory_resolve_load_groups();
    }
    if (s->working_ship) object_destroy(s->working_ship);
    if (s->prior_system) system_release(s->prior_system);
    for (Control *card : s->mount_cards.items)
        if (card) control_release(card);
    delete s;
}

uint32_t design_available_hulls(Player *player) {
    uint32_t available = 0;
    if (!player) return 0;
    for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) {
        const Ship *tmpl = design_hull_template(t);
        if (!tmpl || !(tmpl->hull_flags & HULL_FLAG_PLAYER_BUILDABLE)) continue;
        for (const int32_t *unlocked : player->hulls.items)
            if (unlocked && *unlocked == t) available |= 1u << t;
    }
    return available;
}

void design_configure_build(Control *panel, const char *name, uint32_t owner_low, uint32_t owner_high,
                            uint32_t options) {
    if (!panel_of(panel)) return;
    const std::string kept = name ? name : "";   // the name may be the old state's
    panel_remove_children(panel);
    control_set_size(panel, std::max(panel->w, PANEL_MIN_W), panel->h);
    panel_set_border(panel, true);
    colour_fade_start(panel_border_colour(panel), 0, 0, 0, 64, 32, 0, 2000, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    panel_set_background(panel, true);
    colour_fade_set(panel_background_colour(panel), 0, 0, 12);

    DesignEditorState *s = new (std::nothrow) DesignEditorState{};
    if (!s) return;
    s->options = options;
    s->owner_id = uint64_t(owner_high) << 32 | owner_low;
    s->name = kept;
    s->panel = panel;
    panel_set_command_state(panel, s, design_editor_state_free);
    // panel_set_command_state keeps the slots' address: the record starts with them.
    const bool animate = options & DESIGN_OPT_ANIMATE;

    Control *title = panel_add_child(panel, 2, 2, DESIGN_ID_TITLE, 0,
                                     ui_button_create("Ship Design", nullptr, design_configure_on_close, panel,
                                                      int(options & (DESIGN_OPT_ANIMATE | DESIGN_OPT_CAPTION))));
    if (title) ui_control_resize(title, panel->w - 4, false);
    const int title_bottom = title ? title->y + title->h : 24;

    design_hull_cards_build(panel);
    Control *strip = panel_find_child(panel, DESIGN_ID_CARD_STRIP);
    if (strip && strip->w + 6 > panel->w) {
        control_set_size(panel, strip->w + 6, panel->h);
        if (title) ui_control_resize(title, panel->w - 4, false);
    }
    control_set_size(panel, panel->w, title_bottom + STRIP_BELOW_TITLE + (strip ? strip->h : 0) + 6);

    // "Configure" in the button column, bottom-right.
    if (Control *column = panel_add_child(panel, 0, 0, DESIGN_ID_BUTTONS, 0, panel_create_empty())) {
        Control *configure = image_button_create(IMAGE_CONFIGURE, 6, "Configure", design_editor_build, KEY_CONFIGURE, panel);
        if (configure) panel_add_child(column, 0, 0, DESIGN_ID_CONFIGURE, 0, configure);
        int w = 0, h = 0;
        panel_layout(column, &w, &h);
        control_set_size(column, w, h);
        control_set_position(column, panel->w - w - 4, panel->h - h - 4);
        set_configure_enabled(panel, false);
    }

    // The name entry after the caption.
    // The caption area: the title bar's label, and its close button at the right end.
    int label_x = 0, label_w = 0, close_w = 0;
    if (title) {
        ui_button_get_child_rect(title, &label_x, nullptr, &label_w, nullptr);
        ui_button_get_caption_width(title, 0, &close_w);
    }
    const int caption_right = (options & DESIGN_OPT_CAPTION) ? label_x + label_w : 0;
    const int entry_x = 2 + caption_right + 12;
    const int entry_w = std::max(40, panel->w - entry_x - 22 - close_w);
    if (Control *entry = panel_add_child(panel, entry_x, 4, DESIGN_ID_NAME, 0,
                                         text_entry_create(s->name.c_str(), entry_w, animate ? 15 : 14))) {
        text_entry_set_accept_fn(entry, design_on_name_changed);
        entry->user_data = panel;
    }

    if (Control *label = text_label_create_plain(7, 0, 240, 0, "Select ship type")) {
        panel_add_child(panel, panel->w / 2 - label->w / 2, panel->h - 100, DESIGN_ID_LABEL, 0, label);
        if (animate) colour_fade_start(text_label_colour(label), 0, 0, 0, 0, 240, 0, 500, 0, 0);
        else colour_fade_start(text_label_colour(label), 0, 240, 0, 0, 90, 0, 1000, 0,
                               COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    }
    if (animate && strip) {
        const int y = strip->y;
        control_set_position(strip, strip->x, panel->h);
        control_move_to(strip, strip->x, y, design_detail::FADE_MS);
    }
}

void design_hull_cards_build(Control *panel) {
    DesignEditorState *s = design_editor_state(panel);
    if (!s) return;
    Player *owner = game_find_player(game_get(), s->owner_id);
    if (!owner) return;
    s->editor_open = 0;
    s->hull_chosen = 0;
    s->armour_shown = player_best_system(owner, SYSTEM_TYPE_ARMOUR) != nullptr;
    Control *title = panel_find_child(panel, DESIGN_ID_TITLE);
    const int x = title ? title->x : 2, y = (title ? title->y + title->h : 24) + STRIP_BELOW_TITLE;
    Control *strip = panel_add_child(panel, x, y, DESIGN_ID_CARD_STRIP, 0, panel_create_empty());
    if (!strip) return;
    design_card_grid_build(strip, design_available_hulls(owner));
    panel_set_slot(strip, 0, design_on_hull_selected);
}

namespace {
struct CardGridState : PanelCommandSlots {};   // slot 0: a card was selected
void design_card_grid_free(void *state) { delete static_cast<CardGridState *>(static_cast<PanelCommandSlots *>(state)); }
}  // namespace

void design_card_grid_build(Control *strip, uint32_t available) {
    if (!panel_of(strip)) return;
    panel_remove_children(strip);
    if (!panel_command_slots(strip)) {
        CardGridState *g = new (std::nothrow) CardGridState{};
        if (g) panel_set_command_state(strip, g, design_card_grid_free);
    }
    std::vector<Control *> cards;
    int card_w = 0, card_h = 0, pic_h = 0;
    for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) {
        if (!(available & (1u << t))) continue;
        const Ship *tmpl = design_hull_template(t);
        Control *card = panel_create_empty();
        if (!card) continue;
        panel_set_background(card, true);
        colour_fade_set(panel_background_colour(card), 0, 0, 0);
        control_set_user_data(card, const_cast<Ship *>(tmpl), nullptr);
        panel_of(card)->value = 0;
        Control *picture = image_control_create_single(design_frame_sprite(tmpl, tmpl->frame_d));
        Control *name = text_label_create_plain(2, 230, 230, 20, tmpl->name.c_str());
        if (picture) panel_add_child(card, 0, 0, HULL_CARD_ID_PICTURE, 1, picture);   // the card takes the pointer
        if (name) panel_add_child(card, 0, 0, HULL_CARD_ID_NAME, 1, name);
        const int pw = picture ? picture->w : 0, ph = picture ? picture->h : 0;
        pic_h = std::max(pic_h, ph);
        card_w = std::max({card_w, pw + 8, (name ? name->w : 0) + 8});
        card->on_click = design_card_grid_on_click;
        card->on_hover_enter = design_card_grid_on_hover_enter;
        card->on_hover_leave = design_card_grid_on_hover_leave;
        cards.push_back(card);
    }
    int name_h = 0;
    for (Control *card : cards)
        if (Control *name = panel_find_child(card, HULL_CARD_ID_NAME)) name_h = std::max(name_h, name->h);
    card_h = pic_h + 4 + name_h + 6;
    int x = 3;
    for (Control *card : cards) {
        control_set_size(card, card_w, card_h);
        if (Control *picture = panel_find_child(card, HULL_CARD_ID_PICTURE))
            control_set_position(picture, card_w / 2 - picture->w / 2, 2 + pic_h / 2 - picture->h / 2);
        if (Control *name = panel_find_child(card, HULL_CARD_ID_NAME))
            control_set_position(name, card_w / 2 - name->w / 2, card_h - name->h - 3);
        panel_add_child(strip, x, 3, 0, 0, card);
        x += card_w + CARD_GAP;
    }
    int w = 0, h = 0;
    panel_layout(strip, &w, &h);
    control_set_size(strip, w + 3, h + 3);
}

void design_card_grid_on_hover_enter(Control *card) {
    if (!card_selected(card)) card_look(card, true);
}

void design_card_grid_on_hover_leave(Control *card) {
    if (!card_selected(card)) card_look(card, false);
}

void design_card_grid_on_click(Control *card) {
    Control *strip = card ? card->owner : nullptr;
    if (!panel_of(strip) || card_selected(card)) return;
    for (Control *other : panel_of(strip)->children.items) {
        if (!other || other == card || !panel_of(other)) continue;
        if (card_selected(other)) {
            card_look(other, false);
            panel_of(other)->value = 0;
        }
    }
    colour_fade_start(panel_background_colour(card), 0, 0, 32, 0, 0, 72, 500, 0,
                      COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    panel_of(card)->value = 1;
    if (PanelCommandSlots *slots = panel_command_slots(strip); slots && slots->slot[0]) slots->slot[0](card);
}

void design_on_hull_selected(Control *card) {
    Control *strip = card ? card->owner : nullptr;
    Control *panel = strip ? strip->owner : nullptr;
    DesignEditorState *s = design_editor_state(panel);
    const Ship *tmpl = card ? static_cast<const Ship *>(card->user_data) : nullptr;
    if (!s || !tmpl || s->editor_open) return;
    const bool first = !s->hull_chosen;
    const int32_t hull = tmpl->subtype;
    join_load(s);
    drop_frame(s);
    s->selected_hull = hull;
    s->hull_chosen = 1;
    s->chosen_mount = -1;

    for (int id : {DESIGN_ID_FRAME, DESIGN_ID_STATS, DESIGN_ID_COST_TAG, DESIGN_ID_TEXT, DESIGN_ID_LABEL})
        fade_child(panel, id, design_detail::FADE_MS);

    // The hull's figures.
    Ship *probe = ship_of(factory_create_object(OBJECT_SHIP, hull));
    if (probe) ship_recompute_stats(probe);
    const Ship *figures = probe ? probe : tmpl;
    List<SystemRow> *rows = ui_stat_rows_list_create();
    Control *stats = nullptr;
    if (rows) {
        const auto add = [rows](int type, int frame, const char *label, const std::string &value) {
            ui_stat_rows_add_row(rows, image_control_create_frame(type, frame), label, value.c_str(), 0);
        };
        add(179, 0, "Class", tmpl->name);
        add(53, 1, "Armor Rating", str_format("%i", figures->max_armour));
        add(78, 1, "Crew Capacity", str_format("%i", figures->max_crew));
        add(130, 1, "Mass", str_format("%8i KT", figures->mass));
        add(63, 1, "Power", str_format("%8i TW", figures->capacity_max));
        add(131, 1, "System Mounts", str_format("%i", ship_count_mount0_crits(figures)));
        add(50, 1, "Base Cost", str_format("$%i", tmpl->base_cost));
        stats = ui_stat_rows_create(rows, STAT_ROWS_ANIMATE);
    }
    if (probe) object_destroy(probe);
    Control *title = panel_find_child(panel, DESIGN_ID_TITLE);
    const int title_bottom = title ? title->y + title->h : 24;
    // The figures stand on the card strip (the strip keeps the panel's bottom).
    Control *cards = panel_find_child(panel, DESIGN_ID_CARD_STRIP);
    const int floor = cards ? cards->y : panel->h;
    int stats_top = floor - 6;
    if (stats) {
        stats_top = floor - 6 - stats->h;
        panel_add_child(panel, title ? title->x : 2, stats_top, DESIGN_ID_STATS, 0, stats);
    }
    std::string desc;
    if (stats && ship_load_description(hull, &desc) == RES_OK && !desc.empty()) {
        Control *buttons = panel_find_child(panel, DESIGN_ID_BUTTONS);
        const int right = buttons ? buttons->x : panel->w;
        const int w = std::max(60, right - (stats->x + stats->w + 8) - 16);
        if (Control *tile = ui_tile_create(desc.c_str(), 1, w, 6, 230, 230, 230, 0)) {
            panel_set_border(tile, true);
            colour_fade_set(panel_border_colour(tile), 1, 1, 1);
            panel_set_background(tile, true);
            colour_fade_set(panel_background_colour(tile), 10, 10, 10);
            control_set_size(tile, tile->w, std::max(tile->h, stats->h));
            panel_add_child(panel, stats->x + stats->w + 8, stats_top, DESIGN_ID_TEXT, 0, tile);
        }
    }

    // The picture frame, sized to the hull's picture, between the title bar and the figures.
    int fw = 0, fh = 0;
    picture_extent(tmpl, &fw, &fh);
    fw = std::max(fw, 10);
    fh = std::max(fh, 10);
    Control *frame = panel_create(fw, fh, 0, 0, 0);
    if (frame) {
        panel_clear_fills(frame);
        const int top = title_bottom + 8;
        // Empty (and unfilled) until the picture comes.
        panel_add_child(panel, panel->w / 2 - fw / 2, top + std::max(0, (stats_top - top) / 2 - fh / 2), DESIGN_ID_FRAME, 0,
                        frame);
    }
    if (s->held_hull >= 0) factory_release_detail_group(OBJECT_SHIP, s->held_hull);
    // The request is held from here: another pick or the panel's end releases it, whether or not
    // the picture's load was collected first.
    factory_acquire_group(OBJECT_SHIP, hull, FACTORY_GROUP_DETAIL);
    s->held_hull = hull;
    s->load_hull = hull;
    s->load_done.store(0);
    if (frame) {
        s->frame = control_addref(frame);
        s->load_thread = g_create_thread(design_hull_load_thread, s);
        if (!s->load_thread) {
            log_write(LOG_GAME, LOG_ERROR, "Failed to create load detail thread");
            (void)factory_resolve_load_groups();
            drop_frame(s);
            show_hull_picture(s, frame, hull);
            control_hide_for(frame, 300);
        } else {
            watch_load(panel);
        }
    }

    if (first) {
        if (frame) {
            const int w = frame->w, h = frame->h;
            control_set_size(frame, 10, 10);
            panel_resize_to(frame, w, h, design_detail::FADE_MS);
            panel_set_border(frame, true);
            colour_fade_start(panel_border_colour(frame), 0, 220, 0, 0, 0, 0, design_detail::FADE_MS, 0, 0);
        }
        set_configure_enabled(panel, true);
    }
    sound_play(SOUND_CLICK);
}

int design_hull_load_thread(void *data) {
    DesignEditorState *s = static_cast<DesignEditorState *>(data);
    const int32_t hull = s->load_hull;   // written before the thread started, read-only while it runs
    if (design_hull_template(hull)) {
        log_write(LOG_GAME, LOG_DEBUG, "Load detail thread (ship %i) - begin", hull);
        (void)factory_resolve_load_groups();
        log_write(LOG_GAME, LOG_DEBUG, "Load detail thread (ship %i) - end", hull);
    }
    s->load_done.store(1, std::memory_order_release);
    return 0;
}

void design_hull_load_poll(Control *panel) {
    DesignEditorState *s = design_editor_state(panel);
    if (!s || !s->load_thread || !s->load_done.load(std::memory_order_acquire)) return;
    join_load(s);
    Control *frame = s->frame;
    s->frame = nullptr;
    show_hull_picture(s, frame, s->held_hull);
    if (frame) control_release(frame);
}

void design_configure_open(Control *panel, GameObject *design) {
    DesignEditorState *s = design_editor_state(panel);
    if (!s || s->editor_open || !ship_of(design)) return;
    s->hull_chosen = 1;
    s->chosen_mount = -1;
    s->design_to_edit = design;
    Control *buttons = panel_find_child(panel, DESIGN_ID_BUTTONS);
    Control *configure = buttons ? panel_find_child(buttons, DESIGN_ID_CONFIGURE) : nullptr;
    design_editor_build(configure ? configure : panel);
}

void design_configure_on_close(Control *title) {
    Control *panel = title ? static_cast<Control *>(title->user_data) : nullptr;
    if (!design_editor_state(panel)) return;
    game_flash_panel_frame(game_get(), panel);
    control_remove(panel);
}
