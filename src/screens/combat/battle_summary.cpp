// The battle summary: the band opens, the result word is spelled out and moves to the top left,
// the cards of the destroyed enemy ships and of the player's lost ships are dealt, the salvage is
// counted, and "Continue" carries the outcome back to the galaxy.
//  - The word and the bands are drawn by combat_draw; the rest are ordinary controls.
//  - Salvage counts only on a victory (the UI player's side still fighting at the end).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "game/autocombat.h"
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/font.h"
#include "platform/image_ids.h"
#include "platform/log.h"
#include "platform/sound.h"
#include "screens/combat/combat_screen.h"
#include "ui/app_mode.h"
#include "ui/control.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "views/commander_box.h"
#include "systems/system.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/site.h"
#include "world/ship.h"

namespace {

constexpr int WORD_FONT = 3;
constexpr int32_t BAND_TOP = 356, BAND_BOTTOM = 412;
constexpr int32_t BAND_OPEN_MS_PER_PIXEL = 7;
constexpr int32_t LETTER_STAGGER_MS = 100;
constexpr int32_t WORD_LEFT_X = 20, WORD_TOP_Y = 150, WORD_BAND_MARGIN = 40;
constexpr int32_t SALVAGE_BAND_X = 470, SALVAGE_BAND_Y = 625, SALVAGE_BAND_HEIGHT = 16;
constexpr int32_t SALVAGE_OPEN_MS_PER_PIXEL = 6;
constexpr int32_t TOTAL_DELAY_MS = 1000, CONTINUE_DELAY_MS = 500;
constexpr int32_t CARDS_PER_ROW = 6;
constexpr int32_t CARD_FIRST_X = 130, CARD_GAP_X = 32, CARD_GAP_Y = 16;
constexpr int32_t GROUP_HEADER_X = 102, HEADER_BELOW_BAND = 48, CARDS_BELOW_HEADER = 60;
constexpr int32_t CARD_STAGGER_MS = 200, TAGS_AFTER_CARDS_MS = 500, ESCAPES_AFTER_TAGS_MS = 400;
constexpr int SYSTEM_ESCAPE_POD = 17;
constexpr int KEY_ENTER = 13;
constexpr int CONTINUE_FONT = 6;

struct SummaryCard {
    Control *card = nullptr;
    Control *salvage_tag = nullptr;
    Control *escape_tag = nullptr;
};

BattleSummary &summary() { return combat_screen()->summary; }

void fade_label_in(Control *label, int r, int g, int b, int ms, int delay) {
    if (ColourFade *fade = label ? text_label_colour(label) : nullptr) colour_fade_start(fade, 0, 0, 0, r, g, b, ms, delay, 0);
}

Control *card_label(int font, int r, int g, int b, const char *text) {
    Control *label = text_label_create_plain(font, r, g, b, text);
    fade_label_in(label, r, g, b, 200, 0);
    return label;
}

// A card: the ship's icon frame and its name under it, in the owner's colour; a lost ship's card
// also names who commanded it (`commander`, taken by the card).
Control *build_card(GameObject *ship, Control *commander) {
    const int32_t icon = object_get_icon(ship);
    if (icon < 0 || icon >= ship->frame_count) {
        if (commander) control_release(commander);
        return nullptr;
    }
    Sprite *sprite = ship->frames && ship->frames[icon] ? ship->frames[icon]
                                                        : (ship->frame_sprites ? ship->frame_sprites[icon] : nullptr);
    Control *card = panel_create_empty();
    if (!card) {
        if (commander) control_release(commander);
        return nullptr;
    }
    Control *picture = image_control_create_single(sprite);
    if (picture) panel_add_child(card, 0, 0, COMBAT_ID_CARD_ICON, 1, picture);
    int32_t r = 230, g = 230, b = 230;
    (void)game_get_player_colors(game_get(), ship->owner_id, &r, &g, &b);
    Control *name = card_label(1, r, g, b, object_get_name(ship));
    const int32_t picture_h = picture ? picture->h : 0;
    if (name) panel_add_child(card, 0, picture_h + 2, 0, 1, name);
    const int32_t box_y = picture_h + 2 + (name ? name->h + 2 : 0);
    if (commander) panel_add_child(card, 0, box_y, COMBAT_ID_CARD_COMMANDER, 1, commander);
    int w = 0, h = 0;
    panel_layout(card, &w, &h);
    if (picture) control_set_position(picture, (w - picture->w) / 2, 0);
    if (name) control_set_position(name, (w - name->w) / 2, picture_h + 2);
    if (commander) control_set_position(commander, (w - commander->w) / 2, box_y);
    control_set_size(card, w, h);
    return card;
}

// Who commanded a lost ship: its pilot; for the first card of a starbase defence that the player
// lost, an unpiloted defender stands for the starbase and its commander is shown.
Control *lost_commander_box(const Ship *ship, bool first, bool victory) {
    constexpr uint32_t BOX_FLAGS = COMMANDER_BOX_ANIMATE | COMMANDER_BOX_NAME_ONLY;
    if (ship->pilot) return commander_box_create(ship->pilot, BOX_FLAGS);
    if (ship->pilot_id != 0) return commander_box_create_named(ship->pilot_text.c_str(), ship->pilot_rank, BOX_FLAGS);
    const Game *game = game_get();
    const Encounter *enc = game->current_encounter;
    if (!first || victory || !enc || enc->kind != ENCOUNTER_STARBASE_ASSAULT) return nullptr;
    const Sector *sector = sector_find(enc->sector_id);
    if (!sector || sector->owner_id != game->ui_player_id) return nullptr;
    const Site *base = sector_find_site_of_kind(sector, SITE_STARBASE);
    return base && base->commander ? commander_box_create(base->commander, BOX_FLAGS) : nullptr;
}

Control *build_salvage_tag(const Ship *ship) {
    Control *tag = panel_create_empty();
    if (!tag) return nullptr;
    panel_set_border(tag, true);
    colour_fade_set(panel_border_colour(tag), 100, 100, 100);
    Control *credit = image_control_create(IMAGE_CREDITS);
    int x = 3;
    if (credit) {
        panel_add_child(tag, x, 3, 0, 1, credit);
        x += credit->w + 4;
    }
    Control *value = text_label_create(1, 230, 230, 0, "%i", int(ship->roll_value));
    fade_label_in(value, 230, 230, 0, 200, 0);
    if (value) panel_add_child(tag, x, 3, 0, 1, value);
    panel_relayout(tag);
    panel_grow(tag, 3, 3);
    return tag;
}

const System *escape_pod_of(const Ship *ship) {
    for (int32_t i = 0; i < ship->crit_count && ship->crits; ++i)
        if (const System *system = ship->crits[i].system; system && system->type == SYSTEM_ESCAPE_POD) return system;
    return nullptr;
}

// The fate of a lost ship's pilot: the escape pod's picture, then "Escaped" or "Lost".
Control *build_escape_tag(const Ship *ship) {
    Control *tag = panel_create_empty();
    if (!tag) return nullptr;
    panel_set_border(tag, true);
    colour_fade_set(panel_border_colour(tag), 100, 100, 100);
    const bool escaped = ship_pod_escaped(ship);
    int x = 3;
    if (const System *pod = escape_pod_of(ship))
        if (Control *picture = image_control_create(pod->spare)) {
            panel_add_child(tag, x, 3, 0, 1, picture);
            x += picture->w + 4;
        }
    Control *icon = image_control_create(escaped ? IMAGE_TICK : IMAGE_LOST);
    if (icon) {
        panel_add_child(tag, x, 3, 0, 1, icon);
        x += icon->w + 4;
    }
    Control *text = escaped ? text_label_create_plain(2, 20, 200, 40, "Escaped") : text_label_create_plain(2, 200, 0, 40, "Lost");
    if (text) panel_add_child(tag, x, 3, 0, 1, text);
    panel_relayout(tag);
    panel_grow(tag, 3, 3);
    return tag;
}

// The ships of the encounter that get a card: the enemies destroyed, or the UI player's own losses.
std::vector<Ship *> fallen_ships(Encounter *enc, uint64_t ui_id, bool own) {
    std::vector<Ship *> out;
    if (!enc || !enc->objects) return out;
    for (GameObject *obj : enc->objects->items) {
        if (!obj) break;
        if (obj->kind != OBJECT_SHIP || !object_is_dead(obj)) continue;
        Ship *ship = static_cast<Ship *>(obj);
        if (own != (obj->owner_id == ui_id)) continue;
        if (!own && ship_is_drone(ship)) continue;
        out.push_back(ship);
    }
    return out;
}

// Deals one group of cards under its header, six to a row; returns the y below the last row.
int32_t deal_group(const char *header, const std::vector<Ship *> &ships, bool victory, int32_t top, int32_t *shown_ms,
                   std::vector<SummaryCard> *dealt) {
    Game *game = game_get();
    BattleSummary &b = summary();
    std::vector<std::pair<Control *, Ship *>> cards;
    for (Ship *ship : ships) {
        const bool own = ship->owner_id == game->ui_player_id;
        Control *commander = own ? lost_commander_box(ship, cards.empty(), victory) : nullptr;
        if (Control *card = build_card(ship, commander)) cards.emplace_back(card, ship);
    }
    if (cards.empty()) return top;
    Control *title = card_label(0, 0, 255, 0, header);
    if (title) game_add_control(game, GROUP_HEADER_X, top, 0, 1, title);
    int32_t cell_w = 0, cell_h = 0;
    for (auto &c : cards) {
        cell_w = std::max(cell_w, c.first->w);
        cell_h = std::max(cell_h, c.first->h);
    }
    const int32_t cards_y = top + CARDS_BELOW_HEADER;
    int32_t tags_bottom = 0;   // a salvage tag hangs below its card: the next group starts under it
    int32_t i = 0;
    for (auto &[card, ship] : cards) {
        const int32_t col = i % CARDS_PER_ROW, row = i / CARDS_PER_ROW;
        const int32_t cx = CARD_FIRST_X + col * (cell_w + CARD_GAP_X) + (cell_w - card->w) / 2;
        const int32_t cy = cards_y + row * (cell_h + CARD_GAP_Y) + (cell_h - card->h) / 2;
        game_add_control(game, cx, cy, 0, 0, card);
        control_hide_for(card, *shown_ms);
        *shown_ms += CARD_STAGGER_MS;
        SummaryCard entry{card, nullptr, nullptr};
        if (victory) {
            if (Control *tag = build_salvage_tag(ship)) {
                game_add_control(game, cx + card->w / 2 - tag->w / 2, cy + card->h + 2, 0, 0, tag);
                entry.salvage_tag = tag;
                tags_bottom = std::max(tags_bottom, cy + card->h + 2 + tag->h + CARD_GAP_Y);
            }
            b.salvage += ship->roll_value;
        }
        if (ship->owner_id == game->ui_player_id && ship->pilot_id != 0 &&
            ship_has_system_type(ship, SYSTEM_ESCAPE_POD)) {
            if (Control *tag = build_escape_tag(ship)) {
                game_add_control(game, cx + card->w / 2 - tag->w / 2, cy + card->h / 2, 0, 0, tag);
                entry.escape_tag = tag;
            }
        }
        dealt->push_back(entry);
        ++i;
    }
    const int32_t rows = (i + CARDS_PER_ROW - 1) / CARDS_PER_ROW;
    return std::max(cards_y + rows * (cell_h + CARD_GAP_Y), tags_bottom);
}

void build_lists() {
    Game *game = game_get();
    BattleSummary &b = summary();
    Encounter *enc = game->current_encounter;
    const uint64_t ui_id = game->ui_player_id;
    const bool victory = enc && encounter_get_side_result(enc, ui_id) == ENCOUNTER_RESULT_FIGHTING &&
                         encounter_count_owner_ships(enc, ui_id) > 0;
    std::vector<SummaryCard> dealt;
    int32_t shown_ms = 0;
    int32_t y = b.band_bottom + HEADER_BELOW_BAND;
    y = deal_group("Enemies destroyed", fallen_ships(enc, ui_id, false), victory, y, &shown_ms, &dealt);
    (void)deal_group("Ships lost", fallen_ships(enc, ui_id, true), victory, y, &shown_ms, &dealt);
    // The tags wait for their cards: every salvage tag 500 ms after the last card, the escapes after them.
    const int32_t last_card = shown_ms - CARD_STAGGER_MS;
    for (SummaryCard &c : dealt) {
        if (c.salvage_tag) control_hide_for(c.salvage_tag, last_card + TAGS_AFTER_CARDS_MS);
        if (c.escape_tag) control_hide_for(c.escape_tag, last_card + TAGS_AFTER_CARDS_MS + ESCAPES_AFTER_TAGS_MS);
    }
    if (b.salvage > 0) {
        b.salvage_left = SALVAGE_BAND_X;
        b.salvage_right = ui_screen_width() - 1;
    } else {
        b.salvage_left = b.salvage_right = ui_screen_width() + 1;
    }
    b.salvage_top = b.salvage_bottom = SALVAGE_BAND_Y;
}

bool letters_settled(const BattleSummary &b) {
    for (int i = 0; i < b.letter_count; ++i)
        if (b.letter_fades[i] && colour_fade_is_running(b.letter_fades[i])) return false;
    return true;
}

void update_letters(BattleSummary &b, int32_t dt) {
    for (int i = 0; i < b.letter_count; ++i)
        if (b.letter_fades[i]) colour_fade_update(b.letter_fades[i], dt);
}

}  // namespace

