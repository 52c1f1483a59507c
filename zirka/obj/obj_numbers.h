// obj_numbers.h -- the numbers of an OBJ file: coordinates, read to the
// same float as strtof reads them, and the vertex references of elements.
#ifndef ZIRKA_OBJ_NUMBERS_H
#define ZIRKA_OBJ_NUMBERS_H

#include <string>
#include <string_view>

// Returns "" or the reason the text is not a finite float. The grammar is
// strtof's: an optional sign, then decimal digits with an optional point
// and an optional exponent (e, sign, digits), or "0x" and hexadecimal
// digits with an optional point and an optional binary exponent (p, sign,
// digits). The value is rounded correctly; one too small for a float
// becomes a subnormal, or zero with its sign.
std::string obj_parse_float(std::string_view text, float *out);

// One "i", "i/t", "i//n" or "i/t/n" reference, each part an optional sign
// and decimal digits, and not 0. False when the word is not that;
// otherwise *index is i (LONG_MAX when too large for a long) and *text the
// part of the word that holds it.
bool obj_parse_reference(std::string_view word, long *index, std::string_view *text);

#endif /* ZIRKA_OBJ_NUMBERS_H */
