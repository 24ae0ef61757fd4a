#pragma once
// Store: the read side of the data store, the one archive every asset of the game lives in
// (format and key in store_format.h).
//  - One lazily created singleton (store_get / store_open), freed by store_shutdown. Its path is
//    the one given to store_set_path before it is created, else "../store.dat".
//  - The header is parsed once on the main thread at start-up; afterwards the entry table and the
//    key map are only read, and every read opens, positions, reads and closes its own descriptor,
//    so loader threads and the sound thread read assets at the same time without a lock.
//  - A later entry with the same key replaces an earlier one in the map (the list keeps both).
//  - Result codes: RES_OPEN_FAILED (-6) archive or plain file cannot be opened, or the asset has
//    no readable entry (store_read_file); RES_EMPTY_FILE (-22) plain file empty; RES_MALFORMED (-23)
//    bad header or entry table; RES_HEADER_READ_FAILED (-47) end of file in the header;
//    RES_NO_STORE_ENTRY (-67) no entry for the asset; RES_STORE_SEEK_FAILED (-68); RES_READ_FAILED
//    (-5) a body read came up short. Failures of the header are logged (category STORE); lookups
//    are not.
#include <array>
#include <cstdint>
#include <string>
#include <vector>
#include "platform/result.h"
#include "platform/store_format.h"

struct Buffer;

constexpr uint32_t STORE_FLAG_PARSED = 1u;

struct StoreEntry {
    uint32_t key    = 0;
    uint32_t offset = 0;   // of the body, from the start of the archive
    uint32_t size   = 0;   // body length in bytes
};

struct Store {
    uint32_t                flags = 0;
    std::string             path;
    std::vector<StoreEntry> entries;    // file order
    // The key map: 128 buckets of indices into `entries`, bucket = key mod 128.
    std::array<std::vector<uint32_t>, STORE_BUCKET_COUNT> by_key;
};

Result store_open();                               // creates the singleton and parses its header once
Store *store_get();                                // the singleton, created (not parsed) when needed
void   store_set_path(const char *path);           // path for the singleton still to be created
void   store_shutdown();                           // frees the singleton and the recorded path

// Reads and checks the header from `fd` (at offset 0) and rebuilds the entry table and map;
// on failure both are left empty. Does not set STORE_FLAG_PARSED: store_open does.
Result store_parse_header(Store *store, int fd);

// The entry of an asset path, or null.
const StoreEntry *store_find(const Store *store, const char *asset_path);

// A new descriptor on the archive positioned at the asset's body (the caller closes it), or a
// negative Result: -6, a parse failure, -67 or -68.
int store_open_entry(Store *store, const char *asset_path);

// The body size of the asset's entry, or RES_NO_STORE_ENTRY.
int64_t store_entry_size(Store *store, const char *asset_path);

// Reads a whole file into a new Buffer stored through `out` (freed when out is null).
// use_store 1: `path` is an asset path read from the singleton's archive (a missing or zero-size
// entry gives -6). use_store 0: `path` is a plain file (-6 when it cannot be opened, -22 empty).
// A body that ends early gives -5. Nothing is stored on failure.
Result store_read_file(const char *path, int use_store, Buffer **out);

// The asset's bytes as text in `field` (replacing what it held); the failure code of the read.
Result store_read_text(const char *asset_path, std::string *field);
