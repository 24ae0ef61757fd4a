// The game's table of sound ids against the sounds the generator makes: each name plays the sound
// made for that role, effects are not music and music is, and no two names share an id. A wrong
// number in the table would make the game play another sound than the one its code names.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include "assetgen/family_sounds.h"
#include "platform/sound.h"

namespace {

struct NamedSound {
    SoundId     id;
    const char *name;
    const char *role;   // words of the generator's role for the sound
};

const NamedSound SOUNDS[] = {
    {SOUND_EXPLOSION, "SOUND_EXPLOSION", "small explosion"},
    {SOUND_LARGE_EXPLOSION, "SOUND_LARGE_EXPLOSION", "large explosion"},
    {SOUND_BEAM, "SOUND_BEAM", "beam"},
    {SOUND_SHIELD_HIT, "SOUND_SHIELD_HIT", "shield hit"},
    {SOUND_BLIP, "SOUND_BLIP", "blip"},
    {SOUND_CLICK, "SOUND_CLICK", "button click"},
    {SOUND_OPEN_PANEL, "SOUND_OPEN_PANEL", "open a panel"},
    {SOUND_PROJECTILE, "SOUND_PROJECTILE", "projectile or drain"},
    {SOUND_SHIP_MOVE, "SOUND_SHIP_MOVE", "ship moves"},
    {SOUND_SCANNER_PING, "SOUND_SCANNER_PING", "scanner ping"},
    {SOUND_SHOT_AWAY, "SOUND_SHOT_AWAY", "flight leg"},
    {SOUND_NEXT_TURN, "SOUND_NEXT_TURN", "next turn"},
    {SOUND_PURCHASE, "SOUND_PURCHASE", "purchase"},
    {SOUND_MUSIC_TITLE, "SOUND_MUSIC_TITLE", "title music"},
    {SOUND_MUSIC_GALAXY, "SOUND_MUSIC_GALAXY", "galaxy map music"},
    {SOUND_MUSIC_COMBAT, "SOUND_MUSIC_COMBAT", "combat music"},
    {SOUND_MUSIC_SUMMARY, "SOUND_MUSIC_SUMMARY", "battle summary"},
    {SOUND_REPAIR, "SOUND_REPAIR", "repair"},
    {SOUND_COURSE_SET, "SOUND_COURSE_SET", "course set"},
    {SOUND_HEAVY_CANNON, "SOUND_HEAVY_CANNON", "heavy ship cannon"},
    {SOUND_FLEET_ARRIVED, "SOUND_FLEET_ARRIVED", "fleet arrived"},
    {SOUND_ENCOUNTER_ALARM, "SOUND_ENCOUNTER_ALARM", "encounter alarm"},
    {SOUND_SITE_DONE, "SOUND_SITE_DONE", "facility or upgrade complete"},
    {SOUND_SHIP_DONE, "SOUND_SHIP_DONE", "ship built, drone launched"},
    {SOUND_OFFICER, "SOUND_OFFICER", "officer hired or promoted"},
    {SOUND_RESEARCH_DONE, "SOUND_RESEARCH_DONE", "research complete"},
    {SOUND_GATHERED, "SOUND_GATHERED", "resources gathered"},
    {SOUND_RESCUED, "SOUND_RESCUED", "crew rescued"},
    {SOUND_STARBASE_DONE, "SOUND_STARBASE_DONE", "starbase complete"},
    {SOUND_JUMP, "SOUND_JUMP", "jump"},
    {SOUND_LAUNCH, "SOUND_LAUNCH", "missile or drone launch"},
    {SOUND_SCRAPPED, "SOUND_SCRAPPED", "ship scrapped"},
    {SOUND_POWER_UP, "SOUND_POWER_UP", "power-up"},
    {SOUND_DEPLETED, "SOUND_DEPLETED", "resources depleted"},
};

TEST(SoundIds, EachNamePlaysTheSoundMadeForItsRole) {
    std::map<int, std::string> taken;
    for (const NamedSound &n : SOUNDS) {
        ASSERT_GE(int(n.id), 0) << n.name;
        ASSERT_LT(int(n.id), SOUND_COUNT) << n.name;
        const char *role = sound_family_role(n.id);
        ASSERT_NE(role, nullptr) << n.name;
        EXPECT_NE(std::string(role).find(n.role), std::string::npos) << n.name << " is \"" << role << "\"";
        const bool music = std::string(n.name).find("MUSIC") != std::string::npos;
        EXPECT_EQ(sound_is_music(n.id), music) << n.name;
        const auto [at, fresh] = taken.emplace(int(n.id), n.name);
        EXPECT_TRUE(fresh) << n.name << " shares its id with " << at->second;
    }
    // Every effect has its name; music beyond the first piece of each kind is chosen by number.
    for (int id = 0; id < SOUND_COUNT; ++id) {
        if (sound_is_music(id)) continue;
        EXPECT_TRUE(taken.count(id)) << "effect " << id << " (" << sound_family_role(id) << ")";
    }
}

}  // namespace
