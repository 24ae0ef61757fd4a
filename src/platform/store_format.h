#pragma once
// The data store archive format, shared by the game's reader (store.h) and the packer's writer
// (store_write.h), so both sides read the same constants.
//
//   offset 0   7 bytes   magic 'T' 'C' 'U' CR LF 1 2
//   offset 7   8 bytes   build identifier, ASCII
//   offset 15  i32       entry count, at least 1
//   offset 19  12 x n    entries: key, offset ^ key ^ mask, size ^ key ^ mask (u32 each)
//   ...                  bodies, raw, each at its entry's offset
// Every integer is big-endian. An asset is found by the djb2 key of "../res/" + its path, with
// '\' read as '/' and each byte taken as signed, so "bg\000.png" and "bg/000.png" are one asset.
#include <cstddef>
#include <cstdint>

inline constexpr uint8_t  STORE_MAGIC[7]       = {0x54, 0x43, 0x55, 0x0D, 0x0A, 0x01, 0x02};
inline constexpr size_t   STORE_MAGIC_SIZE     = 7;
inline constexpr size_t   STORE_BUILD_ID_SIZE  = 8;
inline constexpr size_t   STORE_HEADER_SIZE    = 19;    // magic, build id, entry count
inline constexpr size_t   STORE_ENTRY_SIZE     = 12;
inline constexpr uint32_t STORE_MASK           = 0x6B21C4D9u;
inline constexpr const char *STORE_BUILD_ID    = "4f7a19c3";
inline constexpr const char *STORE_ASSET_ROOT  = "../res";
inline constexpr int      STORE_BUCKET_COUNT   = 128;

// The key of an asset path: the djb2 hash (str_hash) of "../res/" + path with every '\' replaced by '/'.
uint32_t store_asset_key(const char *asset_path);
