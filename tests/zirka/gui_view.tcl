# gui_view.tcl -- zirka --gui under Xvfb, driven with real events: the view
# turns, pans and zooms under the pointer and the named views and "fit" give
# the same pixels back; clicks in the view and the list select in order; the
# Tools menu runs the command on that selection; the message area shows its
# summary, a refusal's standard-error line and the host's word when memory
# runs out; Undo takes it back. The new object alone is selected, named for
# its step and wholly in view; keys typed while it runs are not taken; the
# title names the file and marks changes; closing with them asks first.
#
#   zirka --plugins PLUGIN_DIR --gui gui_view.tcl EXAMPLE.obj

set label "Extrude along path with scaling..."
lassign $argv example
set folder [file join [pwd] gui_view_[pid]]
file mkdir $folder

proc check {what got want} {
    if {$got ne $want} {
        puts "FAIL: $what: got {$got}, want {$want}"
        exit 1
    }
}

proc differ {what a b} {
    if {$a eq $b} {
        puts "FAIL: $what: the pixels did not change"
        exit 1
    }
}

# Pictures are compared whole; a failure keeps both for a look.
proc same {what got want} {
    global folder
    if {$got ne $want} {
        foreach {name bytes} [list got $got want $want] {
            set f [open [file join $folder [string map {" " _} $what]_$name.png] wb]
            puts -nonewline $f $bytes
            close $f
        }
        puts "FAIL: $what: the pixels differ (pictures kept in $folder)"
        exit 1
    }
}

# Lets the window settle: pending redraws and geometry done.
proc settle {} {
    update
    after 50
    update
}

# What the view shows now, as the bytes of a PNG file.
proc pixels {} {
    global folder
    settle
    set file [file join $folder view.png]
    ::zirka::view snapshot $file
    set f [open $file rb]
    set bytes [read $f]
    close $f
    return $bytes
}

# The selection order column of the list, row by row.
proc orders {} {
    lmap id [.side.list children {}] {lindex [.side.list item $id -values] 0}
}

# A user's press, move and release of button 1 (state: 0, or 1 with SHIFT).
proc drag {x y dx dy state} {
    event generate .view <ButtonPress-1> -x $x -y $y -state $state
    foreach step {1 2 3 4} {
        event generate .view <Motion> -x [expr {$x + $dx * $step / 4}] -y [expr {$y + $dy * $step / 4}] \
            -state [expr {$state | 256}]
    }
    event generate .view <ButtonRelease-1> -x [expr {$x + $dx}] -y [expr {$y + $dy}] -state [expr {$state | 256}]
}

proc click {x y state} {
    event generate .view <ButtonPress-1> -x $x -y $y -state $state
    event generate .view <ButtonRelease-1> -x $x -y $y -state [expr {$state | 256}]
}

# Answers the plug-in's dialog with 50 and OK once it is up.
proc answer {tries} {
    if {![winfo exists .pirrel] || ![winfo viewable .pirrel]} {
        if {$tries > 100} {
            puts "FAIL: the dialog did not appear"
            exit 1
        }
        after 50 [list answer [incr tries]]
        return
    }
    .pirrel.f.amount delete 0 end
    .pirrel.f.amount insert end 50
    .pirrel.f.buttons.ok invoke
}

wm geometry . 900x600+0+0
settle
check "view error" [::zirka::view error] ""
check "menu label" [.menubar.tools entrycget 0 -label] $label
.menubar.tools activate 0
event generate .menubar.tools <<MenuSelect>>
check "status line" $::zirka::status [host::menu help $label]

lassign [host::load $example] star path
check "list after load" [lmap id [.side.list children {}] {.side.list item $id -text}] {star path}
check "list counts" [lrange [.side.list item $star -values] 1 2] {10 1}
settle
check "closed column" [lindex [.side.list item $star -values] 3] no
check "selection after load" [host::select] [list $star $path]
check "title after load" [wm title .] "[file tail $example] - zirka"
host::select {}
.menubar.view invoke Iso
set iso [pixels]

# Left drag turns; the named view gives the picture back, from the keyboard too.
drag 300 300 80 40 0
set turned [pixels]
differ "drag" $iso $turned
check "selection after a drag" [host::select] {}
focus -force .view
event generate .view <KeyPress> -keysym 0
same "key 0 (iso) after the drag" [pixels] $iso
# SHIFT+drag pans, the wheel zooms; Fit gives the picture back.
drag 300 300 -60 25 1
differ "SHIFT+drag" $iso [pixels]
.menubar.view invoke Fit
same "fit after SHIFT+drag" [pixels] $iso
event generate .view <Button-4> -x 300 -y 300
differ "wheel" $iso [pixels]
event generate .view <KeyPress> -keysym f
same "key f (fit) after the wheel" [pixels] $iso
.menubar.view invoke Front
differ "front view" $iso [pixels]
.menubar.view invoke Iso

