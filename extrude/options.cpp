// The handler of kvx_extrude_along_path: its options, then the phases of
// kvx_extrude_along_path_scale with them; and the check of the selection
// alone, for the dialog.

#include <stdio.h>
#include <string.h>

#include "extrude_work.h"

#define EXTRUDE_USAGE "kvx_extrude_along_path ?-caps? ?-outward? ?-uv? ?--? AMOUNT"

// Whether text reads as a number as the amount is read (a number at its
// start is enough): such an argument is the amount, never an option.
static int reads_as_number(const char *text)
{
    float value;
    return sscanf(text, "%g", &value) == 1;
}

// Whether a and b are the same text. (A loop of our own: the plug-in
// calls no C library function that it did not call before.)
static int same_text(const char *a, const char *b)
{
    while (*a && *a == *b)
        a++, b++;
    return *a == *b;
}

// The flag of w that option names, NULL for no option.
static int *option_flag(ExtrudeWork *w, const char *option)
{
    if (same_text(option, "-caps"))
        return &w->caps;
    if (same_text(option, "-outward"))
        return &w->outward;
    if (same_text(option, "-uv"))
        return &w->uv;
    return NULL;
}

int extrude_read_options(ExtrudeWork *w, int argc, const char **argv)
{
    int i = 1;
    for (; i < argc; i++) {
        const char *word = argv[i];
        if (same_text(word, "--")) {
            i++;
            break;
        }
        if (word[0] != '-' || reads_as_number(word))
            break;
        int *flag = option_flag(w, word);
        if (!flag) {
            windows_message_dialog("Unknown option \"%s\": usage: " EXTRUDE_USAGE, word);
            return -1;
        }
        if (*flag) {
            windows_message_dialog("Option \"%s\" given twice: usage: " EXTRUDE_USAGE, word);
            return -1;
        }
        *flag = 1;
    }
    if (i >= argc) {
        windows_message_dialog("No scale amount: usage: " EXTRUDE_USAGE);
        return -1;
    }
    if (i + 1 < argc) {
        windows_message_dialog("Unexpected \"%s\" after the scale amount: usage: " EXTRUDE_USAGE, argv[i + 1]);
        return -1;
    }
    return i;
}

void ZIRKA_CALL extrude_along_path_with_options(int argc, const char **argv)
{
    ExtrudeWork w;
    memset(&w, 0, sizeof w);
    int at = extrude_read_options(&w, argc, argv);
    if (at > 0) {
        // Validation reads the amount as the first argument.
        const char *amount_argv[2] = {argv[0], argv[at]};
        extrude_run(&w, 2, amount_argv);
    }
    extrude_work_release(&w);
}

const char *extrude_selection_verdict(int *number)
{
    ExtrudeWork w;
    memset(&w, 0, sizeof w);
    w.checking = 1;
    extrude_check_selection(&w);
    extrude_work_release(&w);
    *number = w.verdict.number;
    return w.verdict.code;
}
