// Name lists: how the texts split into names, the portrait deck, loading stopping at a missing
// file, and the lists the build ships. (How a deck deals is random_test's ShuffleDealing.)
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include "game/game.h"
#include "game/names.h"
#include "game_files.h"
#include "platform/random.h"

namespace {

std::vector<std::string> deck_names(const ShuffleBag<char> *deck) {
    std::vector<std::string> out;
    for (const char *name : deck->items.items) out.emplace_back(name);
    return out;
}

class NameLists : public ::testing::Test {
protected:
    void SetUp() override {
        random_seed(77);
        game = game_create();
        ASSERT_NE(game, nullptr);
    }
    void TearDown() override {
        game_free(game);
        store_shutdown();
    }
    void store(const StoreFiles &files) { use_test_store(dir + "/store.dat", files); }

    std::string dir = fresh_test_dir("names");
    Game *game = nullptr;
};

TEST_F(NameLists, EachNewlineEndsANameAndBytesAfterTheLastAreDropped) {
    store({{"name/pilot.txt", text_bytes("Ann\nBob\n\nCy")},
           {"name/sector.txt", text_bytes("Vega\r\nRigel\r\n")},
           {"name/ship.txt", text_bytes("Only\nTail")}});
    ASSERT_EQ(name_lists_load(game), RES_OK);
    EXPECT_EQ(deck_names(game->pilot_names), (std::vector<std::string>{"Ann", "Bob", ""}));
    EXPECT_EQ(deck_names(game->sector_names), (std::vector<std::string>{"Vega\r", "Rigel\r"}));
    EXPECT_EQ(deck_names(game->ship_names), std::vector<std::string>{"Only"});
    EXPECT_EQ(game->pilot_names->remaining, 3);   // every name available
}

TEST_F(NameLists, PortraitsAreNumberedUpToTheFirstMissingFrame) {
    const StoreFiles texts = {{"name/pilot.txt", text_bytes("A\n")},
                              {"name/sector.txt", text_bytes("B\n")},
                              {"name/ship.txt", text_bytes("C\n")}};
    StoreFiles with_frames = texts;
    for (const char *frame : {"pilot/000.png", "pilot/001.png", "pilot/002.png", "pilot/004.png"})
        with_frames.push_back({frame, {1}});
    for (const auto &[files, count] : {std::pair{with_frames, 3}, std::pair{texts, 0}}) {
        store(files);
        ASSERT_EQ(name_lists_load(game), RES_OK);
        ASSERT_NE(game->pilot_portraits, nullptr);
        ASSERT_EQ(shuffle_count(game->pilot_portraits), count);
        for (int i = 0; i < count; ++i) EXPECT_EQ(*list_get(&game->pilot_portraits->items, i), i);
        EXPECT_EQ(game->pilot_portraits->remaining, count);
    }
    EXPECT_EQ(shuffle_next(game->pilot_portraits), nullptr) << "an empty deck deals nothing";
}

TEST_F(NameLists, AMissingFileStopsTheLoadingAndKeepsTheDecksBeforeIt) {
    store({{"name/pilot.txt", text_bytes("A\nB\n")}, {"name/ship.txt", text_bytes("C\n")}});
    EXPECT_EQ(name_lists_load(game), RES_OPEN_FAILED);
    ASSERT_NE(game->pilot_names, nullptr);
    EXPECT_EQ(deck_names(game->pilot_names), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(game->sector_names, nullptr);
    EXPECT_EQ(game->ship_names, nullptr);
    EXPECT_EQ(game->pilot_portraits, nullptr);
}

TEST_F(NameLists, LoadingAgainReplacesTheNamesInTheSameDecks) {
    store({{"name/pilot.txt", text_bytes("A\nB\n")}, {"name/sector.txt", text_bytes("S\n")},
           {"name/ship.txt", text_bytes("C\n")}});
    ASSERT_EQ(name_lists_load(game), RES_OK);
    ShuffleBag<char> *deck = game->pilot_names;
    ASSERT_NE(shuffle_next(deck), nullptr);
    store({{"name/pilot.txt", text_bytes("X\nY\nZ\n")}, {"name/sector.txt", text_bytes("S\n")},
           {"name/ship.txt", text_bytes("C\n")}});
    ASSERT_EQ(name_lists_load(game), RES_OK);
    EXPECT_EQ(game->pilot_names, deck);
    EXPECT_EQ(deck_names(deck), (std::vector<std::string>{"X", "Y", "Z"}));
    EXPECT_EQ(deck->remaining, 3);
}

TEST(ShippedNameLists, EnoughDistinctNonEmptyNamesInEveryDeck) {
    use_generated_store();
    Game *game = game_create();
    ASSERT_EQ(name_lists_load(game), RES_OK);
    // A dense galaxy holds up to 43 sectors besides Sol; each needs its own name.
    const struct {
        ShuffleBag<char> *deck;
        size_t            at_least;
    } decks[] = {{game->sector_names, 43}, {game->ship_names, 100}, {game->pilot_names, 150}};
    for (const auto &d : decks) {
        ASSERT_NE(d.deck, nullptr);
        const std::vector<std::string> names = deck_names(d.deck);
        EXPECT_GE(names.size(), d.at_least);
        std::set<std::string> unique(names.begin(), names.end());
        EXPECT_EQ(unique.size(), names.size());
        for (const std::string &name : names) {
            EXPECT_FALSE(name.empty());
            EXPECT_EQ(name.find('\r'), std::string::npos) << name;
        }
    }
    const std::vector<std::string> sectors = deck_names(game->sector_names);
    EXPECT_EQ(std::count(sectors.begin(), sectors.end(), "Sol"), 0) << "Sol is the protected home sector's own name";
    game_free(game);
    store_shutdown();
}

}  // namespace
