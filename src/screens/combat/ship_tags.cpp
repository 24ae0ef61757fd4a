// Ship tags: under every ship on the combat map a small panel with its pilot's rank, its name in the
// owner's colour and an armour bar that runs to the ship's armour; a tag fades out with its ship.
//  - The screen's tag map finds a tag by its ship's id; it holds one reference on each tag, and
//    each tag one reference on its ship (in its ShipTag record) until the tag lets go of it.
#include <algorithm>
#include <new>
#include <vector>

#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/hash.h"
#include "platform/list.h"
#include "screens/combat/combat_panels.h"
#include "screens/combat/combat_screen.h"
#include "ui/control.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "views/object_controls.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace {

constexpr int32_t TAG_PANEL_KIND = 1;
constexpr int INSIGNIA_GAP = 4;
constexpr int BAR_BELOW_NAME = 2;
constexpr int BAR_HEIGHT = 3;
constexpr int TAG_BELOW_SHIP = 4;
constexpr int FADE_MS = 900;
constexpr int BAR_RUN_MS = 1000;
constexpr uint32_t TAG_SKIPS = OBJ_DEAD | OBJ_NOT_DRAWN | OBJ_LEFT_MAP;

// The user data of a tag panel.
struct ShipTag {
    uint64_t id = 0;                // the key in the tag map
    GameObject *ship = nullptr;     // one reference, until the tag lets go
};

void ship_tag_free(void *data);

ShipTag *tag_of(Control *panel) {
    return panel && panel->user_free == ship_tag_free ? static_cast<ShipTag *>(panel->user_data) : nullptr;
}

void let_go(ShipTag *tag) {
    if (tag && tag->ship) {
        object_release(tag->ship);
        tag->ship = nullptr;
    }
}

const void *tag_key(const Control *panel) {
    return &static_cast<const ShipTag *>(panel->user_data)->id;
}

void tag_release(Control *panel) { control_release(panel); }

// The screen's tag map, made (or given the tag callbacks) on first use.
HashTable<Control> *tag_table() {
    CombatScreen *s = combat_screen();
    if (!s->ship_tags && !(s->ship_tags = hash_table_create<Control>(key64_hash, key64_compare))) return nullptr;
    HashTable<Control> *table = s->ship_tags;
    if (table->key_of != tag_key) {
        table->key_of = tag_key;
        table->hash = key64_hash;
        table->compare = key64_compare;
        hash_table_set_free_fn(table, tag_release);
    }
    return table;
}

void drop_from_table(Control *panel) {
    HashTable<Control> *table = tag_table();
    if (table && hash_table_remove(table, panel)) control_release(panel);
}

Control *create_tag(Ship *ship, ObjectMap *map) {
    Control *panel = panel_create_empty();
    ShipTag *record = new (std::nothrow) ShipTag{ship->id, ship};
    if (!panel || !record) {
        delete record;
        if (panel) control_destroy(panel);
        return nullptr;
    }
    object_add_ref(ship);
    control_set_user_data(panel, record, ship_tag_free);
    control_set_size(panel, 20, 10);
    panel_of(panel)->value = TAG_PANEL_KIND;

    int x = 0;
    Control *insignia = nullptr;
    if (ship->pilot)
        if ((insignia = panel_add_child(panel, 0, 0, 0, 1, image_control_create_frame(officer_rank_icon(ship->pilot->rank), 1))))
            x = insignia->w + INSIGNIA_GAP;
    int bar_y = 0;
    if (!(ship->hull_flags & HULL_FLAG_NO_TAG_NAME)) {
        int32_t r = 255, g = 255, b = 255;
        (void)game_get_player_colors(game_get(), ship->owner_id, &r, &g, &b);
        if (Control *name = panel_add_child(panel, x, 0, COMBAT_ID_TAG_NAME, 1,
                                            text_label_create_plain(2, r, g, b, object_get_name(ship))))
            bar_y = name->h + BAR_BELOW_NAME;
    }
    if (Control *bar = value_bar_create_base(combat_tag_bar_width(ship->max_armour, ship->w), BAR_HEIGHT)) {
        value_bar_enable_border(bar);
        if (ColourFade *back = value_bar_border_colour(bar)) colour_fade_set(back, 50, 40, 0);
        const int32_t top = std::max(ship->max_armour, 1);
        const int32_t at[3] = {0, top / 2, top};
        const uint8_t red[3] = {160, 160, 0}, green[3] = {0, 160, 160}, blue[3] = {0, 0, 0};
        value_bar_set_colour_stops(bar, 3, at, red, green, blue);
        value_bar_set_value(bar, ship->armour, ship->max_armour);
        panel_add_child(panel, x, bar_y, COMBAT_ID_TAG_BAR, 1, bar);
    }
    panel_relayout(panel);
    if (insignia) control_set_position(insignia, 0, panel->h / 2 - insignia->h / 2);
    map_control_anchor(panel, true, map);
    object_control_attach(panel, ship, ship->w - panel->w, ship->h + TAG_BELOW_SHIP, 0);
    control_set_tag(panel, combat_screen()->selected == ship ? COMBAT_TAG_HIDDEN_PANEL : -1);
    return panel;
}

