// The end-of-game results screen (how the game ended, with the final galaxy) and the score table.
#include <algorithm>
#include <string>

#include "game/game.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/font.h"
#include "platform/image_ids.h"
#include "screens/endgame/end_of_game.h"
#include "ui/control.h"
#include "ui/control_minimap.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "views/map_minimap.h"
#include "world/object_map.h"

namespace {

constexpr int BUTTON_FONT = 6, KEY_ENTER = 13, BUTTON_MARGIN = 8;
constexpr int NAME_FONT = 2, TEXT_FONT = 1;
constexpr int ROW_TAG = -1;
constexpr int ROWS_X = 60, ROWS_Y = 200, ROW_GAP = 40, SINGLE_ROW_Y = 250;
constexpr int STATUS_X = 178;
constexpr int ICON_BELOW_NAME = 6;
constexpr int MAP_X = 495, MAP_Y = 196, MAP_W = 452, MAP_H = 308;

// The score table.
constexpr int TABLE_LEFT_BASE = 256, TABLE_LEFT_PER_PLAYER = 36;
constexpr int FIRST_BAR_Y = 189, BAR_W = 100, BAR_H = 3, BAR_GAP = 12;
constexpr int COLUMN_GAP = 48, NAMES_Y = 145;
const char *const SCORE_ROWS[] = {"Resources acquired",    "Crew trained",
                                  "Ships built",           "Starbases built",
                                  "Enemy ships destroyed", "Mass of enemy ships destroyed",
                                  "Enemy starbases destroyed", "Total score"};
constexpr int SCORE_ROW_COUNT = int(sizeof SCORE_ROWS / sizeof SCORE_ROWS[0]);

bool galaxy_map_read(const void *, uint32_t flags, bool with_points, MinimapArea *out) {
    const Game *game = game_get();
    return map_minimap_read(game ? game->galaxy_map : nullptr, flags, with_points, out);
}

int kind_image(const Player *player) { return player->kind == PLAYER_KIND_COMPUTER ? IMAGE_COMPUTER : IMAGE_HUMAN; }

Control *add_to(Control *panel, int x, int y, Control *child) {
    if (child) panel_add_child(panel, x, y, 0, 1, child);
    return child;
}

// A player's name in its colour over its kind icon, centred on each other; the player rides on
// the panel.
Control *player_row(Player *player) {
    Control *row = panel_create_empty();
    if (!row) return nullptr;
    control_set_user_data(row, player, nullptr);
    Control *name = add_to(row, 0, 0, text_label_create_plain(NAME_FONT, player->red, player->green, player->blue,
                                                                player->name.c_str()));
    const int name_h = name ? name->h : 0;
    Control *icon = image_control_create(kind_image(player));
    if (icon && image_of(icon) && image_of(icon)->frame_count > 1) image_control_set_frame(icon, 1);
    add_to(row, 0, name_h + ICON_BELOW_NAME, icon);
    panel_relayout(row);
    if (name) control_set_position(name, (row->w - name->w) / 2, 0);
    if (icon) control_set_position(icon, (row->w - icon->w) / 2, name_h + ICON_BELOW_NAME);
    return row;
}

Control *status_box(int image, int frame) {
    Control *box = panel_create_empty();
    if (!box) return nullptr;
    add_to(box, 0, 0, frame < 0 ? image_control_create(image) : image_control_create_frame(image, frame));
    return box;
}

int box_image_width(Control *box) {
    const Panel *p = panel_of(box);
    const Control *image = p && !p->children.items.empty() ? p->children.items[0] : nullptr;
    return image ? image->w : 0;
}

Control *add_label(Control *box, int x, int y, int r, int g, int b, const std::string &text) {
    return add_to(box, x, y, text_label_create_plain(TEXT_FONT, r, g, b, text.c_str()));
}

std::string starbases_text(const Player *player) {
    const int32_t n = player->totals.starbase_sectors;
    return std::to_string(n) + (n == 1 ? " starbase" : " starbases");
}

bool has_date(const Player *player) { return player->defeat_date && player->defeat_date->minutes > 0; }

// The rows one under another from (60, 200), on one column as wide as the widest; each with its
// status box beside it.
void add_rows(Game *game, const std::vector<std::pair<Control *, Control *>> &rows) {
    int widest = 0;
    for (const auto &row : rows) widest = std::max(widest, row.first->w);
    int y = ROWS_Y;
    for (const auto &[row, box] : rows) {
        game_add_control(game, ROWS_X + (widest - row->w) / 2, y, ROW_TAG, 0, row);
        if (box) {
            panel_relayout(box);
            game_add_control(game, STATUS_X, y, 0, 0, box);
        }
        y += row->h + ROW_GAP;
    }
}

void add_galaxy_map(Game *game) {
    Control *frame = panel_create(MAP_W, MAP_H, 4, 4, 4);
    if (!frame) return;
    panel_set_border(frame, true);
    panel_add_child(frame, 0, 0, 0, 0, minimap_control_create(galaxy_map_read, nullptr, MAP_W, MAP_H));
    game_add_control(game, MAP_X, MAP_Y, 0, 0, frame);
}

void add_button(Game *game, const char *text, ControlFn on_click) {
    Control *button = image_button_create(IMAGE_OK, BUTTON_FONT, text, on_click, KEY_ENTER, nullptr);
    if (!button) return;
    game_add_control(game, ui_screen_width() - button->w - BUTTON_MARGIN, ui_screen_height() - button->h - BUTTON_MARGIN,
                     ENDGAME_BUTTON_ID, 0, button);
}

void show_terminated(Game *game, Player *ui) {
    Control *row = player_row(ui);
    if (!row) return;
    game_add_control(game, ROWS_X, SINGLE_ROW_Y, ROW_TAG, 0, row);
    if (Control *box = status_box(IMAGE_SECTORS, 1)) {
        const int x = box_image_width(box) + 8;
        add_label(box, x, 4, 210, 10, 30, "Terminated");
        add_label(box, x, 22, 230, 230, 230, game->clock ? date_format(game->clock) : std::string());
        panel_relayout(box);
        game_add_control(game, STATUS_X, SINGLE_ROW_Y, 0, 0, box);
    }
}

Control *winner_box(const char *first, int first_y, const char *second, int second_y) {
    Control *box = status_box(IMAGE_WINNER, -1);
    if (!box) return nullptr;
    const int x = box_image_width(box) + 8;
    if (first) add_label(box, x, first_y, 210, 194, 40, first);
    add_label(box, x, second_y, 230, 230, 230, second);
    return box;
}

// Domination: the others by starbase count, fewest first (a later player goes before the first
// with more), the winner last.
void show_domination(Game *game, const std::vector<Player *> &others, Player *winner) {
    std::vector<Player *> order;
    for (Player *p : others) {
        auto at = std::find_if(order.begin(), order.end(), [p](const Player *q) {
            return q->totals.starbase_sectors > p->totals.starbase_sectors;
        });
        order.insert(at, p);
    }
    std::vector<std::pair<Control *, Control *>> rows;
    for (Player *p : order) {
        Control *row = player_row(p);
        if (!row) continue;
        Control *box = status_box(IMAGE_SECTORS, 1);
        if (box) add_label(box, box_image_width(box) + 20, 26, 210, 194, 40, starbases_text(p));
        rows.emplace_back(row, box);
    }
    if (winner)
        if (Control *row = player_row(winner)) {
            Control *box = winner_box(starbases_text(winner).c_str(), 4, "Domination Victory", 22);
            rows.emplace_back(row, box);
        }
    add_rows(game, rows);
}

// Military: the others by termination date, earliest first; players without a date come after
// the dated ones, in the players' order, and show no date.
void show_military(Game *game, const std::vector<Player *> &others, Player *winner) {
    std::vector<Player *> order;
    for (Player *p : others) {
        auto at = std::find_if(order.begin(), order.end(), [p](const Player *q) {
            if (!has_date(p)) return false;
            return !has_date(q) || q->defeat_date->minutes > p->defeat_date->minutes;
        });
        order.insert(at, p);
    }
    std::vector<std::pair<Control *, Control *>> rows;
    for (Player *p : order) {
        Control *row = player_row(p);
        if (!row) continue;
        Control *box = status_box(IMAGE_SECTORS, -1);
        if (box) {
            const int x = box_image_width(box);
            Control *label = add_label(box, x + 8, 8, 230, 20, 10, "Terminated");
            if (has_date(p)) {
                const int y = (label ? label->h : 0) + 14;
                Control *calendar = add_to(box, x + 20, y, image_control_create_frame(IMAGE_DATE, 1));
                add_label(box, x + 20 + (calendar ? calendar->w : 0) + 8, y, 210, 194, 40, date_format(p->defeat_date));
            }
        }
        rows.emplace_back(row, box);
    }
    if (winner)
        if (Control *row = player_row(winner)) rows.emplace_back(row, winner_box(nullptr, 0, "Military Victory", 12));
    add_rows(game, rows);
}

void show_conquest(Game *game, Player *winner) {
    if (!winner) return;   // the victory check records an existing player
    if (Control *row = player_row(winner)) game_add_control(game, ROWS_X, SINGLE_ROW_Y, ROW_TAG, 0, row);
    if (Control *box = winner_box("Sol Battle", 4, "Conquest Victory", 22)) {
        panel_relayout(box);
        game_add_control(game, STATUS_X, SINGLE_ROW_Y, 0, 0, box);
    }
}

int text_width(int font, const char *text) { return std::max(font_text_width(font, text), 0); }

}  // namespace

