// The game's table of image ids against the pictures the generator paints: each name shows the
// picture painted for that role, and no two names share an id. A wrong number in the table would
// make a screen show another picture than the one its code names.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include "assetgen/ui_art.h"
#include "platform/image_ids.h"

namespace {

struct Named {
    ImageId     id;
    const char *name;
    const char *role;   // the generator's role for the picture
};

const Named TABLE[] = {
    {IMAGE_FALLBACK, "IMAGE_FALLBACK", "fallback icon"},
    {IMAGE_NO, "IMAGE_NO", "No / cancel"},
    {IMAGE_RETREAT, "IMAGE_RETREAT", "Retreat"},
    {IMAGE_MOVE, "IMAGE_MOVE", "Move"},
    {IMAGE_TURN, "IMAGE_TURN", "Turn"},
    {IMAGE_SCAN, "IMAGE_SCAN", "Scan"},
    {IMAGE_CLOSE, "IMAGE_CLOSE", "close box"},
    {IMAGE_NEXT_TURN, "IMAGE_NEXT_TURN", "Next Turn"},
    {IMAGE_BACK, "IMAGE_BACK", "Back"},
    {IMAGE_DEFENCE_UPGRADE, "IMAGE_DEFENCE_UPGRADE", "defence upgrade"},
    {IMAGE_START, "IMAGE_START", "New game / Start"},
    {IMAGE_TICK, "IMAGE_TICK", "researched tick"},
    {IMAGE_YES, "IMAGE_YES", "Yes / accept"},
    {IMAGE_TECH_LIST, "IMAGE_TECH_LIST", "technology list"},
    {IMAGE_STATUS, "IMAGE_STATUS", "Status"},
    {IMAGE_DELETE, "IMAGE_DELETE", "delete"},
    {IMAGE_RESEARCHING, "IMAGE_RESEARCHING", "research in progress"},
    {IMAGE_TRANSFER_CREW, "IMAGE_TRANSFER_CREW", "Transfer crew"},
    {IMAGE_BUILD_FACILITY, "IMAGE_BUILD_FACILITY", "Build facility"},
    {IMAGE_ZOOM, "IMAGE_ZOOM", "Zoom"},
    {IMAGE_ATTACK, "IMAGE_ATTACK", "Attack / Fire"},
    {IMAGE_ARROW_LEFT, "IMAGE_ARROW_LEFT", "scroll left"},
    {IMAGE_ARROW_RIGHT, "IMAGE_ARROW_RIGHT", "scroll right"},
    {IMAGE_BUILD_SHIP, "IMAGE_BUILD_SHIP", "Build ship"},
    {IMAGE_GAME_MENU, "IMAGE_GAME_MENU", "game menu"},
    {IMAGE_SAVE, "IMAGE_SAVE", "Save / Accept"},
    {IMAGE_LOAD, "IMAGE_LOAD", "Load game"},
    {IMAGE_OPTIONS, "IMAGE_OPTIONS", "Options"},
    {IMAGE_MAIN_MENU, "IMAGE_MAIN_MENU", "Main menu"},
    {IMAGE_QUIT, "IMAGE_QUIT", "Quit game"},
    {IMAGE_MINIMAP_TOGGLE, "IMAGE_MINIMAP_TOGGLE", "minimap toggle"},
    {IMAGE_RESEARCH_BUTTON, "IMAGE_RESEARCH_BUTTON", "Research"},
    {IMAGE_SCRAP, "IMAGE_SCRAP", "Scrap"},
    {IMAGE_TRAIN, "IMAGE_TRAIN", "Train officer"},
    {IMAGE_RUSH, "IMAGE_RUSH", "Rush"},
    {IMAGE_CANCEL, "IMAGE_CANCEL", "Cancel / Halt"},
    {IMAGE_NEW_DESIGN, "IMAGE_NEW_DESIGN", "(New Design)"},
    {IMAGE_COMPUTER, "IMAGE_COMPUTER", "computer player / busy"},
    {IMAGE_HUMAN, "IMAGE_HUMAN", "human player"},
    {IMAGE_EMPTY_MOUNT, "IMAGE_EMPTY_MOUNT", "empty mount"},
    {IMAGE_NEWS_LIST, "IMAGE_NEWS_LIST", "news list"},
    {IMAGE_STARMAP, "IMAGE_STARMAP", "Starmap"},
    {IMAGE_SHIPS_LIST, "IMAGE_SHIPS_LIST", "ships list"},
    {IMAGE_EDIT_DESIGN, "IMAGE_EDIT_DESIGN", "Edit design"},
    {IMAGE_MINIMAP_FRAME, "IMAGE_MINIMAP_FRAME", "minimap frame"},
    {IMAGE_CREDITS, "IMAGE_CREDITS", "credits"},
    {IMAGE_ACTION_POINTS, "IMAGE_ACTION_POINTS", "action points"},
    {IMAGE_PORTRAIT, "IMAGE_PORTRAIT", "officer portrait"},
    {IMAGE_ARMOUR, "IMAGE_ARMOUR", "armour"},
    {IMAGE_MOUNT_MARKER, "IMAGE_MOUNT_MARKER", "mount marker"},
    {IMAGE_PRESENCE, "IMAGE_PRESENCE", "presence (tinted)"},
    {IMAGE_SKILL_PIP, "IMAGE_SKILL_PIP", "skill pip"},
    {IMAGE_SAVE_ROW, "IMAGE_SAVE_ROW", "save file row"},
    {IMAGE_FEATURE, "IMAGE_FEATURE", "feature overlay by kind"},
    {IMAGE_POWER, "IMAGE_POWER", "power"},
    {IMAGE_ARC_SIDE, "IMAGE_ARC_SIDE", "arc side: Fore Port Aft Starboard"},
    {IMAGE_ROUNDS, "IMAGE_ROUNDS", "rounds"},
    {IMAGE_INTELLIGENCE, "IMAGE_INTELLIGENCE", "intelligence report"},
    {IMAGE_COMBAT, "IMAGE_COMBAT", "Engage / Combat"},
    {IMAGE_OFFICERS_LIST, "IMAGE_OFFICERS_LIST", "officers list"},
    {IMAGE_ENCOUNTER_LIST, "IMAGE_ENCOUNTER_LIST", "encounter list"},
    {IMAGE_COURSE, "IMAGE_COURSE", "Set Course"},
    {IMAGE_ALERT, "IMAGE_ALERT", "alert / badge / missile warning"},
    {IMAGE_CLOCK, "IMAGE_CLOCK", "days / clock"},
    {IMAGE_PRODUCTION, "IMAGE_PRODUCTION", "production"},
    {IMAGE_CONSTRUCTION, "IMAGE_CONSTRUCTION", "construction"},
    {IMAGE_CREW, "IMAGE_CREW", "crew"},
    {IMAGE_COMMANDER, "IMAGE_COMMANDER", "commanding officer"},
    {IMAGE_WINNER, "IMAGE_WINNER", "winner"},
    {IMAGE_ENGINE_MOUNT, "IMAGE_ENGINE_MOUNT", "engine mount"},
    {IMAGE_SYSTEM_MOUNT, "IMAGE_SYSTEM_MOUNT", "system mount"},
    {IMAGE_SENSOR_LOCK, "IMAGE_SENSOR_LOCK", "In range / sensor lock"},
    {IMAGE_TEXT_ENTRY, "IMAGE_TEXT_ENTRY", "text entry"},
    {IMAGE_TEXT_CURSOR, "IMAGE_TEXT_CURSOR", "text entry cursor"},
    {IMAGE_RANK_FIRST, "IMAGE_RANK_FIRST", "rank insignia"},
    {IMAGE_RANK_LAST, "IMAGE_RANK_LAST", "rank insignia"},
    {IMAGE_SHIP_CREW, "IMAGE_SHIP_CREW", "ship crew"},
    {IMAGE_STARBASE_CREW, "IMAGE_STARBASE_CREW", "starbase crew"},
    {IMAGE_ARROW_UP, "IMAGE_ARROW_UP", "scroll up"},
    {IMAGE_ARROW_DOWN, "IMAGE_ARROW_DOWN", "scroll down"},
    {IMAGE_REASSIGN, "IMAGE_REASSIGN", "Reassign officer"},
    {IMAGE_REPAIR, "IMAGE_REPAIR", "Repair / Reload"},
    {IMAGE_SKILL_NAVIGATION, "IMAGE_SKILL_NAVIGATION", "Navigation"},
    {IMAGE_SKILL_ENGINEERING, "IMAGE_SKILL_ENGINEERING", "Engineering"},
    {IMAGE_SKILL_MARKSMANSHIP, "IMAGE_SKILL_MARKSMANSHIP", "Marksmanship"},
    {IMAGE_SKILL_COMMAND, "IMAGE_SKILL_COMMAND", "Command"},
    {IMAGE_SKILL_SENSORS, "IMAGE_SKILL_SENSORS", "Sensors"},
    {IMAGE_SKILL_MINING, "IMAGE_SKILL_MINING", "Mining"},
    {IMAGE_CADET, "IMAGE_CADET", "Cadet"},
    {IMAGE_SELECT_ALL, "IMAGE_SELECT_ALL", "select all"},
    {IMAGE_CLEAR_SELECTION, "IMAGE_CLEAR_SELECTION", "clear selection"},
    {IMAGE_NO_COMMANDER, "IMAGE_NO_COMMANDER", "(No commander)"},
    {IMAGE_SAVE_SCREEN, "IMAGE_SAVE_SCREEN", "save screen"},
    {IMAGE_SECTORS, "IMAGE_SECTORS", "sectors / Terminated / post"},
    {IMAGE_CORPORATION, "IMAGE_CORPORATION", "corporation"},
    {IMAGE_EMBLEM, "IMAGE_EMBLEM", "corporation header (tinted)"},
    {IMAGE_RESEARCH, "IMAGE_RESEARCH", "research"},
    {IMAGE_ARMOUR_MOUNT, "IMAGE_ARMOUR_MOUNT", "armour mount"},
    {IMAGE_DAMAGE, "IMAGE_DAMAGE", "damage"},
    {IMAGE_SHIELD, "IMAGE_SHIELD", "shield strength"},
    {IMAGE_DATE, "IMAGE_DATE", "date"},
    {IMAGE_BULLET, "IMAGE_BULLET", "text bullet"},
    {IMAGE_MASS, "IMAGE_MASS", "mass"},
    {IMAGE_SYSTEM_MOUNTS, "IMAGE_SYSTEM_MOUNTS", "system mounts"},
    {IMAGE_STARBASE_DESTROYED, "IMAGE_STARBASE_DESTROYED", "starbase destroyed"},
    {IMAGE_REPLACE_OFFICER, "IMAGE_REPLACE_OFFICER", "Replace officer"},
    {IMAGE_CONFIGURE, "IMAGE_CONFIGURE", "Configure"},
    {IMAGE_OK, "IMAGE_OK", "OK / Continue"},
    {IMAGE_SYSTEM_STATUS, "IMAGE_SYSTEM_STATUS", "system status"},
    {IMAGE_ENCOUNTER_MARKER, "IMAGE_ENCOUNTER_MARKER", "encounter marker (tinted)"},
    {IMAGE_GATHER, "IMAGE_GATHER", "Gather"},
    {IMAGE_RESCUE, "IMAGE_RESCUE", "Rescue"},
    {IMAGE_PASS, "IMAGE_PASS", "Pass"},
    {IMAGE_STOP, "IMAGE_STOP", "Stop"},
    {IMAGE_COUNTDOWN, "IMAGE_COUNTDOWN", "auto-pass countdown"},
    {IMAGE_LOST, "IMAGE_LOST", "Lost"},
    {IMAGE_BONUS, "IMAGE_BONUS", "bonus grant"},
    {IMAGE_TALLY, "IMAGE_TALLY", "count"},
    {IMAGE_ABOUT, "IMAGE_ABOUT", "About"},
    {IMAGE_MOVEMENT, "IMAGE_MOVEMENT", "movement"},
    {IMAGE_EXPAND, "IMAGE_EXPAND", "expand"},
    {IMAGE_COLLAPSE, "IMAGE_COLLAPSE", "collapse"},
    {IMAGE_HELP, "IMAGE_HELP", "Help"},
    {IMAGE_CONSTRUCT, "IMAGE_CONSTRUCT", "Construct"},
    {IMAGE_HARVESTER_MOVE, "IMAGE_HARVESTER_MOVE", "harvester Move"},
    {IMAGE_HULL_CLASS, "IMAGE_HULL_CLASS", "hull class"},
    {IMAGE_THRUST, "IMAGE_THRUST", "thrust"},
    {IMAGE_SECTORS_CONTROLLED, "IMAGE_SECTORS_CONTROLLED", "sectors controlled"},
    {IMAGE_SKILL_SCIENCE, "IMAGE_SKILL_SCIENCE", "Science"},
    {IMAGE_SKILL_FIELD_REPAIR, "IMAGE_SKILL_FIELD_REPAIR", "Field Repair"},
    {IMAGE_SKILL_INSTRUCTION, "IMAGE_SKILL_INSTRUCTION", "Instruction"},
    {IMAGE_TURN_COST, "IMAGE_TURN_COST", "turn AP cost"},
    {IMAGE_PLANET, "IMAGE_PLANET", "planet"},
    {IMAGE_EARTH, "IMAGE_EARTH", "Earth"},
    {IMAGE_PAUSE_RESEARCH, "IMAGE_PAUSE_RESEARCH", "Pause research"},
    {IMAGE_ABORT_RETREAT, "IMAGE_ABORT_RETREAT", "Abort retreat"},
    {IMAGE_DEACTIVATE, "IMAGE_DEACTIVATE", "Deactivate"},
    {IMAGE_ACTIVATE, "IMAGE_ACTIVATE", "Activate"},
    {IMAGE_MISSILE_TARGET, "IMAGE_MISSILE_TARGET", "missile target"},
    {IMAGE_FLEET_NEWS, "IMAGE_FLEET_NEWS", "fleet news"},
    {IMAGE_CREW_RESCUED, "IMAGE_CREW_RESCUED", "crew rescued"},
    {IMAGE_RESOURCES_GATHERED, "IMAGE_RESOURCES_GATHERED", "resources gathered"},
    {IMAGE_BLOCKADE, "IMAGE_BLOCKADE", "blockade"},
    {IMAGE_UPGRADE, "IMAGE_UPGRADE", "Upgrade / Prioritize"},
    {IMAGE_BOOST, "IMAGE_BOOST", "Activate / Boost"},
    {IMAGE_RESOURCES_DEPLETED, "IMAGE_RESOURCES_DEPLETED", "resources depleted"},
    {IMAGE_JUMP, "IMAGE_JUMP", "jump"},
    {IMAGE_STARBASE_CAPTURED, "IMAGE_STARBASE_CAPTURED", "starbase captured"},
    {IMAGE_RESEARCH_PAUSED, "IMAGE_RESEARCH_PAUSED", "research paused"},
    {IMAGE_CREDITS_COIN, "IMAGE_CREDITS_COIN", "credits coin (status bar)"},
};

TEST(ImageIds, EachNameShowsThePicturePaintedForItsRole) {
    std::map<int, std::string> taken;
    for (const Named &n : TABLE) {
        ASSERT_GE(int(n.id), 0) << n.name;
        ASSERT_LT(int(n.id), IMAGE_TYPE_COUNT) << n.name;
        EXPECT_STREQ(ui_art_role(n.id), n.role) << n.name;
        EXPECT_FALSE(ui_art_frames(n.id).empty()) << n.name;
        const auto [at, fresh] = taken.emplace(int(n.id), n.name);
        EXPECT_TRUE(fresh) << n.name << " shares its id with " << at->second;
    }
    // The given-sprite type is never painted, and the ranks run in order between their ends.
    EXPECT_TRUE(ui_art_frames(IMAGE_TYPE_GIVEN).empty());
    EXPECT_STREQ(ui_art_role(IMAGE_TYPE_GIVEN), "");
    EXPECT_EQ(IMAGE_RANK_LAST - IMAGE_RANK_FIRST, 5);
    for (int type = IMAGE_RANK_FIRST; type <= IMAGE_RANK_LAST; ++type) EXPECT_STREQ(ui_art_role(type), "rank insignia");
}

}  // namespace
