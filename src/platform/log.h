#pragma once
// Logger: the process-wide diagnostic channel.
//  - One lazily created singleton (logger_get); log_write does nothing until it exists and
//    after logger_destroy.
//  - A call is filtered by category bit and level before the clock is read or a lock taken;
//    a line that passes is appended to the accepted log file, one open/write/close per line,
//    so every line is on disk when log_write returns. Without an accepted file nothing is
//    written anywhere.
//  - A line reads "[dd/Mon/yyyy hh:mm:ss.000 +0000] [CATEGORY] [LEVEL] message" and ends in
//    CR LF; the category tag names the lowest set bit of the category, when that bit is named.
//  - The log file is accepted only when no file or directory of that name exists yet
//    (create-new): an existing file is never appended to.
//  - log_write is called from every thread; its mutex keeps lines whole. The flags, mask and
//    max level are set by start-up on the main thread before other threads exist and are read
//    without the lock.
//  - Result codes: log_open_file gives RES_OK or RES_OPEN_FAILED; log_set_category_name gives
//    1, or -1 when refused.
#include <cstdarg>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include "platform/result.h"

// Category bits (one per module family). LOG_NONE prints no category tag and skips the mask.
enum LogCategory : int {
    LOG_NONE     = -1,
    LOG_GAME     = 1,
    LOG_GRAPHICS = 2,
    LOG_INPUT    = 4,
    LOG_SPRITE   = 8,
    LOG_STORE    = 16,
    LOG_SOUND    = 32,
    LOG_AGENT    = 64,
    LOG_CONTROL  = 128,
    LOG_RES      = 256,
    LOG_REFCOUNT = 512,
};

// Levels 0..8; any other value prints no level tag and is not tested against the max level.
enum LogLevel : int {
    LOG_ERROR  = 0,
    LOG_WARN   = 1,
    LOG_NOTICE = 2,
    LOG_INFO   = 3,
    LOG_DEBUG  = 4,
    LOG_DEBUG1 = 5,
    LOG_DEBUG2 = 6,
    LOG_DEBUG3 = 7,
    LOG_DEBUG4 = 8,
};

constexpr uint32_t LOG_FLAG_ENABLED      = 1u;   // lines pass the filter
constexpr uint32_t LOG_FLAG_WRITE_FILE   = 2u;   // a log file was accepted
constexpr uint32_t LOG_FLAG_ERROR_BYPASS = 4u;   // level 0 and below pass every filter
constexpr int      LOG_NAME_CAPACITY     = 32;
constexpr int      LOG_UNKNOWN_LEVEL     = 255;  // log_level_from_name: no such name
constexpr size_t   LOG_MAX_PATH          = 1023; // longest log path accepted, in bytes

struct Logger {
    std::string path;                          // accepted log file; empty until one is
    uint32_t    flags = 0;
    uint32_t    category_mask = 0xFFFFFFFFu;
    int32_t     max_level = LOG_WARN;
    int32_t     name_capacity = LOG_NAME_CAPACITY;
    std::optional<std::string> category_names[LOG_NAME_CAPACITY];   // by bit number; empty = unnamed
    std::mutex  mutex;                         // held while one line is opened, written, closed
};

void log_write(int category, int level, const char *format, ...) __attribute__((format(printf, 3, 4)));
void log_vwrite(int category, int level, const char *format, va_list args);

Logger *logger_get();                 // the singleton, created with log_create on first use
Logger *log_create();                 // a fresh logger with the defaults and the ten category names
void    log_free(Logger *logger);     // frees a logger made by log_create; null is ignored
void    logger_destroy();             // frees the singleton; later calls are dropped

int     log_set_category_name(Logger *logger, uint32_t bit, const char *name);   // 1, or -1 refused
int     log_level_from_name(const char *name);                                   // 0..8, or 255
Result  log_open_file(Logger *logger, const char *path);   // create-new; RES_OK or RES_OPEN_FAILED
void    log_disable_categories(Logger *logger, uint32_t bits);
void    log_set_error_bypass(Logger *logger);
void    log_set_error_only(Logger *logger);
void    log_set_max_level(Logger *logger, int level);
void    log_lock(Logger *logger);
void    log_unlock(Logger *logger);

// The time stamp that opens every line, "[09/Dec/2012 14:03:07.000 +0000] ".
std::string log_format_stamp(const struct tm &when);

int64_t time_now();                               // seconds of the runtime library clock
bool    local_time(int64_t seconds, struct tm *out);
