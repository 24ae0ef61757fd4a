#pragma once
// The systems family: compiles content/systems/*.txt, one readable file per system type, into the
// store's "system/%.3i/dat/params.dat" (the type's template and subtype rows, big-endian, written
// with the game's Buffer) and "system/%.3i/dat/desc.txt" (its description), for types 000..029.
//
// Source format: one entry per line, "key value"; blank lines and lines starting with '#' are
// skipped. Every key appears once, except "subtype", one line per row in row order:
//   type N             0..29, once across all files
//   name TEXT          the rest of the line, trimmed; likewise aux_text and shot_text (may be empty)
//   icon N             the image type of the system's icon (kept in the record's spare word)
//   flags WORD...      behaviour flags by name (the table in family_systems.cpp); "subtypes" must be
//                      given exactly when subtype rows follow
//   mass power integrity recharge range arc facing value ap cost round_price rounds load_a load_b
//                      one integer each
//   subtype NAME | SHOT TEXT | mass | power | value | arc | range | ap | cost | load_a | load_b
//   description        last: every line after it is the description; lines of a paragraph are
//                      joined with spaces, a blank line starts a new paragraph (one '\n')
#include <cstdint>
#include <string>
#include <vector>
#include "platform/result.h"
#include "systems/system.h"

struct Buffer;

struct SystemSource {
    System      record;        // the template as the game reads it back (type, name, figures, rows)
    std::string description;   // desc.txt
    std::string file;          // where it came from, for messages
};

// Parses one source text. On failure `error` gets "file:line: what" and nothing else is promised.
Result systems_parse_source(const std::string &text, const std::string &file, SystemSource *out,
                            std::string *error);
// Appends the parameter file of a parsed source.
Result systems_encode_params(const SystemSource &source, Buffer *out);
// Reads every *.txt of the folder, in name order, and checks that types 0..29 each come once;
// `out` is indexed by type.
Result systems_load_content(const std::string &folder, std::vector<SystemSource> *out, std::string *error);
// The folder the generator reads.
std::string systems_content_folder();

int  systems_family_generate(const std::string &root, uint32_t seed);   // 0, else a message on stderr
void systems_family_list_paths(std::vector<std::string> *out);
