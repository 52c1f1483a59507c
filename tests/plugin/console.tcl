# The Tools-menu dialog without a display: a prompt on the console.
#
#   printf 'ANSWERS' | zirka console.tcl EXPECTED [RUNS]
#
# Chooses the menu item RUNS times (1 when not given), the prompt reading
# its answers from standard input, and expects the last run to have made
# what the command makes with EXPECTED ("cancel": nothing). The prompt's own
# lines are checked too: it offers the amount used last, and says what is
# wrong with an answer that is not a number before it asks again.

lassign $argv expect runs
if {$runs eq ""} {
    set runs 1
}
set obj [file join [file dirname [info script]] .. .. examples star_along_path.obj]

source [file join [file dirname [info script]] expect.tcl]

# What the prompt writes, kept for the checks below.
set said ""
rename puts ::tcl_puts
proc puts {args} {
    if {[llength $args] >= 1 && [lindex $args end-1] ni {stderr}} {
        append ::said [lindex $args end] [expr {[lindex $args 0] eq "-nonewline" ? "" : "\n"}]
    }
    ::tcl_puts {*}$args
}

set ids [host::load $obj]
host::select {*}$ids
for {set run 0} {$run < $runs} {incr run} {
    set before [host::objects]
    host::menu invoke "Extrude along path with scaling..."
    set made [lmap id [host::objects] {expr {$id in $before ? [continue] : $id}}]
}
if {$expect eq "cancel"} {
    if {[llength $made] != 0} {
        fail "end of input ran the command"
    }
} else {
    expect_ran_with $made $expect "the prompt"
}
if {![string match "Scale at the end of the path in percent \\\[100\\\]: *" $said]} {
    fail "the first prompt offers 100: $said"
}
set ::expected_said [lindex $argv 2]
if {$::expected_said ne "" && [string first $::expected_said $said] < 0} {
    fail "the prompt should have said \"$::expected_said\"; it said: $said"
}
tcl_puts "\nconsole $expect: ok"
