/*
 * pirrel.h -- the plug-in's four entry points, the only names pirrel.p
 * exports. The host finds them by name after loading the library, calls
 * ZIRKAPluginInit once, the text entries for its plug-in listing, and
 * ZIRKAPluginExit before unloading. Loading the library runs nothing of ours.
 */
#ifndef PIRREL_H
#define PIRREL_H

#include "zirka_host.h"

#if defined(_WIN32)
#define PIRREL_EXPORT __declspec(dllexport)
#else
#define PIRREL_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Sources pirrel.tcl from record->folder, registers the Tcl command
 * kvx_extrude_along_path_scale and the Tools-menu item, then the commands
 * kvx_extrude_along_path (the same with options) and
 * kvx_extrude_along_path_check (the dialog's check of the selection). Returns 0; a missing
 * script shows only in the host's interpreter. Keeps a copy of the folder
 * path for the library's lifetime. */
PIRREL_EXPORT int ZIRKA_CALL ZIRKAPluginInit(ZirkaInitRecord *record);

/* Returns 0; the command and the menu item stay registered. */
PIRREL_EXPORT int ZIRKA_CALL ZIRKAPluginExit(void);

/* Constant texts for the host's plug-in listing; the same pointer on every
 * call, valid as long as the library is loaded. */
PIRREL_EXPORT const char *ZIRKA_CALL ZIRKAPluginAbout(void);
PIRREL_EXPORT const char *ZIRKA_CALL ZIRKAPluginInfo(void);

#ifdef __cplusplus
}
#endif

#endif /* PIRREL_H */
