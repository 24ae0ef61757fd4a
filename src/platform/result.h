#pragma once
// Result: the one set of result codes every module returns.
//  - 0 is success; failures are small negative numbers that mean the same thing everywhere;
//    a few positive codes mark special outcomes that are not failures.
//  - The enum is [[nodiscard]]: a caller that drops a result fails the build. Pass it on, or
//    say why it may be ignored with a (void) cast and a comment.
//  - The numbers are part of our files and logs; never renumber them.

enum [[nodiscard]] Result : int {
    RES_OK                  = 0,
    RES_FAILED              = -1,    // the platform could not start it (video mode, thread)
    RES_OUT_OF_RANGE        = -2,    // argument or index out of range; no such item or target
    RES_ALREADY_RUNNING     = -3,    // the thread is running already
    RES_NO_MEMORY           = -4,    // allocation failed
    RES_READ_FAILED         = -5,    // read or decode failed
    RES_OPEN_FAILED         = -6,    // file or entry cannot be opened
    RES_PLATFORM_REFUSED    = -7,    // the platform refused (audio device, shell)
    RES_BAD_MOUNT           = -9,    // bad or empty mount point
    RES_NO_TARGET           = -10,
    RES_TARGET_OUT_OF_RANGE = -11,
    RES_NO_ACTION_POINTS    = -12,
    RES_INVALID_TARGET      = -13,
    RES_MOUNT_OCCUPIED      = -14,
    RES_SHORT_BUFFER        = -15,   // not enough bytes left in a buffer
    RES_SYSTEM_OFFLINE      = -16,
    RES_OUTSIDE_ARC         = -17,
    RES_NO_PICTURE          = -18,   // no icon or picture for the object kind
    RES_UNSUPPORTED         = -20,   // no act/plan operation; ship cannot turn; PNG type or depth refused
    RES_WRITE_FAILED        = -21,
    RES_EMPTY_FILE          = -22,
    RES_MALFORMED           = -23,   // negative length or count, wrong record
    RES_NO_HUMAN_PLAYER     = -25,
    RES_UNKNOWN_OWNER       = -27,
    RES_ONE_PER_SHIP        = -28,
    RES_NOT_A_DIRECTORY     = -29,
    RES_MKDIR_FAILED        = -30,
    RES_SHOT_WITHOUT_TARGET = -32,
    RES_BLOCKED             = -33,   // destination blocked or occupied
    RES_NO_CONTACT          = -35,   // no shape on the line
    RES_NO_MOVEMENT_POINTS  = -36,
    RES_RECHARGING          = -37,
    RES_OUT_OF_ROUNDS       = -38,
    RES_WRONG_MOUNT_TYPE    = -43,
    RES_NO_FREE_SAVE_NAME   = -45,
    RES_END_OF_FILE         = -46,
    RES_HEADER_READ_FAILED  = -47,   // read error or unexpected end of a header
    RES_KIND_MISMATCH       = -49,   // a stored reference names an object of another kind
    RES_UNDER_CONSTRUCTION  = -50,
    RES_NO_FEATURE_SITE     = -55,   // no site of the sector takes the feature
    RES_NO_ACTION           = -54,   // the action index is not offered
    RES_DELETE_FAILED       = -52,
    RES_RETREATING          = -56,
    RES_NO_JUMP_PLACE       = -57,
    RES_CANNOT_JUMP         = -58,
    RES_CREW_SHORT          = -59,
    RES_NO_CANDIDATE        = -60,   // the system type builds no AI plans
    RES_NO_FREE_POSITION    = -62,
    RES_TOO_FEW_PLAYERS     = -63,
    RES_NO_LOAD_PENDING     = -64,
    RES_NO_STORE_ENTRY      = -67,
    RES_STORE_SEEK_FAILED   = -68,
    RES_GALAXY_NOT_MADE     = -71,   // no galaxy passed the new game's checks within the round cap
    RES_NOT_OWNER           = -72,   // an order for an object of another owner
    RES_INSUFFICIENT_CREDITS = -73,  // the order costs more than the player holds
    RES_ALREADY_COMPLETE    = -74,   // the item in production finishes today
    RES_CANNOT_RUSH         = -75,   // the item in production has no rush price
    RES_NOT_PRODUCING       = -76,   // nothing in production to rush or halt
    RES_TYPES_NOT_LOADED    = 232,   // system types not loaded, or the type has no template
    RES_POWER_EXCEEDED      = 639,   // power capacity of the ship exceeded
    RES_UNRESOLVED_ID       = 4312,  // a stored id did not resolve after a load
    RES_NO_PLACEMENT        = 4317,  // no placement or design frame
};

// A code read back from somewhere untyped (a log line, a test table) as a Result.
constexpr Result result_from_int(int code) { return static_cast<Result>(code); }

// True for success and for the positive special outcomes.
constexpr bool result_ok(Result r) { return r >= 0; }
