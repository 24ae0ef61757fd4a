// The help window: title bar, topic list probed from the data store, and the chosen topic's page.
#include "screens/title/help_window.h"

#include <new>
#include <string>

#include "game/game.h"
#include "platform/buffer.h"
#include "platform/colour_fade.h"
#include "platform/files.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/store.h"
#include "platform/str.h"
#include "ui/game_controls.h"
#include "ui/panel.h"
#include "ui/scene.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "views/scene_panel.h"

namespace {

// The help window waiting in this frame's new controls, when it was opened earlier in the frame.
Control *queued_help_window(const Game *game) {
    if (!game->new_controls) return nullptr;
    for (Control *c : game->new_controls->items)
        if (c && c->id == CONTROL_ID_HELP && !(c->flags & CTRL_REMOVED)) return c;
    return nullptr;
}

constexpr int TOPIC_LAYER = 2;

// A topic item at rest: dark, lit while the pointer is over it.
void set_item_idle(Control *item) { panel_set_background_hover(item, 0, 0, 6, 0, 0, 60, 120); }

// The current topic's item: bright, and no hover look.
void set_item_current(Control *item) {
    Panel *p = panel_of(item);
    if (!p) return;
    panel_set_background(item, true);
    p->flags &= ~(PANEL_BG_HOVER | PANEL_BG_HOVERED);
    colour_fade_set(p->background, 0, 0, 120);
}

int32_t topic_of(const Control *item) {
    const Panel *p = panel_of(item);
    return p ? p->value : -1;
}

}  // namespace

void help_state_free(void *state) {
    HelpState *s = static_cast<HelpState *>(state);
    if (!s) return;
    list_free(s->topics);   // the items belong to the list panel: the list frees none of them
    delete s;
}

HelpState *help_window_state(Control *window) {
    if (!window || window->widget_free != help_state_free) return nullptr;
    return static_cast<HelpState *>(window->widget_state);
}

void help_window_build(Control *window, int32_t topic) {
    Panel *p = panel_of(window);
    if (!p) return;
    panel_remove_children(window);
    panel_set_background(window, true);
    colour_fade_set(p->background, 0, 0, 6);
    panel_set_border(window, true);
    colour_fade_set(p->border, 120, 120, 120);

    HelpState *state = new (std::nothrow) HelpState{};
    if (!state) return;
    state->topics = list_create<Control>();
    control_set_widget_state(window, state, help_state_free);

    Control *bar = ui_button_create("Astrovane", nullptr, help_window_on_close, window, TITLE_ANIMATE | TITLE_CLOSE);
    const int top = bar ? bar->h + 2 : 2;
    if (bar) {
        panel_add_child(window, 2, 2, HELP_TITLE_BAR_ID, 0, bar);
        bar->on_click = help_window_on_close;   // the whole bar closes, as its close button and Escape do
    }

    Control *list = panel_create_empty();
    if (list) {
        panel_add_child(window, 4, top, HELP_TOPIC_LIST_ID, 0, list);
        help_topic_list_build(list, window, topic);
    }
    Control *page = panel_create_empty();
    if (page) {
        panel_add_child(window, (list ? list->w : 0) + 4, top, HELP_PAGE_ID, 0, page);
        help_page_build(page, topic);
    }

    int w = 0, h = 0;
    panel_layout(window, &w, &h);
    control_set_size(window, w, h);
    if (bar) ui_control_resize(bar, window->w - 4, true);
}

