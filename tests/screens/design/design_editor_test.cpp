// The design panel on a real seeded game: which hulls the chooser offers, the picture worker, the
// editor's accept rule, the picker's candidates and refusals, editing on copies, Upgrade within
// the hull's power, and the galaxy screen's design handlers behind the slots.
#include "design_test_support.h"

#include <SDL.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "game/officer.h"
#include "screens/design/design_editor.h"
#include "screens/design/design_summary_panel.h"
#include "screens/galaxy/design_handlers.h"
#include "screens/sites/site_panel.h"
#include "platform/str.h"
#include "systems/system.h"
#include "ui/panel_slots.h"
#include "ui/scroll.h"
#include "ui/text_block.h"
#include "ui/text_entry.h"
#include "ui/ui_draw.h"
#include "views/system_info_card.h"
#include "world/factory.h"

using namespace design_test;

namespace {

constexpr int EDITOR_IMAGES[] = {9, 28, 40, 44, 51, 54, 64, 82, 84, 125, 131, 149, 180, 185, 197};

int accepted_calls = 0;
void count_accept(Control *) { ++accepted_calls; }

Control *column_button(Control *panel, int id) { return kid(kid(panel, DESIGN_ID_BUTTONS), id); }
bool disabled(Control *button) { return button && image_control_is_highlighted(button); }
bool has_enabled_engine_in(const Ship *ship) { return ship_has_system_type(ship, SYSTEM_TYPE_ENGINE) == 1; }

std::vector<Control *> live_children(Control *panel) {
    std::vector<Control *> out;
    if (panel_of(panel))
        for (Control *c : panel_of(panel)->children.items)
            if (c && !(c->flags & CTRL_REMOVED)) out.push_back(c);
    return out;
}

}  // namespace

class DesignPanel : public DesignGame {
protected:
    void SetUp() override {
        DesignGame::SetUp();
        if (HasFatalFailure()) return;
        for (int type : EDITOR_IMAGES) ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
        accepted_calls = 0;
    }
    void TearDown() override {
        design_set_thread_creator(nullptr);
        for (int type : EDITOR_IMAGES) image_control_free_type(type);
        DesignGame::TearDown();
    }

    Control *chooser(uint32_t options = DESIGN_OPTS_NEW, const char *name = "Mark-9") {
        Control *p = top_panel();
        control_set_layer(p, 5);   // above the map, as an object panel stands
        design_configure_build(p, name, uint32_t(ui->id), uint32_t(ui->id >> 32), options);
        panel_set_slot(p, DESIGN_EDITOR_SLOT_ACCEPTED, count_accept);
        frames(20);   // the strip slides in
        return p;
    }
    std::vector<Control *> cards(Control *p) { return live_children(kid(p, DESIGN_ID_CARD_STRIP)); }
    // Picks the card of the hull and lets its picture load.
    void pick_hull(Control *p, int32_t hull_type) {
        for (Control *card : cards(p))
            if (static_cast<const Ship *>(card->user_data)->subtype == hull_type) click(card);
        ASSERT_TRUE(run_until([&] { return design_editor_state(p)->load_thread == nullptr; }, 300));
        frames(3);
    }
    Control *editor_on(int32_t hull_type) {
        Control *p = chooser();
        pick_hull(p, hull_type);
        frames(15);   // "Configure" takes its enabled look
        click(column_button(p, DESIGN_ID_CONFIGURE));
        frames(50);
        return p;
    }
    int32_t mount_of(Ship *ship, int32_t kind, int32_t skip = 0) {
        for (int32_t i = 0; i < ship->crit_count; ++i)
            if (ship->crits[i].mount_type == kind && skip-- == 0) return i;
        return -1;
    }
    // Opens the picker on the mount and clicks the row of the system named (null: "(empty)").
    void fit(Control *p, int32_t mount, const char *name) {
        click(design_mount_card(p, mount));
        frames(3);
        Control *rows = kid(kid(p, DESIGN_ID_PICKER), PICKER_ID_ROWS);
        ASSERT_NE(rows, nullptr);
        for (Control *row : live_children(rows)) {
            const System *s = static_cast<const System *>(row->user_data);
            if (name ? (s && s->name == name) : !s) {
                row->on_click(row);   // the rows may stand below the list's view
                frames(3);
                return;
            }
        }
        ADD_FAILURE() << "no row " << (name ? name : "(empty)");
    }
    const System *catalog_first(uint32_t flag_set, uint32_t flag_clear) {
        for (System *s : ui->catalog.items)
            if (s && (s->flags & flag_set) == flag_set && !(s->flags & flag_clear)) return s;
        return nullptr;
    }
};

// The picture worker's tests, also run under the thread checker.
class DesignPictureLoad : public DesignPanel {};

