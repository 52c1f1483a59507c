# The Tools-menu dialog driven for real under a display:
#
#   zirka --gui dialog.tcl SCENARIO
#
# Loads a template and a path, selects them, chooses the menu item and,
# once the dialog is up, answers it as a user would (the steps of the
# scenario below); then checks what the command made. Exits 0 when all is
# as expected.
#
#   ok, return        50 typed, then OK or Return: runs the command with 50
#   cancel, escape,
#   close             50 typed, then Cancel, Escape or closing the window:
#                     runs nothing
#   empty             OK on an empty entry keeps the dialog open with a
#                     message; then 50 and OK
#   comma             1,5 runs the command with 1.5
#   percent           50% with Return runs it with 50
#   trailing          50abc keeps the dialog open with a message, with OK
#                     and with Return; then Cancel runs nothing
#   remembered        30 and OK, then the dialog again starts with 30
#   caps              "Close the ends" ticked, 50 and OK: runs
#                     kvx_extrude_along_path -caps -- 50; the dialog again
#                     starts with the box ticked
#   wrong_selection   only the outline selected: a window says what to
#                     select, OK closes it; no amount asked, nothing run
#   no_verdict        a check that sets no verdict (a host that cannot
#                     evaluate Tcl inside a command): 50 and OK runs the
#                     command with 50 as before

lassign $argv scenario
set label "Extrude along path with scaling..."
set obj [file join [file dirname [info script]] .. .. examples star_along_path.obj]
set wrong_selection {Select two objects: first the outline, then, holding SHIFT, the path (now 1 selected).}
set not_a_number {"50abc" is not a number: enter the scale in percent, for example 50 or 12.5.}
set empty_message {Enter the scale at the end of the path in percent, for example 50.}

# scenario -> {steps amount-the-command-gets ("" for none)}
array set scenarios [list \
    ok         {{{type 50} ok} 50} \
    return     {{{type 50} return} 50} \
    cancel     {{{type 50} cancel} {}} \
    escape     {{{type 50} escape} {}} \
    close      {{{type 50} close} {}} \
    empty      [list [list {type {}} ok [list open $empty_message] {type 50} ok] 50] \
    comma      {{{type 1,5} ok} 1.5} \
    percent    {{{type 50%} return} 50} \
    trailing   [list [list {type 50abc} ok [list open $not_a_number] return [list open $not_a_number] cancel] {}] \
]

source [file join [file dirname [info script]] expect.tcl]

# Answers the dialog with the steps, once it is on the screen; expects its
# entry to start with start.
proc answer {steps start {tries 0}} {
    set w .pirrel
    if {![winfo exists $w] || ![winfo viewable $w]} {
        if {$tries > 100} {
            fail "the dialog did not appear"
        }
        after 50 [list answer $steps $start [incr tries]]
        return
    }
    if {$start eq "selection"} {
        set said [$w.f.selection cget -text]
        if {$said ne $::wrong_selection} {
            fail "the window says \"$said\", not \"$::wrong_selection\""
        }
        if {[winfo exists $w.f.amount]} {
            fail "the amount is asked for on a wrong selection"
        }
        $w.f.buttons.ok invoke
        return
    }
    set entry $w.f.amount
    if {[$entry get] ne $start} {
        fail "the amount should start at $start, not [$entry get]"
    }
    focus -force $entry
    foreach step $steps {
        update
        lassign $step what text
        switch -- $what {
            type    { $entry delete 0 end; $entry insert end $text }
            ok      { $w.f.buttons.ok invoke }
            return  { event generate $entry <Return> }
            cancel  { $w.f.buttons.cancel invoke }
            tick    { $w.f.$text invoke }
            ticked {
                if {!$::pirrel::ticked($text)} {
                    fail "the box $text should start ticked"
                }
            }
            escape  { event generate $entry <Escape> }
            close   { uplevel #0 [wm protocol $w WM_DELETE_WINDOW] }
            open {
                update
                if {![winfo exists $w]} {
                    fail "the dialog closed on a wrong amount"
                }
                if {$::pirrel::problem ne $text} {
                    fail "the dialog says \"$::pirrel::problem\", not \"$text\""
                }
            }
        }
    }
}

# Chooses the menu item as a user would, answers the dialog, and returns the
# ids of the objects the command made.
proc run_dialog {steps start} {
    set before [host::objects]
    after 100 [list answer $steps $start]
    .menubar.tools invoke [.menubar.tools index $::label]
    lmap id [host::objects] {expr {$id in $before ? [continue] : $id}}
}

# Expects made to be what the command makes with amount ("" for nothing).
proc expect_made {made amount} {
    if {$amount eq ""} {
        if {[llength $made] != 0} {
            fail "the dialog ran the command"
        }
        if {[winfo exists .pirrel]} {
            fail "the dialog is still there"
        }
        return
    }
    expect_ran_with $made $amount "the dialog"
}

set ids [host::load $obj]
host::select {*}$ids
if {$scenario eq "caps"} {
    expect_ran_with [run_dialog {{type 50} {tick caps} ok} 100] 50 "the dialog" {kvx_extrude_along_path -caps --}
    expect_ran_with [run_dialog {{ticked caps} ok} 50] 50 "the dialog" {kvx_extrude_along_path -caps --}
} elseif {$scenario eq "wrong_selection"} {
    host::select [lindex $ids 0]
    expect_made [run_dialog {} selection] ""
} elseif {$scenario eq "no_verdict"} {
    rename kvx_extrude_along_path_check {}
    proc kvx_extrude_along_path_check {} {}
    expect_made [run_dialog {{type 50} ok} 100] 50
} elseif {$scenario eq "remembered"} {
    expect_made [run_dialog {{type 30} ok} 100] 30
    expect_made [run_dialog {ok} 30] 30
} else {
    lassign $scenarios($scenario) steps amount
    expect_made [run_dialog $steps 100] $amount
}
puts "dialog $scenario: ok"
exit 0
