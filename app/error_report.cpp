#include "app/error_report.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace ombrel {

namespace {

bool BoxOpen = false;

}  // namespace

void ReportError(const std::exception& e) {
    if (BoxOpen) return;
    BoxOpen = true;
    const QString text = QString::fromUtf8(e.what());
    QTimer::singleShot(0, qApp, [text] {
        QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), text);
        BoxOpen = false;
    });
}

}  // namespace ombrel
