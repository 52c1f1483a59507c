// main.cpp -- zirka, the stand-in host: a Tcl shell (or, with --gui, a Tk
// shell with a window) whose interpreter is the host's, with the host::
// commands and the plug-ins of its plug-in folder loaded, and the OBJ files
// named on the command line opened. --help says how to run it.
#include "zirka_tcl.h"

#include "zirka_core.h"

#include <tcl.h>
#include <tk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <strings.h>
#include <vector>

static const char usage[] = "usage: zirka [--plugins DIR] [--gui] [FILE.obj ...] [SCRIPT.tcl [ARGS...]]\n";

static const char help[] =
    "\n"
    "zirka, the stand-in host: a Tcl shell whose interpreter has the host::\n"
    "commands and the plug-ins of its plug-in folder loaded.\n"
    "\n"
    "  --plugins DIR  load the plug-ins of DIR, not those of plugins/ beside zirka\n"
    "                   zirka --plugins build/bin/plugins\n"
    "  --gui          show the window (as wish); needs a display\n"
    "                   zirka --gui examples/fold.obj\n"
    "  FILE.obj ...   open these OBJ files first, each one undoable step (host::load)\n"
    "                   zirka examples/fold.obj examples/ribbon.obj\n"
    "  SCRIPT.tcl     run the script and exit with its status; every argument after\n"
    "  ARGS...        it is the script's ($argv), whatever its extension\n"
    "                   zirka examples/run_example.tcl examples/fold.obj 50 fold_out.obj\n"
    "  --help         show this and exit\n"
    "\n"
    "Without SCRIPT.tcl: a Tcl prompt, or with --gui the window until it is closed.\n";

// What the command line asked for, for app_init.
static struct {
    std::string plugin_folder; // --plugins, or "" for plugins/ beside the executable
    bool gui = false;
    std::vector<const char *> files; // OBJ files to open
} options;

static std::string default_plugin_folder(void)
{
    const char *exe = Tcl_GetNameOfExecutable();
    std::filesystem::path dir = exe ? std::filesystem::u8path(exe).parent_path() : std::filesystem::path();
    return (dir / "plugins").u8string();
}

// As tclAppInit's: the Tcl library, Tk under --gui, the host:: commands and
// the front end, then the plug-ins (which register commands and menu items)
// and the OBJ files. A missing display or a file that cannot be read ends
// zirka with one line.
static int app_init(Tcl_Interp *interp)
{
    if (Tcl_Init(interp) != TCL_OK)
        return TCL_ERROR;
    if (options.gui) {
        if (Tk_Init(interp) != TCL_OK) {
            const char *display = std::getenv("DISPLAY");
            std::fprintf(stderr, "zirka: --gui needs a display: %s (run under xvfb-run, or without --gui)\n",
                         display && *display ? Tcl_GetStringResult(interp) : "DISPLAY is not set");
            Tcl_Exit(1);
        }
        Tcl_StaticPackage(interp, "Tk", Tk_Init, Tk_SafeInit);
    }
    if (zirka_tcl_init(interp, options.gui) != TCL_OK)
        return TCL_ERROR;
    zirka_load_plugin_folder(options.plugin_folder.empty() ? default_plugin_folder() : options.plugin_folder);
    for (const char *file : options.files) {
        Tcl_Obj *load[] = {Tcl_NewStringObj("::host::load", -1), Tcl_NewStringObj(file, -1)};
        if (Tcl_EvalObjEx(interp, Tcl_NewListObj(2, load), TCL_EVAL_GLOBAL) != TCL_OK) {
            std::fprintf(stderr, "zirka: %s\n", Tcl_GetStringResult(interp));
            Tcl_Exit(1);
        }
    }
    return TCL_OK;
}

// Whether arg names an OBJ file: it ends in .obj, in any case.
static bool is_obj(const char *arg)
{
    size_t n = std::strlen(arg);
    return n > 4 && strcasecmp(arg + n - 4, ".obj") == 0;
}

int main(int argc, char **argv)
{
    // Our options come first, then the OBJ files; SCRIPT and its arguments are Tcl's.
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] != '\0'; i++) {
        if (std::strcmp(argv[i], "--") == 0) {
            i++;
            break;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("%s%s", usage, help);
            return 0;
        } else if (std::strcmp(argv[i], "--gui") == 0) {
            options.gui = true;
        } else if (std::strcmp(argv[i], "--plugins") == 0 && i + 1 < argc) {
            options.plugin_folder = argv[++i];
        } else {
            std::fprintf(stderr, "%s(zirka --help says more)\n", usage);
            return 2;
        }
    }
    for (; i < argc && is_obj(argv[i]); i++)
        options.files.push_back(argv[i]);
    // argv[0], SCRIPT and its arguments, and the closing null.
    std::vector<char *> tcl_argv(argv + i - 1, argv + argc + 1);
    tcl_argv[0] = argv[0];
    int tcl_argc = static_cast<int>(tcl_argv.size()) - 1;
    // As Tk_Main and Tcl_Main make it.
    if (options.gui) {
        Tcl_FindExecutable(tcl_argv[0]);
        Tk_MainEx(tcl_argc, tcl_argv.data(), app_init, Tcl_CreateInterp());
    } else {
        Tcl_MainEx(tcl_argc, tcl_argv.data(), app_init, Tcl_CreateInterp());
    }
    return 0; // not reached: both end with exit
}
