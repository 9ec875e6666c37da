#pragma once
#include <QDBusConnection>
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace ombrel {

// GNOME Shell's word on the seat's idleness: mutter's idle monitor on the
// session bus. It tells only the watch's owner, and pauses its idle watches
// while the session is inhibited (a video player's inhibitor), so a
// playing video never counts as idle.
class TMutterIdleWatch : public QObject {
    Q_OBJECT
public:
    // Whether mutter's idle monitor is on the bus: the session is GNOME's.
    static bool Offered(const QDBusConnection& bus);
    // Watches for `milliseconds` without input; nullptr, with one line in
    // `error`, where the monitor does not answer.
    static std::unique_ptr<TMutterIdleWatch> Make(const QDBusConnection& bus, uint32_t milliseconds, std::string& error);
    ~TMutterIdleWatch() override;

    // Each time the seat has been idle that long.
    std::function<void()> OnIdle;
    // The first input after each idle.
    std::function<void()> OnResumed;

private slots:
    void Fired(uint id);

private:
    explicit TMutterIdleWatch(const QDBusConnection& bus) : Bus(bus) {}
    uint32_t Add(const char* method, const QVariantList& args, std::string& error);

    QDBusConnection Bus;
    uint32_t IdleId = 0;
    uint32_t ActiveId = 0;
};

}  // namespace ombrel
