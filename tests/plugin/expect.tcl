# What the dialog tests (dialog.tcl, console.tcl) check once the Tools-menu
# item has run: sourced by both.

proc fail {message} {
    puts stderr "FAIL: $message"
    exit 1
}

# Expects made, the ids of the objects the menu item made, to be one object
# that is what the command makes with amount run directly; undoes both.
proc expect_ran_with {made amount what} {
    if {[llength $made] != 1} {
        fail "expected one new object, got [llength $made]; messages: [host::messages]"
    }
    set got [host::vertices [lindex $made 0]]
    host::undo
    kvx_extrude_along_path_scale $amount
    if {$got ne [host::vertices [lindex [host::objects] end]]} {
        fail "$what did not run the command with $amount"
    }
    host::undo
}
