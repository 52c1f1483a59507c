// main.cpp -- zirka, the stand-in host: a Tcl shell (or, with --gui, a Tk
// shell with a window) whose interpreter is the host's, with the host::
// commands and the plug-ins of its plug-in folder loaded.
//
//   zirka [--plugins DIR] [--gui] [SCRIPT [ARGS...]]
//
// As tclsh: with SCRIPT, runs it with argv0, argv and argc set and exits
// with its status (an error exits 1); without, an interactive prompt. With
// --gui, as wish: the window stays until the script or the user exits.
#include "zirka_tcl.h"

#include "zirka_core.h"

#include <tcl.h>
#include <tk.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {
// What the command line asked for: handed to app_init as the interpreter's
// assoc data options_key.
struct MainOptions {
    std::string plugin_folder; // --plugins, or "" for plugins/ beside the executable
    bool gui = false;
};
} // namespace

static const char options_key[] = "zirka::options";

static std::string default_plugin_folder(void)
{
    const char *exe = Tcl_GetNameOfExecutable();
    std::filesystem::path dir = exe ? std::filesystem::u8path(exe).parent_path() : std::filesystem::path();
    return (dir / "plugins").u8string();
}

// As tclAppInit's: the Tcl library, Tk under --gui, the host:: commands and
// the front end, then the plug-ins (which register commands and menu items).
static int app_init(Tcl_Interp *interp)
{
    const MainOptions *options = static_cast<const MainOptions *>(Tcl_GetAssocData(interp, options_key, nullptr));
    if (Tcl_Init(interp) != TCL_OK)
        return TCL_ERROR;
    if (options->gui) {
        if (Tk_Init(interp) != TCL_OK)
            return TCL_ERROR;
        Tcl_StaticPackage(interp, "Tk", Tk_Init, Tk_SafeInit);
    }
    if (zirka_tcl_init(interp, options->gui) != TCL_OK)
        return TCL_ERROR;
    zirka_load_plugin_folder(options->plugin_folder.empty() ? default_plugin_folder() : options->plugin_folder);
    return TCL_OK;
}

int main(int argc, char **argv)
{
    // Our options come first; SCRIPT and its arguments are Tcl's.
    MainOptions options;
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] != '\0'; i++) {
        if (std::strcmp(argv[i], "--") == 0) {
            i++;
            break;
        } else if (std::strcmp(argv[i], "--gui") == 0) {
            options.gui = true;
        } else if (std::strcmp(argv[i], "--plugins") == 0 && i + 1 < argc) {
            options.plugin_folder = argv[++i];
        } else {
            std::fprintf(stderr, "usage: zirka [--plugins DIR] [--gui] [SCRIPT [ARGS...]]\n");
            return 2;
        }
    }
    std::vector<char *> tcl_argv;
    tcl_argv.push_back(argv[0]);
    for (; i < argc; i++)
        tcl_argv.push_back(argv[i]);
    tcl_argv.push_back(nullptr);
    int tcl_argc = static_cast<int>(tcl_argv.size()) - 1;
    // As Tk_Main and Tcl_Main make it, with our options beside it.
    if (options.gui)
        Tcl_FindExecutable(tcl_argv[0]);
    Tcl_Interp *interp = Tcl_CreateInterp();
    Tcl_SetAssocData(interp, options_key, nullptr, &options);
    if (options.gui)
        Tk_MainEx(tcl_argc, tcl_argv.data(), app_init, interp);
    else
        Tcl_MainEx(tcl_argc, tcl_argv.data(), app_init, interp);
    return 0; // not reached: both end with exit
}
