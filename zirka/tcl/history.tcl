# history.tcl -- the window's side of the undo history and the file, run
# after window.tcl: the title (the file last loaded or saved, "*" before it
# while the world differs from it), Save, and closing, which asks before
# unsaved changes are given up. host::load, host::save, host::undo and
# host::redo are followed by traces, however they are called.

namespace eval ::zirka {
    # The undo steps as numbers: applied (oldest first), undone (next first),
    # the last one given, the one applied when last saved, and the selection
    # before each step that selected what it made.
    variable applied {}
    variable undone {}
    variable steps 0
    variable saved {}
    variable before
    array set before {}
    variable file ""
    # Within one of the traced commands: its traces follow the history.
    variable stepping 0
    variable unchanged 1
}

# New objects, however they came: selected (Undo puts the selection before
# back) and fitted into the view when not wholly in it.
proc ::zirka::adopt {ids} {
    variable before
    track
    if {$ids ne ""} {
        set before([lindex $::zirka::applied end]) [host::select]
        host::select $ids
        ::zirka::view frame
    }
}

# Follows the undo history after every change: a step more than known is a
# new one (Redo says so itself, see stepped).
proc ::zirka::track {} {
    variable applied
    variable undone
    if {$::zirka::stepping} return
    set n [llength [host::history]]
    if {$n < [llength $applied]} {
        set applied [lrange $applied 0 $n-1]
    }
    while {[llength $applied] < $n} {
        lappend applied [incr ::zirka::steps]
        set undone {}
    }
    show_title
}

proc ::zirka::modified {} {
    expr {[lindex $::zirka::applied end] ne $::zirka::saved}
}

proc ::zirka::show_title {} {
    variable file
    set name [expr {$file eq "" ? "zirka" : "[file tail $file] - zirka"}]
    wm title . [expr {[modified] ? "*$name" : $name}]
}

# After host::undo and host::redo: the steps moved, the selection before an
# undone step put back, and a word in the message area.
proc ::zirka::stepped {command code result op} {
    variable applied
    variable undone
    variable before
    set ::zirka::stepping 0
    if {$code != 0} return
    if {[lindex $command 0] eq "host::undo"} {
        set undone [linsert $undone 0 [lindex $applied end]]
        set applied [lrange $applied 0 end-1]
        set step [lindex $undone 0]
        if {[info exists before($step)]} {
            host::select [lmap id $before($step) {if {$id ni [host::objects]} continue; set id}]
        }
        message "undid $result" info
    } else {
        lappend applied [lindex $undone 0]
        set undone [lrange $undone 1 end]
        message "redid $result" info
    }
    show_title
}

# After host::load and host::save: the title names the file; a save of the
# whole world (or a load into an unchanged one) is what the world holds.
proc ::zirka::filed {command code result op} {
    variable file
    set ::zirka::stepping 0
    if {$code != 0} return
    track
    set file [lindex $command 1]
    if {[lindex $command 0] eq "host::save"} {
        if {[llength $command] == 2} {
            set ::zirka::saved [lindex $::zirka::applied end]
        }
        message "saved $file" info
    } else {
        if {$::zirka::unchanged} {
            set ::zirka::saved [lindex $::zirka::applied end]
        }
        adopt $result
    }
    show_title
}
# During those four, the history is followed by these, not by track.
proc ::zirka::entering {args} {
    variable stepping 1
    variable unchanged [expr {![modified]}]
}
foreach {command after} {host::undo stepped host::redo stepped host::load filed host::save filed} {
    trace add execution $command enter ::zirka::entering
    trace add execution $command leave ::zirka::$after
}

# Save: to the file last loaded or saved, else as a new one.
proc ::zirka::save {} {
    if {$::zirka::file eq ""} {
        .menubar.file invoke "Save as..."
    } else {
        attempt [list host::save $::zirka::file]
    }
}

# File > Exit and closing the window: unsaved changes are saved or given up
# as the user says, or the window stays.
proc ::zirka::close {} {
    if {[modified]} {
        set name [expr {$::zirka::file eq "" ? "the new objects" : [file tail $::zirka::file]}]
        switch [tk_messageBox -type yesnocancel -icon warning -title zirka \
                    -message "Save the changes to $name before closing?"] {
            yes {
                save
                if {[modified]} return
            }
            cancel return
        }
    }
    exit
}
