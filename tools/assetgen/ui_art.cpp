// The UI art: the image-type table and the cursors.
#include "assetgen/ui_art.h"

#include <algorithm>
#include <cmath>

#include "assetgen/ui_glyphs.h"

namespace {

constexpr float PI = 3.14159265358979f;

constexpr Rgb8 GREEN{70, 220, 110};
constexpr Rgb8 RED{235, 80, 70};
constexpr Rgb8 CYAN{80, 200, 255};
constexpr Rgb8 AMBER{250, 185, 60};
constexpr Rgb8 VIOLET{175, 130, 255};
constexpr Rgb8 TEAL{70, 215, 200};
constexpr Rgb8 ORANGE{255, 130, 50};
constexpr Rgb8 STEEL{170, 185, 205};
constexpr Rgb8 GOLD{240, 210, 90};
constexpr Rgb8 WHITE{225, 230, 240};

enum class Kind {
    None,       // not generated (the given-sprite type)
    Button,     // glyph on a bevelled plate; frame 1 lit
    Small,      // the same on a small plate (scroll arrows, close box)
    Icon,       // bare outlined glyph; frame 1 larger
    Frames,     // bare glyph, every frame a variant (glyph frame = index), one size
    Anim,       // bare glyph, frames loop (phase = index / count), one size
    AnimPlate,  // plate glyph, frames loop
    Bullet,     // tiny bullet, frame 1 lit
    Caret,      // text entry cursor
    Portrait,
    MinimapFrame,
    Planet,
    Neutral,
};

struct Art {
    Kind kind = Kind::Neutral;
    Glyph glyph = Glyph::Neutral;
    Rgb8 accent = STEEL;
    int frames = 1;
    int size = 24;
    int variant = -1;          // glyph frame to draw in every frame (ranks)
    const char *role = "unused";
};

const std::vector<int> k_system_icons = {132, 133, 134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 147,
                                         152, 153, 163, 169, 170, 171, 172, 173, 174, 175, 176, 198, 199, 200, 201};
const std::vector<int> k_tech_icons = {4,  22, 24, 39, 57, 58, 59, 60, 65, 68, 77, 81, 83, 85,
                                       86, 88, 89, 92, 101, 103, 107, 108, 115, 203, 205, 206, 208};

Art button(Glyph g, Rgb8 c, const char *role) { return {Kind::Button, g, c, 2, 24, -1, role}; }
Art small(Glyph g, Rgb8 c, int size, const char *role) { return {Kind::Small, g, c, 2, size, -1, role}; }
Art icon(Glyph g, Rgb8 c, const char *role) { return {Kind::Icon, g, c, 2, 14, -1, role}; }
Art anim(Glyph g, Rgb8 c, int frames, int size, const char *role) { return {Kind::Anim, g, c, frames, size, -1, role}; }

Art art_of(int type) {
    // The system icons in system type order: beam, volley gun, engine, sensor, heavy beam, shield,
    // evasion boost, triple beam, missile, point defence, drain, damage boost, crew module,
    // starbase kit, network intrusion, armour, hyperdrive, escape pod, crew shelter, booster, drone
    // launcher, jump drive, mass driver, stealth, rocket pod, self destruct, fleet damage boost,
    // fleet evasion boost, interdictor, boarding grid.
    static const struct { Glyph glyph; Rgb8 accent; } systems[30] = {
        {Glyph::SystemBeam, ORANGE},    {Glyph::SystemWeapon, ORANGE}, {Glyph::SystemEngine, CYAN},
        {Glyph::SystemScanner, TEAL},   {Glyph::SystemBeam, RED},      {Glyph::SystemShield, CYAN},
        {Glyph::Steps, GREEN},          {Glyph::SystemBeam, AMBER},    {Glyph::SystemMissile, ORANGE},
        {Glyph::Crosshair, CYAN},       {Glyph::Energy, VIOLET},       {Glyph::Burst, ORANGE},
        {Glyph::Crew, TEAL},            {Glyph::Construct, AMBER},     {Glyph::TechCircuit, VIOLET},
        {Glyph::SystemArmour, STEEL},   {Glyph::Warp, CYAN},           {Glyph::Lifebuoy, TEAL},
        {Glyph::Shield, TEAL},          {Glyph::BoostBolt, GOLD},      {Glyph::Fleet, AMBER},
        {Glyph::Warp, VIOLET},          {Glyph::SystemWeapon, STEEL},  {Glyph::SystemCloak, VIOLET},
        {Glyph::SystemMissile, RED},    {Glyph::Burst, RED},           {Glyph::Burst, GOLD},
        {Glyph::Steps, TEAL},           {Glyph::Barrier, CYAN},        {Glyph::Grid, ORANGE},
    };
    static const Glyph tech_glyphs[] = {Glyph::TechCircuit, Glyph::TechHelix, Glyph::TechPrism,
                                        Glyph::TechOrbit,   Glyph::TechLattice, Glyph::Atom, Glyph::Flask};
    static const Rgb8 tech_accents[] = {VIOLET, TEAL, CYAN, GOLD};
    for (size_t i = 0; i < k_system_icons.size(); ++i)
        if (k_system_icons[i] == type)
            return icon(systems[i].glyph, systems[i].accent, "system icon");
    for (size_t i = 0; i < k_tech_icons.size(); ++i)
        if (k_tech_icons[i] == type) return icon(tech_glyphs[i % 7], tech_accents[i % 4], "technology icon");

    if (type >= IMAGE_RANK_FIRST && type <= IMAGE_RANK_LAST)   // glyph frames 1..6, a rank each
        return {Kind::Icon, Glyph::Rank, GOLD, 2, 16, type - IMAGE_RANK_FIRST + 1, "rank insignia"};

    switch (type) {
    case IMAGE_FALLBACK: return icon(Glyph::Unknown, STEEL, "fallback icon");
    case IMAGE_NO: return button(Glyph::Cross, RED, "No / cancel");
    case IMAGE_RETREAT: return button(Glyph::Retreat, AMBER, "Retreat");
    case IMAGE_MOVE: return button(Glyph::ArrowRight, CYAN, "Move");
    case IMAGE_TURN: return button(Glyph::Turn, CYAN, "Turn");
    case IMAGE_SCAN: return button(Glyph::Scan, CYAN, "Scan");
    case IMAGE_CLOSE: return small(Glyph::Cross, RED, 16, "close box");
    case IMAGE_NEXT_TURN: return button(Glyph::NextTurn, GREEN, "Next Turn");
    case IMAGE_BACK: return button(Glyph::ArrowLeft, CYAN, "Back");
    case IMAGE_DEFENCE_UPGRADE: return button(Glyph::ShieldPlus, AMBER, "defence upgrade");
    case IMAGE_START: return button(Glyph::Star, GREEN, "New game / Start");
    case IMAGE_TICK: return icon(Glyph::Check, GREEN, "researched tick");
    case IMAGE_YES: return button(Glyph::Check, GREEN, "Yes / accept");
    case IMAGE_TECH_LIST: return button(Glyph::Atom, VIOLET, "technology list");
    case IMAGE_STATUS: return button(Glyph::Pulse, CYAN, "Status");
    case IMAGE_DELETE: return button(Glyph::Trash, RED, "delete");
    case IMAGE_RESEARCHING: return icon(Glyph::Hourglass, VIOLET, "research in progress");
    case IMAGE_TRANSFER_CREW: return button(Glyph::Transfer, TEAL, "Transfer crew");
    case IMAGE_BUILD_FACILITY: return button(Glyph::Hammer, AMBER, "Build facility");
    case IMAGE_ZOOM: return button(Glyph::Magnifier, CYAN, "Zoom");
    case IMAGE_ATTACK: return button(Glyph::Crosshair, ORANGE, "Attack / Fire");
    case IMAGE_ARROW_LEFT: return small(Glyph::TriLeft, GREEN, 14, "scroll left");
    case IMAGE_ARROW_RIGHT: return small(Glyph::TriRight, GREEN, 14, "scroll right");
    case IMAGE_BUILD_SHIP: return button(Glyph::ShipPlus, AMBER, "Build ship");
    case IMAGE_GAME_MENU: return button(Glyph::Menu, STEEL, "game menu");
    case IMAGE_SAVE: return button(Glyph::Disk, GREEN, "Save / Accept");
    case IMAGE_LOAD: return button(Glyph::Folder, CYAN, "Load game");
    case IMAGE_OPTIONS: return button(Glyph::Gear, STEEL, "Options");
    case IMAGE_MAIN_MENU: return button(Glyph::House, STEEL, "Main menu");
    case IMAGE_QUIT: return button(Glyph::Power, RED, "Quit game");
    case IMAGE_MINIMAP_TOGGLE: return button(Glyph::MapToggle, CYAN, "minimap toggle");
    case IMAGE_RESEARCH_BUTTON: return button(Glyph::Flask, VIOLET, "Research");
    case IMAGE_SCRAP: return button(Glyph::Scrap, RED, "Scrap");
    case IMAGE_TRAIN: return button(Glyph::Graduate, TEAL, "Train officer");
    case IMAGE_RUSH: return button(Glyph::Bolt, GOLD, "Rush");
    case IMAGE_CANCEL: return button(Glyph::Stop, RED, "Cancel / Halt");
    case IMAGE_NEW_DESIGN: return button(Glyph::Blueprint, CYAN, "(New Design)");
    case IMAGE_COMPUTER: return {Kind::AnimPlate, Glyph::Busy, WHITE, 8, 24, -1, "computer player / busy"};
    case IMAGE_HUMAN: return button(Glyph::Person, GREEN, "human player");
    case IMAGE_EMPTY_MOUNT: return button(Glyph::DashedCircle, STEEL, "empty mount");
    case IMAGE_NEWS_LIST: return button(Glyph::News, CYAN, "news list");
    case IMAGE_STARMAP: return button(Glyph::Galaxy, CYAN, "Starmap");
    case IMAGE_SHIPS_LIST: return button(Glyph::ShipList, CYAN, "ships list");
    case IMAGE_EDIT_DESIGN: return button(Glyph::Pencil, AMBER, "Edit design");
    case IMAGE_MINIMAP_FRAME: return {Kind::MinimapFrame, Glyph::Neutral, CYAN, 1, 132, -1, "minimap frame"};
    case IMAGE_CREDITS: return icon(Glyph::Coin, GOLD, "credits");
    case IMAGE_ACTION_POINTS: return icon(Glyph::Energy, CYAN, "action points");
    case IMAGE_PORTRAIT: return {Kind::Portrait, Glyph::Portrait, STEEL, 2, 48, -1, "officer portrait"};
    case IMAGE_ARMOUR: return icon(Glyph::Armour, STEEL, "armour");
    case IMAGE_MOUNT_MARKER: return {Kind::Icon, Glyph::MountRing, GREEN, 2, 10, -1, "mount marker"};
    case IMAGE_PRESENCE: return anim(Glyph::Presence, WHITE, 8, 16, "presence (tinted)");
    case IMAGE_SKILL_PIP: return {Kind::Icon, Glyph::Pip, GOLD, 2, 8, -1, "skill pip"};
    case IMAGE_SAVE_ROW: return button(Glyph::Disk, STEEL, "save file row");
    case IMAGE_FEATURE: return {Kind::Frames, Glyph::FeatureAsteroid, TEAL, 7, 24, -1, "feature overlay by kind"};
    case IMAGE_POWER: return icon(Glyph::Power, GOLD, "power");
    case IMAGE_ARC_SIDE: return {Kind::Frames, Glyph::ArcSide, ORANGE, 4, 24, -1, "arc side: Fore Port Aft Starboard"};
    case IMAGE_ROUNDS: return icon(Glyph::SystemMissile, ORANGE, "rounds");
    case IMAGE_INTELLIGENCE: return button(Glyph::Eye, VIOLET, "intelligence report");
    case IMAGE_COMBAT: return button(Glyph::Swords, ORANGE, "Engage / Combat");
    case IMAGE_OFFICERS_LIST: return button(Glyph::Badge, TEAL, "officers list");
    case IMAGE_ENCOUNTER_LIST: return button(Glyph::SwordsList, ORANGE, "encounter list");
    case IMAGE_COURSE: return button(Glyph::Course, CYAN, "Set Course");
    case IMAGE_ALERT: return {Kind::Frames, Glyph::Alert, AMBER, 3, 18, -1, "alert / badge / missile warning"};
    case IMAGE_CLOCK: return anim(Glyph::Clock, GOLD, 8, 14, "days / clock");
    case IMAGE_PRODUCTION: return icon(Glyph::Factory, AMBER, "production");
    case IMAGE_CONSTRUCTION: return icon(Glyph::Crane, AMBER, "construction");
    case IMAGE_CREW: return icon(Glyph::Crew, TEAL, "crew");
    case IMAGE_COMMANDER: return icon(Glyph::Chevron, GOLD, "commanding officer");
    case IMAGE_WINNER: return icon(Glyph::Trophy, GOLD, "winner");
    case IMAGE_ENGINE_MOUNT: return icon(Glyph::Flame, ORANGE, "engine mount");
    case IMAGE_SYSTEM_MOUNT: return icon(Glyph::Socket, CYAN, "system mount");
    case IMAGE_SENSOR_LOCK: return icon(Glyph::Lock, GREEN, "In range / sensor lock");
    case IMAGE_TEXT_ENTRY: return icon(Glyph::TextEntry, CYAN, "text entry");
    case IMAGE_TEXT_CURSOR: return {Kind::Caret, Glyph::Caret, GREEN, 2, 14, -1, "text entry cursor"};
    case IMAGE_SHIP_CREW: return icon(Glyph::ShipCrew, TEAL, "ship crew");
    case IMAGE_STARBASE_CREW: return icon(Glyph::BaseCrew, TEAL, "starbase crew");
    case IMAGE_ARROW_UP: return small(Glyph::TriUp, GREEN, 14, "scroll up");
    case IMAGE_ARROW_DOWN: return small(Glyph::TriDown, GREEN, 14, "scroll down");
    case IMAGE_REASSIGN: return button(Glyph::Reassign, TEAL, "Reassign officer");
    case IMAGE_REPAIR: return button(Glyph::Wrench, AMBER, "Repair / Reload");
    case IMAGE_SKILL_NAVIGATION: return icon(Glyph::Compass, CYAN, "Navigation");
    case IMAGE_SKILL_ENGINEERING: return icon(Glyph::GearWrench, AMBER, "Engineering");
    case IMAGE_SKILL_MARKSMANSHIP: return icon(Glyph::Crosshair, ORANGE, "Marksmanship");
    case IMAGE_SKILL_COMMAND: return icon(Glyph::Star, GOLD, "Command");
    case IMAGE_SKILL_SENSORS: return icon(Glyph::Eye, VIOLET, "Sensors");
    case IMAGE_SKILL_MINING: return icon(Glyph::Pickaxe, AMBER, "Mining");
    case IMAGE_CADET: return {Kind::Icon, Glyph::Cadet, GOLD, 2, 16, -1, "Cadet"};
    case IMAGE_SELECT_ALL: return button(Glyph::SelectAll, GREEN, "select all");
    case IMAGE_CLEAR_SELECTION: return button(Glyph::ClearSelection, RED, "clear selection");
    case IMAGE_NO_COMMANDER: return icon(Glyph::NoCommander, STEEL, "(No commander)");
    case IMAGE_SAVE_SCREEN: return button(Glyph::DiskStack, GREEN, "save screen");
    case IMAGE_SECTORS: return {Kind::Frames, Glyph::Sectors, CYAN, 3, 18, -1, "sectors / Terminated / post"};
    case IMAGE_CORPORATION: return button(Glyph::Emblem, GOLD, "corporation");
    case IMAGE_EMBLEM: return icon(Glyph::Emblem, WHITE, "corporation header (tinted)");
    case IMAGE_RESEARCH: return icon(Glyph::Flask, VIOLET, "research");
    case IMAGE_ARMOUR_MOUNT: return icon(Glyph::HexPlate, STEEL, "armour mount");
    case IMAGE_DAMAGE: return icon(Glyph::Burst, ORANGE, "damage");
    case IMAGE_SHIELD: return icon(Glyph::Shield, CYAN, "shield strength");
    case IMAGE_DATE: return icon(Glyph::Calendar, STEEL, "date");
    case IMAGE_BULLET: return {Kind::Bullet, Glyph::Bullet, GREEN, 2, 8, -1, "text bullet"};
    case IMAGE_MASS: return icon(Glyph::Weight, STEEL, "mass");
    case IMAGE_SYSTEM_MOUNTS: return icon(Glyph::Grid, CYAN, "system mounts");
    case IMAGE_STARBASE_DESTROYED: return button(Glyph::StationBroken, RED, "starbase destroyed");
    case IMAGE_REPLACE_OFFICER: return button(Glyph::Swap, TEAL, "Replace officer");
    case IMAGE_CONFIGURE: return button(Glyph::Sliders, STEEL, "Configure");
    case IMAGE_OK: return button(Glyph::Ok, GREEN, "OK / Continue");
    case IMAGE_SYSTEM_STATUS: return icon(Glyph::Gauge, CYAN, "system status");
    case IMAGE_ENCOUNTER_MARKER: return anim(Glyph::EncounterMarker, WHITE, 8, 20, "encounter marker (tinted)");
    case IMAGE_GATHER: return button(Glyph::Gather, TEAL, "Gather");
    case IMAGE_RESCUE: return button(Glyph::Lifebuoy, TEAL, "Rescue");
    case IMAGE_PASS: return button(Glyph::Pass, CYAN, "Pass");
    case IMAGE_STOP: return button(Glyph::StopSquare, RED, "Stop");
    case IMAGE_COUNTDOWN: return anim(Glyph::Countdown, GOLD, 8, 16, "auto-pass countdown");
    case IMAGE_LOST: return icon(Glyph::Lost, RED, "Lost");
    case IMAGE_BONUS: return icon(Glyph::Gift, GOLD, "bonus grant");
    case IMAGE_TALLY: return icon(Glyph::Tally, STEEL, "count");
    case IMAGE_ABOUT: return button(Glyph::Info, CYAN, "About");
    case IMAGE_MOVEMENT: return icon(Glyph::Steps, CYAN, "movement");
    case IMAGE_EXPAND: return small(Glyph::Expand, GREEN, 16, "expand");
    case IMAGE_COLLAPSE: return small(Glyph::Collapse, GREEN, 16, "collapse");
    case IMAGE_HELP: return button(Glyph::Help, CYAN, "Help");
    case IMAGE_CONSTRUCT: return button(Glyph::Construct, AMBER, "Construct");
    case IMAGE_HARVESTER_MOVE: return button(Glyph::Harvester, AMBER, "harvester Move");
    case IMAGE_HULL_CLASS: return icon(Glyph::Hull, STEEL, "hull class");
    case IMAGE_THRUST: return icon(Glyph::Flame, ORANGE, "thrust");
    case IMAGE_SECTORS_CONTROLLED: return icon(Glyph::Flag, GREEN, "sectors controlled");
    case IMAGE_SKILL_SCIENCE: return icon(Glyph::Atom, VIOLET, "Science");
    case IMAGE_SKILL_FIELD_REPAIR: return icon(Glyph::Wrench, TEAL, "Field Repair");
    case IMAGE_SKILL_INSTRUCTION: return icon(Glyph::Book, VIOLET, "Instruction");
    case IMAGE_TURN_COST: return icon(Glyph::TurnCost, CYAN, "turn AP cost");
    case IMAGE_PLANET: return {Kind::Planet, Glyph::Neutral, AMBER, 16, 64, 0, "planet"};
    case IMAGE_EARTH: return {Kind::Planet, Glyph::Neutral, CYAN, 16, 64, 1, "Earth"};
    case IMAGE_PAUSE_RESEARCH: return button(Glyph::Pause, VIOLET, "Pause research");
    case IMAGE_ABORT_RETREAT: return button(Glyph::AbortRetreat, RED, "Abort retreat");
    case IMAGE_DEACTIVATE: return button(Glyph::PowerOff, RED, "Deactivate");
    case IMAGE_ACTIVATE: return button(Glyph::PowerOn, GREEN, "Activate");
    case IMAGE_MISSILE_TARGET: return icon(Glyph::Target, RED, "missile target");
    case IMAGE_FLEET_NEWS: return button(Glyph::Fleet, CYAN, "fleet news");
    case IMAGE_CREW_RESCUED: return button(Glyph::Lifebuoy, TEAL, "crew rescued");
    case IMAGE_RESOURCES_GATHERED: return button(Glyph::Crate, AMBER, "resources gathered");
    case IMAGE_BLOCKADE: return icon(Glyph::Barrier, RED, "blockade");
    case IMAGE_UPGRADE: return button(Glyph::Upgrade, GREEN, "Upgrade / Prioritize");
    case IMAGE_BOOST: return icon(Glyph::BoostBolt, GOLD, "Activate / Boost");
    case IMAGE_RESOURCES_DEPLETED: return button(Glyph::CrateEmpty, STEEL, "resources depleted");
    case IMAGE_JUMP: return icon(Glyph::Warp, VIOLET, "jump");
    case IMAGE_STARBASE_CAPTURED: return button(Glyph::FlagStation, RED, "starbase captured");
    case IMAGE_RESEARCH_PAUSED: return icon(Glyph::FlaskPause, VIOLET, "research paused");
    case IMAGE_CREDITS_COIN: return anim(Glyph::Coin, GOLD, 8, 14, "credits coin (status bar)");
    default: return {Kind::Neutral, Glyph::Neutral, STEEL, 1, 16, -1, "neutral"};
    }
}

Rgb8 glyph_top(Rgb8 accent, bool lit) { return mix(accent, Rgb8{255, 255, 255}, lit ? 0.8f : 0.55f); }
Rgb8 glyph_bottom(Rgb8 accent, bool lit) { return lit ? mix(accent, Rgb8{255, 255, 255}, 0.3f) : accent; }

Mask glyph_mask(int w, int h, float x, float y, float s, Glyph g, int frame, float phase) {
    Mask m(w, h);
    Pen pen(&m, x, y, s, s);
    draw_glyph(pen, g, frame, phase);
    return m;
}

IconImage plate_icon(const Art &a, int size, bool lit, int frame, float phase) {
    IconImage img(size, size);
    paint_plate(&img, 0, 0, size, size, a.accent, lit, size >= 20 ? 3 : 2);
    const float inset = size >= 20 ? 3.5f : 2.5f;
    const Mask m = glyph_mask(size, size, inset, inset, static_cast<float>(size) - 2 * inset, a.glyph,
                              a.variant >= 0 ? a.variant : frame, phase);
    paint_glyph(&img, m, glyph_top(a.accent, lit), glyph_bottom(a.accent, lit), true);
    return img;
}

IconImage bare_icon(const Art &a, int size, bool lit, int frame, float phase) {
    IconImage img(size, size);
    const Mask m = glyph_mask(size, size, 1.0f, 1.0f, static_cast<float>(size) - 2.0f, a.glyph,
                              a.variant >= 0 ? a.variant : frame, phase);
    paint_glyph(&img, m, glyph_top(a.accent, lit), glyph_bottom(a.accent, lit), true);
    return img;
}

IconImage portrait(bool lit) {
    IconImage img(48, 56);
    paint_plate(&img, 0, 0, 48, 56, STEEL, lit, 3);
    Mask m(48, 56);
    Pen pen(&m, 6, 8, 36, 48);
    draw_glyph(pen, Glyph::Portrait, 0, 0);
    paint_glyph(&img, m, lit ? Rgb8{120, 135, 160} : Rgb8{90, 102, 124}, Rgb8{40, 48, 62}, true);
    return img;
}

IconImage minimap_frame() {
    const int s = 132;
    IconImage img(s, s);
    paint_plate(&img, 0, 0, s, s, CYAN, false, 4);
    for (int y = 4; y < s - 4; ++y)
        for (int x = 4; x < s - 4; ++x) img.put(x, y, Rgb8{4, 7, 12});
    // Corner brackets in the accent colour.
    const Rgb8 c = scale(CYAN, 0.8f);
    for (int i = 0; i < 14; ++i) {
        img.put(2 + i, 2, c);
        img.put(2, 2 + i, c);
        img.put(s - 3 - i, 2, c);
        img.put(s - 3, 2 + i, c);
        img.put(2 + i, s - 3, c);
        img.put(2, s - 3 - i, c);
        img.put(s - 3 - i, s - 3, c);
        img.put(s - 3, s - 3 - i, c);
    }
    return img;
}

// A lit sphere turning. Variant 0 is the body picture that the site panel shows for every body and
// star, whatever its kind, so it must not look like any one of them: a slate survey globe with a
// pale graticule turning on it. Variant 1 is Earth with drifting continents.
IconImage planet(int variant, float phase) {
    const int s = 64;
    IconImage img(s, s);
    const float cx = 31.5f, cy = 31.5f, r = 29.0f;
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
            const float dx = (static_cast<float>(x) - cx) / r, dy = (static_cast<float>(y) - cy) / r;
            const float d2 = dx * dx + dy * dy;
            if (d2 > 1.0f) continue;
            const float dz = std::sqrt(1.0f - d2);
            const float light = std::clamp(0.25f + 0.85f * (-0.55f * dx - 0.45f * dy + 0.7f * dz), 0.08f, 1.1f);
            // Longitude on the sphere, turned by the phase.
            const float lon = std::atan2(dx, dz) + phase * 2 * PI;
            const float lat = std::asin(std::clamp(dy, -1.0f, 1.0f));
            Rgb8 c;
            if (variant == 0) {
                // Meridians every 30 degrees turn with the phase; parallels every 30 degrees stay.
                constexpr float STEP = PI / 6.0f;
                const float to_meridian = std::fabs(std::remainder(lon, STEP));
                const float to_parallel = std::fabs(std::remainder(lat, STEP));
                const bool line = to_meridian * dz < 0.045f || to_parallel < 0.05f;
                c = line ? Rgb8{176, 188, 198} : Rgb8{88, 92, 100};
            } else {
                const float land = std::sin(lon * 3.0f) * std::cos(lat * 4.0f) + 0.5f * std::sin(lon * 7.0f + lat * 5.0f);
                c = land > 0.55f ? Rgb8{60, 150, 70} : Rgb8{30, 80, 180};
                if (std::fabs(lat) > 1.2f) c = Rgb8{230, 236, 240};
                const float cloud = std::sin(lon * 5.0f + 2.0f * lat + 1.3f) * std::sin(lat * 6.0f);
                if (cloud > 0.75f) c = mix(c, Rgb8{245, 248, 250}, 0.7f);
            }
            c = scale(c, light);
            // The rim: a thin atmosphere on the lit side.
            if (d2 > 0.9f && variant == 1) c = mix(c, Rgb8{150, 200, 255}, 0.5f * light);
            img.put(x, y, c);
        }
    return img;
}

