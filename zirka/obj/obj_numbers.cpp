// obj_numbers.cpp -- floats and vertex references as an OBJ file writes them.
#include "obj_numbers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>

static bool same_letters(std::string_view text, std::string_view lower)
{
    auto same = [](char c, char l) { return (c | 0x20) == l; };
    return text.size() == lower.size() && std::equal(text.begin(), text.end(), lower.begin(), same);
}

// "inf", "infinity", "nan" or "nan(chars)", in any case: what strtof reads
// as an infinity or not a number.
static bool is_not_finite(std::string_view body)
{
    if (same_letters(body, "inf") || same_letters(body, "infinity") || same_letters(body, "nan"))
        return true;
    if (body.size() < 5 || !same_letters(body.substr(0, 4), "nan(") || body.back() != ')')
        return false;
    return std::all_of(body.begin() + 4, body.end() - 1,
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
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
    if (is_not_finite(body))
        return "number \"" + std::string(text) + "\" is not finite";
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
        return "bad number \"" + std::string(text) + "\"";
    float value = 0.0f;
    const char *first = body.data() + (hex ? 2 : 0), *last = body.data() + n;
    std::from_chars_result res = hex ? std::from_chars(first, last, value, std::chars_format::hex)
                                     : std::from_chars(first, last, value);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large, or too small: the power of the first digit that is not
        // zero tells which (a float ends near 10^38 and 2^128 one way, and
        // 10^-45 and 2^-149 the other).
        long power = static_cast<long>(int_end - int_start) - 1;
        for (size_t i = int_start; i < frac_end && (i == int_end || body[i] == '0'); i++)
            if (i != int_end) // not the point
                power--;
        power = (hex ? 4 * power : power) + exponent;
        if (power >= 0)
            return "number \"" + std::string(text) + "\" out of range for a float";
        value = 0.0f;
    } else if (res.ec != std::errc() || res.ptr != last) {
        return "bad number \"" + std::string(text) + "\"";
    }
    *out = negative ? -value : value;
    return "";
}

// A part of a reference: an optional sign and decimal digits, not 0. *out
// is LONG_MAX when it is too large for a long.
static bool is_index(std::string_view part, long *out)
{
    bool negative = !part.empty() && part[0] == '-';
    if (!part.empty() && (part[0] == '+' || part[0] == '-'))
        part.remove_prefix(1);
    if (part.empty())
        return false;
    unsigned long value = 0;
    bool too_large = false;
    for (char c : part) {
        if (c < '0' || c > '9')
            return false;
        unsigned digit = static_cast<unsigned>(c - '0');
        if (value > (static_cast<unsigned long>(LONG_MAX) - digit) / 10)
            too_large = true;
        else
            value = value * 10 + digit;
    }
    *out = too_large ? LONG_MAX : negative ? -static_cast<long>(value) : static_cast<long>(value);
    return *out != 0;
}

bool obj_parse_reference(std::string_view word, long *index, long *texture, std::string_view *text)
{
    const size_t npos = std::string_view::npos, t_at = word.find('/');
    if (!is_index(word.substr(0, t_at), index))
        return false;
    *texture = 0;
    if (t_at != npos) {
        // "i/t", "i/t/n" or "i//n".
        const size_t n_at = word.find('/', t_at + 1);
        std::string_view t = word.substr(t_at + 1, n_at == npos ? npos : n_at - t_at - 1);
        long ignored;
        if (n_at == npos ? !is_index(t, texture)
                         : !(t.empty() || is_index(t, texture)) || !is_index(word.substr(n_at + 1), &ignored))
            return false;
    }
    *text = word.substr(0, t_at);
    return true;
}
