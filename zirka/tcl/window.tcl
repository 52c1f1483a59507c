# window.tcl -- the window of `zirka --gui`, built into zirka and evaluated
# once Tk is loaded. gui.cpp then creates ::zirka::view, the OpenGL view drawn
# into the frame .view; a redraw calls ::zirka::refresh_list, and the front
# end ::zirka::tool, ::zirka::busy, ::zirka::command_done and ::zirka::message.
#
#   .view       the world, shaded; left button turns, middle (or SHIFT+left)
#               pans, the wheel zooms; a click selects, SHIFT+click adds
#   .side.list  the objects: name, selection order (1 = template, 2 = path),
#               vertices, surfaces; click and SHIFT+click select there too
#   .status     the help of the Tools item under the pointer

namespace eval ::zirka {
    variable status ""
    variable help
    array set help {}
    variable style both
    variable axes 1
    # The pointer since the button went down: where, with SHIFT, moved yet.
    variable press {}
    # A command runs: what the user does meanwhile is not taken.
    variable working 0
}

wm title . zirka
wm protocol . WM_DELETE_WINDOW ::zirka::close
menu .menubar
foreach {label menu} {File file Edit edit View view Tools tools} {
    menu .menubar.$menu -tearoff 0
    .menubar add cascade -label $label -menu .menubar.$menu
}
. configure -menu .menubar

# An item with a shortcut: the keys invoke it in the main window only (not in
# the plug-in's dialog). Digits need "Key-": <1> alone is the first mouse button.
proc ::zirka::item {menu type label accelerator keys args} {
    .menubar.$menu add $type -label $label -accelerator $accelerator {*}$args
    foreach key $keys {
        bind . <$key> [list ::zirka::shortcut $menu $label]
    }
}

.menubar.file add command -label "Open OBJ..." -command {::zirka::with_file host::load \
    tk_getOpenFile -filetypes {{{Wavefront OBJ} {.obj}} {{All files} *}}}
::zirka::item file command Save Ctrl+S Control-Key-s -command ::zirka::save
.menubar.file add command -label "Save as..." -command {::zirka::with_file host::save \
    tk_getSaveFile -defaultextension .obj}
.menubar.file add command -label "Save picture..." -command {::zirka::with_file {::zirka::view snapshot} \
    tk_getSaveFile -defaultextension .png -filetypes {{{PNG picture} {.png}}}}
.menubar.file add separator
.menubar.file add command -label Exit -command ::zirka::close
::zirka::item edit command Undo Ctrl+Z Control-Key-z -command {::zirka::attempt host::undo}
::zirka::item edit command Redo Ctrl+Y Control-Key-y -command {::zirka::attempt host::redo}
.menubar.edit add separator
::zirka::item edit command "Select all" Ctrl+A Control-Key-a -command {host::select [host::objects]}
::zirka::item edit command "Select none" Esc Escape -command {host::select {}}
foreach {label preset key keypad} {Iso iso 0 Insert Front front 1 End Top top 7 Home Side side 3 Next} {
    ::zirka::item view command $label $key [list Key-$key KP_$key KP_$keypad] \
        -command [list ::zirka::view preset $preset]
}
::zirka::item view command Fit F {Key-f Home} -command {::zirka::view fit}
.menubar.view add separator
foreach {label style key} {Shaded shaded S Wireframe wireframe W "Shaded with edges" both E} {
    ::zirka::item view radiobutton $label $key Key-[string tolower $key] -variable ::zirka::style \
        -value $style -command {::zirka::view style $::zirka::style}
}
.menubar.view add separator
::zirka::item view checkbutton Axes A Key-a -variable ::zirka::axes -command {::zirka::view axes $::zirka::axes}
.menubar.view add checkbutton -label "Checker texture" -variable ::zirka::checker -command {::zirka::view checker $::zirka::checker}

ttk::panedwindow .main -orient horizontal
# No background: OpenGL paints the whole frame.
frame .view -width 640 -height 480 -background {} -takefocus 1
ttk::frame .side
ttk::treeview .side.list -columns {order vertices surfaces closed} -selectmode none -height 12
.side.list heading #0 -text Object -anchor w
.side.list column #0 -width 130
foreach {column title width} {order # 30 vertices Vertices 80 surfaces Surfaces 80 closed Closed 70} {
    .side.list heading $column -text $title -anchor e
    .side.list column $column -width $width -anchor e -stretch 0
}
ttk::label .side.legend -text "# 1 = template, 2 = path" -anchor w
ttk::label .side.front -text "\u25a0 front faces" -foreground #7c99bf
ttk::label .side.back -text "\u25a0 back faces" -foreground #c14c3d
pack .side.back .side.front .side.legend -side bottom -fill x -padx 4
pack .side.list -side top -fill both -expand 1
.main add .view -weight 1
.main add .side -weight 0

ttk::frame .log
text .messages -height 5 -wrap word -state disabled -relief sunken -borderwidth 1 \
    -yscrollcommand {.log.scroll set}
ttk::scrollbar .log.scroll -command {.messages yview}
.messages tag configure error -foreground #b00000
.messages tag configure info -foreground #00600a
.messages tag configure dialog -foreground #0030a0
pack .log.scroll -in .log -side right -fill y
pack .messages -in .log -side left -fill both -expand 1
label .status -anchor w -relief sunken -textvariable ::zirka::status
pack .status -side bottom -fill x
pack .log -side bottom -fill x
pack .main -side top -fill both -expand 1

