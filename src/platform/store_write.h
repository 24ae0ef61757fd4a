#pragma once
// Store writer: the write side of the data store format (store_format.h), used by the packer and
// by tests that need archives of their own.
//  - store_write encodes exactly the entries it is given, in order, duplicates and empty bodies
//    included, so tests can build the awkward archives the reader must survive.
//  - store_pack_tree is the packer's policy on top: every regular file below a folder, paths
//    relative with '/' separators and sorted bytewise, the game's build identifier; it refuses
//    two paths with one key and empty files. The same tree always gives the same bytes.
//  - The archive is written to "<out>.tmp" and renamed over `out`, so a failed pack never leaves
//    a half-written archive under the real name.
//  - Result codes: RES_OPEN_FAILED a body file or the output cannot be opened; RES_WRITE_FAILED a
//    write or the rename failed, or the archive would pass 4 GiB; RES_MALFORMED a refused tree
//    (duplicate key, empty file, no file at all). `error` (optional) receives a one-line message.
#include <cstdint>
#include <string>
#include <vector>
#include "platform/result.h"

struct StoreWriteEntry {
    uint32_t             key = 0;
    std::vector<uint8_t> body;        // the bytes, unless body_file is set
    std::string          body_file;   // when not empty: copy the body from this file
};

Result store_write(const char *out_path, const char *build_id,
                   const std::vector<StoreWriteEntry> &entries, std::string *error);

// The store-relative paths of every regular file below `root` ('/' separated, sorted bytewise).
Result store_list_tree(const char *root, std::vector<std::string> *paths, std::string *error);

Result store_pack_tree(const char *root, const char *out_path, std::string *error);
