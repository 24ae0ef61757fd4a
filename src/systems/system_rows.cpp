// What the panels show of a system: its status line and its rows of figures, the common ones
// around the rows of its type.
#include <new>
#include "platform/str.h"
#include "systems/system.h"
#include "platform/colour_fade.h"
#include "ui/control.h"
#include "ui/image_control.h"
#include "ui/text_label.h"

namespace {

constexpr int32_t ICON_COST = 50;
constexpr int32_t ICON_POWER = 63;
constexpr int32_t ICON_MASS = 130;
constexpr int32_t ICON_ARC = 64;

const char *side_name(int32_t side) {
    switch (side) {
    case SYSTEM_SIDE_PORT: return "Port";
    case SYSTEM_SIDE_AFT: return "Aft";
    case SYSTEM_SIDE_STARBOARD: return "Starboard";
    default: return "Fore";
    }
}

int32_t side_frame(int32_t side) { return side >= 1 && side <= 3 ? side : 0; }

// A row owns its icon, unreferenced, until a layout places it (the layout takes the pointer out of
// the row and the panel holds the icon's one reference).
void row_free(SystemRow *row) {
    if (row && row->icon && row->icon->refcount <= 0) control_destroy(row->icon);
    delete row;
}

const SystemTypeOps *row_ops_of(const System *system) { return system_type_ops(system->type); }

}  // namespace

std::string system_turns_text(int32_t turns) { return str_format("%i turn%s", int(turns), turns == 1 ? "" : "s"); }

void system_add_row(List<SystemRow> *rows, int32_t icon_type, int32_t icon_frame, const char *label,
                    const std::string &value, int32_t highlight) {
    if (!rows) return;
    auto *row = new (std::nothrow) SystemRow();
    if (!row) return;
    if (!rows->free_fn) list_set_free_fn(rows, row_free);
    row->icon = icon_type > 0 ? image_control_create_frame(icon_type, icon_frame) : nullptr;
    row->label = label ? label : "";
    row->value = value;
    row->highlight = highlight;
    list_append(rows, row);
}

void system_status_line(const System *system, Control *label) {
    if (!label || (system->flags & SYSTEM_FLAG_NO_STATUS) || system->max_integrity < 1) return;
    const char *text = "OK";
    int r = 20, g = 185, b = 0;
    if (system->status & SYSTEM_STATUS_OFFLINE) {
        text = "Offline";
        r = 240;
        g = 0;
    } else if (system->status & SYSTEM_STATUS_DAMAGED) {
        text = "Damaged";
        r = 160;
        g = 80;
    }
    text_label_set_text(label, text);
    colour_fade_set(text_label_colour(label), r, g, b);
}

void system_detail_rows(System *system, List<SystemRow> *rows, int32_t mode) {
    if (mode == 0) {
        system_add_row(rows, ICON_COST, 0, "Cost", str_format("$%i", system->cost), 0);
        if (system->power > 0) system_add_row(rows, ICON_POWER, 0, "Power", str_format("%i TW", system->power), 0);
        if (system->mass >= 1) system_add_row(rows, ICON_MASS, 0, "Mass", str_format("%i KT", system->mass), 0);
    }
    if (mode == 2 && (system->flags & SYSTEM_FLAG_ARC))
        system_add_row(rows, ICON_ARC, side_frame(system->mount_side), "Arc", side_name(system->mount_side), 0);
    if (const SystemTypeOps *ops = row_ops_of(system); ops && ops->detail_rows) ops->detail_rows(system, rows, mode);
    if (mode == 2) {
        if (system->power > 0) system_add_row(rows, ICON_POWER, 0, "Power", str_format("%i TW", system->power), 0);
        if (system->mass > 0) system_add_row(rows, ICON_MASS, 0, "Mass", str_format("%i KT", system->mass), 0);
    }
}

void system_info_rows(System *system, List<SystemRow> *rows, int32_t mode) {
    if (mode == 0) {
        system_add_row(rows, ICON_COST, 0, nullptr, str_format("$%i", system->cost), 0);
        if (system->power >= 1) system_add_row(rows, ICON_POWER, 0, nullptr, str_format("%i", system->power), 0);
    }
    if (mode == 1 && (system->flags & SYSTEM_FLAG_ARC))
        system_add_row(rows, ICON_ARC, side_frame(system->mount_side), nullptr, side_name(system->mount_side), 0);
    if (const SystemTypeOps *ops = row_ops_of(system); ops && ops->info_rows) ops->info_rows(system, rows, mode);
}