# The view: draw on every change of size or exposure.
bind .view <Configure> {::zirka::view draw}
bind .view <Expose> {::zirka::view draw}
bind .view <ButtonPress-1> {::zirka::press %x %y 0}
bind .view <Shift-ButtonPress-1> {::zirka::press %x %y 1}
bind .view <B1-Motion> {::zirka::drag %x %y}
bind .view <ButtonRelease-1> {::zirka::drag %x %y 1}
bind .view <ButtonPress-2> {::zirka::press %x %y 1}
bind .view <B2-Motion> {::zirka::drag %x %y}
bind .view <ButtonRelease-2> {set ::zirka::press {}}
bind .view <MouseWheel> {::zirka::view zoom [expr {%D > 0 ? 0.85 : 1 / 0.85}]}
bind .view <Button-4> {::zirka::view zoom 0.85}
bind .view <Button-5> {::zirka::view zoom [expr {1 / 0.85}]}
bind .view <Enter> {focus .view}
bind .side.list <ButtonPress-1> {::zirka::click [.side.list identify row %x %y] 0; break}
bind .side.list <Shift-ButtonPress-1> {::zirka::click [.side.list identify row %x %y] 1; break}
bind .menubar.tools <<MenuSelect>> {::zirka::menu_help %W}

# A plug-in's item in the Tools menu, and its help for the status line.
proc ::zirka::tool {label command help} {
    set ::zirka::help($label) $help
    .menubar.tools add command -label $label -command $command
}

proc ::zirka::shortcut {menu item} {
    if {!$::zirka::working} {
        .menubar.$menu invoke $item
    }
}

# Runs a script; an error goes to the message area instead of a dialog.
proc ::zirka::attempt {script} {
    if {[catch {uplevel #0 $script} msg]} {
        message $msg error
    }
}

# Asks for a file with the dialog, then runs command on it.
proc ::zirka::with_file {command dialog args} {
    set f [$dialog {*}$args]
    if {$f ne ""} {
        attempt [list {*}$command $f]
    }
}

# Appends a line to the message area: tag error, info or dialog.
proc ::zirka::message {text tag} {
    .messages configure -state normal
    .messages insert end "[string trimright $text \n]\n" $tag
    .messages configure -state disabled
    .messages see end
}

# The text of the message area, for scripts and tests.
proc ::zirka::messages {} {
    return [.messages get 1.0 end-1c]
}

# While a command runs: the watch cursor and a line saying so. The events
# that came meanwhile (keys, clicks) are let through untaken, and the view drawn.
proc ::zirka::busy {on} {
    variable working 1
    set cursor [expr {$on ? "watch" : ""}]
    . configure -cursor $cursor
    .view configure -cursor $cursor
    if {$on} {
        message "working..." info
    }
    update
    set working $on
}

# After a plug-in command: its standard-error lines, then what it made.
proc ::zirka::command_done {errors made} {
    foreach line [split [string trimright $errors \n] \n] {
        if {[string trim $line] ne ""} {
            message $line error
        }
    }
    foreach id $made {
        set info [host::info $id]
        message "made [dict get $info name]: [dict get $info vertices] vertices,\
            [dict get $info surfaces] surfaces" info
    }
    adopt $made
}
# The object list, from the world and the selection.
proc ::zirka::refresh_list {} {
    track
    set selection [host::select]
    .side.list delete [.side.list children {}]
    foreach id [host::objects] {
        set info [host::info $id]
        set order [lsearch -exact $selection $id]
        set order [expr {$order < 0 ? "" : $order + 1}]
        .side.list insert {} end -id $id -text [dict get $info name] \
            -values [list $order [dict get $info vertices] [dict get $info surfaces] [check_text $id]]
    }
    .side.list selection set $selection
    after cancel ::zirka::check_rows
    after idle ::zirka::check_rows
}

# The Closed column: host::check of each object (which never changes once
# made), found when the window is idle, so a large result shows first.
proc ::zirka::check_text {id} {
    variable checks
    if {![info exists checks($id)]} { return "" }
    set check $checks($id)
    if {![dict get $check closed]} { return no }
    return [expr {[dict get $check points_out] ? "yes, out" : "yes, in"}]
}
proc ::zirka::check_rows {} {
    variable checks
    foreach id [.side.list children {}] {
        if {![info exists checks($id)]} {
            set checks($id) [host::check $id]
            .side.list set $id closed [check_text $id]
        }
    }
}

# A click on an object: it alone is selected; with SHIFT it is added, or
# taken out when it was selected already. A click on nothing clears the
# selection (SHIFT+click on nothing changes nothing).
proc ::zirka::click {id add} {
    set selection [host::select]
    if {!$add} {
        host::select $id
    } elseif {$id ne ""} {
        set i [lsearch -exact $selection $id]
        host::select [expr {$i < 0 ? [linsert $selection end $id] : [lreplace $selection $i $i]}]
    }
}

proc ::zirka::press {x y shift} {
    variable press {}
    if {$::zirka::working} return
    set press [list $x $y $shift 0]
    focus .view
}

# A move of more than 3 pixels makes the press a drag: turning, or with
# SHIFT (or the middle button) panning. The release of a press that was no
# drag is a click.
proc ::zirka::drag {x y {release 0}} {
    variable press
    if {$press eq ""} return
    lassign $press x0 y0 shift moved
    if {$release} {
        set press {}
        if {!$moved} {
            click [::zirka::view pick $x $y] $shift
        }
    } elseif {$moved || abs($x - $x0) + abs($y - $y0) > 3} {
        set press [list $x $y $shift 1]
        ::zirka::view [expr {$shift ? "pan" : "turn"}] [expr {$x - $x0}] [expr {$y - $y0}]
    }
}

proc ::zirka::menu_help {w} {
    variable status ""
    variable help
    set i [$w index active]
    if {$i ne "none" && [info exists help([$w entrycget $i -label])]} {
        set status $help([$w entrycget $i -label])
    }
}
