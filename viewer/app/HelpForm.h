// Help > Guide: one page that explains the menus, the mouse, the keys, the legend and the units.
#pragma once

#include <QDialog>

class QTextBrowser;

// Modeless: the guide stays open beside the picture while the user works. Esc closes it.
class THelpForm : public QDialog
{
    Q_OBJECT
  public:
    explicit THelpForm(QWidget *parent = nullptr);

    // The guide as HTML (tests check that it names every menu).
    static QString guide_html();

  private:
    QTextBrowser *text = nullptr;
};
