// "Process Status" window: shows the loader's progress lines at their pixel rows.
#include "MsgForm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QWindow>

TMessageForm::TMessageForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Process Status"));
    resize(420, 130);
    client = QImage(size(), QImage::Format_RGB32);
    client.fill(Qt::white);
}

// Loads run on the event thread: the window must be mapped and exposed by the window system
// before the load blocks the event loop, or a real screen shows a black box (or whatever was
// behind it) until the load ends. Events are handled, user input excluded, until it is
// exposed (at most half a second).
void TMessageForm::show()
{
    QWidget::show();
    QElapsedTimer waited;
    waited.start();
    do {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    } while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < 500);
    repaint();
    since_paint.start();
}

void TMessageForm::hide()
{
    QWidget::hide();
}

void TMessageForm::clear()
{
    client.fill(Qt::white);
    written.clear();
    update();
}

// Text of the progress line with its top-left corner at pixel (x, y), black on white.
void TMessageForm::text(int x, int y, const char *line)
{
    const QString s = QString::fromLocal8Bit(line);
    written.append(s);
    QPainter p(&client);
    p.setPen(Qt::black);
    const QFontMetrics fm(p.font());
    p.fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), Qt::white);
    p.drawText(x, y + fm.ascent(), s);
    p.end();
    // At once (no event is handled until the load ends), but not for every one of a hundred
    // thousand element lines: a new row always, the same row again after 50 ms.
    const bool new_row = y != last_row;
    last_row = y;
    if (isVisible() && (new_row || !since_paint.isValid() || since_paint.elapsed() >= 50)) {
        repaint();
        // keep the window system's queue moving (expose, move), user input excluded
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        since_paint.restart();
    }
    if (after_text) after_text(y);
}

void TMessageForm::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, client);
    if (!status_text.isEmpty()) {
        p.setPen(Qt::black);
        p.drawText(0, p.fontMetrics().ascent(), status_text);
    }
}

// Keeps what was written when the window grows; new area is white.
void TMessageForm::resizeEvent(QResizeEvent *)
{
    if (client.size() == size()) return;
    QImage grown(size().expandedTo(client.size()), QImage::Format_RGB32);
    grown.fill(Qt::white);
    QPainter p(&grown);
    p.drawImage(0, 0, client);
    p.end();
    client = grown;
}
