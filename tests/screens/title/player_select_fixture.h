#pragma once
// The player selection dialog over the real player records: the shipped records of the generated
// store (record 1 the human "Commander", 2..9 computer corporations; slots 1, 2, 6, 7 and an empty
// one), more added through records_add_new, the save folder in a test folder of its own. The dialog
// stands on the top level and is driven through the input path: clicks on its controls, keys, the
// wheel and frames.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "game/records.h"
#include "platform/colour_fade.h"
#include "platform/font.h"
#include "platform/input.h"
#include "screens/title/player_select.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_entry.h"
#include "ui/text_label.h"
#include "test_support.h"
#include "ui/ui_test_support.h"

namespace player_select_test {

using namespace ui_test;

using SlotIds = std::array<uint64_t, GAME_SLOT_COUNT>;

// The save folder ($XDG_DATA_HOME/Astrovane) in a fresh test folder for the object's life.
class SaveFolder {
public:
    SaveFolder() : root_(fresh_test_dir("player_select")) { ::setenv("XDG_DATA_HOME", root_.c_str(), 1); }
    std::string file(const char *name) const { return root_ + "/Astrovane/" + name; }
    const std::string &root() const { return root_; }

private:
    EnvGuard    back_{"XDG_DATA_HOME"};   // noted before the folder is pointed at
    std::string root_;
};
constexpr SlotIds SHIPPED_SLOTS = {1, 2, 6, 7, 0};
constexpr int DIALOG_X = 40, DIALOG_Y = 30;

// What the caller's on_chosen read when OK handed the answer over.
struct Answer {
    int         calls = 0;
    uint64_t    id = 0;
    int32_t     selected = -9;
    int32_t     name_entered = 0;
    std::string typed_name;
};
inline Answer g_answer;
inline int    g_closed = 0;

inline void record_answer(Control *dialog) {
    const PlayerSelectState *s = player_select_state(dialog);
    ++g_answer.calls;
    g_answer.id = player_select_selected_id(dialog);
    g_answer.selected = s ? s->selected : -9;
    g_answer.name_entered = s ? s->name_entered : 0;
    g_answer.typed_name = s ? s->typed_name : "";
}
inline void count_closed(Control *) { ++g_closed; }

class PlayerSelectTest : public UiScreenTest {
protected:
    // The image types the dialog, its scroll bar, name entry and confirmation show.
    static constexpr int IMAGE_TYPES[] = {1, 7, 13, 16, 42, 43, 90, 91, 102, 104, 150};

    void SetUp() override {
        UiScreenTest::SetUp();
        ASSERT_GT(ui_line_height(1), 0) << "the generated store's fonts are needed";
        for (int type : IMAGE_TYPES) {
            ASSERT_EQ(image_control_load_type(type), RES_OK) << type;
            ++types_loaded_;
        }
        Game *g = game();
        slots_back_ = Slots::of(g);
        records_back_.replace(g->player_records, list_create<PlayerRecord>());
        list_set_free_fn(g->player_records, player_record_free);
        ASSERT_EQ(records_load(g), RES_OK) << "no records.dat yet: the shipped records";
        ASSERT_EQ(list_count(g->player_records), 9);
        g_answer = {};
        g_closed = 0;
    }
    void TearDown() override {
        game_clear_controls(game());
        list_free(game()->player_records);
        records_back_.restore();
        slots_back_.put_back(game());
        for (int i = 0; i < types_loaded_; ++i) image_control_free_type(IMAGE_TYPES[i]);
        UiScreenTest::TearDown();
    }
    void paint_backdrop() override { ui_fill_rect(graphics, 0, 0, GFX_WIDTH, GFX_HEIGHT, 40, 44, 60); }

public:
    // The dialog for one slot (mode PLAYER_SELECT_HUMAN or 0), alone on the top level, its opening
    // played.
    Control *open(int slot, int mode, const SlotIds &ids = SHIPPED_SLOTS) {
        game_clear_controls(game());
        ColourFade colours[GAME_SLOT_COUNT];
        const int reds[GAME_SLOT_COUNT] = {210, 40, 195, 134, 242};
        for (int i = 0; i < GAME_SLOT_COUNT; ++i) colour_fade_set(&colours[i], reds[i], 100 + i, 10 + i);
        dialog = player_select_create(ids.data(), colours, slot, mode);
        PlayerSelectState *s = player_select_state(dialog);
        EXPECT_NE(s, nullptr);
        if (s) {
            s->on_chosen = record_answer;
            s->on_closed = count_closed;
        }
        add_top(dialog, DIALOG_X, DIALOG_Y, 1);
        run(300);
        return dialog;
    }
    PlayerSelectState *state() { return player_select_state(dialog); }

