// Message boxes of the viewer's windows (replaceable so tests never block).
#pragma once

#include <QString>

#include <functional>

#include "field_text.h"

class QWidget;

// Buttons, icons and answers of a message box, with the values of the classic message-box API
// so that one int carries buttons | icon.
enum message_flags {
    mb_ok = 0x00,
    mb_yes_no = 0x04,
    mb_icon_question = 0x20,
    mb_icon_warning = 0x30,
    mb_icon_information = 0x40,
    mb_default_no = 0x100, // with mb_yes_no: No is the default button (Enter answers No)
};
enum message_answer { id_ok = 1, id_cancel = 2, id_yes = 6, id_no = 7 };

// Shows text with title; flags = buttons | icon; returns the answer (id_ok, id_yes, id_no).
using message_box_fn =
    std::function<int(QWidget *parent, const QString &text, const QString &title, int flags)>;

// Every window shows its messages through this call.
int message_box(QWidget *parent, const QString &text, const QString &title, int flags);

// Replaces the function behind message_box and returns the previous one; an empty function
// restores the real, modal message box. Tests install a recorder that answers at once.
message_box_fn set_message_box(message_box_fn fn);

// The message box of a field that does not hold a number (title "Error", warning icon); the
// text is the error's own, for example "'abc' is not a valid floating point value". A command
// that meets such a field stops after showing it.
void show_field_error(QWidget *parent, const field_error &e);
