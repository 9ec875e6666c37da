#pragma once
#include <memory>
#include <vector>

#include "desktop/tray_icon.h"

namespace ombrel::testing {

// Records the requests the component sends to the notification area.
struct TFakeArea : INotificationArea {
    struct TLog {
        std::vector<std::string> Calls;
        std::vector<TTrayIconData> Data;
    };
    explicit TFakeArea(std::shared_ptr<TLog> log) : Log(std::move(log)) {}
    bool Add(const TTrayIconData& d) override { return Record("add", d); }
    bool Modify(const TTrayIconData& d) override { return Record("modify", d); }
    bool Delete() override { return Record("delete", {}); }
    bool Record(const char* what, const TTrayIconData& d) {
        Log->Calls.push_back(what);
        Log->Data.push_back(d);
        return true;
    }
    std::shared_ptr<TLog> Log;
};

inline TTrayIcon::TAreaFactory FakeAreaFactory(const std::shared_ptr<TFakeArea::TLog>& log) {
    return [log](TTrayIcon*) { return std::make_unique<TFakeArea>(log); };
}

}  // namespace ombrel::testing
