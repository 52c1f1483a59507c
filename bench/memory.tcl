# memory.tcl -- the process's memory as /proc/self/status tells it, for the
# benchmark scripts (sourced).

# A field of /proc/self/status (VmRSS, VmHWM, ...) in bytes.
proc status {key} {
    set f [open /proc/self/status]
    set text [read $f]
    close $f
    regexp "$key:\\s+(\\d+)" $text -> kib
    return [expr {$kib * 1024}]
}

# VmHWM starts again from the present resident size.
proc reset_peak {} {
    set f [open /proc/self/clear_refs w]
    puts -nonewline $f 5
    close $f
}
