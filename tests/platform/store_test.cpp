// The data store: keys, the archive format byte-exact, header parsing of damaged archives, and reads
// through the singleton, from several threads at once.
#include <atomic>
#include <fcntl.h>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>
#include "platform/buffer.h"
#include "platform/files.h"
#include "platform/scratch_store.h"

namespace {

std::vector<uint8_t> bytes_of(const std::string &text) { return {text.begin(), text.end()}; }

void write_whole(const std::string &path, const std::vector<uint8_t> &bytes) {
    ASSERT_EQ(write_file_bytes(path.c_str(), bytes.data(), bytes.size()), RES_OK) << path;
}

// Every test gets a fresh folder and a fresh store singleton.
class StoreTest : public ::testing::Test {
protected:
    std::string dir = fresh_test_dir("store");

    void SetUp() override { store_shutdown(); }
    void TearDown() override { store_shutdown(); }

    static StoreWriteEntry entry(const char *path, const std::string &body) { return store_text_entry(path, body); }

    std::string archive(const std::vector<StoreWriteEntry> &entries, const char *build_id = STORE_BUILD_ID,
                        const char *name = "store.dat") {
        const std::string path = dir + "/" + name;
        std::string error;
        EXPECT_EQ(store_write(path.c_str(), build_id, entries, &error), RES_OK) << error;
        return path;
    }

    // Parses a file into a private Store; the store's path is the file.
    Result parse(const std::string &path, Store *store) {
        store->path = path;
        int fd = ::open(path.c_str(), O_RDONLY);
        EXPECT_GE(fd, 0) << path;
        Result res = store_parse_header(store, fd);
        ::close(fd);
        return res;
    }

    // Makes `path` the singleton's archive.
    void use_store(const std::string &path) {
        store_shutdown();
        store_set_path(path.c_str());
    }

