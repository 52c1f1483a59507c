// windows_test_util.h -- small helpers of the Windows tests: files, the
// output of a command, lines, and the host operations named by
// host/zirka_host.h.
#ifndef WINDOWS_TEST_UTIL_H
#define WINDOWS_TEST_UTIL_H

#include <cstdio>
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

#endif /* WINDOWS_TEST_UTIL_H */
