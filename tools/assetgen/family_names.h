#pragma once
// The names family: the name lists and the shipped player records.
//  - content/names/pilot.txt, sector.txt, ship.txt -> "name/pilot.txt", "name/sector.txt",
//    "name/ship.txt": one name per line, LF line ends and a final newline. A list must hold at
//    least one name, no empty or repeated name and no name with outer spaces.
//  - content/names/records.txt -> "player/params.dat": u32 count, then one player record entry
//    per [record <id>] block, in file order. A [defaults] block gives the AI personality every
//    record starts from; a record's own fields replace single groups (records.txt says which).
#include <cstdint>
#include <string>
#include <vector>
#include "platform/result.h"

struct Buffer;

// Checks one name list; RES_MALFORMED with "source:line: message" when it is refused.
Result names_check_list(const std::string &text, const std::string &source, std::string *error);
// Compiles the records text into the bytes of "player/params.dat".
Result names_compile_records(const std::string &text, const std::string &source, Buffer *out, std::string *error);

int  names_family_generate(const std::string &root, uint32_t seed);   // 0, else a message on stderr
void names_family_list_paths(std::vector<std::string> *out);
