#include "app/message_pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace ombrel {

void PumpWhile(const std::function<bool()>& busy) {
    if (!busy()) return;
    QTimer wake;
    wake.start(2);
    while (busy()) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace ombrel
