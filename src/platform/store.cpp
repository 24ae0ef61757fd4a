// The data store reader: header and entry table parsing, key lookup, whole-file reads.
#include "platform/store.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include "platform/buffer.h"
#include "platform/log.h"
#include "platform/str.h"

namespace {

constexpr size_t STORE_TABLE_CHUNK = 8192;    // entry table read size
constexpr size_t STORE_BODY_CHUNK  = 16384;   // body read size

std::mutex          g_store_mutex;            // guards creation and shutdown only
std::atomic<Store*> g_store{nullptr};
std::string         g_store_path;             // for the singleton still to be created
bool                g_store_path_set = false;

uint32_t read_be32(const uint8_t *p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void store_clear_table(Store *store) {
    store->entries.clear();
    for (auto &bucket : store->by_key) bucket.clear();
}

// Reads until `n` bytes are in or a read returns less than 1 byte; returns the bytes read.
size_t read_fully(int fd, uint8_t *dst, size_t n) {
    size_t done = 0;
    while (done < n) {
        ssize_t got = ::read(fd, dst + done, n - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 1) break;
        done += size_t(got);
    }
    return done;
}

// Opens a regular file for reading, or -1. The open does not block (a FIFO or a device named like
// a store or a save would otherwise wait for a writer for ever); what was opened is checked to be a
// regular file before the descriptor goes back to blocking reads.
int open_read_only(const char *path) {
    int fd;
    do fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat st;
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Appends `size` bytes read in chunks of 16 KiB; RES_READ_FAILED when the file ends first.
Result read_body(int fd, size_t size, Buffer *out) {
    uint8_t chunk[STORE_BODY_CHUNK];
    size_t done = 0;
    while (done < size) {
        const size_t want = std::min(sizeof chunk, size - done);
        ssize_t got;
        do got = ::read(fd, chunk, want);
        while (got < 0 && errno == EINTR);
        if (got < 1) return RES_READ_FAILED;
        Result res = buffer_append(out, chunk, size_t(got));
        if (res != RES_OK) return res;
        done += size_t(got);
    }
    return RES_OK;
}

}  // namespace

uint32_t store_asset_key(const char *asset_path) {
    std::string text = std::string(STORE_ASSET_ROOT) + "/" + asset_path;
    std::replace(text.begin(), text.end(), '\\', '/');
    return str_hash(text.c_str());
}

Store *store_get() {
    Store *store = g_store.load(std::memory_order_acquire);
    if (store) return store;
    std::lock_guard<std::mutex> lock(g_store_mutex);
    store = g_store.load(std::memory_order_relaxed);
    if (store) return store;
    store = new Store;
    store->path = g_store_path_set ? g_store_path : std::string("../store.dat");
    log_write(LOG_STORE, LOG_DEBUG, "Archive file store enabled, path \"%s\"", store->path.c_str());
    g_store.store(store, std::memory_order_release);
    return store;
}

void store_set_path(const char *path) {
    std::lock_guard<std::mutex> lock(g_store_mutex);
    g_store_path = path ? path : "";
    g_store_path_set = path != nullptr;
}

void store_shutdown() {
    std::lock_guard<std::mutex> lock(g_store_mutex);
    delete g_store.exchange(nullptr, std::memory_order_acq_rel);
    g_store_path.clear();
    g_store_path_set = false;
}

Result store_open() {
    Store *store = store_get();
    if (store->flags & STORE_FLAG_PARSED) return RES_OK;
    int fd = open_read_only(store->path.c_str());
    if (fd < 0) return RES_OPEN_FAILED;
    Result res = store_parse_header(store, fd);
    ::close(fd);
    if (res != RES_OK) return res;
    store->flags |= STORE_FLAG_PARSED;
    return RES_OK;
}

Result store_parse_header(Store *store, int fd) {
    uint8_t header[STORE_HEADER_SIZE];
    if (read_fully(fd, header, sizeof header) < sizeof header) {
        log_write(LOG_STORE, LOG_ERROR, "Unexpected EOF reading store header");
        return RES_HEADER_READ_FAILED;
    }
    if (std::memcmp(header, STORE_MAGIC, STORE_MAGIC_SIZE) != 0) {
        log_write(LOG_STORE, LOG_ERROR, "Malformed store header");
        return RES_MALFORMED;
    }
    char ours[16];
    std::snprintf(ours, sizeof ours, "%8s", STORE_BUILD_ID);
    size_t compare = std::min<size_t>(std::strlen(ours), STORE_BUILD_ID_SIZE);
    if (std::memcmp(ours, header + STORE_MAGIC_SIZE, compare) != 0)
        log_write(LOG_STORE, LOG_ERROR, "Store build hash mismatch (was expecting \"%s\")", ours);
    else
        log_write(LOG_STORE, LOG_DEBUG, "Store build hash matched (\"%s\")", ours);

    int32_t count = int32_t(read_be32(header + STORE_MAGIC_SIZE + STORE_BUILD_ID_SIZE));
    if (count < 1) {
        log_write(LOG_STORE, LOG_ERROR, "Malformed store header (invalid entry count)");
        return RES_MALFORMED;
    }
    store_clear_table(store);

    // The table is read in chunks and grows only with the bytes actually read, so a hostile count
    // costs no more memory than the file holds. 64-bit arithmetic: 12 x count cannot wrap.
    const uint64_t table_size = uint64_t(count) * STORE_ENTRY_SIZE;
    std::vector<uint8_t> table;
    Result res = RES_OK;
    while (table.size() < table_size) {
        size_t want = size_t(std::min<uint64_t>(STORE_TABLE_CHUNK, table_size - table.size()));
        size_t at = table.size();
        table.resize(at + want);
        ssize_t got;
        do got = ::read(fd, table.data() + at, want);
        while (got < 0 && errno == EINTR);
        if (got < 1) {
            table.resize(at);
            log_write(LOG_STORE, LOG_ERROR, "Unexpected EOF reading store header entries");
            res = RES_HEADER_READ_FAILED;
            break;
        }
        table.resize(at + size_t(got));
    }

    size_t at = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (table.size() - at < STORE_ENTRY_SIZE) {
            log_write(LOG_STORE, LOG_ERROR, "Unexpected end of data while parsing store header entries");
            res = RES_MALFORMED;
            break;
        }
        StoreEntry entry;
        entry.key    = read_be32(&table[at]);
        entry.offset = read_be32(&table[at + 4]) ^ entry.key ^ STORE_MASK;
        entry.size   = read_be32(&table[at + 8]) ^ entry.key ^ STORE_MASK;
        at += STORE_ENTRY_SIZE;

        const uint32_t index = uint32_t(store->entries.size());
        store->entries.push_back(entry);
        auto &bucket = store->by_key[entry.key % STORE_BUCKET_COUNT];
        auto same = std::find_if(bucket.begin(), bucket.end(),
                                 [&](uint32_t j) { return store->entries[j].key == entry.key; });
        if (same != bucket.end()) *same = index;
        else bucket.push_back(index);
    }
    if (res != RES_OK) store_clear_table(store);
    return res;
}

const StoreEntry *store_find(const Store *store, const char *asset_path) {
    const uint32_t key = store_asset_key(asset_path);
    for (uint32_t index : store->by_key[key % STORE_BUCKET_COUNT])
        if (store->entries[index].key == key) return &store->entries[index];
    return nullptr;
}

int store_open_entry(Store *store, const char *asset_path) {
    int fd = open_read_only(store->path.c_str());
    if (fd < 0) return RES_OPEN_FAILED;
    if (!(store->flags & STORE_FLAG_PARSED)) {
        Result res = store_parse_header(store, fd);
        if (res != RES_OK) {
            ::close(fd);
            return res;
        }
        store->flags |= STORE_FLAG_PARSED;
    }
    const StoreEntry *entry = store_find(store, asset_path);
    if (!entry) {
        ::close(fd);
        return RES_NO_STORE_ENTRY;
    }
    if (::lseek(fd, off_t(entry->offset), SEEK_SET) != off_t(entry->offset)) {
        ::close(fd);
        return RES_STORE_SEEK_FAILED;
    }
    return fd;
}

int64_t store_entry_size(Store *store, const char *asset_path) {
    const StoreEntry *entry = store_find(store, asset_path);
    return entry ? int64_t(entry->size) : int64_t(RES_NO_STORE_ENTRY);
}

Result store_read_file(const char *path, int use_store, Buffer **out) {
    int64_t size;
    int fd;
    if (use_store) {
        Store *store = store_get();
        // Open first: a first read on a store nobody opened parses the header here.
        fd = store_open_entry(store, path);
        if (fd < 0) return RES_OPEN_FAILED;
        size = store_entry_size(store, path);
    } else {
        // Only a regular file is read; the size is the opened file's own.
        struct stat st;
        if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return RES_OPEN_FAILED;
        fd = open_read_only(path);
        if (fd < 0) return RES_OPEN_FAILED;
        if (::fstat(fd, &st) != 0 || st.st_size < 1) {
            ::close(fd);
            return RES_EMPTY_FILE;
        }
        size = st.st_size;
    }
    // A Buffer holds at most 2 GiB; an entry the game cannot hold is as good as missing.
    if (size < 1 || size > INT32_MAX) {
        ::close(fd);
        return RES_OPEN_FAILED;
    }
    Buffer *buffer = buffer_create();
    Result res = buffer ? read_body(fd, size_t(size), buffer) : RES_NO_MEMORY;
    ::close(fd);
    if (res != RES_OK) {
        buffer_free(buffer);
        return res;
    }
    if (out) *out = buffer;
    else buffer_free(buffer);
    return RES_OK;
}

Result store_read_text(const char *asset_path, std::string *field) {
    Buffer *buffer = nullptr;
    Result res = store_read_file(asset_path, 1, &buffer);
    if (res != RES_OK) return res;
    const int set = str_set_n(field, reinterpret_cast<const char *>(buffer->data), buffer->length);
    buffer_free(buffer);
    return set < 0 ? RES_NO_MEMORY : RES_OK;
}
