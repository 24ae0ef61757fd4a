// A computer player's decision to fight: its own ships' value scaled by its courage against the
// mean known strength of every other owner, over real ships, snapshots and an encounter.
#include "game/player_fixture.h"

#include "ai/agent_task.h"
#include "ai/ai_encounter_accept.h"
#include "ai/ai_player.h"
#include "game/encounter.h"

using namespace playertest;

namespace {

constexpr uint64_t VEGA = 10, RED_RIVAL = 20, BLUE_RIVAL = 30;

class EncounterAcceptance : public PlayerWorld {
protected:
    void SetUp() override {
        PlayerWorld::SetUp();
        me = add_player(VEGA, "Vega");
        me->galaxy_ai = ai_player_create();
        ASSERT_NE(me->galaxy_ai, nullptr);
        enc = encounter_create();
        ASSERT_NE(enc, nullptr);
        encounter_retain(enc);
    }
    void TearDown() override {
        encounter_release(enc);
        PlayerWorld::TearDown();
    }

    // A ship of the owner in the encounter; `seen` gives the deciding player a snapshot of it.
    Ship *ship_for(uint64_t owner, bool seen = true) {
        Ship *s = new_ship(2);
        if (owner == VEGA) {
            player_commission_ship(me, s, nullptr, nullptr);
        } else {
            object_assign_id(s);
            s->owner_id = owner;
            object_add_ref(s);
            list_append(game->objects, s);   // the game's list owns it
            if (seen) player_learn_object(me, s, 1);
        }
        encounter_add_object(enc, s);
        return s;
    }
    int32_t accept() { return ai_accept_encounter(me->galaxy_ai, me, enc); }
    // The courage at which the own value just reaches `enemy`.
    int32_t courage_for(int64_t enemy, int64_t own) { return int32_t((enemy * 100 + own - 1) / own); }

