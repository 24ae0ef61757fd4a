// The facility build panel, and the picture load that both build panels share.
#include "screens/sites/facility_panels.h"

#include <algorithm>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "game/game.h"
#include "game/orders.h"
#include "game/player.h"
#include "platform/anim.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/sprite.h"
#include "ui/dialog.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "ui/text_block.h"
#include "views/ship_list.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

constexpr int DESCRIPTION_WIDTH = 500;

void log_thread(const FacilityPictureLoad *load, const char *when) {
    if (load->kind == OBJECT_SHIP) log_write(LOG_GAME, LOG_DEBUG, "Load detail thread (sentinel) - %s", when);
    else log_write(LOG_GAME, LOG_DEBUG, "Load detail thread (site %i) - %s", int(load->tmpl), when);
}

// The animated detail picture of the load's template: its frames with their offsets.
Control *picture_create(const FacilityPictureLoad *load) {
    GameObject *tmpl = factory_get_template(load->kind, load->tmpl);
    if (!tmpl) return nullptr;
    int32_t first = 0, count = 0;
    std::vector<int32_t> dx, dy;
    if (const Site *site = site_cast(tmpl)) {
        first = site->params.frame_range_first;
        count = site->params.frame_range_count;
        for (int32_t i = 0; i < count; ++i) {
            dx.push_back(site->params.range_offset_x ? site->params.range_offset_x[i] : 0);
            dy.push_back(site->params.range_offset_y ? site->params.range_offset_y[i] : 0);
        }
    } else if (const Ship *ship = ship_of(tmpl)) {
        first = ship->offset_first;
        count = ship->offset_last - ship->offset_first + 1;
    }
    std::vector<Sprite *> sprites;
    for (int32_t f = std::max(first, 0); f < first + count && f < tmpl->frame_count; ++f)
        if (const Sprite *sprite = object_frame_sprite(tmpl, f)) sprites.push_back(const_cast<Sprite *>(sprite));
    if (sprites.empty()) return nullptr;
    Control *picture = image_control_create_sprites(sprites.data(), int(sprites.size()));
    // Given frames step every 100 ms; the detail pictures run a little faster.
    if (ImageControl *im = image_of(picture); im && im->animation && im->player) {
        for (AnimFrame &f : im->animation->pairs) f.ms = FACILITY_PICTURE_FRAME_MS;
        anim_player_start(im->player, im->animation, -1);
    }
    if (picture && dx.size() == sprites.size()) image_control_set_frame_offsets(picture, dx.data(), dy.data());
    return picture;
}

void place_picture(FacilityPictureLoad *load) {
    if (Control *picture = picture_create(load)) panel_add_child(load->holder, 0, 0, 0, 0, picture);
}

// Lets go of the holder: no more polls, and the load's reference goes.
void drop_holder(FacilityPictureLoad *load) {
    if (load->ticker) {
        load->ticker->on_timer = nullptr;
        load->ticker->user_data = nullptr;
        control_remove(load->ticker);
        control_release(load->ticker);
        load->ticker = nullptr;
    }
    if (!load->holder) return;
    control_release(load->holder);
    load->holder = nullptr;
}

void ticker_poll(Control *ticker) {
    auto *load = static_cast<FacilityPictureLoad *>(ticker->user_data);
    if (load && !facility_picture_load_poll(load)) control_set_timer(ticker, 1);
}


}  // namespace

// ---- The picture load ----

void facility_picture_load_run(FacilityPictureLoad *load) {
    log_thread(load, "begin");
    (void)factory_resolve_load_groups();
    log_thread(load, "end");
    load->done.fetch_or(1, std::memory_order_release);
}

int facility_description_add(Control *panel, int y, int32_t id, const std::string &text) {
    if (text.empty()) return y;
    Control *tile = ui_tile_create(text.c_str(), 2, DESCRIPTION_WIDTH, 4, 230, 230, 230, TILE_FADE_IN | TILE_BULLET_LIT);
    if (!tile) return y;
    panel_set_border(tile, true);
    if (ColourFade *c = panel_border_colour(tile)) colour_fade_set(c, 32, 32, 32);
    panel_set_background(tile, true);
    if (ColourFade *c = panel_background_colour(tile)) colour_fade_set(c, 1, 1, 1);
    panel_add_child(panel, 4, y, id, 0, tile);
    return y + tile->h + 8;
}

