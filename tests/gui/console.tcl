# The Tools-menu dialog without a display: a prompt on the console.
#
#   printf '50\n' | zirka console.tcl 50     runs the command with 50
#   printf '\n'   | zirka console.tcl 100    an empty answer takes 100
#   zirka console.tcl cancel < /dev/null     end of input runs nothing

lassign $argv expect
set obj [file join [file dirname [info script]] .. .. examples star_along_path.obj]

proc fail {message} {
    puts stderr "FAIL: $message"
    exit 1
}

set ids [host::load $obj]
host::select {*}$ids
host::menu invoke "Extrude along path with scaling..."
set made [lrange [host::objects] 2 end]
if {$expect eq "cancel"} {
    if {[llength $made] != 0} {
        fail "end of input ran the command"
    }
} else {
    if {[llength $made] != 1} {
        fail "expected one new object, got [llength $made]"
    }
    set got [host::vertices [lindex $made 0]]
    host::undo
    host::select {*}$ids
    kvx_extrude_along_path_scale $expect
    if {$got ne [host::vertices [lindex [host::objects] end]]} {
        fail "the prompt did not run the command with $expect"
    }
}
puts "\nconsole $expect: ok"
