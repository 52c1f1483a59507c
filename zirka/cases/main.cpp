// main.cpp -- the case driver's entry (zirka.exe on Windows): load the plug-in
// folder, write what was registered, run the cases (see zirka_cases.h).
#include "zirka_cases.h"

#include "zirka_core.h"

#include <cstdio>
#include <new>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char **argv)
{
#ifdef _WIN32
    // Text as the plug-in writes it: no "\r" slipped in before each "\n".
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc != 4) {
        std::printf("usage: zirka PLUGIN_FOLDER CASE_LIST OUTPUT_FOLDER\n");
        return 1;
    }
    const std::string folder = argv[1], list = argv[2], output = argv[3];
    auto fail = [](const std::string &why) {
        std::printf("zirka: %s\n", why.c_str());
        return 1;
    };

    int loaded = zirka_load_plugin_folder(folder);
    std::printf("zirka: %d plug-in(s) loaded from %s\n", loaded, folder.c_str());
    std::string error = zirka_cases_write_registration(output);
    if (!error.empty())
        return fail(error);
    if (!zirka_command_find("kvx_extrude_along_path_scale"))
        return fail("no plug-in registered kvx_extrude_along_path_scale");
    // The host's own operations never throw; the driver's strings and lists
    // can, when a case's files are too large for the process.
    try {
        error = zirka_cases_run(list, output);
    } catch (const std::bad_alloc &) {
        error = "out of memory";
    }
    if (!error.empty())
        return fail(error);
    std::fflush(stdout);
    return 0;
}