void help_topic_list_build(Control *list, Control *window, int32_t current) {
    Panel *p = panel_of(list);
    if (!p) return;
    panel_remove_children(list);
    control_set_size(list, HELP_LIST_WIDTH, HELP_LIST_HEIGHT);
    panel_set_background(list, true);
    colour_fade_set(p->background, 0, 0, 10);
    control_set_user_data(list, window, nullptr);

    HelpState *state = help_window_state(window);
    if (!state) return;
    if (state->topics) list_clear(state->topics);
    state->first_item_y = -1;
    state->current_topic = -1;

    int y = 12;
    std::string title;
    for (int32_t n = 0;; ++n) {
        if (store_read_text(str_format(HELP_NAME_PATH, int(n)).c_str(), &title) != RES_OK) break;
        if (state->first_item_y < 0) state->first_item_y = y;

        Control *item = panel_create_empty();
        if (!item) break;
        panel_add_child(list, 0, y, 0, 0, item);
        if (state->topics) list_append(state->topics, item);
        set_item_idle(item);
        item->layer = TOPIC_LAYER;
        item->on_click = help_topic_on_click;
        control_set_user_data(item, window, nullptr);
        if (Control *label = text_label_create_plain(1, 230, 230, 20, title.c_str()))
            panel_add_child(item, 6, 2, 0, 1, label);
        panel_of(item)->value = n;
        if (n == current) {
            state->current_topic = n;
            set_item_current(item);
        }

        int w = 0, h = 0;
        panel_layout(item, &w, &h);
        control_set_size(item, HELP_LIST_WIDTH, h + 2);
        y += item->h;
    }
}

void help_page_build(Control *page, int32_t topic) {
    Panel *p = panel_of(page);
    if (!p) return;
    panel_remove_children(page);
    panel_set_border(page, true);
    panel_set_bevel(page, true);
    colour_fade_set(p->border, 12, 6, 0);
    panel_start_grid(page, 24, -1, 150);
    if (!colour_fade_is_running(p->grid))
        colour_fade_start(p->grid, 0, 0, 16, 0, 0, 40, 2000, 0, COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    control_set_size(page, HELP_PAGE_WIDTH, HELP_PAGE_HEIGHT);

    const std::string index_path = str_format(HELP_SCENE_PATH, int(topic));
    int32_t number = 0;
    if (const Result r = store_read_int(index_path.c_str(), &number); r != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to load scene index file \"%s\" (%i)", index_path.c_str(), int(r));
        return;
    }
    const std::string data_path = str_format(HELP_SCENE_DATA_PATH, int(number));
    Buffer *data = nullptr;
    if (const Result r = store_read_file(data_path.c_str(), 1, &data); r != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to load scene data file \"%s\" (%i)", data_path.c_str(), int(r));
        return;
    }
    Scene *scene = nullptr;
    if (const Result r = scene_read(&scene, data); r != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to read scene data file \"%s\" (%i)", data_path.c_str(), int(r));
    } else {
        log_write(LOG_GAME, LOG_DEBUG, "Loaded scene \"%s\"", data_path.c_str());
        scene_panel_init(page, scene);
        scene_free(scene);
    }
    buffer_free(data);
}

void help_topic_on_click(Control *item) {
    Control *window = item ? static_cast<Control *>(item->user_data) : nullptr;
    HelpState *state = help_window_state(window);
    if (!state) return;
    const int32_t topic = topic_of(item);
    if (topic == state->current_topic) return;
    game_get()->help_topic = topic;
    if (state->topics)
        for (Control *other : state->topics->items)
            if (other && topic_of(other) == state->current_topic) set_item_idle(other);
    state->current_topic = topic;
    set_item_current(item);
    if (Control *page = panel_find_child(window, HELP_PAGE_ID)) help_page_build(page, topic);
}

void help_window_on_close(Control *bar) {
    Control *window = bar ? static_cast<Control *>(bar->user_data) : nullptr;
    if (!window) return;
    game_flash_panel_frame(game_get(), window);
    control_remove(window);
}

Control *help_window_open(Game *game) {
    Control *window = game_find_control(game, CONTROL_ID_HELP);
    if (!window) window = queued_help_window(game);
    if (!window) {
        window = panel_create(20, 10, 0, 0, 0);
        if (!window) return nullptr;
        help_window_build(window, game->help_topic);
        window->id = CONTROL_ID_HELP;
        window->flags &= ~CTRL_MOVING;
        game_popup_look(window);
        window->layer = CONTROL_LAYER_HELP;
        game_queue_control(game, window);
    }
    control_set_position(window, ui_screen_width() / 2 - window->w / 2, ui_screen_height() / 2 - window->h / 2);
    return window;
}
