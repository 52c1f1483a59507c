// The plug-in's entry points: registration of the command and of the
// Tools-menu item at initialisation, and the texts for the host's listing.

#include <stdlib.h>
#include <string.h>

#include "extrude.h"
#include "pirrel.h"

static const char pirrel_about[] =
    "Extrude along path with scaling\n"
    "Carries a profile along a path, turning it at every corner with a mitre "
    "and scaling it linearly with the distance travelled.\n"
    "By the pirrel developers.";

// Shown verbatim in the host's plug-in listing, and pinned byte for byte by
// the tests, the missing blank in "line.Clear" included.
static const char pirrel_info[] =
    "Adds a new menu entry 'Tools->Extrude along path'.  Extrudes a profile along a line.  Create a new "
    "object consisting of a single polyline or line serving as the template object and a path object also "
    "with only one polyline or line.Clear your selections and then select first the template object and "
    "afterwards add the path object to the selection by holding down the SHIFT key. Now choose "
    "'Tools->Extrude along path' from the menu to activate the function.";

// The plug-in's folder, as rewritten for Tcl; kept for the library's lifetime.
static char *pirrel_folder;

// Returns a new string (the caller frees it) in which path (or any text) may stand between
// double quotes in a Tcl command and is read back unchanged: every character
// that Tcl substitutes or that ends the word is escaped with a backslash, so
// nothing of a folder's name is ever evaluated. A leading ~ would be taken as
// a home directory, so such a relative path is anchored with ./.
static char *tcl_quote_path(const char *path)
{
    size_t length = strlen(path);
    char *quoted = (char *)malloc(2 * length + 3);
    if (!quoted)
        return NULL;
    char *out = quoted;
    if (path[0] == '~') {
        *out++ = '.';
        *out++ = '/';
    }
    for (const char *p = path; *p; p++) {
        if (strchr("[]${}\"\\", *p))
            *out++ = '\\';
        *out++ = *p;
    }
    *out = '\0';
    return quoted;
}

// Handler of kvx_extrude_along_path_check: checks the selection as the
// command would and hands the verdict, "CODE N" (see
// extrude_selection_verdict), to the dialog in ::pirrel::verdict.
//
// Results: none (a handler's result is the host's).
// Side effects: sets ::pirrel::verdict through tcl_command; makes nothing
// and writes nothing.
static void ZIRKA_CALL pirrel_check(int argc, const char **argv)
{
    (void)argc;
    (void)argv;
    int number = 0;
    const char *code = extrude_selection_verdict(&number);
    // "CODE N", written out by hand: the plug-in calls no C library
    // function that it did not call before.
    char verdict[48], digits[12];
    size_t at = strlen(code), n = 0;
    memcpy(verdict, code, at);
    verdict[at++] = ' ';
    unsigned value = number < 0 ? 0u : (unsigned)number;
    do
        digits[n++] = (char)('0' + value % 10);
    while ((value /= 10) != 0);
    while (n > 0)
        verdict[at++] = digits[--n];
    verdict[at] = '\0';
    char *quoted = tcl_quote_path(verdict);
    if (quoted) {
        tcl_command("set ::pirrel::verdict \"%s\"", quoted);
        free(quoted);
    }
}

int ZIRKA_CALL ZIRKAPluginInit(ZirkaInitRecord *record)
{
    pirrel_folder = strdup(record->folder);
    if (pirrel_folder) {
        zirka_unbackslash_string(pirrel_folder);
        char *quoted = tcl_quote_path(pirrel_folder);
        if (quoted) {
            tcl_command("source \"%s/pirrel.tcl\"", quoted);
            free(quoted);
        }
    }
    zirka_add_command_full("kvx_extrude_along_path_scale", extrude_along_path, 0, "argv", "<scale_amount>",
                           "Extrude path with scaling");
    zirka_add_tools_menu_item("Extrude along path with scaling...", "ddhpirrel_dialog",
                              "Extrude a surface along a path (line) with scaling across the length of the path");
    zirka_add_command_full("kvx_extrude_along_path", extrude_along_path_with_options, 0, "argv",
                           "?-caps? ?-outward? ?-uv? ?--? <scale_amount>",
                           "Extrude path with scaling; -caps closes the ends, -outward turns the faces out, "
                           "-uv adds texture coordinates");
    zirka_add_command_full("kvx_extrude_along_path_check", pirrel_check, 0, "argv", "",
                           "Check the selection for extrude along path; sets ::pirrel::verdict");
    return 0;
}

int ZIRKA_CALL ZIRKAPluginExit(void)
{
    return 0;
}

const char *ZIRKA_CALL ZIRKAPluginAbout(void)
{
    return pirrel_about;
}

const char *ZIRKA_CALL ZIRKAPluginInfo(void)
{
    return pirrel_info;
}
