#pragma once
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <functional>

namespace ombrel {

// GNOME's own screensaver, which fades the screens to black or locks them:
// whether it is up. Where its name is not on the bus, it never is.
class TGnomeShield : public QObject {
    Q_OBJECT
public:
    explicit TGnomeShield(const QDBusConnection& bus);

    bool Active() const { return IsActive; }
    // Active() changed.
    std::function<void()> OnChanged;

private slots:
    void ActiveChanged(bool active);

private:
    void Set(bool active);

    QDBusConnection Bus;
    QDBusServiceWatcher Owner;
    bool IsActive = false;
};

}  // namespace ombrel
