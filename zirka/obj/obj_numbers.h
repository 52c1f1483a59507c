// obj_numbers.h -- an OBJ file's coordinates and elements' vertex references.
#ifndef ZIRKA_OBJ_NUMBERS_H
#define ZIRKA_OBJ_NUMBERS_H

#include <string>
#include <string_view>

// Reads the same float as strtof (decimal or "0x" hexadecimal, correctly
// rounded, subnormal or signed zero when too small). Returns "", or the
// reason the text is not a finite float.
std::string obj_parse_float(std::string_view text, float *out);

// One "i", "i/t", "i//n" or "i/t/n" reference, each part an optional sign
// and decimal digits, and not 0. False when the word is not that; otherwise
// *index is i and *texture t, or 0 without one (LONG_MAX when too large for
// a long), and *text the part of the word that holds i.
bool obj_parse_reference(std::string_view word, long *index, long *texture, std::string_view *text);

#endif /* ZIRKA_OBJ_NUMBERS_H */
