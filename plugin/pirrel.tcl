# pirrel.tcl -- the dialog of "Extrude along path with scaling...".
#
# The host sources this file from the plug-in's folder when it loads
# pirrel.p. The Tools-menu item runs ddhpirrel_dialog, which first checks
# the selection (kvx_extrude_along_path_check) and, when it is wrong, says
# what to select instead; otherwise it asks for the scale amount in percent
# (the size at the end of the path relative to the template; 100 keeps the
# size) and three options, and runs kvx_extrude_along_path_scale with the
# amount, or kvx_extrude_along_path with the options ticked. Cancel runs
# nothing.
#
# The dialog takes only an amount that is wholly a number: a trailing % is
# allowed, and a decimal comma is read as a decimal point ("12,5" is 12.5).
# Anything else keeps the dialog open, saying what is wrong beside the
# entry. The amount and the options used last are offered again, for the
# rest of the session. The script uses only Tk and the plug-in's own
# commands.

namespace eval ::pirrel {
    # The amount used last; the dialog starts with it.
    variable amount 100
    # The options used last (1: ticked): -caps, -outward, -uv; and the
    # dialog's check boxes while it is open.
    variable caps 0
    variable outward 0
    variable uv 0
    variable ticked
    # The selection check's verdict, "CODE N", set by
    # kvx_extrude_along_path_check.
    variable verdict
    # The dialog's entry, its answer, and what is wrong with the entry.
    variable text ""
    variable choice ""
    variable problem ""
}

proc ddhpirrel_dialog {} {
    set tk [expr {[info commands ::tk] ne "" && [winfo exists .]}]
    set wrong [::pirrel::selection_problem]
    if {$wrong ne ""} {
        if {$tk} {
            ::pirrel::tell_tk $wrong
        } else {
            puts $wrong
        }
        return
    }
    if {$tk} {
        set amount [::pirrel::ask_tk]
    } else {
        set amount [::pirrel::ask_console]
    }
    if {$amount eq ""} {
        return
    }
    set ::pirrel::amount $amount
    set options [::pirrel::options]
    if {[llength $options] == 0} {
        uplevel #0 [list kvx_extrude_along_path_scale $amount]
    } else {
        uplevel #0 [list kvx_extrude_along_path {*}$options -- $amount]
    }
}

# The options ticked, as kvx_extrude_along_path takes them.
proc ::pirrel::options {} {
    set options {}
    foreach option {caps outward uv} {
        if {[set ::pirrel::$option]} {
            lappend options -$option
        }
    }
    return $options
}

# What is wrong with the selection, in a sentence that says what to select
# instead; "" when nothing is, and when there is no verdict (a plug-in
# without the check, or a host that cannot evaluate Tcl inside a command).
proc ::pirrel::selection_problem {} {
    variable verdict
    unset -nocomplain verdict
    if {[info commands kvx_extrude_along_path_check] eq "" || [catch {kvx_extrude_along_path_check}]
            || ![info exists verdict]} {
        return ""
    }
    lassign $verdict code number
    set which [expr {$number == 1 ? "The outline (selected first)" : "The path (selected second)"}]
    switch -- $code {
        count {
            return "Select two objects: first the outline, then, holding SHIFT, the path (now $number selected)."
        }
        surfaces {
            return "$which must hold one line or polyline and nothing else: split it, or join its pieces into one line."
        }
        type {
            return "$which must be an ordinary geometry object."
        }
        path_vertices {
            return "The path (selected second) needs at least 3 points: it has $number now."
        }
        empty_template {
            return "The outline (selected first) has no points: draw it, then select it and the path again."
        }
        not_finite {
            return "A point of the outline or the path is infinite or not a number: fix the points."
        }
        distinct_points {
            return "The path (selected second) needs 3 different points: points that repeat the one before count once, and it has $number of them."
        }
        too_many {
            return "The outline and the path have too many points together: use fewer points."
        }
        turns_back {
            return "The path (selected second) runs straight back along itself: move a point so that it turns aside."
        }
    }
    return ""
}

# Returns text as the number the command is to read ("12,5%" gives 12.5),
# or "" when text is not wholly a finite number.
proc ::pirrel::number {text} {
    set text [normal $text]
    if {![finite $text] || [scan $text %g value] != 1 || abs($value) > 3.4028234663852886e38} {
        return ""
    }
    return $text
}

# text without blanks around it, without a trailing %, and with a decimal
# comma turned into a decimal point.
proc ::pirrel::normal {text} {
    set text [string trim $text]
    regsub {\s*%$} $text "" text
    if {[string first . $text] < 0} {
        regsub {^([^,]*),([^,]*)$} $text {\1.\2} text
    }
    return $text
}

# Whether text is a number that is not Inf or NaN (Tcl's reading of numbers
# takes those too, but they are no amount).
proc ::pirrel::finite {text} {
    expr {[string is double -strict $text] && ![regexp -nocase {inf|nan} $text]}
}

