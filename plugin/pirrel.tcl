# pirrel.tcl -- the dialog of "Extrude along path with scaling...".
#
# The host sources this file from the plug-in's folder when it loads
# pirrel.p. The Tools-menu item runs ddhpirrel_dialog, which asks for the
# scale amount in percent (the size at the end of the path relative to the
# template; 100 keeps the size) and runs kvx_extrude_along_path_scale with
# it. Cancel runs nothing.
#
# The dialog takes only an amount that is wholly a number: a trailing % is
# allowed, and a decimal comma is read as a decimal point ("12,5" is 12.5).
# Anything else keeps the dialog open, saying what is wrong beside the
# entry. The amount used last is offered again, for the rest of the session.

namespace eval ::pirrel {
    # The amount used last; the dialog starts with it.
    variable amount 100
    # The dialog's entry, its answer, and what is wrong with the entry.
    variable text ""
    variable choice ""
    variable problem ""
}

proc ddhpirrel_dialog {} {
    if {[info commands ::tk] ne "" && [winfo exists .]} {
        set amount [::pirrel::ask_tk]
    } else {
        set amount [::pirrel::ask_console]
    }
    if {$amount eq ""} {
        return
    }
    set ::pirrel::amount $amount
    uplevel #0 [list kvx_extrude_along_path_scale $amount]
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

# A small modal dialog. Returns the amount, or "" for Cancel.
proc ::pirrel::ask_tk {} {
    variable amount
    variable text
    variable choice
    variable problem
    set w .pirrel
    destroy $w
    toplevel $w
    wm title $w "Extrude along path with scaling"
    wm transient $w .
    wm resizable $w 0 0
    wm protocol $w WM_DELETE_WINDOW [list set ::pirrel::choice cancel]

    ttk::frame $w.f -padding 10
    ttk::label $w.f.label -text "Scale at the end of the path (%):"
    ttk::entry $w.f.amount -width 10 -textvariable ::pirrel::text -justify right
    ttk::label $w.f.problem -textvariable ::pirrel::problem -foreground #b00020 -wraplength 300
    ttk::frame $w.f.buttons
    ttk::button $w.f.buttons.ok -text OK -default active -command ::pirrel::ok
    ttk::button $w.f.buttons.cancel -text Cancel -command [list set ::pirrel::choice cancel]
    grid $w.f.label $w.f.amount -sticky w -padx 4 -pady 4
    grid $w.f.problem - -sticky w -padx 4
    grid $w.f.buttons - -sticky e -pady {8 0}
    pack $w.f.buttons.ok $w.f.buttons.cancel -side left -padx 4
    pack $w.f -fill both -expand 1

    bind $w <Return> [list $w.f.buttons.ok invoke]
    bind $w <KP_Enter> [list $w.f.buttons.ok invoke]
    bind $w <Escape> [list $w.f.buttons.cancel invoke]

    set text $amount
    set problem ""
    set choice ""
    $w.f.amount selection range 0 end
    focus $w.f.amount
    catch {grab $w}
    vwait ::pirrel::choice
    catch {grab release $w}
    destroy $w
    if {$choice ne "ok"} {
        return ""
    }
    return [number $text]
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