std::vector<Player *> endgame_competitors(Game *game) {
    std::vector<Player *> out;
    if (!game || !game->players) return out;
    for (Player *p : game->players->items) {
        if (!p) break;
        if (p->id == game->combat_ai_player_id || p->id == game->sol_player_id) continue;
        out.push_back(p);
    }
    return out;
}

int64_t endgame_total_score(const Player *player) {
    // Each 32-bit term wraps as the counters do, then counts with its sign.
    auto term = [](int32_t value, int32_t factor) { return int64_t(int32_t(uint32_t(value) * uint32_t(factor))); };
    return int64_t(player->credits_earned / 1000) + term(player->crew_trained, 1) + term(player->ships_built, 30) +
           term(player->starbases_built, 500) + term(player->enemy_ships_destroyed, 100) +
           int64_t(player->enemy_mass_destroyed / 1000) + term(player->enemy_starbases_destroyed, 1000);
}

std::vector<Player *> endgame_score_order(Game *game) {
    std::vector<Player *> left = endgame_competitors(game), order;
    while (!left.empty()) {
        auto pick = std::find_if(left.begin(), left.end(), [game](const Player *p) { return p->id == game->winner_id; });
        if (pick == left.end()) {
            pick = left.begin();
            for (auto it = left.begin(); it != left.end(); ++it)
                if ((*it)->total_score > (*pick)->total_score) pick = it;
        }
        order.push_back(*pick);
        left.erase(pick);
    }
    return order;
}

