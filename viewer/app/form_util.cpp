// Helpers shared by the data forms and dialogs: injected message and save-file functions, field
// texts.
#include "form_util.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QStringList>

QString toolkit_filter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + QStringLiteral(" (") + parts[i + 1] + QStringLiteral(")");
    return out.join(QStringLiteral(";;"));
}

QString default_save_dialog(QWidget *parent, const QString &initial_name, const QString &filter)
{
    // No default suffix: a name the user types is used as typed.
    return QFileDialog::getSaveFileName(parent, QString(), initial_name, toolkit_filter(filter));
}

std::string field_text(const QLineEdit *edit)
{
    return edit->text().toStdString();
}

QLineEdit *make_field(QWidget *parent, const char *name, const QString &text)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

void announce_written(QWidget *w, const QString &path)
{
    for (QWidget *p = w; p; p = p->parentWidget())
        if (auto *main = qobject_cast<QMainWindow *>(p)) {
            main->statusBar()->showMessage(QStringLiteral("Written: ") + path, 6000);
            return;
        }
}
