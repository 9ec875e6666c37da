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
TErrorBacklog Backlog;

void WriteLine(const std::string& text) { std::fprintf(stderr, "ombrel: %s\n", text.c_str()); }

void ShowBox(const std::string& text) {
    BoxOpen = true;
    QTimer::singleShot(0, qApp, [text] {
        QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), QString::fromStdString(text));
        BoxOpen = false;
        if (!Backlog.Empty()) ShowBox(Backlog.Take());
    });
}

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

void TErrorBacklog::Add(const std::string& message) {
    for (TMessage& m : Messages)
        if (m.Text == message) {
            ++m.Count;
            return;
        }
    if (Messages.size() < MaxMessages)
        Messages.push_back({message, 1});
    else
        ++Others;
}

std::string TErrorBacklog::Take() {
    std::string text;
    for (const TMessage& m : Messages) {
        if (!text.empty()) text += '\n';
        text += m.Text;
        if (m.Count > 1) text += " (" + std::to_string(m.Count) + " times)";
    }
    if (Others > 0) text += "\nand " + std::to_string(Others) + (Others == 1 ? " more error" : " more errors");
    Messages.clear();
    Others = 0;
    return text;
}

void ReportError(const std::exception& e) {
    if (const auto line = Limiter.Pass(e.what(), TRepeatLimiter::TClock::now())) WriteLine(*line);
    if (AsText) return;
    if (BoxOpen)
        Backlog.Add(e.what());
    else
        ShowBox(e.what());
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
