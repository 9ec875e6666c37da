// Ombrel: a full-screen fractal animation on every monitor.
#include <QApplication>

#include "app/control_form.h"
#include "desktop/about_box.h"
#include "desktop/program_icon.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Ombrel");
    QApplication::setApplicationDisplayName("Ombrel");
    QApplication::setWindowIcon(ombrel::ProgramIcon());
    // The control form is never shown; closing it, not the last window, ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    ombrel::TForm1 form1;
    ombrel::TForm3 form3;
    form1.AboutBox = &form3;
    if (form1.Closed()) return 0;
    return QApplication::exec();
}