void follow_armour(Control *panel, Ship *ship) {
    Control *bar = panel_find_child(panel, COMBAT_ID_TAG_BAR);
    const ValueBar *v = value_bar_of(bar);
    if (v && !value_bar_is_running(bar) && v->value != ship->armour) value_bar_animate_to(bar, ship->armour, BAR_RUN_MS);
}

struct PlacedTag {
    Control *panel;
    Ship *ship;
    int x, y;   // the tag's top-left corner on the map
};

bool tags_overlap(const PlacedTag &a, const PlacedTag &b) {
    return a.x < b.x + b.panel->w && b.x < a.x + a.panel->w && a.y < b.y + b.panel->h && b.y < a.y + a.panel->h;
}

// Each tag hangs under its ship, right-aligned with it; a tag that would cover another one placed
// higher up goes down below it, so that close ships keep readable names.
void hang_tags(std::vector<PlacedTag> &tags) {
    for (PlacedTag &t : tags) {
        t.x = t.ship->x + t.ship->w - t.panel->w;
        t.y = t.ship->y + t.ship->h + TAG_BELOW_SHIP;
    }
    std::stable_sort(tags.begin(), tags.end(), [](const PlacedTag &a, const PlacedTag &b) { return a.y < b.y; });
    for (size_t i = 0; i < tags.size(); ++i) {
        for (bool moved = true; moved;) {
            moved = false;
            for (size_t j = 0; j < i; ++j)
                if (tags_overlap(tags[i], tags[j])) {
                    tags[i].y = tags[j].y + tags[j].panel->h + 1;
                    moved = true;
                }
        }
        PlacedTag &t = tags[i];
        object_control_attach(t.panel, t.ship, t.x - t.ship->x, t.y - t.ship->y, 0);
    }
}

// A dead ship's tag runs its bar down; a dead or departed ship's tag fades away.
void fade_out_tag(Control *panel, ShipTag *tag) {
    const bool dead = object_is_dead(tag->ship);
    if (Control *name = panel_find_child(panel, COMBAT_ID_TAG_NAME)) control_fade_out(name, FADE_MS);
    if (Control *bar = panel_find_child(panel, COMBAT_ID_TAG_BAR)) {
        const ValueBar *v = value_bar_of(bar);
        if (dead && v) value_bar_animate_to(bar, std::min(v->value, 0), std::max(FADE_MS, v->value));
        control_fade_out(bar, FADE_MS);
    }
    drop_from_table(panel);
    let_go(tag);
    control_fade_out(panel, FADE_MS);
}

void ship_tag_free(void *data) {
    ShipTag *tag = static_cast<ShipTag *>(data);
    let_go(tag);
    delete tag;
}

}  // namespace

int32_t combat_tag_bar_width(int32_t max_armour, int32_t ship_width) {
    int32_t w = max_armour <= 100 ? max_armour / 2 : std::min((max_armour - 100) / 4 + 50, 90);
    return std::max(std::min(w, ship_width), 10);
}

void combat_update_ship_tags() {
    CombatScreen *s = combat_screen();
    ObjectMap *map = combat_map();
    HashTable<Control> *table = tag_table();
    if ((s->flags.load(std::memory_order_acquire) & COMBAT_FLAG_LOAD_PENDING) || !map || !table) return;
    Game *game = game_get();

    std::vector<PlacedTag> shown;
    for (GameObject *obj : map->objects.items) {
        if (!obj) break;
        Ship *ship = ship_of(obj);
        if (!ship || !ship->owner_id || (ship->flags & TAG_SKIPS)) continue;
        Control *panel = hash_table_find(table, &ship->id);
        if (panel) {
            follow_armour(panel, ship);
            shown.push_back({panel, ship, 0, 0});
            continue;
        }
        if (!(panel = create_tag(ship, map))) continue;
        if (hash_table_insert(table, control_addref(panel)) < 0) control_release(panel);
        game_add_control(game, panel->x, panel->y, 0, 0, panel);
        shown.push_back({panel, ship, 0, 0});
    }
    hang_tags(shown);

    if (!game->controls) return;
    std::vector<Control *> live(game->controls->items.begin(), game->controls->items.end());
    for (Control *panel : live) {
        if (!panel) break;
        ShipTag *tag = tag_of(panel);
        if (!tag || (panel->flags & CTRL_REMOVED) || !tag->ship) continue;
        if (panel->flags & CTRL_HIDDEN) {
            drop_from_table(panel);
            let_go(tag);
            control_remove(panel);
        } else if (object_is_gone(tag->ship)) {
            fade_out_tag(panel, tag);
        }
    }
}

void combat_clear_ship_tags() {
    HashTable<Control> *table = tag_table();
    if (!table) return;
    HashTableIter<Control> iter;
    hash_table_iter_init(&iter, table);
    while (Control *panel = hash_table_iter_next(&iter)) {
        // The tag lets go of its ship at once: a load may replace the game before the tag is swept.
        object_control_attach(panel, nullptr, 0, 0, 0);
        let_go(tag_of(panel));
        control_remove(panel);
    }
    hash_table_clear(table);
}
