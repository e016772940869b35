// "Make bmp files" window: the off-screen image of Make Bmp and Animation, shown as drawn.
#include "MakeBmps.h"
#include "form_util.h"

#include <QPixmap>
#include <QVBoxLayout>

TmakeBmpsForm::TmakeBmpsForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Make bmp files"));
    close_on_escape(this);
    view = new QLabel(this);
    view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    set_image_size(922, 610);
}

void TmakeBmpsForm::set_image_size(int w, int h)
{
    Image1 = QImage(w > 0 ? w : 1, h > 0 ? h : 1, QImage::Format_RGB32);
    Image1.fill(Qt::white);
}

void TmakeBmpsForm::show_picture()
{
    view->setPixmap(QPixmap::fromImage(Image1));
    if (!isVisible()) {
        resize(Image1.size());
        show();
    }
}