    Player *me = nullptr;
    Encounter *enc = nullptr;
};

TEST_F(EncounterAcceptance, TheMeanOfTheOtherOwnersIsWeighedNotTheirSum) {
    add_player(RED_RIVAL, "Red");
    add_player(BLUE_RIVAL, "Blue");
    const int32_t own = player_object_value(ship_for(VEGA));
    Ship *red = ship_for(RED_RIVAL);
    ship_for(BLUE_RIVAL);
    const int32_t each = ship_estimated_strength(player_known_object_by_id(me, red->id));
    ASSERT_GT(own, 0);
    ASSERT_GT(each, 0);

    struct Case { int32_t courage; int32_t want; const char *why; };
    const int32_t just = courage_for(each, own);
    ASSERT_GT(courage_for(2 * int64_t(each), own) - 1, just) << "the figures leave room between mean and sum";
    const Case cases[] = {
        {just, 1, "the own value reaches the mean of the two owners"},
        {just - 1, 0, "one percent less falls short of it"},
        {courage_for(2 * int64_t(each), own) - 1, 1, "the sum of both owners is not what is weighed"},
    };
    for (const Case &c : cases) {
        me->galaxy_ai->courage = c.courage;
        EXPECT_EQ(accept(), c.want) << c.why << " (courage " << c.courage << ")";
    }
    int32_t *entry = hash_map_get(me->galaxy_ai->enemy_strength, &red->owner_id);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(*entry, each) << "the strength map starts empty at every decision";
    EXPECT_EQ(hash_map_count(me->galaxy_ai->enemy_strength), 2);
}

TEST_F(EncounterAcceptance, OneOwnersShipsAddUpAndUnseenShipsCountNothing) {
    add_player(RED_RIVAL, "Red");
    const int32_t own = player_object_value(ship_for(VEGA));
    Ship *a = ship_for(RED_RIVAL);
    ship_for(RED_RIVAL);
    const int32_t each = ship_estimated_strength(player_known_object_by_id(me, a->id));
    me->galaxy_ai->courage = courage_for(2 * int64_t(each), own) - 1;
    EXPECT_EQ(accept(), 0) << "two ships of one owner are one owner's strength";

    me->galaxy_ai->courage = 0;
    add_player(BLUE_RIVAL, "Blue");
    Encounter *blind = encounter_create();
    encounter_retain(blind);
    std::swap(blind, enc);
    ship_for(VEGA);
    ship_for(BLUE_RIVAL, false);
    EXPECT_EQ(accept(), 1) << "a ship the player never saw weighs nothing";
    std::swap(blind, enc);
    encounter_release(blind);
}

TEST_F(EncounterAcceptance, ABattleInAnOwnSectorIsAlwaysFoughtAndOnlyTheGalaxyAiDecides) {
    add_player(RED_RIVAL, "Red");
    Sector *home = add_sector(VEGA, 100, 100);
    ship_for(VEGA);
    ship_for(RED_RIVAL);
    me->galaxy_ai->courage = 0;
    EXPECT_EQ(accept(), 0) << "no courage, a known enemy";
    enc->sector_id = home->id;
    EXPECT_EQ(accept(), 1) << "the player's own sector";
    home->owner_id = RED_RIVAL;
    EXPECT_EQ(accept(), 0) << "a sector of the enemy gives no such reason";

    AiPlayer *commander = ai_player_create_commander();
    commander->courage = 1000;
    home->owner_id = VEGA;
    EXPECT_EQ(ai_accept_encounter(commander, me, enc), 0) << "a commander never decides";
    ai_player_free(commander);
}

// A fleet that a strike of the player's hunted down is fought whatever the courage: a player that
// refused the meeting it made would make it again the next day, and hold the other fleet there.
TEST_F(EncounterAcceptance, AMeetingTheAttackFleetStrikeSoughtIsFought) {
    add_player(RED_RIVAL, "Red");
    constexpr uint64_t QUARRY = 77, ELSEWHERE = 78;
    Ship *own = ship_for(VEGA);
    ship_for(RED_RIVAL)->fleet_id = QUARRY;
    me->galaxy_ai->courage = 0;
    ASSERT_EQ(accept(), 0) << "no courage, a known enemy";

    AgentTask *strike = ai_add_task(me->galaxy_ai, agent_task_create(TASK_ATTACK_FLEET, 0, QUARRY));
    ASSERT_NE(strike, nullptr);
    static_cast<AgentTaskData *>(strike)->strength = 50;
    strike->assignee_value = 50;
    ai_ship_set_word(own, AI_SHIP_DEFENCE_TASK, strike->id);
    EXPECT_EQ(accept(), 1) << "a strike at the quarry's fleet, as strong as it asks";
    strike->assignee_value = 49;
    EXPECT_EQ(accept(), 0) << "a group below its strength stops and waits: it sought no battle";
    strike->assignee_value = 50;

    ai_ship_set_word(own, AI_SHIP_DEFENCE_TASK, 0);
    ai_ship_set_word(own, AI_SHIP_GALAXY_TASK, strike->id);
    EXPECT_EQ(accept(), 1) << "the strike as the ship's galaxy task";

    strike->target_id = ELSEWHERE;
    EXPECT_EQ(accept(), 0) << "a strike at a fleet that is not in this battle";
    AgentTask *defend = ai_add_task(me->galaxy_ai, agent_task_create(TASK_DEFEND_SECTOR, 0, QUARRY));
    ASSERT_NE(defend, nullptr);
    ai_ship_set_word(own, AI_SHIP_GALAXY_TASK, defend->id);
    EXPECT_EQ(accept(), 0) << "only the fleet strike seeks its target out";
}

// The same for a strike at a sector: a group that moved on the sector with what it needs fights the
// ships it finds there, else it is sent back the next day to meet and part again.
TEST_F(EncounterAcceptance, AMeetingInTheSectorAnAttackSectorStrikeMovedOnIsFought) {
    add_player(RED_RIVAL, "Red");
    Sector *target = add_sector(0, 100, 100);
    Sector *other = add_sector(0, 300, 100);
    enc->sector_id = target->id;
    Ship *own = ship_for(VEGA);
    ship_for(RED_RIVAL);
    me->galaxy_ai->courage = 0;
    ASSERT_EQ(accept(), 0) << "no courage, a known enemy";

    AgentTask *strike = ai_add_task(me->galaxy_ai, agent_task_create(TASK_ATTACK_SECTOR, 0, target->id));
    ASSERT_NE(strike, nullptr);
    strike->needed = 45;
    strike->assigned = 45;
    ai_ship_set_word(own, AI_SHIP_GALAXY_TASK, strike->id);
    EXPECT_EQ(accept(), 1) << "a strike at this sector that has what it needs";
    strike->assigned = 44;
    EXPECT_EQ(accept(), 0) << "a group short of its need waits at its meeting place: it sought no battle";
    strike->assigned = 45;
    enc->sector_id = other->id;
    EXPECT_EQ(accept(), 0) << "a battle in another sector than the strike's";
    enc->sector_id = 0;
    strike->target_id = 0;
    EXPECT_EQ(accept(), 0) << "a battle in deep space is no sector's";
}

// (How the human sides and the computer players without a galaxy AI choose: encounter_test.)
TEST_F(EncounterAcceptance, AComputerPlayersSideChoiceIsItsGalaxyAisDecision) {
    add_player(RED_RIVAL, "Red", PLAYER_KIND_HUMAN);
    add_player(BLUE_RIVAL, "Blue");
    ship_for(VEGA);
    ship_for(RED_RIVAL);
    ship_for(BLUE_RIVAL);
    me->galaxy_ai->courage = 0;
    encounter_init_ai_side_choices(enc);
    EXPECT_EQ(encounter_get_side_choice(enc, VEGA), 0) << "no courage against two known enemies";
    me->galaxy_ai->courage = 10000;
    encounter_init_ai_side_choices(enc);
    EXPECT_EQ(encounter_get_side_choice(enc, VEGA), 1);
}

}  // namespace
