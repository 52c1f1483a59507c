# Run as "zirka --gui FILE.obj gui_open.tcl": the file named on the command
# line is open in the window before the script runs, and the title names it.
update
set objects [llength [host::objects]]
set rows [llength [.side.list children {}]]
if {$objects == 2 && $rows == 2 && [wm title .] eq "fold.obj - zirka"} {
    puts "gui open: ok"
} else {
    puts "FAIL: objects $objects, rows $rows, title [wm title .]"
}
exit 0