// The chooser offers the hulls whose template is player-buildable and which the owner unlocked;
// without any, "Configure" stays refused with its reason.
TEST_F(DesignPanel, ChooserOffersUnlockedBuildableHulls) {
    uint32_t expected = 0;
    for (const int32_t *t : ui->hulls.items)
        if (t && (ship_of(factory_get_template(OBJECT_SHIP, *t))->hull_flags & HULL_FLAG_PLAYER_BUILDABLE)) expected |= 1u << *t;
    ASSERT_NE(expected, 0u) << "seed " << SEED;
    EXPECT_EQ(design_available_hulls(ui), expected);
    Control *p = chooser();
    EXPECT_EQ(int(cards(p).size()), __builtin_popcount(expected));
    EXPECT_TRUE(disabled(column_button(p, DESIGN_ID_CONFIGURE)));
    EXPECT_EQ(tip_of(column_button(p, DESIGN_ID_CONFIGURE)), "No ship type selected");

    // An unlocked hull whose template is not offered to players stays off the strip.
    for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t)
        if (!(ship_of(factory_get_template(OBJECT_SHIP, t))->hull_flags & HULL_FLAG_PLAYER_BUILDABLE)) {
            list_append(&ui->hulls, new int32_t(t));
            EXPECT_EQ(design_available_hulls(ui), expected) << "hull " << t;
        }
    list_clear(&ui->hulls);
    EXPECT_EQ(design_available_hulls(ui), 0u);
    control_remove(panel);
    p = chooser();
    EXPECT_TRUE(cards(p).empty());
    EXPECT_TRUE(disabled(column_button(p, DESIGN_ID_CONFIGURE)));
}

// A pick shows the hull's figures and its animated picture from the worker; another pick replaces
// them. A worker that cannot be created leaves the picture to the game thread, which shows it.
TEST_F(DesignPictureLoad, HullPickShowsDetailsAndPicture) {
    Control *p = chooser();
    std::vector<Control *> strip = cards(p);
    ASSERT_FALSE(strip.empty());
    const int32_t first = static_cast<const Ship *>(strip[0]->user_data)->subtype;
    pick_hull(p, first);
    EXPECT_FALSE(disabled(column_button(p, DESIGN_ID_CONFIGURE)));
    EXPECT_EQ(text_of(kid(ui_stat_rows_row(kid(p, DESIGN_ID_STATS), 0), STAT_ROW_VALUE_ID)),
              static_cast<const Ship *>(strip[0]->user_data)->name);
    EXPECT_NE(kid(kid(p, DESIGN_ID_FRAME), DESIGN_ID_PICTURE), nullptr);
    EXPECT_EQ(design_editor_state(p)->held_hull, first);
    frames(20);
    driver.save_screen("design_type_chooser.png");   // for review

    design_set_thread_creator([](int (*)(void *), void *) -> SDL_Thread * { return nullptr; });
    const int32_t other = static_cast<const Ship *>(strip.back()->user_data)->subtype;
    pick_hull(p, other);
    EXPECT_EQ(design_editor_state(p)->held_hull, other);
    EXPECT_NE(kid(kid(p, DESIGN_ID_FRAME), DESIGN_ID_PICTURE), nullptr);
}

// The editor opened while the worker still loads: the worker never touches the panel, the game
// thread joins it and adds no picture to the chooser's frame once the editor is open.
namespace {
std::atomic<bool> gate_open{false};
int (*gated_body)(void *) = nullptr;
int gated(void *data) {
    while (!gate_open.load()) SDL_Delay(1);
    return gated_body(data);
}
SDL_Thread *gated_creator(int (*body)(void *), void *data) {
    gated_body = body;
    return SDL_CreateThread(gated, data);
}
}  // namespace

TEST_F(DesignPictureLoad, EditorOpenedDuringPictureLoad) {
    gate_open = false;
    design_set_thread_creator(gated_creator);
    Control *p = chooser();
    std::vector<Control *> strip = cards(p);
    ASSERT_FALSE(strip.empty());
    click(strip[0]);
    frames(15);   // "Configure" takes its enabled look
    Control *frame = kid(p, DESIGN_ID_FRAME);
    ASSERT_NE(frame, nullptr);
    control_addref(frame);
    ASSERT_NE(design_editor_state(p)->load_thread, nullptr);
    click(column_button(p, DESIGN_ID_CONFIGURE));
    EXPECT_EQ(design_editor_state(p)->editor_open, 1);
    gate_open = true;
    ASSERT_TRUE(run_until([&] { return design_editor_state(p)->load_thread == nullptr; }, 300));
    frames(20);
    EXPECT_EQ(kid(frame, DESIGN_ID_PICTURE), nullptr);
    control_release(frame);
    EXPECT_NE(design_get_ship(p), nullptr);
}

// The detail request of a hull stays with the panel until another pick or the panel's end, even
// when the picture's load was never collected: nothing keeps a hull's pictures loaded afterwards.
namespace {
int32_t detail_requests(int32_t hull) {
    Factory *f = factory_get(OBJECT_SHIP);
    std::lock_guard<std::mutex> lock(f->count_mutex);
    return f->requested[size_t(hull)][FACTORY_GROUP_DETAIL];
}
}  // namespace