IconImage neutral_picture() {
    IconImage img(16, 16);
    paint_plate(&img, 0, 0, 16, 16, STEEL, false, 2);
    Mask m(16, 16);
    Pen pen(&m, 4, 4, 8, 8);
    draw_glyph(pen, Glyph::Neutral, 0, 0);
    paint_glyph(&img, m, scale(STEEL, 0.8f), scale(STEEL, 0.6f), false);
    return img;
}

}  // namespace

std::vector<IconImage> ui_art_frames(int type) {
    std::vector<IconImage> frames;
    if (type < 0 || type >= IMAGE_TYPE_COUNT || type == IMAGE_TYPE_GIVEN) return frames;
    const Art a = art_of(type);
    for (int f = 0; f < a.frames; ++f) {
        const float phase = static_cast<float>(f) / static_cast<float>(a.frames);
        switch (a.kind) {
        case Kind::Button:
        case Kind::Small: frames.push_back(plate_icon(a, a.size, f == 1, f, phase)); break;
        case Kind::AnimPlate: frames.push_back(plate_icon(a, a.size, false, f, phase)); break;
        case Kind::Icon: frames.push_back(bare_icon(a, f == 0 ? a.size : a.size + 4, f == 1, f, phase)); break;
        case Kind::Frames: frames.push_back(bare_icon(a, a.size, false, f, phase)); break;
        case Kind::Anim: frames.push_back(bare_icon(a, a.size, false, f, phase)); break;
        case Kind::Bullet: frames.push_back(bare_icon(a, f == 0 ? a.size : a.size + 2, f == 1, f, phase)); break;
        case Kind::Caret: {
            IconImage img(3, a.size);
            for (int y = 0; y < a.size; ++y)
                for (int x = 0; x < 3; ++x) img.put(x, y, f == 0 ? glyph_top(a.accent, false) : scale(a.accent, 0.45f));
            frames.push_back(img);
            break;
        }
        case Kind::Portrait: frames.push_back(portrait(f == 1)); break;
        case Kind::MinimapFrame: frames.push_back(minimap_frame()); break;
        case Kind::Planet: frames.push_back(planet(a.variant, phase)); break;
        case Kind::Neutral:
        case Kind::None: frames.push_back(neutral_picture()); break;
        }
    }
    return frames;
}

