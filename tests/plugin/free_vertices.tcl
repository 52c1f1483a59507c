# One run on the benchmark's largest common case leaves at most a few rings'
# worth of free-standing vertices in the host:
#
#   zirka free_vertices.tcl DIR M
#
# DIR holds template.obj (an M-gon) and path.obj (gen_walk's). The host has
# no release for free-standing vertices; the command reuses the rings it is
# done with, so one run leaves four rings' worth whatever the path's length
# (it made three for every result vertex before).

lassign $argv dir m
proc fail {message} {
    puts stderr "FAIL: $message"
    exit 1
}

host::select [host::load $dir/template.obj] [host::load $dir/path.obj]
set before [host::free_vertices]
set made [kvx_extrude_along_path_scale 50]
if {[llength $made] != 1} {
    fail "the command made [llength $made] objects"
}
set vertices [dict get [host::info $made] vertices]
set left [expr {[host::free_vertices] - $before}]
if {$left > 4 * $m} {
    fail "one run of $vertices result vertices left $left free-standing vertices, more than 4 rings of $m"
}
puts "free vertices: $left after one run of $vertices result vertices ([expr {$left / $m}] rings of $m): ok"