TEST_F(DesignPictureLoad, APickBeforeThePictureCameReleasesTheFirstHullsRequest) {
    Control *p = chooser();
    std::vector<Control *> strip = cards(p);
    ASSERT_GE(strip.size(), 2u);
    const int32_t first = static_cast<const Ship *>(strip[0]->user_data)->subtype;
    const int32_t second = static_cast<const Ship *>(strip[1]->user_data)->subtype;
    const int32_t first_before = detail_requests(first), second_before = detail_requests(second);
    design_on_hull_selected(strip[0]);
    ASSERT_NE(design_editor_state(p)->load_thread, nullptr);
    design_on_hull_selected(strip[1]);   // in the same frame: the first load is never collected
    EXPECT_EQ(detail_requests(first), first_before);
    EXPECT_EQ(detail_requests(second), second_before + 1);
    ASSERT_TRUE(run_until([&] { return design_editor_state(p)->load_thread == nullptr; }, 300));
    control_remove(p);
    panel = nullptr;   // closed here: the fixture has nothing left to close
    frames(3);
    EXPECT_EQ(detail_requests(second), second_before) << "the panel's end gives its request back";
}

TEST_F(DesignPictureLoad, ClosingDuringTheLoadReleasesTheHullsRequest) {
    gate_open = false;
    design_set_thread_creator(gated_creator);
    Control *p = chooser();
    std::vector<Control *> strip = cards(p);
    ASSERT_FALSE(strip.empty());
    const int32_t hull = static_cast<const Ship *>(strip[0]->user_data)->subtype;
    const int32_t before = detail_requests(hull);
    click(strip[0]);
    ASSERT_NE(design_editor_state(p)->load_thread, nullptr);
    EXPECT_EQ(detail_requests(hull), before + 1);
    gate_open = true;   // the panel's end waits for the worker
    control_remove(p);
    panel = nullptr;
    frames(3);
    EXPECT_EQ(detail_requests(hull), before);
}

// Accept refuses without an enabled engine first, then without a name (blanks count as none).
TEST_F(DesignPanel, AcceptRuleEngineBeforeName) {
    Control *p = editor_on(hull);
    Ship *ship = design_get_ship(p);
    ASSERT_NE(ship, nullptr);
    Control *accept = column_button(p, DESIGN_ID_ACCEPT);
    EXPECT_TRUE(disabled(accept));
    EXPECT_EQ(tip_of(accept), "Engine required");
    EXPECT_EQ(image_of(column_button(p, DESIGN_ID_BACK))->image_type, IMAGE_BACK);

    const System *engine = catalog_first(SYSTEM_FLAG_ENGINE_MOUNT, 0);
    ASSERT_NE(engine, nullptr);
    fit(p, mount_of(ship, MOUNT_ENGINE), engine->name.c_str());
    EXPECT_FALSE(disabled(accept));

    Control *entry = kid(p, DESIGN_ID_NAME);
    text_entry_begin_edit(entry);
    text_entry_set_text(entry, "   ");
    text_entry_accept(entry);
    EXPECT_TRUE(disabled(accept));
    EXPECT_EQ(tip_of(accept), "Design name required");

    fit(p, mount_of(ship, MOUNT_ENGINE), nullptr);
    EXPECT_EQ(tip_of(accept), "Engine required");

    text_entry_begin_edit(entry);
    text_entry_set_text(entry, "  Lancer ");
    text_entry_accept(entry);
    fit(p, mount_of(ship, MOUNT_ENGINE), engine->name.c_str());
    EXPECT_FALSE(disabled(accept));
    frames(15);   // the button takes its enabled look
    click(accept);
    EXPECT_EQ(accepted_calls, 1);
    EXPECT_EQ(ship->ship_name, "Lancer");
    // The statistics are the model's.
    EXPECT_EQ(text_of(kid(ui_stat_rows_row(kid(p, DESIGN_ID_STATS), 5), STAT_ROW_VALUE_ID)), str_format("%8i", ship->thrust));
}

