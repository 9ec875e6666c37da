#pragma once
#include <QObject>

#include "app/display_host.h"

namespace ombrel {

// The desktop's monitors, as Qt's screens (or a test's made-up list), each
// covered by a full-screen window of ours.
class TScreensHost : public QObject, public TDisplayHost {
public:
    explicit TScreensHost(TMonitorList monitors = SystemMonitors) : List(std::move(monitors)) {}

    // Watches the screens.
    std::optional<TStartError> AfterQt() override;
    bool Interactive() const override { return true; }
    std::vector<TMonitor> Monitors() override { return List(); }
    std::unique_ptr<TForm2> NewDisplay(const TDisplayParts& parts, const TMonitor& monitor) override;

private:
    void Changed();
    TMonitorList List;
};

}  // namespace ombrel
