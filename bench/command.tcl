# command.tcl -- one measurement of the whole command inside zirka.
#
#   zirka bench/command.tcl DIR AMOUNT OUT ?WARM? ?OPTIONS?
#
# Loads DIR/template.obj and DIR/path.obj, selects them, and runs
# kvx_extrude_along_path_scale AMOUNT (with OPTIONS, a list such as
# "-caps -uv": kvx_extrude_along_path OPTIONS AMOUNT) once in this fresh
# process, then
# host::save of the result to OUT; then the command WARM more times
# (default 2), each after undoing the last result (so the new step releases
# the result before it, and memory is reused as in a session); then, after
# host::reset, host::load of OUT.
# Prints one line of key=value pairs:
#   RESULT vertices=V cold_us=T warm_us=T peak_bytes=B free_vertices=F
#          save_us=T save_peak_bytes=B load_us=T load_peak_bytes=B
# peak_bytes is the highest resident memory during the first run less the
# resident memory before it (VmHWM, reset just before, less VmRSS).

lassign $argv dir amount out warm options
if {$warm eq ""} { set warm 2 }
set command [expr {[llength $options] ? [list kvx_extrude_along_path {*}$options] : "kvx_extrude_along_path_scale"}]

source [file join [file dirname [info script]] memory.tcl]

# Runs script; sets the caller's us and peak (bytes over the resident size before).
proc measure {script} {
    upvar us us peak peak
    set before [status VmRSS]
    reset_peak
    set us [lindex [uplevel 1 [list time $script]] 0]
    set peak [expr {[status VmHWM] - $before}]
}

set t [host::load $dir/template.obj]
set p [host::load $dir/path.obj]
host::select $t $p
set before [host::objects]

measure {{*}$command $amount}
set cold $us
set cold_peak $peak
# (host::free_vertices is newer than some builds measured against.)
set free [expr {[info commands host::free_vertices] ne "" ? [host::free_vertices] : "-"}]
set made [lmap id [host::objects] {expr {$id in $before ? [continue] : $id}}]
set vertices [dict get [host::info $made] vertices]
measure {host::save $out {*}$made}
set save_us $us
set save_peak $peak

set best_warm {}
for {set i 0} {$i < $warm} {incr i} {
    host::undo
    set us [lindex [time {{*}$command $amount}] 0]
    if {$best_warm eq "" || $us < $best_warm} { set best_warm $us }
}
host::reset
measure {host::load $out}
puts "RESULT vertices=$vertices cold_us=$cold warm_us=$best_warm peak_bytes=$cold_peak free_vertices=$free\
save_us=$save_us save_peak_bytes=$save_peak load_us=$us load_peak_bytes=$peak"