// The picker lists the mount's kind only, refuses a second one-per-ship system and what the power
// left (counting the mount's own system as free) cannot run; refused rows cannot be picked.
TEST_F(DesignPanel, PickerFiltersCandidates) {
    Control *p = editor_on(hull);
    Ship *ship = design_get_ship(p);
    const int32_t a = mount_of(ship, MOUNT_SYSTEM), b = mount_of(ship, MOUNT_SYSTEM, 1);
    ASSERT_GE(b, 0) << "hull " << hull;
    List<System> *engine_rows = design_picker_candidates(ui, ship, mount_of(ship, MOUNT_ENGINE));
    for (System *s : engine_rows->items) EXPECT_TRUE(s->flags & SYSTEM_FLAG_ENGINE_MOUNT) << s->name;
    list_free(engine_rows);

    // A one-per-ship system of the owner's, and one that needs all the hull's power.
    System *single = system_create(catalog_first(0, SYSTEM_FLAG_ENGINE_MOUNT | SYSTEM_FLAG_ARMOUR_MOUNT)->type);
    system_copy(single, catalog_first(0, SYSTEM_FLAG_ENGINE_MOUNT | SYSTEM_FLAG_ARMOUR_MOUNT));
    single->name = "AAA Single";
    single->flags |= SYSTEM_FLAG_ONE_PER_SHIP;
    single->power = 1;
    list_append(&ui->catalog, single);
    System *hungry = system_create(single->type);
    system_copy(hungry, single);
    hungry->name = "AAB Hungry";
    hungry->flags &= ~SYSTEM_FLAG_ONE_PER_SHIP;
    hungry->power = ship->capacity_max;
    list_append(&ui->catalog, hungry);

    fit(p, a, "AAA Single");
    const auto bits = [&](int32_t mount, const char *name) -> int {
        List<System> *c = design_picker_candidates(ui, ship, mount);
        int found = -1;
        for (System *s : c->items)
            if (s->name == name) found = int(s->status & (PICKER_REFUSED_ONE_PER_SHIP | PICKER_REFUSED_POWER));
        list_free(c);
        return found;
    };
    EXPECT_EQ(bits(a, "AAA Single"), 0);
    EXPECT_EQ(bits(b, "AAA Single"), int(PICKER_REFUSED_ONE_PER_SHIP));
    EXPECT_EQ(bits(b, "AAB Hungry"), int(PICKER_REFUSED_POWER));
    // The mount's own power counts as free: with mount a emptied the hungry system fits anywhere.
    fit(p, a, nullptr);
    EXPECT_EQ(bits(b, "AAB Hungry"), 0);
    fit(p, a, "AAA Single");

    click(design_mount_card(p, b));
    frames(3);
    Control *list = kid(p, DESIGN_ID_PICKER);
    click(design_mount_card(p, b));   // the mount being chosen: nothing changes
    frames(3);
    EXPECT_EQ(kid(p, DESIGN_ID_PICKER), list);
    frames(20);
    driver.save_screen("design_editor_picker.png");   // for review
    for (Control *row : live_children(kid(kid(p, DESIGN_ID_PICKER), PICKER_ID_ROWS))) {
        const System *s = static_cast<const System *>(row->user_data);
        if (s && s->name == "AAA Single") {
            EXPECT_EQ(row->on_click, nullptr);
            row->on_hover_enter(row);
            frame();
            Control *tip = find(PICKER_ID_TIP);
            ASSERT_NE(tip, nullptr);
            EXPECT_EQ(text_of(live_children(tip).back()), "One allowed per ship");
        }
    }
    EXPECT_EQ(ship_get_crit_system(ship, b), nullptr);
}

// Editing works on copies: fitting in the editor and cancelling leave the stored design as it was;
// the picker's arrow puts the mount's system back.
TEST_F(DesignPanel, EditOnCopiesCancelLeavesDesign) {
    Ship *design = ship_of(player_get_design_at(ui, 0));
    std::vector<System *> before;
    for (int32_t i = 0; i < design->crit_count; ++i) before.push_back(design->crits[i].system);
    const int32_t fitted = [&] {
        for (int32_t i = 0; i < design->crit_count; ++i)
            if (design->crits[i].system && design->crits[i].mount_type == MOUNT_SYSTEM) return i;
        return -1;
    }();
    ASSERT_GE(fitted, 0);
    const std::string name = design->crits[fitted].system->name;

    Control *p = top_panel();
    design_configure_build(p, design->ship_name.c_str(), uint32_t(ui->id), uint32_t(ui->id >> 32), DESIGN_OPTS_EDIT);
    int cancelled = 0;
    static int *cancel_count = nullptr;
    cancel_count = &cancelled;
    panel_set_slot(p, DESIGN_EDITOR_SLOT_CANCELLED, [](Control *) { ++*cancel_count; });
    design_configure_open(p, design);
    frames(50);
    Ship *copy = design_get_ship(p);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(design_get_edited_id(p), design->id);
    EXPECT_NE(ship_get_crit_system(copy, fitted), design->crits[fitted].system);
    EXPECT_EQ(ship_get_crit_system(copy, fitted)->name, name);
    EXPECT_EQ(image_of(column_button(p, DESIGN_ID_BACK))->image_type, IMAGE_CANCEL);   // "Cancel"

    // The arrow restores the mount as it was.
    click(design_mount_card(p, fitted));
    frames(3);
    click(kid(design_mount_area(p), DESIGN_ID_ARROW));
    frames(3);
    ASSERT_NE(ship_get_crit_system(copy, fitted), nullptr);
    EXPECT_EQ(ship_get_crit_system(copy, fitted)->name, name);

    fit(p, fitted, nullptr);
    EXPECT_EQ(ship_get_crit_system(copy, fitted), nullptr);
    click(column_button(p, DESIGN_ID_BACK));
    EXPECT_EQ(cancelled, 1);
    for (int32_t i = 0; i < design->crit_count; ++i) EXPECT_EQ(design->crits[i].system, before[size_t(i)]) << "mount " << i;
    EXPECT_EQ(design->crits[fitted].system->name, name);
}