# A click on the star's side selects it, SHIFT+click on the path's last
# segment adds it as the second.
lassign [::zirka::view project -0.132 0.682 0] x y
click $x $y 0
settle
check "click selects" [host::select] $star
check "order after click" [orders] {1 {}}
lassign [::zirka::view project 6.5 9.5 4] x y
click $x $y 1
settle
check "SHIFT+click adds" [host::select] [list $star $path]
check "order after SHIFT+click" [orders] {1 2}
differ "selection shown" $iso [pixels]
# In the list: SHIFT+click takes the path out, and puts it back second.
lassign [.side.list bbox $path] x y
event generate .side.list <ButtonPress-1> -x [expr {$x + 5}] -y [expr {$y + 5}] -state 1
settle
check "list SHIFT+click takes out" [orders] {1 {}}
event generate .side.list <ButtonPress-1> -x [expr {$x + 5}] -y [expr {$y + 5}] -state 1
settle
check "list SHIFT+click adds" [orders] {1 2}

# The Tools menu runs the command on that selection.
after 100 [list answer 0]
.menubar.tools invoke $label
settle
set made [lindex [host::objects] end]
check "objects after the command" [llength [host::objects]] 3
set info [host::info $made]
check "rows after the command" [llength [.side.list children {}]] 3
check "summary" [string match "*made [dict get $info name]: [dict get $info vertices] vertices,\
    [dict get $info surfaces] surfaces*" [.messages get 1.0 end]] 1
check "working line" [string match "*working...\nmade*" [.messages get 1.0 end]] 1
check "selection after the command" [host::select] $made
check "name after the command" [dict get $info name] "Extrude along path 1"
check "title after the command" [wm title .] "*[file tail $example] - zirka"
set outside 0
foreach xyz [host::vertices $made] {
    lassign [::zirka::view project {*}$xyz] x y
    incr outside [expr {$x < 0 || $y < 0 || $x > [winfo width .view] || $y > [winfo height .view]}]
}
check "vertices out of view after the command" $outside 0
host::select $star $path

# A wrong selection: one object selected (in the list: in the view the path
# is now inside the new object). The dialog says what to select instead of
# asking for the amount; the command typed anyway refuses, and its standard
# error line shows in the window.
lassign [.side.list bbox $path] x y
event generate .side.list <ButtonPress-1> -x [expr {$x + 5}] -y [expr {$y + 5}]
settle
check "one selected" [host::select] $path
proc tell {tries} {
    if {![winfo exists .pirrel.f.selection]} {
        if {$tries > 100} {
            puts "FAIL: the selection's window did not appear"
            exit 1
        }
        after 50 [list tell [incr tries]]
        return
    }
    set ::told [.pirrel.f.selection cget -text]
    .pirrel.f.buttons.ok invoke
}
after 100 [list tell 0]
.menubar.tools invoke $label
settle
check "says what to select" [string match "Select two objects*" $::told] 1
kvx_extrude_along_path_scale 50
settle
check "refusal shown" [lindex [split [string trim [.messages get 1.0 end]] \n] end] \
    "extrude_along_path(): can only operate on exactly two objects!"
check "nothing made" [llength [host::objects]] 3

# Out of memory: every allocation of the host fails from the tenth on, in
# the middle of the command. It is cancelled, the window shows the host's
# message (its message box answered), and nothing is made.
host::select $star $path
settle
proc dismiss {tries} {
    if {[winfo exists .__tk__messagebox]} {
        set ::message_icon [.__tk__messagebox.bitmap cget -image]
        .__tk__messagebox.ok invoke
        return
    }
    if {$tries > 100} {
        puts "FAIL: the message box did not appear"
        exit 1
    }
    after 50 [list dismiss [incr tries]]
}
after 100 [list dismiss 0]
.messages configure -state normal
.messages delete 1.0 end
.messages configure -state disabled
host::memory_fail_at 10 1
# A key typed while the command runs is not a shortcut (W: wireframe).
focus -force .view
event generate .view <KeyPress> -keysym w -when tail
set result [kvx_extrude_along_path_scale 50]
host::memory_fail_at 0
settle
check "result when out of memory" $result {}
check "out of memory shown" [string trim [.messages get 1.0 end]] \
    "working...\nout of memory: kvx_extrude_along_path_scale was cancelled, nothing changed\nextrude_along_path(): out of memory!"
check "nothing made when out of memory" [llength [host::objects]] 3
check "key typed while working" $::zirka::style both
check "the message box has the error icon" $message_icon ::tk::icons::error
check "history when out of memory" [lindex [host::history] end] "Extrude along path"

# Closing with unsaved changes asks; Cancel keeps the window.
proc tk_messageBox {args} {
    set ::asked [dict get $args -message]
    return cancel
}
.menubar.file invoke Exit
check "Exit asks" $::asked "Save the changes to [file tail $example] before closing?"
set ::asked ""
eval [wm protocol . WM_DELETE_WINDOW]
check "closing asks" $::asked "Save the changes to [file tail $example] before closing?"

.menubar.edit invoke Undo
settle
check "rows after undo" [llength [.side.list children {}]] 2
check "selection after undo" [host::select] [list $star $path]
check "undo said" [lindex [split [string trim [::zirka::messages]] \n] end] "undid Extrude along path"
check "title after undo" [wm title .] "[file tail $example] - zirka"
host::save [file join $folder saved.obj]
check "save said" [lindex [split [string trim [::zirka::messages]] \n] end] "saved [file join $folder saved.obj]"
check "title after save" [wm title .] "saved.obj - zirka"
file delete -force $folder
puts "gui view: ok"
exit 0
