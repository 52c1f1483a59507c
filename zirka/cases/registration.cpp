// registration.cpp -- what the loaded plug-ins registered, as text files
// that can be compared across platforms.
#include "zirka_cases.h"

#include "zirka_core.h"

#include <cstdio>

std::string zirka_cases_write_file(const std::string &path, const std::string &text)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return "cannot write \"" + path + "\"";
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fclose(file) == 0 && ok;
    return ok ? "" : "cannot write \"" + path + "\"";
}

std::string zirka_cases_write_registration(const std::string &folder)
{
    std::string text, about, tcl;
    text += "plug-ins loaded: " + std::to_string(zirka_plugins().size()) + "\n";
    for (const std::string &error : zirka_plugin_errors())
        text += "plug-in error: " + error + "\n";
    for (const ZirkaCommand &command : zirka_commands()) {
        text += "command: " + command.name + "\n";
        text += "  flags: " + std::to_string(command.flags) + "\n";
        text += "  argument style: " + command.arg_style + "\n";
        text += "  synopsis: " + command.synopsis + "\n";
        text += "  description: " + command.description + "\n";
    }
    for (const ZirkaMenuItem &item : zirka_menu_items()) {
        text += "menu item: " + item.label + "\n";
        text += "  action: " + item.command + "\n";
        text += "  help: " + item.help + "\n";
    }
    // The file names differ by platform; the texts must not.
    for (const ZirkaPlugin &plugin : zirka_plugins()) {
        text += "info: " + plugin.info + "\n";
        about += plugin.about + "\n";
    }
    for (const std::string &script : zirka_tcl_log())
        tcl += script + "\n";

    std::string error = zirka_cases_write_file(folder + "/registration.txt", text);
    if (error.empty())
        error = zirka_cases_write_file(folder + "/about.txt", about);
    if (error.empty())
        error = zirka_cases_write_file(folder + "/tcl.txt", tcl);
    return error;
}
