# pirrel.tcl -- the dialog of "Extrude along path with scaling...".
#
# The host sources this file from the plug-in's folder when it loads
# pirrel.p. The Tools-menu item runs ddhpirrel_dialog, which asks for the
# scale amount in percent (the size at the end of the path relative to the
# template; 100 keeps the size) and runs kvx_extrude_along_path_scale with
# it. Cancel runs nothing.

namespace eval ::pirrel {
    variable amount 100
    variable choice ""
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
    uplevel #0 [list kvx_extrude_along_path_scale $amount]
}

# A small modal dialog. Returns the amount typed, or "" for Cancel.
proc ::pirrel::ask_tk {} {
    variable amount
    variable choice
    set w .pirrel
    destroy $w
    toplevel $w
    wm title $w "Extrude along path with scaling"
    wm transient $w .
    wm resizable $w 0 0
    wm protocol $w WM_DELETE_WINDOW [list set ::pirrel::choice cancel]

    ttk::frame $w.f -padding 10
    ttk::label $w.f.label -text "Scale at the end of the path (%):"
    ttk::entry $w.f.amount -width 10 -textvariable ::pirrel::amount -justify right
    ttk::frame $w.f.buttons
    ttk::button $w.f.buttons.ok -text OK -default active -command [list set ::pirrel::choice ok]
    ttk::button $w.f.buttons.cancel -text Cancel -command [list set ::pirrel::choice cancel]
    grid $w.f.label $w.f.amount -sticky w -padx 4 -pady 4
    grid $w.f.buttons - -sticky e -pady {8 0}
    pack $w.f.buttons.ok $w.f.buttons.cancel -side left -padx 4
    pack $w.f -fill both -expand 1

    bind $w <Return> [list $w.f.buttons.ok invoke]
    bind $w <KP_Enter> [list $w.f.buttons.ok invoke]
    bind $w <Escape> [list $w.f.buttons.cancel invoke]

    set amount 100
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
    return [string trim $amount]
}

# Without a display: a prompt on the console. An empty line takes 100; end of
# input cancels.
proc ::pirrel::ask_console {} {
    puts -nonewline "Scale at the end of the path in percent \[100\]: "
    flush stdout
    if {[gets stdin line] < 0} {
        return ""
    }
    set line [string trim $line]
    if {$line eq ""} {
        return 100
    }
    return $line
}