void battle_summary_free() {
    BattleSummary &b = summary();
    for (int i = 0; i < b.letter_count; ++i) colour_fade_free(b.letter_fades[i]);
    delete[] b.letter_fades;
    std::free(b.text);
    b = BattleSummary{};
}

void battle_summary_start() {
    CombatScreen *s = combat_screen();
    Game *game = game_get();
    combat_select_object(nullptr);
    combat_set_hovered(nullptr);
    sound_fade_out_music();
    sound_play(SOUND_MUSIC_SUMMARY);
    combat_flags_change(0, COMBAT_FLAG_SUMMARY);

    battle_summary_free();
    BattleSummary &b = s->summary;
    const int32_t w = ui_screen_width(), h = ui_screen_height();
    b.band_left = 0;
    b.band_right = w - 1;
    b.band_top = b.band_bottom = h / 2;
    b.salvage_left = b.salvage_right = w + 1;
    const char *word = encounter_result_text(encounter_get_side_result(game->current_encounter, game->ui_player_id));
    b.text = strdup(word ? word : "");
    log_write(LOG_GAME, LOG_DEBUG, "Battle summary - %s", b.text);
    b.letter_count = int32_t(std::strlen(b.text));
    b.letter_fades = new ColourFade *[size_t(std::max(b.letter_count, 1))]();
    for (int i = 0; i < b.letter_count; ++i) {
        b.letter_fades[i] = colour_fade_create();
        if (b.letter_fades[i])
            colour_fade_start(b.letter_fades[i], 0, 24, 0, 210, 210, 210, 100, LETTER_STAGGER_MS * i, 0);
    }
    b.text_w = std::max(font_text_width(WORD_FONT, b.text), 0);
    b.font_h = font_line_height(WORD_FONT);   // -1 when the font cannot be loaded
    b.text_x = w / 2 - b.text_w / 2;
    b.text_y = h / 2 - b.font_h / 2;
    combat_command_bar_hide();
    combat_clear_side_panels();
}

