#pragma once
// Logger: the process-wide diagnostic channel.
//  - One lazily created singleton (logger_get); log_write does nothing until it exists and
//    after logger_destroy.
//  - A call is filtered by category bit and level before the clock is read or a lock taken;
//    a line that passes is appended to the accepted log file, one open/write/close per line.
//  - The log file is accepted only when no file of that name exists yet (create-new).
//  - log_write is called from every thread; its mutex keeps lines whole. The flags, mask and
//    max level are set by start-up on the main thread before other threads exist.
#include <cstdarg>
#include <cstdint>
#include <ctime>
#include <mutex>
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

constexpr uint32_t LOG_FLAG_ENABLED      = 1u;
constexpr uint32_t LOG_FLAG_WRITE_FILE   = 2u;
constexpr uint32_t LOG_FLAG_ERROR_BYPASS = 4u;
constexpr int      LOG_NAME_CAPACITY     = 32;

struct Logger {
    std::string path;                          // accepted log file; empty until one is
    uint32_t    flags = 0;
    uint32_t    category_mask = 0xFFFFFFFFu;
    int32_t     max_level = LOG_WARN;
    int32_t     name_capacity = LOG_NAME_CAPACITY;
    const char *category_names[LOG_NAME_CAPACITY] = {};   // owned copies; null = unnamed
    std::mutex  mutex;
};

void log_write(int category, int level, const char *format, ...) __attribute__((format(printf, 3, 4)));
void log_vwrite(int category, int level, const char *format, va_list args);

Logger *logger_get();                 // creates the singleton on first use
Logger *log_create();                 // a fresh, configured-by-default logger (null when out of memory)
void    logger_destroy();             // frees the singleton; later calls are dropped

int     log_set_category_name(Logger *logger, uint32_t bit, const char *name);   // 1, or -1 refused
int     log_level_from_name(const char *name);                                   // 0..8, or 255
Result  log_open_file(Logger *logger, const char *path);                          // RES_OK or RES_OPEN_FAILED
void    log_disable_categories(Logger *logger, uint32_t bits);
void    log_set_error_bypass(Logger *logger);
void    log_set_error_only(Logger *logger);
void    log_set_max_level(Logger *logger, int level);
void    log_lock(Logger *logger);
void    log_unlock(Logger *logger);

int64_t time_now();                               // seconds of the runtime library clock
bool    local_time(int64_t seconds, struct tm *out);
