// "Process Status" window: shows the loader's progress lines at their pixel rows.
#include "MsgForm.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPainter>

TMessageForm::TMessageForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Process Status"));
    resize(420, 130);
    client = QImage(size(), QImage::Format_RGB32);
    client.fill(Qt::white);
}

// Loads run on the event thread: let the window appear now, without taking user input, so the
// progress lines can be seen while the load goes on.
void TMessageForm::show()
{
    QWidget::show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
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
    if (isVisible()) repaint(); // at once: no event is handled until the load ends
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
