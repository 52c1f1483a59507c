// cases.cpp -- running the case list: each case loads an OBJ file into a
// fresh world, selects objects, calls the command and writes what it made,
// what it wrote to standard error and what it showed (see zirka_cases.h).
#include "zirka_cases.h"

#include "zirka_obj.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#define open _open
#define BINARY_FLAG _O_BINARY
#else
#include <unistd.h>
#define BINARY_FLAG 0
#endif

namespace {
struct ZirkaCase {
    std::string name, file, command;
    std::vector<int> selection; // 1-based object numbers in the file
    std::vector<std::string> arguments;
};
} // namespace

// Sends standard error to the file at path for the length of a command,
// and returns the descriptor to put back (capture_end), or -1 when path
// cannot be written. The plug-in shares the C runtime (and so stderr) with
// the host, so redirecting the descriptor catches what it writes too.
static int capture_begin(const std::string &path)
{
    std::fflush(stderr);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | BINARY_FLAG, 0644);
    if (fd < 0)
        return -1;
    int saved = dup(2);
    dup2(fd, 2);
    close(fd);
    return saved;
}

static void capture_end(int saved)
{
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
}

// Returns "" or the reason the selection word is malformed.
static std::string parse_selection(const std::string &word, std::vector<int> *out)
{
    out->clear();
    if (word == "-")
        return "";
    std::istringstream in(word);
    std::string part;
    while (std::getline(in, part, ',')) {
        char *end = nullptr;
        long long number = std::strtoll(part.c_str(), &end, 10);
        if (end == part.c_str() || *end != '\0' || number < 1 || number > INT_MAX)
            return "bad selection \"" + word + "\"";
        out->push_back(static_cast<int>(number));
    }
    return "";
}

// Returns "" or the reason the list cannot be read.
static std::string read_cases(const std::string &list_file, std::vector<ZirkaCase> *cases)
{
    namespace fs = std::filesystem;
    std::ifstream in(fs::u8path(list_file), std::ios::binary);
    if (!in)
        return "cannot read case list \"" + list_file + "\"";
    const fs::path base = fs::u8path(list_file).parent_path();
    std::string line;
    for (int number = 1; std::getline(in, line); number++) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        ZirkaCase c;
        std::string selection;
        if (!(words >> c.name) || c.name[0] == '#')
            continue;
        if (!(words >> c.file >> selection >> c.command))
            return list_file + ":" + std::to_string(number) + ": expected NAME FILE SELECTION COMMAND [ARGUMENT ...]";
        std::string why = parse_selection(selection, &c.selection);
        if (!why.empty())
            return list_file + ":" + std::to_string(number) + ": " + why;
        for (std::string argument; words >> argument;)
            c.arguments.push_back(argument);
        fs::path file = fs::u8path(c.file);
        if (file.is_relative())
            c.file = (base / file).u8string();
        cases->push_back(c);
    }
    return "";
}

// Returns "" or the reason the case could not be run or written.
static std::string run_case(const ZirkaCase &c, const std::string &output_folder)
{
    zirka_reset();
    std::vector<Object *> objects;
    std::string error;
    if (!zirka_obj_read(c.file, &objects, &error))
        return error;
    zirka_world_add_objects("Load", objects);

    std::vector<int> ids;
    for (int number : c.selection) {
        if (number > static_cast<int>(objects.size()))
            return c.file + " has no object " + std::to_string(number);
        ids.push_back(zirka_object_id(objects[static_cast<size_t>(number - 1)]));
    }
    zirka_select(ids);

    const size_t steps_before = zirka_undo_names().size();
    std::vector<const char *> argv{c.command.c_str()};
    for (const std::string &argument : c.arguments)
        argv.push_back(argument.c_str());

    const std::string stderr_file = output_folder + "/" + c.name + ".stderr";
    int saved_stderr = capture_begin(stderr_file);
    if (saved_stderr < 0)
        return "cannot write \"" + stderr_file + "\"";
    // One transaction of the host: what the command left out of the world
    // goes, and without memory it is undone whole (its message is logged).
    ZirkaCommandOutcome outcome;
    if (!zirka_command_call(c.command, static_cast<int>(argv.size()), argv.data(), &outcome))
        return "no command " + c.command;
    capture_end(saved_stderr);

    std::vector<Object *> made;
    for (int id : outcome.added)
        made.push_back(zirka_object_by_id(id));
    std::string log;
    for (const std::string &message : zirka_messages())
        log += "message: " + message + "\n";
    const std::vector<std::string> steps = zirka_undo_names();
    for (size_t i = steps_before; i < steps.size(); i++)
        log += "undo: " + steps[i] + "\n";

    // Written as it is formatted: a result of millions of vertices would not
    // fit in memory twice over in a 32-bit process.
    if (!zirka_obj_write(output_folder + "/" + c.name + ".obj", made, &error))
        return error;
    return zirka_cases_write_file(output_folder + "/" + c.name + ".log", log);
}

std::string zirka_cases_run(const std::string &list_file, const std::string &output_folder)
{
    std::vector<ZirkaCase> cases;
    std::string error = read_cases(list_file, &cases);
    if (!error.empty())
        return error;
    for (const ZirkaCase &c : cases) {
        error = run_case(c, output_folder);
        if (!error.empty())
            return "case " + c.name + ": " + error;
        std::printf("zirka: case %s done\n", c.name.c_str());
    }
    std::printf("zirka: %zu cases run\n", cases.size());
    return "";
}
