// The store writer and the packer's tree walk.
#include "platform/store_write.h"
#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include "platform/store_format.h"

namespace {

void append_be32(std::vector<uint8_t> *out, uint32_t v) {
    out->push_back(uint8_t(v >> 24));
    out->push_back(uint8_t(v >> 16));
    out->push_back(uint8_t(v >> 8));
    out->push_back(uint8_t(v));
}

void set_error(std::string *error, const std::string &text) {
    if (error) *error = text;
}


// Appends one file's bytes to `fd`; `size` is what the table promised.
Result copy_file(int fd, const std::string &path, uint64_t size, std::string *error) {
    int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        set_error(error, "cannot open " + path + ": " + std::strerror(errno));
        return RES_OPEN_FAILED;
    }
    std::vector<uint8_t> chunk(1 << 16);
    uint64_t copied = 0;
    Result res = RES_OK;
    while (copied < size) {
        ssize_t got = ::read(in, chunk.data(), size_t(std::min<uint64_t>(chunk.size(), size - copied)));
        if (got < 0 && errno == EINTR) continue;
        if (got < 1) {
            set_error(error, path + " changed while it was packed");
            res = RES_WRITE_FAILED;
            break;
        }
        if (!file_write_all(fd, chunk.data(), size_t(got))) {
            set_error(error, std::string("write failed: ") + std::strerror(errno));
            res = RES_WRITE_FAILED;
            break;
        }
        copied += uint64_t(got);
    }
    ::close(in);
    return res;
}

Result walk(const std::string &root, const std::string &relative, std::vector<std::string> *paths,
            std::string *error) {
    const std::string dir = relative.empty() ? root : root + "/" + relative;
    DIR *d = ::opendir(dir.c_str());
    if (!d) {
        set_error(error, "cannot list " + dir + ": " + std::strerror(errno));
        return RES_OPEN_FAILED;
    }
    std::vector<std::string> names;
    while (dirent *e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names.emplace_back(e->d_name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        const std::string rel = relative.empty() ? name : relative + "/" + name;
        struct stat st;
        if (::stat((root + "/" + rel).c_str(), &st) != 0) {
            set_error(error, "cannot read " + root + "/" + rel + ": " + std::strerror(errno));
            return RES_OPEN_FAILED;
        }
        if (S_ISDIR(st.st_mode)) {
            Result res = walk(root, rel, paths, error);
            if (res != RES_OK) return res;
        } else if (S_ISREG(st.st_mode)) {
            paths->push_back(rel);
        }
    }
    return RES_OK;
}

}  // namespace

Result store_write(const char *out_path, const char *build_id,
                   const std::vector<StoreWriteEntry> &entries, std::string *error) {
    std::vector<uint64_t> sizes;
    for (const StoreWriteEntry &entry : entries) {
        if (entry.body_file.empty()) {
            sizes.push_back(entry.body.size());
            continue;
        }
        struct stat st;
        if (::stat(entry.body_file.c_str(), &st) != 0) {
            set_error(error, "cannot read " + entry.body_file + ": " + std::strerror(errno));
            return RES_OPEN_FAILED;
        }
        sizes.push_back(uint64_t(st.st_size));
    }

    // Byte by byte: a range insert into the growing vector made gcc's bounds check (under the
    // thread sanitizer) warn wrongly about the copy.
    std::vector<uint8_t> head;
    head.reserve(STORE_HEADER_SIZE + STORE_ENTRY_SIZE * entries.size());
    for (uint8_t byte : STORE_MAGIC) head.push_back(byte);
    bool id_ended = false;
    for (size_t i = 0; i < STORE_BUILD_ID_SIZE; ++i) {
        id_ended = id_ended || !build_id[i];
        head.push_back(id_ended ? uint8_t(' ') : uint8_t(build_id[i]));
    }
    append_be32(&head, uint32_t(entries.size()));

    uint64_t offset = STORE_HEADER_SIZE + STORE_ENTRY_SIZE * uint64_t(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        if (offset + sizes[i] > UINT32_MAX) {
            set_error(error, "the archive would pass 4 GiB");
            return RES_WRITE_FAILED;
        }
        const uint32_t key = entries[i].key;
        append_be32(&head, key);
        append_be32(&head, uint32_t(offset) ^ key ^ STORE_MASK);
        append_be32(&head, uint32_t(sizes[i]) ^ key ^ STORE_MASK);
        offset += sizes[i];
    }

    const std::string temp = std::string(out_path) + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        set_error(error, "cannot create " + temp + ": " + std::strerror(errno));
        return RES_OPEN_FAILED;
    }
    Result res = RES_OK;
    if (!file_write_all(fd, head.data(), head.size())) {
        set_error(error, std::string("write failed: ") + std::strerror(errno));
        res = RES_WRITE_FAILED;
    }
    for (size_t i = 0; res == RES_OK && i < entries.size(); ++i) {
        const StoreWriteEntry &entry = entries[i];
        if (!entry.body_file.empty()) {
            res = copy_file(fd, entry.body_file, sizes[i], error);
        } else if (!file_write_all(fd, entry.body.data(), entry.body.size())) {
            set_error(error, std::string("write failed: ") + std::strerror(errno));
            res = RES_WRITE_FAILED;
        }
    }
    if (::close(fd) != 0 && res == RES_OK) {
        set_error(error, std::string("write failed: ") + std::strerror(errno));
        res = RES_WRITE_FAILED;
    }
    if (res == RES_OK && ::rename(temp.c_str(), out_path) != 0) {
        set_error(error, "cannot rename " + temp + ": " + std::strerror(errno));
        res = RES_WRITE_FAILED;
    }
    if (res != RES_OK) ::unlink(temp.c_str());
    return res;
}

Result store_list_tree(const char *root, std::vector<std::string> *paths, std::string *error) {
    paths->clear();
    struct stat st;
    if (::stat(root, &st) != 0 || !S_ISDIR(st.st_mode)) {
        set_error(error, std::string(root) + " is not a folder");
        return RES_OPEN_FAILED;
    }
    Result res = walk(root, "", paths, error);
    // Per-folder sorting is not a bytewise order of whole paths ("a-b" sorts before "a/b").
    std::sort(paths->begin(), paths->end());
    return res;
}

Result store_pack_tree(const char *root, const char *out_path, std::string *error) {
    std::vector<std::string> paths;
    Result res = store_list_tree(root, &paths, error);
    if (res != RES_OK) return res;
    if (paths.empty()) {
        set_error(error, std::string("no files below ") + root + " (an archive needs one entry)");
        return RES_MALFORMED;
    }
    std::map<uint32_t, std::string> owner;
    std::vector<StoreWriteEntry> entries;
    for (const std::string &path : paths) {
        const std::string file = std::string(root) + "/" + path;
        struct stat st;
        if (::stat(file.c_str(), &st) != 0) {
            set_error(error, "cannot read " + file + ": " + std::strerror(errno));
            return RES_OPEN_FAILED;
        }
        if (st.st_size == 0) {
            set_error(error, "empty file " + path + " (the game reads an empty entry as missing)");
            return RES_MALFORMED;
        }
        const uint32_t key = store_asset_key(path.c_str());
        auto [it, fresh] = owner.emplace(key, path);
        if (!fresh) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%08x", key);
            set_error(error, "paths " + it->second + " and " + path + " have the same key " + hex);
            return RES_MALFORMED;
        }
        StoreWriteEntry entry;
        entry.key = key;
        entry.body_file = file;
        entries.push_back(std::move(entry));
    }
    return store_write(out_path, STORE_BUILD_ID, entries, error);
}
