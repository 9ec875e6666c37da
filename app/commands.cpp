#include <QApplication>
#include <QMessageBox>
#include <QWindow>

#include "app/control_form.h"
#include "desktop/about_box.h"

namespace ombrel {

void TForm1::FormKeyPress(QChar Key) {
    if (Key == 'f') Morph->RequestFern = true;
    else if (Key == 'k') Morph->RequestKoch = true;
    else if (Key == 's') Morph->RequestSierpinski = true;
    else if (Key == 'q') RequestClose();
    else if (Key == 't') QMessageBox::information(nullptr, QApplication::applicationDisplayName(), "Test");
}

void TForm1::FormDblClick() { RequestClose(); }

void TForm1::AboutOmbrel1Click() {
    if (!AboutBox) return;
    // A compositor stacks a window without a parent below the full-screen
    // displays: the box belongs to the display whose menu opened it.
    AboutBox->winId();
    if (const QWindow* menu = PopupMenu1->windowHandle())
        AboutBox->windowHandle()->setTransientParent(menu->transientParent());
    AboutBox->exec();
}

void TForm1::Showfernfractal1Click() { Morph->RequestFern = true; }

void TForm1::ShowSierpinskifractal1Click() { Morph->RequestSierpinski = true; }

void TForm1::ShowKochFractal1Click() { Morph->RequestKoch = true; }

void TForm1::Exit1Click() { RequestClose(); }

}  // namespace ombrel
