// Ombrel: a full-screen fractal animation on every monitor.
#include <QApplication>
#include <QMessageBox>
#include <memory>

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

    std::unique_ptr<ombrel::TForm1> form1;
    try {
        form1 = std::make_unique<ombrel::TForm1>();
    } catch (const std::exception& e) {
        // No memory for a frame store, no OpenGL context, no thread: nothing to show.
        QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), QString::fromUtf8(e.what()));
        return 1;
    }
    ombrel::TForm3 form3;
    form1->AboutBox = &form3;
    if (form1->Closed()) return 0;
    return QApplication::exec();
}
