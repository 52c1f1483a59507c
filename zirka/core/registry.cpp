// registry.cpp -- Tcl evaluation, command and menu registration, message
// dialogs and redraws: what the host records of them, and the hand-over to
// the front end (the Tcl interpreter) when one is installed.
#include "core_state.h"

#include <cstdarg>
#include <cstdio>

// Formats into *out, sized by a first pass: no fixed limit. False (the
// failure counted) without memory.
static bool format_v(std::string *out, const char *format, va_list args) noexcept
{
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, format, args);
    bool ok = true;
    try {
        if (n > 0) {
            out->resize(static_cast<size_t>(n) + 1);
            std::vsnprintf(&(*out)[0], out->size(), format, again);
            out->resize(static_cast<size_t>(n));
        }
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        ok = false;
    }
    va_end(again);
    return ok;
}

// The entry of entries whose key is value, or NULL.
template <class T> static T *find_by(std::vector<T> &entries, std::string T::*key, const std::string &value)
{
    for (T &entry : entries)
        if (entry.*key == value)
            return &entry;
    return nullptr;
}

// Error messages may span lines; the report is one line.
static std::string one_line(std::string text)
{
    for (char &c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

void zirka_set_front_end(const ZirkaFrontEnd *front_end)
{
    zirka_state().front_end = front_end ? *front_end : ZirkaFrontEnd{};
}

void *zirka_front_end_context(void) { return zirka_state().front_end.context; }

const std::vector<std::string> &zirka_messages(void) { return zirka_state().messages; }
void zirka_messages_clear(void) { zirka_state().messages.clear(); }
const std::vector<std::string> &zirka_tcl_log(void) { return zirka_state().tcl_log; }
const std::vector<std::string> &zirka_tcl_errors(void) { return zirka_state().tcl_errors; }
const std::vector<ZirkaCommand> &zirka_commands(void) { return zirka_state().commands; }
const std::vector<ZirkaMenuItem> &zirka_menu_items(void) { return zirka_state().menu; }

const ZirkaCommand *zirka_command_find(const std::string &name)
{
    return find_by(zirka_state().commands, &ZirkaCommand::name, name);
}

bool zirka_command_call(const std::string &name, int argc, const char **argv, ZirkaCommandOutcome *outcome)
{
    const ZirkaCommand *command = zirka_command_find(name);
    if (!command)
        return false;
    // The handler may register commands, which moves the registry.
    ZirkaCommandHandler handler = command->handler;
    ZirkaCommandOutcome run = zirka_command_run(name, [&] { handler(argc, argv); });
    if (outcome)
        *outcome = std::move(run);
    return true;
}

void zirka_message_show(const std::string &text) noexcept
{
    ZirkaState &s = zirka_state();
    try {
        s.messages.push_back(text);
        std::fprintf(stdout, "%s\n", one_line(text).c_str());
    } catch (const std::bad_alloc &e) {
        // Said at least, if not recorded.
        zirka_memory_caught(e);
        std::fprintf(stdout, "%s\n", text.c_str());
    }
    std::fflush(stdout);
    try {
        if (s.front_end.message_shown)
            s.front_end.message_shown(s.front_end.context, text);
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
    }
}

long zirka_redraw_count(void) { return zirka_state().redraws; }

void zirka_refresh_views(void)
{
    ZirkaState &s = zirka_state();
    if (s.front_end.redraw)
        s.front_end.redraw(s.front_end.context);
}

void zirka_registry_truncate(size_t commands, size_t menu_items)
{
    ZirkaState &s = zirka_state();
    while (s.commands.size() > commands) {
        std::string name = s.commands.back().name;
        s.commands.pop_back();
        if (s.front_end.command_removed)
            s.front_end.command_removed(s.front_end.context, name);
    }
    if (s.menu.size() > menu_items) {
        s.menu.resize(menu_items);
        zirka_refresh_views();
    }
}

const ZirkaMenuItem *zirka_menu_find(const std::string &label)
{
    return find_by(zirka_state().menu, &ZirkaMenuItem::label, label);
}

extern "C" {

// Without memory for the script, tcl_command returns this Tcl error code.
static const int tcl_error = 1;

ZIRKA_API int ZIRKA_CALL tcl_command(const char *format, ...)
{
    std::string script;
    va_list args;
    va_start(args, format);
    bool formatted = format_v(&script, format, args);
    va_end(args);
    if (!formatted)
        return tcl_error;
    try {
        ZirkaState &s = zirka_state();
        s.tcl_log.push_back(script);
        if (!s.front_end.eval)
            return 0;
        std::string error;
        int code = s.front_end.eval(s.front_end.context, script.c_str(), &error);
        if (code != 0) {
            std::fprintf(stderr, "zirka: %s\n", one_line(error).c_str());
            std::fflush(stderr);
            s.tcl_errors.push_back(error);
        }
        return code;
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        return tcl_error;
    }
}

ZIRKA_API int ZIRKA_CALL zirka_add_command_full(const char *name, ZirkaCommandHandler handler, int flags,
                                                const char *arg_style, const char *synopsis,
                                                const char *description)
{
    ZirkaState &s = zirka_state();
    try {
        ZirkaCommand command{name, handler, flags, arg_style ? arg_style : "", synopsis ? synopsis : "",
                             description ? description : ""};
        // Registering a name again replaces the command, as Tcl does.
        if (ZirkaCommand *old = find_by(s.commands, &ZirkaCommand::name, command.name))
            *old = command;
        else
            s.commands.push_back(command);
        if (s.front_end.command_added)
            s.front_end.command_added(s.front_end.context, &command);
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        return 1;
    }
    return 0;
}

ZIRKA_API void ZIRKA_CALL zirka_add_tools_menu_item(const char *label, const char *command, const char *help)
{
    ZirkaState &s = zirka_state();
    try {
        ZirkaMenuItem item{label, command ? command : "", help ? help : ""};
        // A label names one item, as a name names one command: registering it
        // again replaces the item.
        ZirkaMenuItem *at = find_by(s.menu, &ZirkaMenuItem::label, item.label);
        if (at) {
            *at = item;
        } else {
            s.menu.push_back(item);
            at = &s.menu.back();
        }
        if (s.front_end.menu_item_added)
            s.front_end.menu_item_added(s.front_end.context, at);
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e); // the menu stays as it was
    }
}

ZIRKA_API void ZIRKA_CALL redraw_all(void)
{
    zirka_state().redraws++;
    try {
        zirka_refresh_views();
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
    }
}

// A backslash is a separator only on Windows; elsewhere it is an ordinary
// file-name character, and rewriting it would name another file.
ZIRKA_API void ZIRKA_CALL zirka_unbackslash_string(char *path)
{
#ifdef _WIN32
    for (; *path; path++)
        if (*path == '\\')
            *path = '/';
#else
    (void)path;
#endif
}

ZIRKA_API void ZIRKA_CALL windows_message_dialog(const char *format, ...)
{
    std::string text;
    va_list args;
    va_start(args, format);
    bool formatted = format_v(&text, format, args);
    va_end(args);
    if (formatted) {
        zirka_message_show(text);
    } else {
        std::fprintf(stdout, "%s\n", format); // unformatted, but shown
        std::fflush(stdout);
    }
}

} // extern "C"
