// Linked into test binaries made with pirrel_test(... TCL PLUGINS): their
// interpreter boots with the build's plug-in folder.
#include "zirka_fixture.h"

const char *const zirka_test_boot_plugins = ZIRKA_TEST_BOOT_PLUGINS;