const char *ui_art_role(int type) {
    if (type < 0 || type >= IMAGE_TYPE_COUNT || type == IMAGE_TYPE_GIVEN) return "";
    return art_of(type).role;
}

const std::vector<int> &ui_art_system_icon_types() { return k_system_icons; }
const std::vector<int> &ui_art_tech_icon_types() { return k_tech_icons; }

namespace {

// The arrow pointer, nose at the top left.
void arrow_shape(Pen &p) {
    p.poly({0.04f, 0.02f, 0.04f, 0.78f, 0.22f, 0.62f, 0.34f, 0.92f, 0.46f, 0.86f, 0.34f, 0.58f, 0.6f, 0.58f});
}

IconImage cursor_frame(int n, int frame) {
    IconImage img(24, 24);
    Mask m(24, 24);
    const float glint = frame == 1 ? 0.15f : 0.0f;
    if (n == 0) {
        Pen pen(&m, 1, 1, 22, 22);
        arrow_shape(pen);
        paint_glyph(&img, m, mix(Rgb8{235, 245, 255}, Rgb8{255, 255, 255}, glint), Rgb8{120, 200, 150}, true);
    } else if (n == 1 || n == 2) {
        Pen pen(&m, 0, 0, 24, 24);
        const Rgb8 c = n == 1 ? GREEN : RED;
        const float shrink = n == 2 ? 0.04f * static_cast<float>(frame) : 0.0f;
        pen.ring(0.5f, 0.5f, 0.3f - shrink, 0.08f);
        pen.line(0.5f, 0.02f, 0.5f, 0.3f, 0.08f);
        pen.line(0.5f, 0.7f, 0.5f, 0.98f, 0.08f);
        pen.line(0.02f, 0.5f, 0.3f, 0.5f, 0.08f);
        pen.line(0.7f, 0.5f, 0.98f, 0.5f, 0.08f);
        if (n == 2) {
            pen.line(0.1f, 0.1f, 0.24f, 0.1f, 0.07f);
            pen.line(0.1f, 0.1f, 0.1f, 0.24f, 0.07f);
            pen.line(0.9f, 0.9f, 0.76f, 0.9f, 0.07f);
            pen.line(0.9f, 0.9f, 0.9f, 0.76f, 0.07f);
        }
        paint_glyph(&img, m, mix(c, Rgb8{255, 255, 255}, 0.5f + glint), c, true);
    } else {
        // Scroll cursors 3..10: right, up-right, up, up-left, left, down-left, down, down-right.
        const float angle = static_cast<float>(n - 3) * 45.0f * PI / 180.0f;
        const float ca = std::cos(angle), sa = -std::sin(angle);
        Pen pen(&m, 0, 0, 24, 24);
        auto pt = [&](float along, float across, std::vector<float> *out) {
            out->push_back(0.5f + along * ca - across * sa);
            out->push_back(0.5f + along * sa + across * ca);
        };
        std::vector<float> head;
        const float push = 0.03f * static_cast<float>(frame);
        pt(0.46f + push, 0.0f, &head);
        pt(0.06f + push, -0.34f, &head);
        pt(0.06f + push, 0.34f, &head);
        pen.poly(head);
        std::vector<float> shaft;
        pt(0.1f + push, -0.12f, &shaft);
        pt(0.1f + push, 0.12f, &shaft);
        pt(-0.26f + push, 0.12f, &shaft);
        pt(-0.26f + push, -0.12f, &shaft);
        pen.poly(shaft);
        paint_glyph(&img, m, mix(AMBER, Rgb8{255, 255, 255}, 0.55f + glint), AMBER, true);
    }
    return img;
}

}  // namespace

UiCursorArt ui_art_cursor(int n) {
    UiCursorArt art;
    if (n < 0 || n >= UI_CURSOR_COUNT) return art;
    for (int f = 0; f < 3; ++f) art.frames.push_back(cursor_frame(n, f));
    if (n == 0) {
        art.hot_x = 1;
        art.hot_y = 1;
    } else if (n <= 2) {
        art.hot_x = art.hot_y = 12;
    } else {
        // The tip of the arrow.
        static const int tip[8][2] = {{23, 12}, {21, 2}, {12, 0}, {2, 2}, {0, 12}, {2, 21}, {12, 23}, {21, 21}};
        art.hot_x = tip[n - 3][0];
        art.hot_y = tip[n - 3][1];
    }
    return art;
}
