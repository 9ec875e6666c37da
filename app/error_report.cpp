#include "app/error_report.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace ombrel {

namespace {

bool BoxOpen = false;
bool AsText = false;
TRepeatLimiter Limiter;

void WriteLine(const std::string& text) { std::fprintf(stderr, "ombrel: %s\n", text.c_str()); }

}  // namespace

std::optional<std::string> TRepeatLimiter::Pass(const std::string& message, TClock::time_point now) {
    auto it = Seen.find(message);
    if (it == Seen.end()) {
        if (Seen.size() >= MaxMessages) Seen.clear();
        Seen.emplace(message, TSeen{now, 0});
        return message;
    }
    TSeen& seen = it->second;
    ++seen.HeldBack;
    if (now - seen.LastLine < Interval) return std::nullopt;
    const std::string line = message + " (" + std::to_string(seen.HeldBack) + " more times since its last report)";
    seen = {now, 0};
    return line;
}

void ReportErrorsAsText() { AsText = true; }

void ReportError(const std::exception& e) {
    if (AsText) {
        if (const auto line = Limiter.Pass(e.what(), TRepeatLimiter::TClock::now())) WriteLine(*line);
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

void ReportError(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        ReportError(e);
    } catch (...) {
        ReportError(std::runtime_error("unknown error"));
    }
}

void ReportFatalError(const std::exception& e) {
    WriteLine(e.what());
    // Qt's platforms without a screen (minimal, offscreen) would never show the box nor close it.
    const QString platform = QGuiApplication::platformName();
    const bool desktop = platform == "xcb" || platform.startsWith("wayland");
    if (!AsText && desktop)
        QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), QString::fromUtf8(e.what()));
}

}  // namespace ombrel
