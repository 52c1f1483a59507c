# Runs "extrude along a path with scaling" on an OBJ file whose first object
# is the template outline and whose second is the path, and writes the new
# object as an OBJ file, and with PICTURE.png a picture of the template, the
# path and the new object.
#
#   zirka examples/run_example.tcl INPUT.obj AMOUNT OUTPUT.obj ?PICTURE.png?

if {$argc != 3 && $argc != 4} {
    puts stderr "usage: zirka run_example.tcl INPUT.obj AMOUNT OUTPUT.obj ?PICTURE.png?"
    exit 2
}
lassign $argv input amount output picture

set ids [host::load $input]
if {[llength $ids] < 2} {
    puts stderr "$input: needs a template object and a path object, has [llength $ids]"
    exit 1
}
lassign $ids template path
host::select $template $path
set before [host::objects]
kvx_extrude_along_path_scale $amount
set made [lmap id [host::objects] {expr {$id in $before ? [continue] : $id}}]
if {[llength $made] != 1} {
    puts stderr "the command made no object (see the message above)"
    exit 1
}
host::save $output [lindex $made 0]
set info [host::info [lindex $made 0]]
puts "[dict get $info name]: [dict get $info vertices] vertices, [dict get $info surfaces] surfaces"
puts "wrote [file normalize $output]"
if {$picture ne ""} {
    host::render $picture
    puts "wrote [file normalize $picture] (open it in any picture viewer)"
}
