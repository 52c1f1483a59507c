# Draws the picture of every bundled example: the template and the path with
# the command's result, seen from the iso view.
#
#   zirka scripts/gallery.tcl EXAMPLES_DIR OUT_DIR
#
# writes OUT_DIR/NAME.png for each EXAMPLES_DIR/NAME.obj listed below, run at
# its amount. scripts/gallery.sh writes them beside the examples.

if {$argc != 2} {
    puts stderr "usage: zirka gallery.tcl EXAMPLES_DIR OUT_DIR"
    exit 2
}
lassign $argv examples out

# name              amount  view
set gallery {
    star_along_path     25  iso
    closed_path         50  iso
    scale_to_zero        0  iso
    negative_amount   -100  iso
    sharp_turn         100  iso
    ribbon              40  iso
    away_from_path     100  iso
    fold               100  iso
    inward_faces       100  iso
}

file mkdir $out
foreach {name amount view} $gallery {
    host::reset
    lassign [host::load [file join $examples $name.obj]] template path
    host::select $template $path
    kvx_extrude_along_path_scale $amount
    if {[llength [host::objects]] != 3} {
        puts stderr "$name: the command made nothing"
        exit 1
    }
    set file [file join $out $name.png]
    host::render $file -view $view -size 480x360
    puts "wrote [file normalize $file]"
}

# The options: a star closed at both ends, its end cap in view; the
# square drawn the other way round with its faces turned out; the star
# with texture coordinates and end caps, checkered by them.
# name            options       amount  render options
set options {
    option_caps      {-caps}        50  {-view iso}
    option_outward   {-outward}    100  {-view iso}
    star_checker     {-uv -caps}    25  {-texture checker}
}
foreach {name flags amount how} $options {
    host::reset
    set example [dict get {option_caps star_capped option_outward inward_faces star_checker star_along_path} $name]
    lassign [host::load [file join $examples $example.obj]] template path
    host::select $template $path
    kvx_extrude_along_path {*}$flags $amount
    set file [file join $out $name.png]
    host::render $file -size 480x360 {*}$how
    puts "wrote [file normalize $file]"
}
