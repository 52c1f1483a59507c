# gui_turn.tcl -- one measurement of the window on a large result, run by
# bench/run_gui_bench.sh under Xvfb:
#
#   zirka --gui bench/gui_turn.tcl DIR AMOUNT
#
# Loads DIR/template.obj and DIR/path.obj, selects them and runs the Tools
# menu's command, its dialog answered AMOUNT and OK; then turns the view with
# 40 pointer moves of button 1, each drawn before the next, and lets go.
# Prints one line of key=value pairs:
#   RESULT vertices=V ok_to_picture_ms=T turn_fps=F full_frame_ms=T
# ok_to_picture_ms runs from OK to the end of the first frame drawn after the
# command; full_frame_ms is one frame in full detail, the view at rest.

lassign $argv dir amount
wm geometry . 900x600+0+0
update
host::select [host::load $dir/template.obj] [host::load $dir/path.obj]
update

proc answer {} {
    if {![winfo exists .pirrel] || ![winfo viewable .pirrel]} {
        after 20 answer
        return
    }
    .pirrel.f.amount delete 0 end
    .pirrel.f.amount insert end $::amount
    set ::ok_at [clock microseconds]
    .pirrel.f.buttons.ok invoke
}
after 20 answer
host::menu invoke [lindex [host::menu] 0]
update
set picture [expr {([clock microseconds] - $ok_at) / 1000.0}]
set made [lindex [host::objects] end]

set moves 40
set start [clock microseconds]
event generate .view <ButtonPress-1> -x 300 -y 300
for {set i 1} {$i <= $moves} {incr i} {
    event generate .view <Motion> -x [expr {300 + 5 * $i}] -y [expr {300 + 2 * $i}] -state 256
    update idletasks
}
set fps [expr {$moves / (([clock microseconds] - $start) / 1e6)}]
event generate .view <ButtonRelease-1> -x [expr {300 + 5 * $moves}] -y [expr {300 + 2 * $moves}] -state 256
after 1500
update
set full [expr {[lindex [time {::zirka::view draw; update idletasks} 3] 0] / 1000.0}]
puts [format "RESULT vertices=%d ok_to_picture_ms=%.0f turn_fps=%.1f full_frame_ms=%.0f" \
    [dict get [host::info $made] vertices] $picture $fps $full]
exit 0
