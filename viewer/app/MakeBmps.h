// "Make bmp files" window: holds the off-screen image that Make Bmp and Animation draw and save.
#pragma once

#include <QImage>
#include <QLabel>
#include <QWidget>

// Image1 is the picture of the image control; it is sized to the main window before each use.
class TmakeBmpsForm : public QWidget
{
    Q_OBJECT
  public:
    explicit TmakeBmpsForm(QWidget *parent = nullptr);

    // New picture of w x h pixels, white.
    void set_image_size(int w, int h);
    // Shows the picture as drawn (after drawing into Image1).
    void show_picture();

    QImage Image1; // the off-screen picture, 24-bit colour

  private:
    QLabel *view; // shows Image1
};
