// loader.cpp -- loading plug-ins: shared libraries named *.p exporting
// ZIRKAPluginInit, ZIRKAPluginExit, ZIRKAPluginAbout and ZIRKAPluginInfo.
// Every failure names the file (and the entry point missing or failing) and
// unloads the library; a file that is not a whole library never reaches
// the platform's loader (library_check.cpp). Loaded plug-ins stay loaded
// until the process ends, so that leak reports can still name their
// functions; ZIRKAPluginExit runs at exit.
#include "core_state.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
typedef HMODULE LibraryHandle;
static LibraryHandle library_open(const std::string &file) { return LoadLibraryA(file.c_str()); }
static void *library_symbol(LibraryHandle lib, const char *name)
{
    return reinterpret_cast<void *>(GetProcAddress(lib, name));
}
static void library_close(LibraryHandle lib) { FreeLibrary(lib); }
static std::string library_error(void) { return "error " + std::to_string(GetLastError()); }
#else
#include <dlfcn.h>
typedef void *LibraryHandle;
static LibraryHandle library_open(const std::string &file) { return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL); }
static void *library_symbol(LibraryHandle lib, const char *name) { return dlsym(lib, name); }
static void library_close(LibraryHandle lib) { dlclose(lib); }
static std::string library_error(void)
{
    const char *e = dlerror();
    return e ? e : "unknown error";
}
#endif

const std::vector<ZirkaPlugin> &zirka_plugins(void) { return zirka_state().plugins; }
const std::vector<std::string> &zirka_plugin_errors(void) { return zirka_state().plugin_errors; }

void zirka_plugins_exit(void)
{
    ZirkaState &s = zirka_state();
    if (s.plugins_exited)
        return;
    s.plugins_exited = true;
    for (auto it = s.plugins.rbegin(); it != s.plugins.rend(); ++it)
        it->exit_proc();
}

static void at_exit(void) { zirka_plugins_exit(); }

static std::string text_or_empty(const char *text) { return text ? text : ""; }

bool zirka_load_plugin(const std::string &file, const std::string &folder_given, std::string *error)
{
    std::string folder = folder_given;
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
        folder.pop_back();
    std::string ignored;
    std::string &why = error ? *error : ignored;

    // A file cut short would bring the platform's loader down with it.
    if (!zirka_library_complete(file, &why))
        return false;
    LibraryHandle library = library_open(file);
    if (!library) {
        why = "cannot load plug-in \"" + file + "\": " + library_error();
        return false;
    }
    static const char *const names[4] = {"ZIRKAPluginInit", "ZIRKAPluginExit", "ZIRKAPluginAbout",
                                         "ZIRKAPluginInfo"};
    void *entry[4];
    for (int i = 0; i < 4; i++) {
        if (!(entry[i] = library_symbol(library, names[i]))) {
            why = "plug-in \"" + file + "\" has no entry point " + names[i];
            library_close(library);
            return false;
        }
    }
    auto init = reinterpret_cast<ZirkaPluginInitProc>(entry[0]);
    auto exit_proc = reinterpret_cast<ZirkaPluginExitProc>(entry[1]);
    auto about = reinterpret_cast<ZirkaPluginTextProc>(entry[2]);
    auto info = reinterpret_cast<ZirkaPluginTextProc>(entry[3]);

    ZirkaState &s = zirka_state();
    size_t commands_before = s.commands.size(), menu_before = s.menu.size();
    ZirkaInitRecord record{nullptr, folder.c_str()};
    int rc = init(&record);
    if (rc != 0) {
        why = "ZIRKAPluginInit of plug-in \"" + file + "\" failed with code " + std::to_string(rc);
        // What it registered would call into the library about to go.
        zirka_registry_truncate(commands_before, menu_before);
        library_close(library);
        return false;
    }
    if (s.plugins.empty())
        std::atexit(at_exit);
    s.plugins.push_back(ZirkaPlugin{file, text_or_empty(about()), text_or_empty(info()),
                                    reinterpret_cast<void *>(library), exit_proc});
    return true;
}

int zirka_load_plugin_folder(const std::string &folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<std::string> files;
    for (fs::directory_iterator it(fs::u8path(folder), ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".p" && it->is_regular_file(ec))
            files.push_back(it->path().filename().u8string());
    std::sort(files.begin(), files.end());

    int loaded = 0;
    for (const std::string &name : files) {
        std::string error;
        std::string file = (fs::u8path(folder) / fs::u8path(name)).u8string();
        if (zirka_load_plugin(file, folder, &error)) {
            loaded++;
        } else {
            std::fprintf(stderr, "zirka: %s\n", error.c_str());
            std::fflush(stderr);
            zirka_state().plugin_errors.push_back(error);
        }
    }
    return loaded;
}
