// library_check.cpp -- whether a plug-in file is a whole library, before
// the platform's loader maps it: a file cut short (an interrupted copy)
// makes the loader touch pages past its end and die of SIGBUS.
//
// Every part an ELF or PE file's headers place must lie within the file:
// ELF's program headers and segments, section headers and the sections
// with contents in the file; PE's section table, each section's raw data,
// and the COFF symbols with their strings. Other files are left to the
// loader, which refuses them safely.
#include "zirka_core.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// The file, read in pieces where the headers point.
class Bytes {
public:
    explicit Bytes(std::FILE *file) : file_(file)
    {
        if (std::fseek(file, 0, SEEK_END) == 0) {
            long end = std::ftell(file);
            size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
        }
    }
    uint64_t size() const { return size_; }

    // Whether [offset, offset + length) lies within the file.
    bool holds(uint64_t offset, uint64_t length) const { return offset <= size_ && length <= size_ - offset; }

    // An unsigned number of width bytes at offset, in the given order; false
    // when the file does not hold it.
    bool number(uint64_t offset, int width, bool big_endian, uint64_t *out) const
    {
        unsigned char b[8];
        if (!holds(offset, static_cast<uint64_t>(width)) || std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0 ||
            std::fread(b, 1, static_cast<size_t>(width), file_) != static_cast<size_t>(width))
            return false;
        uint64_t v = 0;
        for (int i = 0; i < width; i++)
            v |= static_cast<uint64_t>(b[big_endian ? width - 1 - i : i]) << (8 * i);
        *out = v;
        return true;
    }

private:
    std::FILE *file_;
    uint64_t size_ = 0;
};

// What a header asked for that the file does not hold: the end it needs.
struct Need {
    uint64_t end = 0;
    void part(uint64_t offset, uint64_t length)
    {
        uint64_t stop = offset + length < offset ? UINT64_MAX : offset + length;
        if (stop > end)
            end = stop;
    }
};

// The parts an ELF file's headers name, ending where they end.
void elf_parts(const Bytes &f, Need *need)
{
    uint64_t cls = 0, data = 0;
    f.number(4, 1, false, &cls);
    f.number(5, 1, false, &data);
    const bool wide = cls == 2, big = data == 2;
    const int word = wide ? 8 : 4;
    need->part(0, wide ? 64 : 52);
    uint64_t phoff = 0, shoff = 0, phentsize = 0, phnum = 0, shentsize = 0, shnum = 0;
    if (!f.number(wide ? 32 : 28, word, big, &phoff) || !f.number(wide ? 40 : 32, word, big, &shoff) ||
        !f.number(wide ? 54 : 42, 2, big, &phentsize) || !f.number(wide ? 56 : 44, 2, big, &phnum) ||
        !f.number(wide ? 58 : 46, 2, big, &shentsize) || !f.number(wide ? 60 : 48, 2, big, &shnum))
        return;
    if (phnum > 0)
        need->part(phoff, phnum * phentsize);
    for (uint64_t i = 0; i < phnum && f.holds(phoff, (i + 1) * phentsize); i++) {
        uint64_t at = phoff + i * phentsize, offset = 0, filesz = 0;
        if (f.number(at + (wide ? 8 : 4), word, big, &offset) && f.number(at + (wide ? 32 : 16), word, big, &filesz))
            need->part(offset, filesz);
    }
    // More sections than 16 bits count: the count is in section 0's size.
    if (shoff != 0 && shnum == 0)
        shnum = 1;
    if (shoff != 0)
        need->part(shoff, shnum * shentsize);
    const uint64_t nobits = 8;
    for (uint64_t i = 0; shoff != 0 && i < shnum && f.holds(shoff, (i + 1) * shentsize); i++) {
        uint64_t at = shoff + i * shentsize, type = 0, offset = 0, size = 0;
        if (f.number(at + 4, 4, big, &type) && type != nobits && f.number(at + (wide ? 24 : 16), word, big, &offset) &&
            f.number(at + (wide ? 32 : 20), word, big, &size))
            need->part(offset, size);
    }
}

// The parts a PE file's headers name.
void pe_parts(const Bytes &f, Need *need)
{
    need->part(0, 64);
    uint64_t pe = 0, signature = 0;
    if (!f.number(0x3c, 4, false, &pe))
        return;
    need->part(pe, 24);
    if (!f.number(pe, 4, false, &signature) || signature != 0x4550) // "PE\0\0"
        return;
    uint64_t sections = 0, symbols_at = 0, symbols = 0, optional_size = 0;
    if (!f.number(pe + 6, 2, false, &sections) || !f.number(pe + 12, 4, false, &symbols_at) ||
        !f.number(pe + 16, 4, false, &symbols) || !f.number(pe + 20, 2, false, &optional_size))
        return;
    if (symbols_at != 0) {
        // The symbols, then the string table, which begins with its size.
        const uint64_t strings = symbols_at + symbols * 18;
        uint64_t strings_size = 4;
        f.number(strings, 4, false, &strings_size);
        need->part(strings, strings_size < 4 ? 4 : strings_size);
    }
    const uint64_t table = pe + 24 + optional_size;
    need->part(table, sections * 40);
    for (uint64_t i = 0; i < sections && f.holds(table, (i + 1) * 40); i++) {
        uint64_t raw_size = 0, raw_at = 0;
        if (f.number(table + 40 * i + 16, 4, false, &raw_size) && f.number(table + 40 * i + 20, 4, false, &raw_at) &&
            raw_size > 0)
            need->part(raw_at, raw_size);
    }
}

} // namespace

bool zirka_library_complete(const std::string &file, std::string *why)
{
#ifndef _WIN32
    // Never wait on a FIFO: only a regular file can be a library.
    int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    bool regular = fd < 0 || fstat(fd, &info) != 0 || S_ISREG(info.st_mode);
    if (fd >= 0)
        close(fd);
    if (!regular) {
        if (why)
            *why = "plug-in \"" + file + "\" is not a regular file";
        return false;
    }
#endif
    std::FILE *in = std::fopen(file.c_str(), "rb");
    if (!in)
        return true; // the loader says why it cannot open it
    Bytes f(in);
    uint64_t magic = 0;
    Need need;
    if (f.number(0, 4, false, &magic) && magic == 0x464c457f) // "\x7f" "ELF"
        elf_parts(f, &need);
    else if (f.number(0, 2, false, &magic) && magic == 0x5a4d) // "MZ"
        pe_parts(f, &need);
    std::fclose(in);
    if (need.end <= f.size())
        return true;
    if (why)
        *why = "plug-in \"" + file + "\" is not a complete library: its headers need " +
               (need.end == UINT64_MAX ? std::string("more") : std::to_string(need.end)) + " bytes, the file has " +
               std::to_string(f.size()) + " (an interrupted copy?)";
    return false;
}