# What is wrong with text as an amount, in a sentence for the user; "" when
# nothing is.
proc ::pirrel::problem {text} {
    set shown [string trim $text]
    if {$shown eq ""} {
        return "Enter the scale at the end of the path in percent, for example 50."
    }
    if {![finite [normal $text]]} {
        return "\"$shown\" is not a number: enter the scale in percent, for example 50 or 12.5."
    }
    if {[number $text] eq ""} {
        return "\"$shown\" is too large a scale: enter a number of percent up to 3.4e38."
    }
    return ""
}

# The dialog's window, .pirrel, made anew with its frame .pirrel.f; closing
# it cancels.
proc ::pirrel::window {} {
    set w .pirrel
    destroy $w
    toplevel $w
    wm title $w "Extrude along path with scaling"
    wm transient $w .
    wm resizable $w 0 0
    wm protocol $w WM_DELETE_WINDOW [list set ::pirrel::choice cancel]
    ttk::frame $w.f -padding 10
    return $w
}

# A small modal dialog. Returns the amount, or "" for Cancel.
proc ::pirrel::ask_tk {} {
    variable amount
    variable text
    variable choice
    variable problem
    set w [window]
    ttk::label $w.f.label -text "Scale at the end of the path (%):"
    ttk::entry $w.f.amount -width 10 -textvariable ::pirrel::text -justify right
    ttk::label $w.f.problem -textvariable ::pirrel::problem -foreground #b00020 -wraplength 300
    ttk::checkbutton $w.f.caps -text "Close the ends" -variable ::pirrel::ticked(caps)
    ttk::checkbutton $w.f.outward -text "Faces outward" -variable ::pirrel::ticked(outward)
    ttk::checkbutton $w.f.uv -text "Texture coordinates" -variable ::pirrel::ticked(uv)
    ttk::frame $w.f.buttons
    ttk::button $w.f.buttons.ok -text OK -default active -command ::pirrel::ok
    ttk::button $w.f.buttons.cancel -text Cancel -command [list set ::pirrel::choice cancel]
    grid $w.f.label $w.f.amount -sticky w -padx 4 -pady 4
    grid $w.f.problem - -sticky w -padx 4
    grid $w.f.caps - -sticky w -padx 4
    grid $w.f.outward - -sticky w -padx 4
    grid $w.f.uv - -sticky w -padx 4
    grid $w.f.buttons - -sticky e -pady {8 0}
    pack $w.f.buttons.ok $w.f.buttons.cancel -side left -padx 4
    pack $w.f -fill both -expand 1

    bind $w <Return> [list $w.f.buttons.ok invoke]
    bind $w <KP_Enter> [list $w.f.buttons.ok invoke]
    bind $w <Escape> [list $w.f.buttons.cancel invoke]

    set text $amount
    set problem ""
    set choice ""
    foreach option {caps outward uv} {
        set ::pirrel::ticked($option) [set ::pirrel::$option]
    }
    $w.f.amount selection range 0 end
    focus $w.f.amount
    catch {grab $w}
    vwait ::pirrel::choice
    catch {grab release $w}
    destroy $w
    if {$choice ne "ok"} {
        return ""
    }
    # The options are remembered as the amount is: when they are used.
    foreach option {caps outward uv} {
        set ::pirrel::$option $::pirrel::ticked($option)
    }
    return [number $text]
}

# Says what is wrong with the selection in a small modal window, in place
# of the amount's dialog; OK, Return, Escape or closing it ends it.
proc ::pirrel::tell_tk {wrong} {
    set w [window]
    ttk::label $w.f.selection -text $wrong -wraplength 320
    ttk::frame $w.f.buttons
    ttk::button $w.f.buttons.ok -text OK -default active -command [list set ::pirrel::choice cancel]
    grid $w.f.selection -sticky w -padx 4 -pady 4
    grid $w.f.buttons -sticky e -pady {8 0}
    pack $w.f.buttons.ok -side left -padx 4
    pack $w.f -fill both -expand 1
    bind $w <Return> [list $w.f.buttons.ok invoke]
    bind $w <Escape> [list $w.f.buttons.ok invoke]
    set ::pirrel::choice ""
    focus $w.f.buttons.ok
    catch {grab $w}
    vwait ::pirrel::choice
    catch {grab release $w}
    destroy $w
}

# OK: closes the dialog with an amount that is a number; otherwise keeps it
# open and says why.
proc ::pirrel::ok {} {
    variable text
    variable problem
    set problem [problem $text]
    if {$problem eq ""} {
        set ::pirrel::choice ok
        return
    }
    .pirrel.f.amount selection range 0 end
    focus .pirrel.f.amount
}

# Without a display: a prompt on the console, which offers the amount used
# last; an empty line takes it, a line that is not a number asks again, end
# of input cancels.
proc ::pirrel::ask_console {} {
    variable amount
    while 1 {
        puts -nonewline "Scale at the end of the path in percent \[$amount\]: "
        flush stdout
        if {[gets stdin line] < 0} {
            return ""
        }
        if {[string trim $line] eq ""} {
            return $amount
        }
        set problem [problem $line]
        if {$problem eq ""} {
            return [number $line]
        }
        puts $problem
    }
}
