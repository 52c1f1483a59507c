# The Tools-menu dialog driven for real under a display:
#
#   zirka --gui dialog.tcl ok|return|cancel|escape|close
#
# Loads a template and a path, selects them, chooses the menu item, and,
# once the dialog is up, types 50 into it and answers it the given way.
# OK and Return must run the command with 50; Cancel, Escape and closing
# the window must run nothing. Exits 0 when all is as expected.

lassign $argv how
set label "Extrude along path with scaling..."
set obj [file join [file dirname [info script]] .. .. examples star_along_path.obj]

proc fail {message} {
    puts stderr "FAIL: $message"
    exit 1
}

# Answers the dialog as a user would, once it is on the screen.
proc answer {how tries} {
    set w .pirrel
    if {![winfo exists $w] || ![winfo viewable $w]} {
        if {$tries > 100} {
            fail "the dialog did not appear"
        }
        after 50 [list answer $how [incr tries]]
        return
    }
    set entry $w.f.amount
    if {[$entry get] ne "100"} {
        fail "the amount should start at 100, not [$entry get]"
    }
    focus -force $entry
    $entry delete 0 end
    $entry insert end 50
    update
    switch -- $how {
        ok      { $w.f.buttons.ok invoke }
        return  { event generate $entry <Return> }
        cancel  { $w.f.buttons.cancel invoke }
        escape  { event generate $entry <Escape> }
        close   { uplevel #0 [wm protocol $w WM_DELETE_WINDOW] }
    }
}

set ids [host::load $obj]
host::select {*}$ids
after 100 [list answer $how 0]
# The Tools menu of the window, as a user would choose it.
.menubar.tools invoke [.menubar.tools index $label]
set made [lrange [host::objects] 2 end]

if {$how in {ok return}} {
    if {[llength $made] != 1} {
        fail "$how: expected one new object, got [llength $made]; messages: [host::messages]"
    }
    # The same as running the command with 50 directly.
    set got [host::vertices [lindex $made 0]]
    host::undo
    host::select {*}$ids
    kvx_extrude_along_path_scale 50
    set want [host::vertices [lindex [host::objects] end]]
    if {$got ne $want} {
        fail "$how: the dialog did not run the command with 50"
    }
} else {
    if {[llength $made] != 0} {
        fail "$how: the dialog ran the command"
    }
    if {[winfo exists .pirrel]} {
        fail "$how: the dialog is still there"
    }
}
puts "dialog $how: ok"
exit 0