    static std::string text_of(const Buffer *b) { return std::string(reinterpret_cast<const char *>(b->data), size_t(b->length)); }
};

// ---- keys ----

class StoreKey : public StoreTest {};

TEST_F(StoreKey, IsTheDjb2OfTheResourceFolderAndThePathOverSignedBytes) {
    // Values from an independent djb2 over "../res/" + path.
    EXPECT_EQ(store_asset_key("bg/000.png"), 0xDF126E24u);
    EXPECT_EQ(store_asset_key("ship/001/dat/params.dat"), 0xFE3A63BFu);
    EXPECT_EQ(store_asset_key("ship\\001\\dat\\params.dat"), 0xFE3A63BFu) << "both separators give one key";
    EXPECT_EQ(store_asset_key("bg\\000.png"), 0xDF126E24u);
    EXPECT_EQ(store_asset_key("caf\xE9.txt"), 0x3A32990Au) << "0xE9 counts as -23; unsigned gives 0x4C4B1A0A";
    EXPECT_NE(store_asset_key("BG/000.png"), store_asset_key("bg/000.png")) << "letter case matters";
}

// ---- the format on disk ----

class StoreFormat : public StoreTest {};

TEST_F(StoreFormat, HeaderAndMaskedTableAreWrittenByteExact) {
    StoreWriteEntry e;
    e.key = 0;   // a zero key leaves only the mask on the offset and size
    e.body = bytes_of("hello");
    const std::vector<uint8_t> file = read_whole(archive({e}));
    const std::vector<uint8_t> expected = {
        'T', 'C', 'U', 0x0D, 0x0A, 0x01, 0x02,            // magic
        '4', 'f', '7', 'a', '1', '9', 'c', '3',           // build identifier
        0x00, 0x00, 0x00, 0x01,                           // one entry
        0x00, 0x00, 0x00, 0x00,                           // key
        0x6B, 0x21, 0xC4, 0xC6,                           // offset 31 = 19 + 12, masked
        0x6B, 0x21, 0xC4, 0xDC,                           // size 5, masked
        'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(file, expected);
}

TEST_F(StoreFormat, EntriesDecodeToTheirOffsetsAndSizes) {
    Store store;
    ASSERT_EQ(parse(archive({entry("a.txt", "first"), entry("b/c.txt", "second!")}), &store), RES_OK);
    ASSERT_EQ(store.entries.size(), 2u);
    EXPECT_EQ(store.entries[0].key, store_asset_key("a.txt"));
    EXPECT_EQ(store.entries[0].offset, 19u + 24u);
    EXPECT_EQ(store.entries[0].size, 5u);
    EXPECT_EQ(store.entries[1].offset, 19u + 24u + 5u);
    EXPECT_EQ(store.entries[1].size, 7u);
}

// ---- header parsing ----

class StoreHeader : public StoreTest {
protected:
    std::string with_bytes(std::vector<uint8_t> file) {
        const std::string path = dir + "/hand.dat";
        write_whole(path, file);
        return path;
    }
    std::vector<uint8_t> good() { return read_whole(archive({entry("a.txt", "A"), entry("b.txt", "BB")})); }
};

TEST_F(StoreHeader, DamagedHeadersAreRefusedWithAnEmptyTable) {
    const struct {
        const char *what;
        std::function<void(std::vector<uint8_t> *)> damage;
        Result result;
        bool stale = false;   // the store held entries of an earlier parse
    } cases[] = {
        {"a count of zero", [](std::vector<uint8_t> *f) { (*f)[15] = (*f)[16] = (*f)[17] = (*f)[18] = 0; }, RES_MALFORMED},
        {"a negative count", [](std::vector<uint8_t> *f) { (*f)[15] = 0xFF; }, RES_MALFORMED},
        {"a table one byte short", [](std::vector<uint8_t> *f) { f->resize(19 + 24 - 1); }, RES_MALFORMED, true},
        {"a hostile count: 12 x 2^31 bytes of table claimed",
         [](std::vector<uint8_t> *f) { (*f)[15] = 0x7F, (*f)[16] = (*f)[17] = (*f)[18] = 0xFF; }, RES_MALFORMED},
        {"CR turned into LF, as a text-mode copy would", [](std::vector<uint8_t> *f) { (*f)[3] = '\n'; }, RES_MALFORMED},
        {"a header shorter than 19 bytes", [](std::vector<uint8_t> *f) { f->resize(18); }, RES_HEADER_READ_FAILED},
    };
    const std::vector<uint8_t> intact = good();
    for (const auto &c : cases) {
        std::vector<uint8_t> file = intact;
        c.damage(&file);
        Store store;
        if (c.stale) store.entries.push_back({1, 2, 3});   // a re-parse must not keep them either
        EXPECT_EQ(parse(with_bytes(file), &store), c.result) << c.what;
        EXPECT_TRUE(store.entries.empty()) << c.what;
        EXPECT_EQ(store_find(&store, "a.txt"), nullptr) << c.what;
    }
}

TEST_F(StoreHeader, AnotherBuildIdentifierIsStillUsedAndTheLaterOfTwoEqualKeysWins) {
    Store store;
    ASSERT_EQ(parse(archive({entry("a.txt", "A"), entry("same.txt", "old"), entry("same.txt", "newer")}, "deadbeef"),
                    &store),
              RES_OK);
    EXPECT_EQ(store.entries.size(), 3u);
    ASSERT_NE(store_find(&store, "a.txt"), nullptr);
    EXPECT_EQ(store_find(&store, "a.txt")->size, 1u);
    ASSERT_NE(store_find(&store, "same.txt"), nullptr);
    EXPECT_EQ(store_find(&store, "same.txt")->size, 5u);
    use_store(store.path);
    std::string text;
    ASSERT_EQ(store_read_text("same.txt", &text), RES_OK);
    EXPECT_EQ(text, "newer");
}

TEST_F(StoreHeader, KeysSharingABucketAreAllFound) {
    // 129 entries: at least two keys land in one of the 128 buckets.
    std::vector<StoreWriteEntry> entries;
    for (int i = 0; i < 129; ++i) entries.push_back(entry(("f/" + std::to_string(i)).c_str(), std::to_string(i * 7)));
    Store store;
    ASSERT_EQ(parse(archive(entries), &store), RES_OK);
    for (int i = 0; i < 129; ++i) {
        const StoreEntry *e = store_find(&store, ("f/" + std::to_string(i)).c_str());
        ASSERT_NE(e, nullptr) << i;
        EXPECT_EQ(e->size, std::to_string(i * 7).size()) << i;
    }
}

// ---- the singleton and reads ----

class StoreRead : public StoreTest {};

TEST_F(StoreRead, DefaultsBesideTheProgramFolderAndAFailedOpenIsRetriedOnTheNextOne) {
    EXPECT_EQ(store_get()->path, "../store.dat");
    const std::string path = dir + "/store.dat";
    use_store(path);
    EXPECT_EQ(store_open(), RES_OPEN_FAILED);
    write_whole(path, {'T', 'C', 'U'});
    EXPECT_EQ(store_open(), RES_HEADER_READ_FAILED);
    archive({entry("a.txt", "A")});
    EXPECT_EQ(store_open(), RES_OK);
    EXPECT_EQ(store_get()->entries.size(), 1u);
}

TEST_F(StoreRead, AFirstReadParsesTheHeaderAndBothSeparatorsReadTheSameAsset) {
    use_store(archive({entry("ship/001/dat/params.dat", "params of ship 1")}));
    Buffer *a = nullptr, *b = nullptr;
    ASSERT_EQ(store_read_file("ship\\001\\dat\\params.dat", 1, &a), RES_OK);
    ASSERT_EQ(store_read_file("ship/001/dat/params.dat", 1, &b), RES_OK);
    EXPECT_EQ(text_of(a), "params of ship 1");
    EXPECT_EQ(text_of(b), "params of ship 1");
    EXPECT_EQ(a->cursor, 0);
    buffer_free(a);
    buffer_free(b);
}

TEST_F(StoreRead, AMissingAssetIsReportedByEachLayerAndAZeroSizeEntryReadsAsMissing) {
    use_store(archive({entry("empty.txt", ""), entry("full.txt", "x")}));
    ASSERT_EQ(store_open(), RES_OK);
    Buffer *b = reinterpret_cast<Buffer *>(0x1);   // must not be touched on failure
    EXPECT_EQ(store_read_file("empty.txt", 1, &b), RES_OPEN_FAILED);
    EXPECT_EQ(b, reinterpret_cast<Buffer *>(0x1));
    EXPECT_EQ(store_entry_size(store_get(), "empty.txt"), 0);
    EXPECT_EQ(store_entry_size(store_get(), "b.txt"), RES_NO_STORE_ENTRY);
    EXPECT_EQ(store_open_entry(store_get(), "b.txt"), RES_NO_STORE_ENTRY);
    EXPECT_EQ(store_read_file("b.txt", 1, nullptr), RES_OPEN_FAILED);
    std::string text = "kept";
    EXPECT_EQ(store_read_text("b.txt", &text), RES_OPEN_FAILED);
    EXPECT_EQ(text, "kept");
}

TEST_F(StoreRead, OpenEntryLeavesTheDescriptorAtTheBodyAndABodyCutShortIsAReadFailure) {
    const std::string path = archive({entry("a.txt", "AAA"), entry("b.txt", "body of b")});
    use_store(path);
    ASSERT_EQ(store_open(), RES_OK);
    int fd = store_open_entry(store_get(), "b.txt");
    ASSERT_GE(fd, 0);
    char text[9];
    ASSERT_EQ(::read(fd, text, sizeof text), 9);
    ::close(fd);
    EXPECT_EQ(std::string(text, 9), "body of b");
    std::vector<uint8_t> file = read_whole(path);
    file.resize(file.size() - 3);
    write_whole(path, file);
    use_store(path);
    ASSERT_EQ(store_open(), RES_OK);
    EXPECT_EQ(store_read_file("b.txt", 1, nullptr), RES_READ_FAILED);
}

TEST_F(StoreRead, BodiesLongerThanOneChunkAndPlainFilesArriveWholeAndAnEmptyPlainFileIsRefused) {
    std::string big(100000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 31 + i / 251);
    use_store(archive({entry("big.bin", big)}));
    Buffer *b = nullptr;
    ASSERT_EQ(store_read_file("big.bin", 1, &b), RES_OK);
    EXPECT_EQ(text_of(b), big);
    buffer_free(b);
    const std::string full = dir + "/plain.txt", empty = dir + "/empty.txt";
    write_whole(full, bytes_of("plain text"));
    write_whole(empty, {});
    ASSERT_EQ(store_read_file(full.c_str(), 0, &b), RES_OK);
    EXPECT_EQ(text_of(b), "plain text");
    buffer_free(b);
    EXPECT_EQ(store_read_file(empty.c_str(), 0, nullptr), RES_EMPTY_FILE);
    EXPECT_EQ(store_read_file((dir + "/absent.txt").c_str(), 0, nullptr), RES_OPEN_FAILED);
}

TEST_F(StoreRead, ThreadsReadAtTheSameTimeWithoutALock) {
    std::vector<StoreWriteEntry> entries;
    std::vector<std::string> bodies;
    for (int i = 0; i < 16; ++i) {
        bodies.push_back(std::string(size_t(1000 + i * 3000), char('a' + i)));
        entries.push_back(entry(("t/" + std::to_string(i)).c_str(), bodies.back()));
    }
    use_store(archive(entries));
    ASSERT_EQ(store_open(), RES_OK);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int n = 0; n < 100; ++n) {
                const int i = (t * 5 + n) % 16;
                Buffer *b = nullptr;
                if (store_read_file(("t/" + std::to_string(i)).c_str(), 1, &b) != RES_OK || text_of(b) != bodies[size_t(i)])
                    wrong.fetch_add(1);
                buffer_free(b);
            }
        });
    for (std::thread &t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
