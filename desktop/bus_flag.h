#pragma once
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <cstdint>
#include <memory>

namespace ombrel {

// A yes or no that changes while the program runs.
class TFlag : public QObject {
    Q_OBJECT
public:
    bool Value() const { return Current; }

signals:
    void Changed(bool value);

protected:
    void Set(bool value);

private:
    bool Current = false;
};

// A yes or no that a desktop service keeps on D-Bus: whether the machine
// runs on its battery (UPower), whether something holds the screensaver
// back (PowerManagement's inhibitions). No, where the service or its bus is
// missing, or while it answers anything but a boolean; asked anew each time
// the service's name gets an owner.
class TBusFlag : public TFlag {
    Q_OBJECT
public:
    // UPower's OnBattery, on the system bus; nullptr where there is no such bus.
    static std::unique_ptr<TBusFlag> OnBattery();
    // org.freedesktop.PowerManagement's HasInhibit, on the session bus
    // (Plasma's and Xfce's power managers keep a video player's inhibition
    // there); nullptr where there is no such bus.
    static std::unique_ptr<TBusFlag> Inhibited();

private slots:
    void Signalled(const QDBusMessage& message);

private:
    // Where the flag is kept: a property of the service's object, or what
    // its method answers and its signal tells.
    struct TSource {
        const char* Service;
        const char* Path;
        const char* Interface;
        // The property's name, or the method's and the signal's.
        const char* Property;
        const char* Method;
        const char* Signal;
    };
    TBusFlag(const QDBusConnection& bus, TSource source);
    void Ask();

    QDBusConnection Bus;
    TSource Source;
    QDBusServiceWatcher Owner;
    // Replies to an older question, sent before the owner changed, are left unread.
    uint64_t Asked = 0;
};

}  // namespace ombrel