void battle_summary_update(int32_t dt) {
    Game *game = game_get();
    BattleSummary &b = summary();
    b.phase_ms += dt;
    if (b.phase >= SUMMARY_LETTERS) update_letters(b, dt);
    switch (b.phase) {
    case SUMMARY_BAND_OPENS: {
        const int32_t n = b.phase_ms / BAND_OPEN_MS_PER_PIXEL;
        b.phase_ms -= n * BAND_OPEN_MS_PER_PIXEL;
        b.band_top -= n;
        b.band_bottom += n;
        if (b.band_top <= BAND_TOP || b.band_bottom >= BAND_BOTTOM) {
            b.band_top = BAND_TOP;
            b.band_bottom = BAND_BOTTOM;
            b.phase = SUMMARY_LETTERS;
            b.phase_ms = 0;
        }
        break;
    }
    case SUMMARY_LETTERS:
        if (!letters_settled(b)) break;
        combat_flags_change(0, COMBAT_FLAG_MAP_HIDDEN);
        combat_clear_ship_tags();
        for (int i = 0; i < b.letter_count; ++i)
            if (ColourFade *f = b.letter_fades[i]) {
                colour_fade_start(f, 210, 210, 210, 230, 230, 230, 100, 0,   // 5 ms a step
                                  COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
            }
        b.phase = SUMMARY_WORD_LEFT;
        b.phase_ms = 0;
        break;
    case SUMMARY_WORD_LEFT:
        b.text_x = std::max(b.text_x - b.phase_ms, WORD_LEFT_X);
        b.band_right = std::max(b.band_right - 2 * b.phase_ms, b.text_w + WORD_BAND_MARGIN);
        b.phase_ms = 0;
        if (b.text_x == WORD_LEFT_X && b.band_right == b.text_w + WORD_BAND_MARGIN) b.phase = SUMMARY_WORD_UP;
        break;
    case SUMMARY_WORD_UP: {
        const int32_t m = std::min(b.phase_ms / 2 + 2, b.text_y - WORD_TOP_Y);
        b.phase_ms %= 2;
        b.text_y -= m;
        b.band_top -= m;
        b.band_bottom -= m;
        if (b.text_y <= WORD_TOP_Y) {
            b.salvage = 0;
            build_lists();
            b.phase = SUMMARY_SALVAGE_BAND;
            b.phase_ms = 0;
        }
        break;
    }
    case SUMMARY_SALVAGE_BAND:
        if (b.salvage <= 0) {
            b.phase = SUMMARY_CONTINUE;
            b.phase_ms = 0;
            break;
        }
        if (b.salvage_bottom - b.salvage_top < SALVAGE_BAND_HEIGHT) {
            const int32_t n = std::min(b.phase_ms / SALVAGE_OPEN_MS_PER_PIXEL,
                                       SALVAGE_BAND_HEIGHT - (b.salvage_bottom - b.salvage_top));
            b.phase_ms -= n * SALVAGE_OPEN_MS_PER_PIXEL;
            b.salvage_top -= n;
            b.salvage_bottom += n;
        }
        if (b.salvage_bottom - b.salvage_top >= SALVAGE_BAND_HEIGHT) {
            if (Control *label = text_label_create_plain(0, 0, 255, 0, "Salvage")) {
                fade_label_in(label, 0, 255, 0, 200, 0);
                game_add_control(game, SALVAGE_BAND_X + 2, b.salvage_bottom + 10, 0, 1, label);
                control_hide_for(label, 500);
            }
            b.phase = SUMMARY_SALVAGE_TOTAL;
            b.phase_ms = 0;
        }
        break;
    case SUMMARY_SALVAGE_TOTAL:
        if (b.phase_ms < TOTAL_DELAY_MS) break;
        if (Control *credit = image_control_create(IMAGE_CREDITS)) {
            const int32_t x = SALVAGE_BAND_X + 4, y = b.salvage_bottom + 40;
            game_add_control(game, x, y, 0, 1, credit);
            if (Control *total = text_label_create(1, 230, 230, 0, "%i", int(b.salvage))) {
                fade_label_in(total, 230, 230, 0, 200, 0);
                game_add_control(game, x + credit->w + 10, y + 6, 0, 1, total);
            }
        }
        b.phase = SUMMARY_CONTINUE;
        b.phase_ms = 0;
        break;
    case SUMMARY_CONTINUE:
        if (b.phase_ms < CONTINUE_DELAY_MS) break;
        if (Control *button = image_button_create(IMAGE_OK, CONTINUE_FONT, "Continue", combat_continue, KEY_ENTER,
                                                  nullptr))
            game_add_control(game, ui_screen_width() - button->w - 10, ui_screen_height() - button->h - 10, 0, 0,
                             button);
        b.phase = SUMMARY_WAITING;
        b.phase_ms = 0;
        break;
    default: break;
    }
}

void combat_continue(Control *button) {
    Game *game = game_get();
    BattleSummary &b = summary();
    if (!game || b.continued || app_mode_current_id() != APP_MODE_ENCOUNTER) return;   // applied once
    b.continued = true;
    if (button) control_set_enabled(button, false);
    Encounter *enc = game->current_encounter;
    if (enc) {
        encounter_retain(enc);
        encounter_apply_outcome(enc);
    }
    game_end_combat(game);
    game_set_current_encounter(game, nullptr);
    encounter_release(enc);
    app_mode_request(APP_MODE_GALAXY);
}