// Upgrade replaces fitted systems by better ones while the power left allows, one after another:
// the design never needs more power than the hull has.
TEST_F(DesignPanel, UpgradeStaysWithinPower) {
    Control *p = editor_on(hull);
    Ship *ship = design_get_ship(p);
    const System *base = catalog_first(0, SYSTEM_FLAG_ENGINE_MOUNT | SYSTEM_FLAG_ARMOUR_MOUNT | SYSTEM_FLAG_ONE_PER_SHIP);
    ASSERT_NE(base, nullptr);
    const int32_t type = base->type;
    // The catalogue's systems of the type: a strong one first (the best), then a weak one.
    for (int32_t i = list_count(&ui->catalog) - 1; i >= 0; --i)
        if (System *s = list_get(&ui->catalog, i); s && s->type == type && s != base) {
            list_remove_value(&ui->catalog, s);
            system_free(s);
        }
    System *weak = system_create(type), *strong = system_create(type);
    system_copy(weak, base);
    system_copy(strong, base);
    weak->name = "Weak";
    weak->power = 1;
    strong->name = "Strong";
    strong->value = base->value + 10;
    list_remove_value(&ui->catalog, const_cast<System *>(base));
    list_append(&ui->catalog, strong);
    list_append(&ui->catalog, weak);
    system_free(const_cast<System *>(base));

    const int32_t a = mount_of(ship, MOUNT_SYSTEM), b = mount_of(ship, MOUNT_SYSTEM, 1);
    ASSERT_GE(b, 0);
    fit(p, a, "Weak");
    fit(p, b, "Weak");
    // Room for one strong system, not two.
    ASSERT_GT(ship->capacity_max - ship->capacity_used, 0);
    strong->power = 1 + (ship->capacity_max - ship->capacity_used);
    design_editor_state(p)->options |= DESIGN_OPT_UPGRADE;
    ASSERT_TRUE(design_upgrade_available(p));
    design_on_upgrade(p);
    frames(5);
    EXPECT_LE(ship->capacity_used, ship->capacity_max);
    const int strong_count = (ship_get_crit_system(ship, a)->name == "Strong") + (ship_get_crit_system(ship, b)->name == "Strong");
    EXPECT_EQ(strong_count, 1);
    EXPECT_FALSE(design_upgrade_available(p));
}

// The handlers: "(New Design)" opens the panel named by the counter and an accepted design joins the
// player; an edit keeps the design's id and drops a paused build of it; Build charges the price
// shown, the paused cost when resuming.
TEST_F(DesignPanel, DesignHandlersStoreAndBuild) {
    galaxy_select_object(yard);
    const int32_t designs = player_design_count(ui);
    const int32_t counter = ui->totals.design_counter;
    galaxy_design_open(nullptr, nullptr);
    frames(20);
    Control *configure = galaxy_object_panel_find(GALAXY_PANEL_CONFIGURE);
    ASSERT_NE(configure, nullptr);
    EXPECT_EQ(design_editor_state(configure)->name, str_format("Mark-%i", counter));
    pick_hull(configure, hull);
    frames(15);
    click(column_button(configure, DESIGN_ID_CONFIGURE));
    frames(30);
    Ship *fresh = design_get_ship(configure);
    ASSERT_NE(fresh, nullptr);
    click(column_button(configure, DESIGN_ID_ACCEPT));   // refused: no engine
    EXPECT_EQ(player_design_count(ui), designs);
    design_on_accept(configure);   // the slot itself takes what it is given
    EXPECT_EQ(player_design_count(ui), designs + 1);
    EXPECT_EQ(ui->totals.design_counter, counter + 1);
    EXPECT_EQ(player_get_design_at(ui, designs), fresh);
    frames(5);

    // Edit the first design while the shipyard holds a paused build of it.
    GameObject *design = player_get_design_at(ui, 0);
    const uint64_t id = design->id;
    pause_on(design, 7, 3 * 1440);
    galaxy_select_object(yard);   // the site panel the handlers reopen keeps the selection
    galaxy_design_open(design, nullptr);
    frames(5);
    galaxy_design_on_edit(galaxy_object_panel_find(GALAXY_PANEL_DESIGN_SUMMARY));
    frames(30);
    configure = galaxy_object_panel_find(GALAXY_PANEL_CONFIGURE);
    ASSERT_NE(configure, nullptr);
    Ship *edited = design_get_ship(configure);
    design_on_accept(configure);
    EXPECT_EQ(player_get_design(ui, id), edited);
    EXPECT_FALSE(yard->state & SITE_PAUSED_KEPT);
    frames(5);

    // Resume costs the saved cost.
    pause_on(edited, 7, 3 * 1440);
    ui->credits = 100000;
    galaxy_select_object(yard);
    galaxy_design_open(edited, nullptr);
    frames(5);
    Control *summary = galaxy_object_panel_find(GALAXY_PANEL_DESIGN_SUMMARY);
    ASSERT_NE(summary, nullptr);
    galaxy_design_on_build(summary);
    EXPECT_EQ(ui->credits, 100000 - 7);
    EXPECT_EQ(yard->item_id, id);
}

