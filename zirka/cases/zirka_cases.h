/*
 * zirka_cases.h -- the case driver: runs the command on a list of cases and
 * writes every result to files that can be compared byte for byte across
 * platforms. On Windows it is zirka.exe, the stand-in host there (no Tcl);
 * on Linux the same code builds as zirka_cases.
 *
 *   zirka.exe PLUGIN_FOLDER CASE_LIST OUTPUT_FOLDER
 *
 * loads every plug-in in PLUGIN_FOLDER through the core's loader, handing
 * each the folder as given (on Windows with backslashes, as the real host
 * does), writes what they registered, then runs the cases of CASE_LIST and
 * writes each one's files into OUTPUT_FOLDER (which must exist). Without
 * Tcl, tcl_command records the script it was asked to evaluate, and the
 * command is called directly.
 *
 * Exit status: 0 when a plug-in registered kvx_extrude_along_path_scale and
 * every case could be read and written; 1 otherwise, with the reason on
 * stdout. A command that refuses is no failure: the refusal is the result.
 *
 * Registration files, in OUTPUT_FOLDER:
 *   registration.txt  plug-ins loaded and failed, each command (name, flags,
 *                     argument style, synopsis, description), each Tools-menu
 *                     item (label, action, help) and each plug-in's Info text
 *   about.txt         each plug-in's About text
 *   tcl.txt           the scripts given to tcl_command, one a line
 *
 * The case list: one case a line, NAME FILE SELECTION COMMAND [ARGUMENT ...]
 * separated by blanks; blank lines and lines starting with # are ignored.
 * NAME names the output files. FILE is an OBJ file, relative to the list's
 * folder unless absolute; its objects enter the world. SELECTION is a
 * comma-separated list of 1-based object numbers in the file, selected in
 * that order, or "-" for none. COMMAND, a registered command, is then
 * called with the ARGUMENTs.
 *
 * Files of a case, in OUTPUT_FOLDER:
 *   NAME.obj     the objects the command added to the world, by the core's
 *                OBJ writer (the shortest round-trip text of each float, the
 *                same on every platform); empty when none
 *   NAME.stderr  every byte written to standard error during the command
 *   NAME.log     the message-dialog texts ("message: ...") and the undo
 *                steps added ("undo: ...") during the command
 */
#ifndef ZIRKA_CASES_H
#define ZIRKA_CASES_H

#include <string>

// Writes registration.txt, about.txt and tcl.txt into folder. Returns ""
// or the reason a file could not be written.
std::string zirka_cases_write_registration(const std::string &folder);

// Runs every case of the list file, writing each one's files into
// output_folder. Returns "" or the reason the list, a case's OBJ file or an
// output file could not be read or written (the run stops there).
std::string zirka_cases_run(const std::string &list_file, const std::string &output_folder);

// Writes text to path exactly (binary mode). Returns "" or the reason.
std::string zirka_cases_write_file(const std::string &path, const std::string &text);

#endif /* ZIRKA_CASES_H */
