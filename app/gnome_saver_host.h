#pragma once
#include <QObject>
#include <memory>

#include "app/saver_host.h"

namespace ombrel {

class TMutterIdleWatch;
class TGnomeShield;

// --screensaver on GNOME, whose compositor has no layer shell: one fresh
// full-screen window of ours per monitor for each show (a newly mapped
// window gets the focus and goes on top, over the top bar), ended by the
// user's first input. Idleness comes from mutter's idle monitor on the
// session bus; while GNOME's own screensaver is up, there is no show.
class TGnomeSaverHost : public QObject, public TSaverHost {
public:
    // Chosen where the compositor offered no layer shell, which `noLayerShell` says.
    TGnomeSaverHost(bool showsAtOnce, std::string noLayerShell);
    ~TGnomeSaverHost() override;

    // Qt's Wayland platform draws the windows.
    std::optional<TStartError> BeforeQt() override;
    // GNOME Shell's interfaces on the session bus, and the monitors.
    std::optional<TStartError> AfterQt() override;

    std::vector<TMonitor> Monitors() override;
    std::unique_ptr<TForm2> NewDisplay(const TDisplayParts& parts, const TMonitor& monitor) override;

    std::optional<std::string> WatchIdle(uint32_t milliseconds) override;
    // No window of ours has the keyboard.
    bool InputElsewhere() const override;
    bool Shielded() const override;

private:
    // The user came back, or GNOME's screensaver came over the show: it ends, from the event loop.
    void EndTheShow();

    bool ShowsAtOnce;
    std::string NoLayerShell;
    std::unique_ptr<TMutterIdleWatch> Watch;
    std::unique_ptr<TGnomeShield> Shield;
};

}  // namespace ombrel
