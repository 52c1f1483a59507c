// obj_numbers.cpp -- floats and vertex references as an OBJ file writes them.
#include "obj_numbers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>

static std::string text_of(std::string_view view) { return std::string(view); }

static bool same_letters(std::string_view text, std::string_view lower)
{
    if (text.size() != lower.size())
        return false;
    for (size_t i = 0; i < text.size(); i++)
        if ((text[i] | 0x20) != lower[i])
            return false;
    return true;
}

// "inf", "infinity", "nan" or "nan(chars)", in any case: what strtof reads
// as an infinity or not a number.
static bool is_not_finite(std::string_view body)
{
    if (same_letters(body, "inf") || same_letters(body, "infinity") || same_letters(body, "nan"))
        return true;
    if (body.size() < 5 || !same_letters(body.substr(0, 4), "nan(") || body.back() != ')')
        return false;
    for (char c : body.substr(4, body.size() - 5))
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    return true;
}

static bool is_digit(char c, bool hex)
{
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

std::string obj_parse_float(std::string_view text, float *out)
{
    std::string_view body = text;
    bool negative = false;
    if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
        negative = body[0] == '-';
        body.remove_prefix(1);
    }
    if (!body.empty() && ((body[0] | 0x20) == 'i' || (body[0] | 0x20) == 'n') && is_not_finite(body))
        return "number \"" + text_of(text) + "\" is not finite";
    const bool hex = body.size() >= 2 && body[0] == '0' && (body[1] | 0x20) == 'x';
    size_t p = hex ? 2 : 0, n = body.size();
    const size_t int_start = p;
    while (p < n && is_digit(body[p], hex))
        p++;
    const size_t int_end = p;
    size_t frac_start = p, frac_end = p;
    if (p < n && body[p] == '.') {
        frac_start = ++p;
        while (p < n && is_digit(body[p], hex))
            p++;
        frac_end = p;
    }
    long exponent = 0;
    bool digits = int_end > int_start || frac_end > frac_start;
    if (digits && p < n && (body[p] | 0x20) == (hex ? 'p' : 'e')) {
        size_t e = p + 1;
        bool minus = e < n && body[e] == '-';
        if (e < n && (body[e] == '+' || body[e] == '-'))
            e++;
        if (e == n || !is_digit(body[e], false))
            digits = false;
        for (; e < n && is_digit(body[e], false); e++)
            exponent = std::min(exponent * 10 + (body[e] - '0'), 1L << 24);
        exponent = minus ? -exponent : exponent;
        p = e;
    }
    if (!digits || p != n)
        return "bad number \"" + text_of(text) + "\"";
    float value = 0.0f;
    const char *first = body.data() + (hex ? 2 : 0), *last = body.data() + n;
    std::from_chars_result res = hex ? std::from_chars(first, last, value, std::chars_format::hex)
                                     : std::from_chars(first, last, value);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large, or too small: the power of the first digit that is not
        // zero tells which (a float ends near 10^38 and 2^128 one way, and
        // 10^-45 and 2^-149 the other).
        size_t lead = int_start;
        while (lead < int_end && body[lead] == '0')
            lead++;
        long power = lead < int_end ? static_cast<long>(int_end - lead) - 1 : 0;
        if (lead == int_end) {
            lead = frac_start;
            while (lead < frac_end && body[lead] == '0')
                lead++;
            power = -static_cast<long>(lead - frac_start) - 1;
        }
        power = (hex ? 4 * power : power) + exponent;
        if (power >= 0)
            return "number \"" + text_of(text) + "\" out of range for a float";
        value = 0.0f;
    } else if (res.ec != std::errc() || res.ptr != last) {
        return "bad number \"" + text_of(text) + "\"";
    }
    *out = negative ? -value : value;
    return "";
}

// One part of a reference at *p: an optional sign and decimal digits, up to
// a "/" or the end. False when it is not that; *out is LONG_MAX when it is
// too large for a long. Moves *p past it.
static bool scan_integer(const char **p, const char *end, long *out)
{
    const char *at = *p;
    bool negative = at < end && *at == '-';
    if (at < end && (*at == '+' || *at == '-'))
        at++;
    const char *digits = at;
    unsigned long value = 0;
    bool too_large = false;
    for (; at < end && *at >= '0' && *at <= '9'; at++) {
        unsigned digit = static_cast<unsigned>(*at - '0');
        if (value > (static_cast<unsigned long>(LONG_MAX) - digit) / 10)
            too_large = true;
        else
            value = value * 10 + digit;
    }
    if (at == digits || (at < end && *at != '/'))
        return false;
    *p = at;
    *out = too_large ? LONG_MAX : negative ? -static_cast<long>(value) : static_cast<long>(value);
    return true;
}

bool obj_parse_reference(std::string_view word, long *index, std::string_view *text)
{
    const char *p = word.data(), *end = p + word.size();
    long other = 0;
    bool ok = scan_integer(&p, end, index) && *index != 0;
    const char *index_end = p;
    // Then "/t", "/t/n" or "//n".
    for (int part = 1; ok && p < end && part <= 2; part++) {
        p++; // the "/"
        if (part == 1 && p < end && *p == '/')
            continue; // i//n: no t
        ok = scan_integer(&p, end, &other) && other != 0;
    }
    if (!ok || p != end)
        return false;
    *text = std::string_view(word.data(), static_cast<size_t>(index_end - word.data()));
    return true;
}
