#pragma once
// The system info card: a small panel showing one System, or an empty mount, with an icon box, the
// name, optionally the mount side, the status line, detail rows and the description. The option
// flags choose the parts. The design screens use it for mount cards (three looks: normal, selected,
// dimmed) and hover tips; the ship details, technology and news panels for system rows and popups.
//  - The card's user data is the System it shows; the card takes no reference, the caller keeps
//    the System alive while the card lives.
//  - The card's widget state is a SystemCardState (the mount kind shown).
//  - Game thread only.
#include <cstdint>

struct Control;
struct System;

// Option flags of system_info_card_build.
constexpr uint32_t SYSTEM_CARD_HOVER         = 0x1;     // set by hover tips; the card looks the same
constexpr uint32_t SYSTEM_CARD_SMALL_NAME    = 0x2;     // name in font 2 with the status line beneath
constexpr uint32_t SYSTEM_CARD_ENGINE_MOUNT  = 0x4;
constexpr uint32_t SYSTEM_CARD_CATALOG_ROWS  = 0x8;     // detail rows as in a catalogue (cost, power, mass)
constexpr uint32_t SYSTEM_CARD_SYSTEM_MOUNT  = 0x10;
constexpr uint32_t SYSTEM_CARD_ARMOUR_MOUNT  = 0x20;
constexpr uint32_t SYSTEM_CARD_SIDE_FORE     = 0x40;
constexpr uint32_t SYSTEM_CARD_SIDE_PORT     = 0x80;
constexpr uint32_t SYSTEM_CARD_SIDE_AFT      = 0x100;
constexpr uint32_t SYSTEM_CARD_SIDE_STARBOARD = 0x200;
constexpr uint32_t SYSTEM_CARD_SIDES         = 0x3c0;
constexpr uint32_t SYSTEM_CARD_DETAIL_ROWS   = 0x400;
constexpr uint32_t SYSTEM_CARD_DESCRIPTION   = 0x800;
constexpr uint32_t SYSTEM_CARD_MOUNT_FORM    = 0x1000;  // icon inset, larger icon box, wider card
// The design editor's hover tip and the grant popup.
constexpr uint32_t SYSTEM_CARD_TIP   = SYSTEM_CARD_DESCRIPTION | SYSTEM_CARD_DETAIL_ROWS | SYSTEM_CARD_HOVER;
constexpr uint32_t SYSTEM_CARD_GRANT = SYSTEM_CARD_TIP | SYSTEM_CARD_CATALOG_ROWS;

// Child ids.
constexpr int SYSTEM_CARD_ID_ICON_BOX  = 100001;
constexpr int SYSTEM_CARD_ID_NAME      = 100002;   // the name, or "(empty)"
constexpr int SYSTEM_CARD_ID_DESC      = 100003;
constexpr int SYSTEM_CARD_ID_STATUS    = 100004;
constexpr int SYSTEM_CARD_ID_ICON      = 100005;   // inside the icon box
constexpr int SYSTEM_CARD_ID_ROWS      = 100006;
constexpr int SYSTEM_CARD_ID_SIDE_PIC  = 100007;
constexpr int SYSTEM_CARD_ID_SIDE_NAME = 100008;

// Mount kinds of the card's state.
constexpr int32_t SYSTEM_CARD_KIND_OTHER  = 0;
constexpr int32_t SYSTEM_CARD_KIND_ENGINE = 1;
constexpr int32_t SYSTEM_CARD_KIND_ARMOUR = 2;

struct SystemCardState {
    int32_t  mount_kind = SYSTEM_CARD_KIND_OTHER;
    uint32_t options = 0;    // as built: the looks size the card by them
};

// Ms of the looks' fades and resizes and of the status line's fade.
constexpr int SYSTEM_CARD_LOOK_MS = 160;
constexpr int SYSTEM_CARD_STATUS_FADE_MS = 120;

// Removes the card's children and builds it for the system (null: an empty mount).
void system_info_card_build(Control *card, System *system, uint32_t options);
// A new card panel built as above; null when out of memory.
Control *system_info_card_create(System *system, uint32_t options);
// Replaces the status line by a new one for the card's system; the old one fades out. The card
// keeps its size and position.
void system_card_refresh_status(Control *card);
void system_card_set_normal(Control *card);
void system_card_set_selected(Control *card);
void system_card_set_dimmed(Control *card);
// The mount kind recorded when the card was built; SYSTEM_CARD_KIND_OTHER for any other control.
int32_t system_card_get_mount_kind(Control *card);
