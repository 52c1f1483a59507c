# cycles.tcl -- memory over many runs of the command in one zirka process.
#
#   zirka bench/cycles.tcl DIR AMOUNT ?CYCLES?
#
# Loads DIR/template.obj and DIR/path.obj, selects them, then CYCLES times
# (default 20): runs kvx_extrude_along_path_scale AMOUNT and undoes it. The
# next run's step releases the undone result, so the resident memory should
# stay flat after the second cycle. Prints one line:
#   RESULT cycles=C result_bytes=B resident_mb=R1,R2,... growth_after_second=G
#          free_vertices=F
# result_bytes is the first run's peak over the memory before it; G is the
# growth of the resident memory from the second cycle to the last, as a
# fraction of it.

lassign $argv dir amount cycles
if {$cycles eq ""} { set cycles 20 }

source [file join [file dirname [info script]] memory.tcl]

host::select [host::load $dir/template.obj] [host::load $dir/path.obj]
set before [status VmRSS]
reset_peak
set resident {}
for {set i 0} {$i < $cycles} {incr i} {
    kvx_extrude_along_path_scale $amount
    if {$i == 0} { set result [expr {[status VmHWM] - $before}] }
    host::undo
    lappend resident [status VmRSS]
}
set growth [expr {double([lindex $resident end] - [lindex $resident 1]) / $result}]
set free [expr {[info commands host::free_vertices] ne "" ? [host::free_vertices] : "-"}]
puts "RESULT cycles=$cycles result_bytes=$result resident_mb=[join [lmap r $resident {format %.1f [expr {$r / 1048576.0}]}] ,]\
growth_after_second=[format %.3f $growth] free_vertices=$free"
