// Helpers shared by the data forms and dialogs: injected message and save-file functions, field
// texts.
#include "form_util.h"

#include <QEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStringList>
#include <QWidget>

#include <algorithm>

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

namespace
{
// Remembers where its window was when it was hidden (the window manager may move a window the
// program never moved: the frame's place as the user left it).
class place_keeper : public QObject
{
  public:
    using QObject::QObject;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        // where the user left it (its client area: the frame's size is known late on some
        // window systems): each move while shown, and where it was when hidden
        auto *w = qobject_cast<QWidget *>(o);
        if (w && ((e->type() == QEvent::Move && w->isVisible()) || e->type() == QEvent::Hide)) {
            place = w->geometry().topLeft();
            known = true;
        }
        return false;
    }
    QPoint place;
    bool known = false;
};

// p moved so that a size s window starting there lies within the screen's free area r.
QPoint within(QPoint p, QSize s, const QRect &r)
{
    const int x = std::clamp(p.x(), r.left(), std::max(r.left(), r.right() - s.width()));
    const int y = std::clamp(p.y(), r.top(), std::max(r.top(), r.bottom() - s.height()));
    return QPoint(x, y);
}
} // namespace

void show_form(QWidget *form, QWidget *owner)
{
    // (dynamic_cast: the keeper has no meta-object of its own for findChild to tell it by)
    place_keeper *keeper = nullptr;
    for (QObject *child : form->children())
        if ((keeper = dynamic_cast<place_keeper *>(child))) break;
    if (!keeper) {
        keeper = new place_keeper(form);
        form->installEventFilter(keeper);
    }
    QScreen *screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect free = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
    // the window with its frame; before its first showing it has none yet: take the owner's
    QSize size = form->frameGeometry().size().expandedTo(form->sizeHint());
    if (owner && !form->isVisible() && form->frameGeometry().size() == form->size())
        size += owner->frameGeometry().size() - owner->size();
    // the frame's offset of the client area, as the toolkit will apply it in move()
    const QPoint frame = form->geometry().topLeft() - form->pos();
    QPoint at;
    if (keeper->known) {
        at = keeper->place - frame;
    } else if (owner) {
        const QRect o = owner->frameGeometry();
        at = o.right() + 8 + size.width() <= free.right() ? QPoint(o.right() + 8, o.top())
                                                          : o.topLeft() + QPoint(60, 80);
    } else {
        at = free.topLeft();
    }
    const QPoint target = within(at, size, free);
    form->move(target);
    form->show();
    form->raise();
    form->activateWindow();
}

void close_on_escape(QWidget *w)
{
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), w);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, w, &QWidget::close);
}
