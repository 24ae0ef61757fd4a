#pragma once
// Files: the save folder, whole-file writes, directory listing, small file readers, data-store
// numbers and web links. (Local time and the shared geometry have headers of their own, which
// this one still brings along for the files that reach them through it.)
//  - Save folder: $XDG_DATA_HOME/Astrovane, else $HOME/.local/share/Astrovane, else ".".
//  - write_file replaces a file safely: the bytes go to "<name>.tmp" in the same folder, are
//    synced, renamed over the target, and the folder is synced. On any failure the old file is
//    untouched and the temporary removed. Every file the game writes goes through it. The
//    temporary is always made new (never through a link, never a FIFO or device, so a write never
//    blocks or lands elsewhere); a target that is a FIFO, device or socket is not replaced.
//  - file_keep_aside moves a file the game cannot read out of the way under a name no earlier
//    copy holds, so the next write of that name loses nothing.
//  - list_directory: the plain files of a folder, newest first, equal times by name.
//  - shell_open only ever starts `xdg-open` with an address beginning "http://" or "https://";
//    anything else is refused (an address may come from a save file).
//  - Nothing here logs.
//  - Result codes: RES_OPEN_FAILED (-6) open or list failure; RES_WRITE_FAILED (-21);
//    RES_NOT_A_DIRECTORY (-29); RES_MKDIR_FAILED (-30); RES_END_OF_FILE (-46);
//    RES_HEADER_READ_FAILED (-47) read error; RES_SHORT_BUFFER (-15); RES_DELETE_FAILED (-52);
//    RES_PLATFORM_REFUSED (-7); RES_MALFORMED (-23) over-long string; RES_NO_MEMORY (-4).
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <vector>
#include "platform/geometry.h"
#include "platform/local_time.h"
#include "platform/result.h"

struct Buffer;

constexpr int32_t FILE_STRING_MAX       = 2097152;   // longest string file_read_string accepts
// write_file's temporary name is the target's with this added; one still there after the write
// ended belongs to a write that was killed.
constexpr const char *FILE_TEMP_SUFFIX   = ".tmp";
// file_keep_aside's names: "<name>.bad", then "<name>.bad.1" up to "<name>.bad.99".
constexpr const char *FILE_KEEP_ASIDE_SUFFIX = ".bad";
constexpr int FILE_KEEP_ASIDE_TRIES = 100;

// ---- Files and folders ----
int    save_folder_path(std::string *field);             // sets the field; returns its length (> 0)
Result make_directory(const char *path);                 // missing parents are created too
Result write_file(const char *path, const Buffer *buffer);
Result write_file_bytes(const char *path, const void *data, size_t size);   // the same, from bytes
// Renames whatever the path names (a file, a link, a FIFO; never followed nor opened) to the first
// free keep-aside name, stored in *kept when given. RES_OK also when nothing is there (kept then
// untouched); RES_WRITE_FAILED when it cannot be moved.
Result file_keep_aside(const char *path, std::string *kept);
// Makes a write past the process's file-size limit fail instead of ending the process (start-up).
void   file_ignore_size_limit_signal();
Result list_directory(const char *directory, std::vector<std::string> *out);  // out may be null
int    file_open_read(const char *path);                 // a regular file only, never blocking; descriptor, or RES_OPEN_FAILED
Result file_read_exact(int fd, void *bytes, size_t n);
bool   file_write_all(int fd, const void *bytes, size_t n);   // retries short writes and EINTR; false on error
Result file_read_u32(int fd, uint32_t *out);
Result file_read_string(int fd, std::string *field);
Result file_stat(const char *path, struct stat *out);    // RES_OK, or RES_OPEN_FAILED
void   file_close(int fd);
int    file_exists(const char *path);                    // 1 or 0
int    is_directory(const char *path);                   // 1 or 0
Result file_delete(const char *path);
void   path_append(std::string *field, const char *name);   // field + "/" + name
Result shell_open(const char *text);

// ---- Numbers from data-store texts ----
// The leading decimal number of a text as atoi reads it (spaces, a sign, digits; 0 without one),
// held at the i32 limits instead of overflowing.
int32_t text_to_i32(const char *text);
Result store_read_int(const char *asset_path, int32_t *out);       // text_to_i32 of the text
// One text_to_i32 per line that ends with '\n'; a last line without one is not read.
Result store_read_int_lines(const char *asset_path, int32_t *count, std::vector<int32_t> *values);
