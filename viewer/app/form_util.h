// Helpers shared by the data forms and dialogs: injected message and save-file functions, field
// texts.
#pragma once

#include <QString>

#include <functional>
#include <string>

class QLineEdit;
class QWidget;

// Shows text in a message box: (parent, text, title). The main window passes its message_box
// (which tests replace); form tests pass a recorder.
using form_message_fn = std::function<void(QWidget *, const QString &, const QString &)>;

// Asks for the file name to save to, starting from initial_name with the filter given in the
// "Name|*.ext|Name|*.ext" form; returns the chosen path, or an empty text when cancelled.
using form_save_fn =
    std::function<QString(QWidget *parent, const QString &initial_name, const QString &filter)>;

// The platform's save-file dialog.
QString default_save_dialog(QWidget *parent, const QString &initial_name, const QString &filter);

// "Data File|*.xy|Text File|*.txt" as the toolkit's "Data File (*.xy);;Text File (*.txt)".
QString toolkit_filter(const QString &filter);

// Shows "Written: PATH" for a few seconds in the status bar of the main window that owns w
// (the file commands' feedback; nothing when w has none).
void announce_written(QWidget *w, const QString &path);

// Text of a field as the model's field readers take it.
std::string field_text(const QLineEdit *edit);

// A one-line text field named name (the form's field name) showing text.
QLineEdit *make_field(QWidget *parent, const char *name, const QString &text = QString());

// Shows a modeless window of the main window owner above it: where it was when last hidden, else
// beside the owner (to its right when the screen has room, else over its upper left part),
// always whole on the owner's screen.
void show_form(QWidget *form, QWidget *owner);

// Esc closes (hides) the window w, as it does the dialogs.
void close_on_escape(QWidget *w);