// A summary left open while the credits went elsewhere builds nothing: the order checks again.
TEST_F(DesignPanel, ASummaryLeftOpenAfterTheCreditsWentBuildsNothing) {
    GameObject *design = player_get_design_at(ui, 0);
    ASSERT_NE(design, nullptr);
    ui->credits = 100000;
    galaxy_select_object(yard);
    galaxy_design_open(design, nullptr);
    frames(5);
    Control *summary = galaxy_object_panel_find(GALAXY_PANEL_DESIGN_SUMMARY);
    ASSERT_NE(summary, nullptr);
    ui->credits = 0;   // spent while the summary stood open
    galaxy_design_on_build(summary);
    EXPECT_FALSE(yard->state & SITE_PRODUCING) << "no ship for free";
    EXPECT_EQ(ui->credits, 0);
}

// Back returns to the hull choice with the typed name kept; the hull is chosen
// again and the working copy is gone.
TEST_F(DesignPanel, BackKeepsNameAndDropsCopy) {
    Control *p = editor_on(hull);
    Control *entry = kid(p, DESIGN_ID_NAME);
    text_entry_begin_edit(entry);
    text_entry_set_text(entry, "Harrier");
    text_entry_accept(entry);
    click(column_button(p, DESIGN_ID_BACK));
    frames(20);
    DesignEditorState *s = design_editor_state(p);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->editor_open, 0);
    EXPECT_EQ(s->hull_chosen, 0);
    EXPECT_EQ(s->working_ship, nullptr);
    EXPECT_EQ(s->name, "Harrier");
    EXPECT_EQ(std::string(text_entry_get_text(kid(p, DESIGN_ID_NAME))), "Harrier");
    EXPECT_TRUE(disabled(column_button(p, DESIGN_ID_CONFIGURE)));
    pick_hull(p, hull);
    frames(15);
    click(column_button(p, DESIGN_ID_CONFIGURE));
    frames(20);
    ASSERT_NE(design_get_ship(p), nullptr);
    EXPECT_EQ(design_get_ship(p)->ship_name, "Harrier");
    // The accepted slot came through Back.
    click(column_button(p, DESIGN_ID_ACCEPT));
    design_on_accept(p);
    EXPECT_EQ(accepted_calls, 1);
}

// A list taller than 372 pixels is cut there with a scroll bar whose range is the rows' height;
// the wheel moves by 24, the arrows by 96, and the rows follow on that scale.
TEST_F(DesignPanel, PickerScrollsLongLists) {
    Control *p = editor_on(hull);
    Ship *ship = design_get_ship(p);
    const System *base = catalog_first(0, SYSTEM_FLAG_ENGINE_MOUNT | SYSTEM_FLAG_ARMOUR_MOUNT | SYSTEM_FLAG_ONE_PER_SHIP);
    ASSERT_NE(base, nullptr);
    for (int i = 0; i < 12; ++i) {
        System *extra = system_create(base->type);
        system_copy(extra, base);
        extra->name = str_format("Extra %02i", i);
        list_append(&ui->catalog, extra);
    }
    click(design_mount_card(p, mount_of(ship, MOUNT_SYSTEM)));
    frames(3);
    Control *list = kid(p, DESIGN_ID_PICKER);
    Control *bar = kid(list, PICKER_ID_SCROLL);
    Control *rows = kid(list, PICKER_ID_ROWS);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(list->h, DESIGN_PICKER_MAX_HEIGHT);
    int pos = 0, range = 0;
    scroll_bar_get(bar, &pos, &range);
    EXPECT_EQ(range, rows->h);
    EXPECT_EQ(rows->y, 0);
    scroll_bar_state(bar)->on_first_arrow(bar);
    scroll_bar_get(bar, &pos, &range);
    EXPECT_EQ(pos, 96);
    EXPECT_EQ(rows->y, -int(int64_t(96) * (rows->h - DESIGN_PICKER_MAX_HEIGHT) / rows->h));
    scroll_bar_state(bar)->on_second_arrow(bar);
    scroll_bar_state(bar)->on_second_arrow(bar);
    scroll_bar_get(bar, &pos, &range);
    EXPECT_EQ(pos, 0);
    EXPECT_EQ(rows->y, 0);
}