int32_t endgame_table_left(int32_t n) { return TABLE_LEFT_BASE - TABLE_LEFT_PER_PLAYER * n; }

void endgame_show_results() {
    Game *game = game_get();
    if (!game) return;
    game_clear_controls(game);
    Player *ui = game->ui_player;
    Player *winner = game_find_player(game, game->winner_id);
    std::vector<Player *> others;
    for (Player *p : endgame_competitors(game))
        if (p != winner) others.push_back(p);
    bool with_map = true;
    if (ui && (ui->flags & PLAYER_FLAG_ELIMINATED)) {
        show_terminated(game, ui);
    } else {
        switch (game->win_kind) {
        case WIN_TWO_THIRDS: show_domination(game, others, winner); break;
        case WIN_SOL_HOLDER: show_conquest(game, winner); break;
        case WIN_ONLY_SECTOR_HOLDER: show_military(game, others, winner); break;
        default: with_map = false; break;
        }
    }
    if (with_map) add_galaxy_map(game);
    add_button(game, "Next", endgame_on_next);
}

void endgame_show_scores() {
    Game *game = game_get();
    if (!game) return;
    game_clear_controls(game);
    for (Player *p : endgame_competitors(game)) {
        p->total_score = endgame_total_score(p);
        p->game_counters[COUNTER_GAMES_FINISHED] = 1;
        if (p->id == game->winner_id) p->game_counters[COUNTER_WINS] = 1;
    }
    const std::vector<Player *> order = endgame_score_order(game);
    const int n = int(order.size());
    const int x0 = endgame_table_left(n);

    int widest_label = 0, widest_name = 0;
    for (const char *label : SCORE_ROWS) widest_label = std::max(widest_label, text_width(TEXT_FONT, label));
    for (const Player *p : order) widest_name = std::max(widest_name, text_width(NAME_FONT, p->name.c_str()));
    const int first_column = x0 + widest_label + COLUMN_GAP;
    const int column_step = widest_name + COLUMN_GAP;
    const int bar_w = std::max(first_column + n * column_step - x0, BAR_W);

    // Each row's values stand on its label's line (204 + 39 x row with a font 1 twelve pixels high;
    // a taller font moves the lower rows down, and the values with them).
    int row_y[SCORE_ROW_COUNT] = {};
    int y = FIRST_BAR_Y;
    for (int i = 0; i <= SCORE_ROW_COUNT; ++i) {
        if (Control *bar = panel_create(BAR_W, BAR_H, 12, 64, 6)) {
            control_set_size(bar, bar_w, BAR_H);
            game_add_control(game, x0, y, 0, 1, bar);
        }
        if (i == SCORE_ROW_COUNT) break;
        y += BAR_H + BAR_GAP;
        row_y[i] = y;
        Control *label = text_label_create_plain(TEXT_FONT, 230, 230, 230, SCORE_ROWS[i]);
        if (label) game_add_control(game, x0, y, 0, 1, label);
        y += (label ? label->h : 0) + BAR_GAP;
    }

    for (int c = 0; c < n; ++c) {
        Player *p = order[size_t(c)];
        const int x = first_column + c * column_step;
        Control *name = text_label_create_plain(NAME_FONT, p->red, p->green, p->blue, p->name.c_str());
        const int name_w = name ? name->w : 0, name_h = name ? name->h : 0;
        if (name) game_add_control(game, x, NAMES_Y, 0, 1, name);
        if (Control *icon = image_control_create(kind_image(p)))
            game_add_control(game, x + (name_w - icon->w) / 2, NAMES_Y + name_h + ICON_BELOW_NAME, 0, 1, icon);
        const std::string values[SCORE_ROW_COUNT] = {
            "$" + std::to_string(p->credits_earned),       std::to_string(p->crew_trained),
            std::to_string(p->ships_built),                std::to_string(p->starbases_built),
            std::to_string(p->enemy_ships_destroyed),      std::to_string(p->enemy_mass_destroyed),
            std::to_string(p->enemy_starbases_destroyed),  std::to_string(p->total_score)};
        for (int row = 0; row < SCORE_ROW_COUNT; ++row)
            if (Control *value = text_label_create_plain(TEXT_FONT, 230, 230, 130, values[row].c_str()))
                game_add_control(game, x + (name_w - value->w) / 2, row_y[row], 0, 1, value);
    }
    add_button(game, "Main Menu", endgame_on_main_menu);
}