    void run(int ms) {
        for (int t = 0; t < ms; t += 20) frame(20);
    }

    // ---- finding controls ----
    Control *body() { return panel_find_child(dialog, PLAYER_SELECT_LIST_ID); }
    Control *details() { return panel_find_child(dialog, PLAYER_SELECT_DETAILS_ID); }
    Control *in_body(int id) { return panel_find_child(body(), id); }
    Control *create_row() { return in_body(PLAYER_SELECT_CREATE_ID); }
    // The live row showing that name (available, create or greyed), or null.
    Control *row_named(const std::string &name) {
        for (Control *row : panel_of(body())->children.items)
            if (row && !(row->flags & CTRL_REMOVED) && label_text(panel_find_child(row, PLAYER_SELECT_ROW_NAME_ID)) == name)
                return row;
        return nullptr;
    }
    Control *ok_button() {
        for (Control *c : panel_of(dialog)->children.items)
            if (c && !(c->flags & CTRL_REMOVED) && c->on_click == player_select_on_ok) return c;
        return nullptr;
    }
    static std::string label_text(Control *label) {
        const TextLabel *t = label ? text_label_of(label) : nullptr;
        return t && t->text ? t->text : "";
    }
    std::string details_name() { return label_text(panel_find_child(details(), PLAYER_SELECT_NAME_ID)); }
    std::string create_label() { return label_text(panel_find_child(create_row(), PLAYER_SELECT_ROW_NAME_ID)); }
    static int value_of(Control *row) { return row ? panel_of(row)->value : -99; }
    static Rgb background_of(Control *row) {
        const ColourFade *bg = panel_background_colour(row);
        return bg ? Rgb{bg->r, bg->g, bg->b} : Rgb{-1, -1, -1};
    }

    // ---- input ----
    void point_at(Control *c) {
        int x = 0, y = 0;
        control_get_screen_position(c, &x, &y);
        mouse_at(x + c->w / 2, y + c->h / 2);
    }
    void click(Control *c) {
        ASSERT_NE(c, nullptr);
        point_at(c);
        frame();
        left_down();
        frame();
        left_up();
        frame();
    }
    void wheel_over(Control *c, int notches) {
        point_at(c);
        frame();
        wheel(notches);
        frame();
    }
    void press(int key, bool shift = false) {
        if (shift) {   // a frame of its own, as a hand gets there first
            key_down(INPUT_KEY_LSHIFT);
            frame();
        }
        key_down(key);
        frame();
        key_up(key);
        key_up(INPUT_KEY_LSHIFT);
        frame();
    }
    // Types letters and blanks into the key-focus control.
    void type(const std::string &text) {
        for (char c : text) {
            if (c >= 'A' && c <= 'Z') press(c - 'A' + 'a', true);
            else press(static_cast<unsigned char>(c));
        }
    }
    // Opens the name entry (the create row of the human list) and begins editing it.
    Control *begin_name_entry() {
        if (!panel_find_child(dialog, PLAYER_SELECT_ENTRY_ID)) click(create_row());
        Control *entry = panel_find_child(dialog, PLAYER_SELECT_ENTRY_ID);
        EXPECT_NE(entry, nullptr) << "the create row opens the name entry";
        if (entry) click(entry);
        EXPECT_TRUE(entry && text_entry_is_editing(entry));
        return entry;
    }

    uint64_t add_human(const char *name) { return records_add_new(game(), name); }

    Control *dialog = nullptr;
    SaveFolder save;

private:
    SlotGuard<List<PlayerRecord> *> records_back_;
    // The new-game slots, which loading the shipped records sets to their defaults.
    struct Slots {
        SlotIds ids{};
        uint8_t red[GAME_SLOT_COUNT] = {}, green[GAME_SLOT_COUNT] = {}, blue[GAME_SLOT_COUNT] = {};
        static Slots of(const Game *g) {
            Slots s;
            for (int i = 0; i < GAME_SLOT_COUNT; ++i) {
                s.ids[i] = g->slot_record_ids[i];
                s.red[i] = g->slot_red[i];
                s.green[i] = g->slot_green[i];
                s.blue[i] = g->slot_blue[i];
            }
            return s;
        }
        void put_back(Game *g) const {
            for (int i = 0; i < GAME_SLOT_COUNT; ++i) {
                g->slot_record_ids[i] = ids[i];
                g->slot_red[i] = red[i];
                g->slot_green[i] = green[i];
                g->slot_blue[i] = blue[i];
            }
        }
    };
    Slots slots_back_;
    int types_loaded_ = 0;
};

}  // namespace player_select_test