bool facility_picture_load_start(FacilityPictureLoad *load, Control *holder, int32_t kind, int32_t tmpl) {
    load->kind = kind;
    load->tmpl = tmpl;
    load->done.store(0, std::memory_order_relaxed);
    load->holder = control_addref(holder);
    control_set_tag(holder, -1);
    control_set_hidden(holder, false);
    try {
        load->worker = std::thread(facility_picture_load_run, load);
    } catch (const std::system_error &) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to create load detail thread");
        (void)factory_resolve_load_groups();
        place_picture(load);
        control_hide_for(load->holder, FACILITY_NO_THREAD_SHOW_MS);
        drop_holder(load);
        return false;
    }
    if (holder->owner) {
        load->ticker = control_addref(panel_add_child(holder->owner, 0, 0, 0, 1, panel_create_empty()));
        if (load->ticker) {
            load->ticker->user_data = load;
            load->ticker->on_timer = ticker_poll;
            control_set_timer(load->ticker, 1);
        }
    }
    return true;
}

bool facility_picture_load_poll(FacilityPictureLoad *load) {
    if (!load->holder) return true;
    if (load->worker.joinable()) {
        if (!(load->done.load(std::memory_order_acquire) & 1)) return false;
        load->worker.join();
    }
    place_picture(load);
    control_set_hidden(load->holder, true);
    drop_holder(load);
    return true;
}

void facility_picture_load_finish(FacilityPictureLoad *load) {
    if (load->worker.joinable()) load->worker.join();
    drop_holder(load);
}

// ---- The facility build panel ----

FacilityPanelState *facility_panel_state(Control *panel) {
    return panel && panel->widget_free == facility_panel_state_free ? static_cast<FacilityPanelState *>(panel_command_slots(panel))
                                                                    : nullptr;
}

void facility_panel_state_free(void *data) {
    auto *state = static_cast<FacilityPanelState *>(static_cast<PanelCommandSlots *>(data));
    if (!state) return;
    facility_picture_load_finish(&state->load);
    if (state->held_tmpl >= 0) {
        factory_release_detail_group(OBJECT_SITE, state->held_tmpl);
        (void)factory_resolve_load_groups();
        state->held_tmpl = -1;
    }
    delete state;
}

void facility_panel_on_build(Control *button) {
    panel_call_slot(button ? static_cast<Control *>(button->user_data) : nullptr, FACILITY_PANEL_SLOT_BUILD);
}

void facility_panel_on_close(Control *title) { panel_close_button(title); }

void panel_close_button(Control *button) {
    Control *panel = button ? static_cast<Control *>(button->user_data) : nullptr;
    if (!panel) return;
    game_flash_panel_frame(game_get(), panel);
    control_remove(panel);
}

void list_row_select(Control *list) {
    Control *panel = list ? static_cast<Control *>(list->user_data) : nullptr;
    PanelCommandSlots *slots = panel_command_slots(panel);
    GameObject *picked = ship_list_picked_ship(list);
    if (!slots || !picked) return;
    PanelPick *pick = static_cast<PanelPick *>(slots);
    pick->picked = picked;
    if (pick->slot[0]) pick->slot[0](panel);
}

