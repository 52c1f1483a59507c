// windows_test_util.h -- small helpers of the Windows tests: files, the
// output of a command, lines, and the host operations named by
// host/zirka_host.h.
#ifndef WINDOWS_TEST_UTIL_H
#define WINDOWS_TEST_UTIL_H

#include <cstdio>
#include <map>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

// Returns the file's bytes, or "" when it cannot be read (*ok false).
inline std::string read_file(const std::string &path, bool *ok = nullptr)
{
    std::ifstream in(path, std::ios::binary);
    if (ok)
        *ok = static_cast<bool>(in);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs command with /bin/sh and returns its standard output; *status gets
// the exit status as system() reports it.
inline std::string command_output(const std::string &command, int *status)
{
    std::string out;
    std::FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) {
        *status = -1;
        return out;
    }
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    *status = pclose(pipe);
    return out;
}

inline std::vector<std::string> split_lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The functions that host/zirka_host.h declares with ZIRKA_API, in order.
inline std::vector<std::string> header_host_operations(const std::string &header_text)
{
    std::vector<std::string> names;
    std::regex declaration(R"(ZIRKA_API\s[^;]*?ZIRKA_CALL\s+([A-Za-z_][A-Za-z0-9_]*)\s*\()");
    for (std::sregex_iterator it(header_text.begin(), header_text.end(), declaration), end; it != end; ++it)
        names.push_back((*it)[1]);
    return names;
}


// What objdump -p shows of a PE image.
struct PeTables {
    std::string format;                                     // "pei-i386" for 32-bit x86
    bool dll = false;                                       // the DLL characteristic
    std::string export_name;                                // the export directory's name
    std::vector<std::string> exports;                       // exported names
    std::map<std::string, std::vector<std::string>> imports; // DLL -> names imported from it
};

// Reads the tables out of what "objdump -p FILE" prints for a PE image, of
// which these are the lines that count (tabs where objdump has them):
//
//   pirrel.p:     file format pei-i386
//   Characteristics 0x2106
//   \tDLL
//
//   \tDLL Name: zirka.exe
//   \tvma:  Hint/Ord Member-Name Bound-To
//   \t1c300\t    2  list_add_item
//
//   Name \t\t\t\t0001b050 pirrel.p
//   [Ordinal/Name Pointer] Table
//   \t[   0] ZIRKAPluginAbout
inline PeTables parse_pe_tables(const std::string &text)
{
    PeTables t;
    const std::regex format_line(R"(file format (\S+))");
    const std::regex export_name_line(R"(^Name\s+[0-9a-fA-F]+\s+(\S+)\s*$)");
    const std::regex export_entry(R"(^\s+\[\s*\d+\]\s+(\S+)\s*$)");
    const std::regex dll_line(R"(^\s+DLL Name: (\S+)\s*$)");
    const std::regex import_entry(R"(^\s+[0-9a-fA-F]+\s+\d+\s+(\S+)\s*$)");
    enum { NONE, CHARACTERISTICS, EXPORTS, IMPORTS } where = NONE;
    std::string dll;
    std::smatch m;
    for (const std::string &line : split_lines(text)) {
        if (line.empty()) {
            where = NONE;
        } else if (std::regex_search(line, m, format_line) && t.format.empty()) {
            t.format = m[1];
        } else if (line.rfind("Characteristics", 0) == 0) {
            where = CHARACTERISTICS;
        } else if (where == CHARACTERISTICS && line == "\tDLL") {
            t.dll = true;
        } else if (std::regex_match(line, m, export_name_line)) {
            t.export_name = m[1];
        } else if (line.find("[Ordinal/Name Pointer] Table") != std::string::npos) {
            where = EXPORTS;
        } else if (where == EXPORTS && std::regex_match(line, m, export_entry)) {
            t.exports.push_back(m[1]);
        } else if (std::regex_match(line, m, dll_line)) {
            dll = m[1];
            t.imports[dll];
            where = IMPORTS;
        } else if (where == IMPORTS && std::regex_match(line, m, import_entry)) {
            t.imports[dll].push_back(m[1]);
        }
    }
    return t;
}

#endif /* WINDOWS_TEST_UTIL_H */
