#pragma once
// The player selection dialog over the real player records: the shipped records of the generated
// store (1 the human "Commander", 2..9 computer corporations; slots 1, 2, 6, 7 and an empty one),
// more added through records_add_new, the save folder in a test folder of its own. The dialog stands
// alone on the top level and is driven through the input path: clicks, keys, the wheel and frames.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "game/records.h"
#include "platform/input.h"
#include "screens/title/player_select.h"
#include "test_support.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_entry.h"
#include "ui/text_label.h"
#include "ui/ui_test_support.h"

namespace player_select_test {

using namespace ui_test;

using SlotIds = std::array<uint64_t, GAME_SLOT_COUNT>;
constexpr SlotIds SHIPPED_SLOTS = {1, 2, 6, 7, 0};

// What the caller's on_chosen read when OK handed the answer over.
struct Answer {
    int         calls = 0;
    uint64_t    id = 0;
    int32_t     name_entered = 0;
    std::string typed_name;
};
inline Answer g_answer;
inline int    g_closed = 0;

class PlayerSelectTest : public UiScreenTest {
protected:
    static constexpr int IMAGE_TYPES[] = {IMAGE_NO, IMAGE_CLOSE, IMAGE_YES, IMAGE_DELETE, IMAGE_COMPUTER,
                                          IMAGE_HUMAN, IMAGE_TEXT_ENTRY, IMAGE_TEXT_CURSOR, IMAGE_ARROW_UP,
                                          IMAGE_ARROW_DOWN, IMAGE_OK};

    void SetUp() override {
        UiScreenTest::SetUp();
        ASSERT_GT(ui_line_height(1), 0) << "the generated store's fonts are needed";
        for (int type : IMAGE_TYPES) ASSERT_EQ(image_control_load_type(type), RES_OK) << type;
        slots(game(), &slots_back_, false);   // loading the shipped records resets them
        records_back_.replace(game()->player_records, list_create<PlayerRecord>());
        list_set_free_fn(game()->player_records, player_record_free);
        ASSERT_EQ(records_load(game()), RES_OK) << "no records.dat yet: the shipped records";
        g_answer = {};
        g_closed = 0;
    }
    void TearDown() override {
        game_clear_controls(game());
        list_free(game()->player_records);
        records_back_.restore();
        slots(game(), &slots_back_, true);
        for (int type : IMAGE_TYPES) image_control_free_type(type);
        UiScreenTest::TearDown();
    }
    void paint_backdrop() override { ui_fill_rect(graphics, 0, 0, GFX_WIDTH, GFX_HEIGHT, 40, 44, 60); }

public:
    // The dialog for one slot (mode PLAYER_SELECT_HUMAN or 0), alone on the top level, opened.
    void open(int slot, int mode, const SlotIds &ids = SHIPPED_SLOTS) {
        game_clear_controls(game());
        ColourFade colours[GAME_SLOT_COUNT];
        for (int i = 0; i < GAME_SLOT_COUNT; ++i) colour_fade_set(&colours[i], 210 - 40 * i, 100 + i, 10 + i);
        dialog = player_select_create(ids.data(), colours, slot, mode);
        ASSERT_NE(state(), nullptr);
        state()->on_chosen = [](Control *d) {
            const PlayerSelectState *s = player_select_state(d);
            g_answer = {g_answer.calls + 1, player_select_selected_id(d), s->name_entered, s->typed_name};
        };
        state()->on_closed = [](Control *) { ++g_closed; };
        add_top(dialog, 40, 30, 1);
        run(300);
    }
    PlayerSelectState *state() { return player_select_state(dialog); }
    void run(int ms) {
        for (int t = 0; t < ms; t += 20) frame(20);
    }

    Control *body() { return panel_find_child(dialog, PLAYER_SELECT_LIST_ID); }
    Control *details() { return panel_find_child(dialog, PLAYER_SELECT_DETAILS_ID); }
    Control *create_row() { return panel_find_child(body(), PLAYER_SELECT_CREATE_ID); }
    Control *entry() { return panel_find_child(dialog, PLAYER_SELECT_ENTRY_ID); }
    Control *row_named(const std::string &name) {   // any live row of the list showing the name
        for (Control *row : panel_of(body())->children.items)
            if (!(row->flags & CTRL_REMOVED) && text_of(panel_find_child(row, PLAYER_SELECT_ROW_NAME_ID)) == name)
                return row;
        return nullptr;
    }
    Control *ok_button() {
        for (Control *c : panel_of(dialog)->children.items)
            if (c->on_click == player_select_on_ok) return c;
        return nullptr;
    }
    static std::string text_of(Control *label) {
        const TextLabel *t = label ? text_label_of(label) : nullptr;
        return t && t->text ? t->text : "";
    }
    static Rgb rgb(const ColourFade *c) { return c ? Rgb{c->r, c->g, c->b} : Rgb{-1, -1, -1}; }
    std::string details_name() { return text_of(panel_find_child(details(), PLAYER_SELECT_NAME_ID)); }
    static int value_of(Control *row) { return row ? panel_of(row)->value : -99; }
    static Rgb background_of(Control *row) { return rgb(panel_background_colour(row)); }

    void click(Control *c) { click_control(c); }
    void press(int key) {
        key_down(key);
        frame();
        key_up(key);
        frame();
    }
    void type(const std::string &text) {   // letters and blanks; a capital holds Shift first
        for (char c : text) {
            const bool capital = c >= 'A' && c <= 'Z';
            if (capital) {
                key_down(INPUT_KEY_LSHIFT);
                frame();
            }
            press(capital ? c - 'A' + 'a' : static_cast<unsigned char>(c));
            key_up(INPUT_KEY_LSHIFT);
        }
    }
    // Opens the name entry from the create row of the human list and begins editing it.
    Control *begin_name_entry() {
        if (!entry()) click(create_row());
        Control *e = entry();
        if (e) click(e);
        EXPECT_TRUE(e && text_entry_is_editing(e)) << "the create row opens the name entry";
        return e;
    }
    uint64_t add_human(const char *name) { return records_add_new(game(), name); }

    Control *dialog = nullptr;
    struct SaveFolder {   // $XDG_DATA_HOME/Astrovane in a fresh test folder
        EnvGuard    back{"XDG_DATA_HOME"};
        std::string root = fresh_test_dir("player_select");
        SaveFolder() { ::setenv("XDG_DATA_HOME", root.c_str(), 1); }
        std::string file(const char *name) const { return root + "/Astrovane/" + name; }
    } save;

private:
    struct Slots {
        uint64_t ids[GAME_SLOT_COUNT];
        uint8_t  red[GAME_SLOT_COUNT], green[GAME_SLOT_COUNT], blue[GAME_SLOT_COUNT];
    };
    static void slots(Game *g, Slots *s, bool put_back) {
        auto copy = [put_back](auto &game_side, auto &kept) {
            if (put_back) std::memcpy(game_side, kept, sizeof kept);
            else std::memcpy(kept, game_side, sizeof kept);
        };
        copy(g->slot_record_ids, s->ids);
        copy(g->slot_red, s->red);
        copy(g->slot_green, s->green);
        copy(g->slot_blue, s->blue);
    }
    SlotGuard<List<PlayerRecord> *> records_back_;
    Slots slots_back_ = {};
};

}  // namespace player_select_test
