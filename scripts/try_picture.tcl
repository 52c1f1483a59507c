# The picture scripts/try.sh shows: the result of the command, shaded, with
# the outline (orange) and the path (magenta) drawn over it, the path's
# start marked with a cross and its end with a diamond (magenta too), the
# axes in the lower left corner, and a key to the faces' colours below the
# result: a square facing the eye (blue, front faces) and one turned away
# (red, back faces). Says what is what in words too, as the picture has none.
#
#   zirka scripts/try_picture.tcl INPUT.obj RESULT.obj PICTURE.png
#
# INPUT.obj holds the outline and the path, RESULT.obj the command's result.

if {$argc != 3} {
    puts stderr "usage: zirka try_picture.tcl INPUT.obj RESULT.obj PICTURE.png"
    exit 2
}
lassign $argv input result picture

lassign [host::load $input] template path
host::load $result

# The iso view's directions: right and up on the screen, towards the eye.
set right {0.70710678 0 -0.70710678}
set up {-0.40824829 0.81649658 -0.40824829}
set eye {0.57735027 0.57735027 0.57735027}
proc dot {a b} { expr {[lindex $a 0] * [lindex $b 0] + [lindex $a 1] * [lindex $b 1] + [lindex $a 2] * [lindex $b 2]} }
# The point r right, u up and d towards the eye from the origin.
proc at {r u d} {
    lmap a $::right b $::up c $::eye { expr {$r * $a + $u * $b + $d * $c} }
}

# Where everything lies on the screen, and how far from the eye.
set points [concat {*}[lmap id [host::objects] { host::vertices $id }]]
set rs [lmap p $points { dot $p $right }]
set us [lmap p $points { dot $p $up }]
set ds [lmap p $points { dot $p $eye }]
set r0 [tcl::mathfunc::min {*}$rs]
set u0 [tcl::mathfunc::min {*}$us]
set depth [expr {([tcl::mathfunc::min {*}$ds] + [tcl::mathfunc::max {*}$ds]) / 2}]
set size [expr {max([tcl::mathfunc::max {*}$rs] - $r0, [tcl::mathfunc::max {*}$us] - $u0) / 40}]

# The markers and the key, as one OBJ file of their own.
set path_points [host::vertices $path]
set s [expr {$size * 1.5}]
# The start's cross is one polyline through its centre, the end's diamond
# (an octahedron's edges) one round all twelve edges.
set obj "o start\n"
set cross [list [list $s 0 0] [list -$s 0 0] {0 0 0} [list 0 $s 0] [list 0 -$s 0] {0 0 0} [list 0 0 $s] [list 0 0 -$s]]
foreach offset $cross {
    append obj "v [lmap c [lindex $path_points 0] o $offset { expr {$c + $o} }]\n"
}
append obj "l 1 2 3 4 5 6 7 8\no end\n"
foreach offset [list [list $s 0 0] [list 0 $s 0] [list -$s 0 0] [list 0 -$s 0] [list 0 0 $s] [list 0 0 -$s]] {
    append obj "v [lmap c [lindex $path_points end] o $offset { expr {$c + $o} }]\n"
}
append obj "l 9 10 11 12 9 13 10 14 11 13 12 14 9\n"
set u [expr {$u0 - 4 * $size}]
foreach {name r corners} {front 2 {{-1 -1} {1 -1} {1 1} {-1 1}} back 6 {{-1 -1} {-1 1} {1 1} {1 -1}}} {
    append obj "o key_$name\n"
    foreach corner $corners {
        lassign $corner a b
        append obj "v [at [expr {$r0 + ($r + 1.5 * $a) * $size}] [expr {$u + 1.5 * $b * $size}] $depth]\n"
    }
    append obj "f -4 -3 -2 -1\n"
}
set file [file join [file dirname $picture] .try_marks.obj]
set out [open $file w]
puts -nonewline $out $obj
close $out
lassign [host::load $file] start end
file delete $file

host::select $template $path $start $end
host::render $picture -axes 1 -selection 1 -size 800x600
puts "wrote [file normalize $picture]: the result shaded, blue where its faces face you (front faces),\
      red where they turn their back (back faces), as the two squares below it show;\
      the outline in orange and the path in magenta over it, a cross at the path's start\
      and a diamond at its end; the axes x red, y green, z blue"
