// "Process Status" window: the progress sink the loader writes its progress lines into.
#pragma once

#include "canvas.h"

#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>

// A plain window whose client area is an image; the loader clears it and writes text lines at
// fixed pixel rows. Shown and hidden by the loader around each load.
class TMessageForm : public QWidget, public progress_sink
{
    Q_OBJECT
  public:
    explicit TMessageForm(QWidget *parent = nullptr);

    // progress_sink
    void show() override;
    void clear() override;
    void text(int x, int y, const char *line) override;
    void hide() override;

    // Status text written at (0, 0) whenever the window is shown or repainted; empty unless set.
    QString status_text;

    // Called after each progress line with its row (tests grab the screen there).
    std::function<void(int y)> after_text;

    // The client area as drawn (tests read the progress lines from it).
    const QImage &client_image() const { return client; }
    // Progress lines written since the last clear, in order (for tests and diagnostics).
    const QStringList &lines() const { return written; }

  protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

  private:
    QImage client;             // what the window shows
    QStringList written;       // lines since the last clear
    QElapsedTimer since_paint; // time since the last repaint during a load
    int last_row = -1;         // row of the last line written
};