// The road from the shipyard: "Build" opens the design chooser, "(New Design)" the design panel
// named by the counter; a hull, an engine and Accept make a new design, which the shipyard then
// lists and builds.
TEST_F(DesignPanel, NewDesignFromTheShipyard) {
    galaxy_select_object(yard);
    Control *site_panel = galaxy_object_panel_open(GALAXY_PANEL_SITE);
    galaxy_object_panel_set_object(site_panel, yard);
    galaxy_show_site_panel(site_panel, yard, 5);
    game_flush_new_controls(game);
    frames(25);
    const auto find_caption = [](Control *root, const std::string &text) {
        Control *found = nullptr;
        const std::function<void(Control *)> walk = [&](Control *c) {
            if (found || !c || (c->flags & CTRL_REMOVED)) return;
            if ((image_of(c) && image_of(c)->caption && text == image_of(c)->caption) || text_of(c) == text) found = c;
            if (panel_of(c))
                for (Control *k : panel_of(c)->children.items) walk(k);
        };
        walk(root);
        return found;
    };
    click(find_caption(site_panel, "Build"));
    frames(60);
    Control *new_row = find_caption(kid(site_panel, SITE_PANEL_ID_DESIGN_LIST), "(New Design)");
    ASSERT_NE(new_row, nullptr);
    while (new_row && !new_row->on_click) new_row = new_row->owner;   // the row, not its label
    const int32_t designs = player_design_count(ui);
    new_row->on_click(new_row);   // the row's own click (the chooser may stand past the panel's edge)
    frames(25);
    Control *configure = galaxy_object_panel_find(GALAXY_PANEL_CONFIGURE);
    ASSERT_NE(configure, nullptr);
    EXPECT_EQ(std::string(text_entry_get_text(kid(configure, DESIGN_ID_NAME))), str_format("Mark-%i", ui->totals.design_counter));

    pick_hull(configure, hull);
    frames(15);
    click(column_button(configure, DESIGN_ID_CONFIGURE));
    frames(40);
    Ship *fresh = design_get_ship(configure);
    ASSERT_NE(fresh, nullptr);
    fit(configure, mount_of(fresh, MOUNT_ENGINE), catalog_first(SYSTEM_FLAG_ENGINE_MOUNT, 0)->name.c_str());
    frames(15);
    click(column_button(configure, DESIGN_ID_ACCEPT));
    frames(25);
    ASSERT_EQ(player_design_count(ui), designs + 1);
    EXPECT_EQ(player_get_design_at(ui, designs), fresh);
    EXPECT_TRUE(has_enabled_engine_in(fresh));

    // The design summary of the new design builds it at the shipyard.
    ui->credits = 100000;
    galaxy_select_object(yard);
    galaxy_design_open(fresh, nullptr);
    frames(25);
    galaxy_design_on_build(galaxy_object_panel_find(GALAXY_PANEL_DESIGN_SUMMARY));
    EXPECT_EQ(yard->item_id, fresh->id);
    EXPECT_LT(ui->credits, 100000);
}

// The editor is wider than the type chooser: a chooser that stood flush with the screen's right
// edge would leave the picker and the buttons past it, out of the player's reach.
TEST_F(DesignPanel, EditorOpenedNearTheRightEdgeStaysOnTheScreen) {
    Control *p = chooser();
    control_set_position(p, ui_screen_width() - p->w, p->y);
    const int chooser_w = p->w;
    pick_hull(p, hull);
    frames(15);
    click(column_button(p, DESIGN_ID_CONFIGURE));
    frames(50);
    ASSERT_EQ(design_editor_state(p)->editor_open, 1);
    ASSERT_GT(p->w, chooser_w) << "the editor widens the panel";
    int x = 0, y = 0;
    control_get_screen_position(p, &x, &y);
    EXPECT_GE(x, 0);
    EXPECT_LE(x + p->w, ui_screen_width());
    for (int id : {DESIGN_ID_ACCEPT, DESIGN_ID_BACK}) {
        Control *button = column_button(p, id);
        ASSERT_NE(button, nullptr) << id;
        control_get_screen_position(button, &x, &y);
        EXPECT_LE(x + button->w, ui_screen_width()) << id;
    }
    // The picker opened on a mount stands on the screen too.
    Ship *ship = design_get_ship(p);
    click(design_mount_card(p, mount_of(ship, MOUNT_ENGINE)));
    frames(10);
    Control *picker = kid(p, DESIGN_ID_PICKER);
    ASSERT_NE(picker, nullptr);
    control_get_screen_position(picker, &x, &y);
    EXPECT_LE(x + picker->w, ui_screen_width());
}

// Fitting system after system keeps the editor, its picker and its buttons where they were, and
// Back brings the hull chooser back where it stood.
TEST_F(DesignPanel, FittingSystemsNeitherGrowsNorShiftsTheEditor) {
    Control *p = chooser();
    control_set_position(p, ui_screen_width() - p->w - 40, p->y);
    const int chooser_x = p->x, chooser_y = p->y;
    pick_hull(p, hull);
    frames(15);
    click(column_button(p, DESIGN_ID_CONFIGURE));
    frames(50);
    ASSERT_EQ(design_editor_state(p)->editor_open, 1);
    Ship *ship = design_get_ship(p);
    const int editor_x = p->x, editor_w = p->w;
    int picker_x = -1, fitted = 0;
    for (int32_t mount = 0; mount < ship->crit_count; ++mount) {
        if (ship->crits[mount].mount_type == MOUNT_ARMOUR) continue;
        click(design_mount_card(p, mount));
        frames(3);
        Control *picker = kid(p, DESIGN_ID_PICKER);
        Control *rows = picker ? kid(picker, PICKER_ID_ROWS) : nullptr;
        if (!rows) continue;
        if (picker_x < 0) picker_x = picker->x + picker->w;
        EXPECT_EQ(picker->x + picker->w, picker_x) << "mount " << mount << ": the list keeps its right edge";
        for (Control *row : live_children(rows))
            if (row->user_data && control_is_enabled(row) && !image_control_is_highlighted(row)) {
                row->on_click(row);
                ++fitted;
                break;
            }
        frames(10);
        EXPECT_EQ(p->w, editor_w) << "after " << fitted << " systems";
        EXPECT_EQ(p->x, editor_x) << "after " << fitted << " systems";
        int x = 0, y = 0;
        control_get_screen_position(p, &x, &y);
        EXPECT_LE(x + p->w, ui_screen_width());
        for (int id : {DESIGN_ID_ACCEPT, DESIGN_ID_BACK}) {
            Control *button = column_button(p, id);
            ASSERT_NE(button, nullptr) << id;
            control_get_screen_position(button, &x, &y);
            EXPECT_LE(x + button->w, ui_screen_width()) << id;
        }
    }
    ASSERT_GE(fitted, 2) << "the hull takes systems";
    driver.save_screen("newcomer/design_editor_fitted.png");
    click(column_button(p, DESIGN_ID_BACK));
    frames(50);
    EXPECT_EQ(design_editor_state(p)->editor_open, 0);
    EXPECT_EQ(std::pair(p->x, p->y), std::pair(chooser_x, chooser_y)) << "the chooser comes back where it stood";
}

