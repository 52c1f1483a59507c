# Runs "extrude along a path with scaling" on an OBJ file whose first object
# is the template outline and whose second is the path, and writes the new
# object as an OBJ file, and with PICTURE.png a picture of the template, the
# path and the new object. File names are taken as given, relative to the
# folder zirka runs in. What goes wrong is said in one line on standard
# error, and the script exits 1.
#
#   zirka examples/run_example.tcl INPUT.obj AMOUNT OUTPUT.obj ?PICTURE.png?

if {$argc != 3 && $argc != 4} {
    puts stderr "usage: zirka run_example.tcl INPUT.obj AMOUNT OUTPUT.obj ?PICTURE.png?"
    exit 2
}
lassign $argv input amount output picture

# Runs script; an error ends the run with its message as one line.
proc attempt {script} {
    if {[catch {uplevel 1 $script} result]} {
        puts stderr "run_example.tcl: [string map {\n { }} $result]"
        exit 1
    }
    return $result
}

set ids [attempt {host::load $input}]
if {[llength $ids] < 2} {
    puts stderr "run_example.tcl: $input: needs a template object and a path object, has [llength $ids]"
    exit 1
}
lassign $ids template path
host::select $template $path
set made [kvx_extrude_along_path_scale $amount]
if {[llength $made] != 1} {
    puts stderr "run_example.tcl: the command made no object (see the message above)"
    exit 1
}
attempt {host::save $output $made}
set info [host::info $made]
puts "[dict get $info name]: [dict get $info vertices] vertices, [dict get $info surfaces] surfaces"
puts "wrote [file normalize $output]"
if {$picture ne ""} {
    attempt {host::render $picture}
    puts "wrote [file normalize $picture] (open it in any picture viewer)"
}
