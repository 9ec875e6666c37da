#include "app/error_report.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace ombrel {

namespace {

bool BoxOpen = false;
bool AsText = false;

}  // namespace

void ReportErrorsAsText() { AsText = true; }

void ReportError(const std::exception& e) {
    if (AsText) {
        std::fprintf(stderr, "ombrel: %s\n", e.what());
        return;
    }
    if (BoxOpen) return;
    BoxOpen = true;
    const QString text = QString::fromUtf8(e.what());
    QTimer::singleShot(0, qApp, [text] {
        QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), text);
        BoxOpen = false;
    });
}

}  // namespace ombrel