// A summary opened beside a design row low on the screen moves up into the panel area, clear of
// the command bar and "Next Turn".
TEST_F(DesignPanel, ASummaryOpenedLowOnTheScreenStaysInThePanelArea) {
    galaxy_select_object(yard);
    Control *row = top_panel();
    control_set_size(row, 200, 40);
    control_set_position(row, 160, 600);
    galaxy_design_open(player_get_design_at(ui, 0), row);
    frames(25);
    Control *summary = galaxy_object_panel_find(GALAXY_PANEL_DESIGN_SUMMARY);
    ASSERT_NE(summary, nullptr);
    const GalaxyRect &area = galaxy_test::screen()->panel_area;
    EXPECT_TRUE(summary->y >= area.y1 && summary->y + summary->h - 1 <= area.y2) << summary->y << "+" << summary->h;
    EXPECT_LE(summary->y + summary->h, galaxy_test::screen()->next_turn_button->y);
}

// Every hull on offer is shown by its largest view filling its frame: the turning frames where
// they are the larger, else the full-size picture.
TEST_F(DesignPanel, EveryHullIsShownFullSizeInItsFrame) {
    Control *p = chooser();
    for (Control *card : cards(p)) {
        const Ship *tmpl = static_cast<const Ship *>(card->user_data);
        pick_hull(p, tmpl->subtype);
        frames(15);   // the frame has grown
        Control *frame = kid(p, DESIGN_ID_FRAME), *picture = kid(frame, DESIGN_ID_PICTURE);
        ASSERT_TRUE(frame && picture) << tmpl->name;
        int w = 0, h = 0;
        ship_get_frame_extent(tmpl, &w, &h);
        const int still = tmpl->frame_w[tmpl->picture_frame] * tmpl->frame_h[tmpl->picture_frame];
        EXPECT_EQ(picture->w * picture->h, std::max(w * h, still)) << tmpl->name;
        EXPECT_EQ(std::vector({frame->w, frame->h, 0, 0}), std::vector({picture->w, picture->h, picture->x, picture->y}))
            << tmpl->name;
    }
}

// The editor's AP range and Movement are the figures a ship built from the design has: without a
// commander the low end, with one (no skills yet) and a full crew the high end.
TEST_F(DesignPanel, TheEditorsFiguresAreTheBuiltShipsFigures) {
    Ship *design = ship_of(player_get_design_at(ui, 0));
    ASSERT_NE(design, nullptr);
    Control *p = top_panel();
    design_configure_build(p, design->ship_name.c_str(), uint32_t(ui->id), uint32_t(ui->id >> 32), DESIGN_OPTS_EDIT);
    design_configure_open(p, design);
    frames(50);
    Control *stats = kid(p, DESIGN_ID_STATS);
    auto row = [&](int i) { return text_of(kid(ui_stat_rows_row(stats, i), STAT_ROW_VALUE_ID)); };
    ASSERT_EQ(text_of(kid(ui_stat_rows_row(stats, 3), STAT_ROW_LABEL_ID)), "AP");
    ASSERT_EQ(text_of(kid(ui_stat_rows_row(stats, 6), STAT_ROW_LABEL_ID)), "Movement");

    Ship *built = ship_of(player_build_ship_from_design(ui, 0));
    ASSERT_NE(built, nullptr);
    const int32_t alone = built->max_ap;
    EXPECT_EQ(row(6), str_format("%i", built->max_mp));
    Officer *commander = officer_create();
    officer_retain(commander);
    ship_set_pilot(built, commander);
    ship_set_crew(built, built->max_crew);
    EXPECT_EQ(row(3), str_format("%i-%i", alone, built->max_ap)) << "engine power " << built->systems_ap;
    EXPECT_EQ(row(6), str_format("%i", built->max_mp));
    ship_set_pilot(built, nullptr);
    officer_release(commander);
    object_destroy(built);
}
