// Linked into test binaries made with pirrel_test(... TCL) alone: their
// interpreter boots with no plug-in at all.
#include "zirka_fixture.h"

const char *const zirka_test_boot_plugins = "";