void facility_panel_look(Control *panel) {
    panel_set_border(panel, true);
    if (ColourFade *border = panel_border_colour(panel))
        colour_fade_start(border, 16, 16, 16, 0, 0, 16, 1000, 0, COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    panel_set_background(panel, true);
    if (ColourFade *fill = panel_background_colour(panel)) colour_fade_set(fill, 2, 2, 6);
}

Control *facility_build_button(Control *panel, bool resume, bool short_of_credits, ControlFn on_click, int id) {
    Control *button = resume ? image_button_create(IMAGE_BUILD_FACILITY, 6, "Resume", on_click, 'r', panel)
                             : image_button_create(IMAGE_BUILD_FACILITY, 6, "Build", on_click, 'b', panel);
    if (!button) return nullptr;
    if (short_of_credits) {
        image_control_set_highlight(button, true);   // greyed: its click and hotkey are set aside
        image_control_set_tooltip(button, true, 0, 0, 0, order_refusal_text(RES_INSUFFICIENT_CREDITS).c_str());
    }
    List<Control> buttons;
    list_append(&buttons, button);
    Control *row = panel_create_empty();
    if (!row) {
        control_destroy(button);
        return nullptr;
    }
    panel_layout_controls(row, &buttons, LAYOUT_ANIMATE);
    control_set_id(row, id);
    return row;
}

void facility_panel_build(Control *panel, GameObject *object, uint64_t player_id, uint64_t sector_id) {
    if (!panel_of(panel)) return;
    // The previous state goes first: its worker is joined and its load group released before
    // this panel requests its own.
    control_set_widget_state(panel, nullptr, nullptr);
    panel_remove_children(panel);
    facility_panel_look(panel);
    control_set_user_data(panel, object, nullptr);
    Site *site = site_cast(object);
    if (!site) return;
    auto *state = new (std::nothrow) FacilityPanelState();
    if (!state) return;
    state->panel = panel;
    state->object = object;
    panel_set_command_state(panel, state, facility_panel_state_free);

    Control *title = panel_add_child(panel, 4, 4, FACILITY_PANEL_ID_TITLE, 0,
                                     ui_button_create("Facility", object_get_name(site), facility_panel_on_close, panel,
                                                      TITLE_ANIMATE | TITLE_CLOSE | TITLE_VALUE_BOX));
    if (title) title->on_click = facility_panel_on_close;
    const int box_top = (title ? title->h : 0) + 10;

    const Site *tmpl = site_template(site->subtype);
    int32_t pic_w = 0, pic_h = 0;
    if (tmpl) site_get_frame_extent(tmpl, &pic_w, &pic_h);
    Control *holder = panel_add_child(panel, 4 + FACILITY_PICTURE_MARGIN / 2, box_top + FACILITY_PICTURE_MARGIN / 2,
                                      FACILITY_PANEL_ID_PICTURE, 0, panel_create_empty());
    int y = box_top + pic_h + FACILITY_PICTURE_MARGIN;
    if (holder) {
        control_set_size(holder, pic_w, pic_h);
        if (tmpl) {
            factory_acquire_group(OBJECT_SITE, site->subtype, FACTORY_GROUP_DETAIL);
            state->held_tmpl = site->subtype;
            (void)facility_picture_load_start(&state->load, holder, OBJECT_SITE, site->subtype);
        }
    }

    std::string text;
    if (site_load_description(site, &text) == RES_OK)
        y = facility_description_add(panel, y, FACILITY_PANEL_ID_DESCRIPTION, text);

    int32_t cost = FACILITY_DEFAULT_COST, days = 2;
    Player *player = player_id ? game_find_player(game_get(), player_id) : nullptr;
    if (player) {
        int32_t minutes = FACILITY_DEFAULT_MINUTES;
        player_build_cost(player, site->subtype, sector_id, &cost, &minutes);
        days = facility_days_from_minutes(minutes);
    }
    Control *tag = panel_add_child(panel, 4, y, FACILITY_PANEL_ID_COST_TAG, 0, cost_tag_create(cost, days, COST_TAG_SLIDE));
    if (tag) {
        tag->on_dwell = facility_cost_tooltip_show;
        tag->on_hover_leave = facility_cost_tooltip_hide;
        control_set_short_dwell(tag);
    }
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    const bool resume = site_is_under_construction(site);
    Control *row = facility_build_button(panel, resume, player && player_can_spend(player, cost) != RES_OK, facility_panel_on_build,
                                         FACILITY_PANEL_ID_BUTTONS);
    if (row) panel_add_child(panel, std::max(4, w - row->w), y, FACILITY_PANEL_ID_BUTTONS, 0, row);
    facility_panel_fit(panel, FACILITY_PANEL_ID_TITLE, FACILITY_PANEL_ID_PICTURE);
}

void facility_panel_fit(Control *panel, int title_id, int picture_id) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + 4, h + 4);
    if (Control *title = panel_find_child(panel, title_id)) ui_control_resize(title, panel->w - 8, true);
    if (Control *holder = panel_find_child(panel, picture_id)) {
        control_set_position(holder, panel->w / 2 - holder->w / 2, holder->y);
        const int w = holder->w, h = holder->h;
        panel_set_anchor_mode(holder, PANEL_ANCHOR_CENTRE);
        control_set_size(holder, 2, 2);
        panel_resize_to(holder, w, h, 200);
        panel_set_border(holder, true);
        if (ColourFade *border = panel_border_colour(holder)) colour_fade_start(border, 90, 90, 160, 2, 2, 6, 400, 0, 0);
    }
}
