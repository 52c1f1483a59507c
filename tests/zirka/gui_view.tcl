# gui_view.tcl -- zirka --gui under Xvfb: the Tools menu with its help text
# in the status line, and the canvas drawing one line item per surface of
# the objects in the world, refreshed on load and undo.
#
#   zirka --plugins FIXTURE_PLUGINS/good --gui gui_view.tcl

proc check {what got want} {
    if {$got ne $want} {
        puts "FAIL: $what: got {$got}, want {$want}"
        exit 1
    }
}

update
check "menu label" [.menubar.tools entrycget 0 -label] "Fixture good"
.menubar.tools activate 0
event generate .menubar.tools <<MenuSelect>>
check "status line" $::zirka::status "Runs the good fixture"

set f [file tempfile path .obj]
puts $f "o square\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\nl 1 3\no dot\nv 5 5 5\nl 5"
close $f
set ids [host::load $path]
file delete $path
check "items after load" [llength [.view find all]] 3
check "item type" [lsort -unique [lmap i [.view find all] {.view type $i}]] line
# The closed square returns to its first corner: 5 points, 10 coordinates.
check "square outline" [llength [.view coords [lindex [.view find all] 0]]] 10
host::select [lindex $ids 1]
check "selected colour" [.view itemcget [lindex [.view find all] 2] -fill] red
host::undo
check "items after undo" [llength [.view find all]] 0
puts "gui view: ok"
exit 0
