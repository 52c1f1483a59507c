# What the dialog tests (dialog.tcl, console.tcl) check once the Tools-menu
# item has run: sourced by both.

proc fail {message} {
    puts stderr "FAIL: $message"
    exit 1
}

# Expects made, the ids of the objects the menu item made, to be one object
# that is what command (by default kvx_extrude_along_path_scale) makes with
# amount run directly; undoes both.
proc expect_ran_with {made amount what {command kvx_extrude_along_path_scale}} {
    if {[llength $made] != 1} {
        fail "expected one new object, got [llength $made]; messages: [host::messages]"
    }
    set got [list [host::vertices [lindex $made 0]] [host::surfaces [lindex $made 0]]]
    host::undo
    {*}$command $amount
    set new [lindex [host::objects] end]
    if {$got ne [list [host::vertices $new] [host::surfaces $new]]} {
        fail "$what did not run $command with $amount"
    }
    host::undo
}
