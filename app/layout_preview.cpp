#include "app/layout_preview.h"

#include <QFrame>
#include <cmath>

#include "app/control_form.h"

namespace ombrel {

namespace {

int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

std::vector<QRect> LayoutPreview(const std::vector<TMonitor>& monitors, int panelWidth, int panelHeight) {
    if (monitors.empty()) return {};
    int minLeft = monitors[0].Left, minTop = monitors[0].Top;
    int maxRight = monitors[0].Left + monitors[0].Width, maxBottom = monitors[0].Top + monitors[0].Height;
    for (const TMonitor& m : monitors) {
        if (m.Left < minLeft) minLeft = m.Left;
        if (m.Left + m.Width > maxRight) maxRight = m.Left + m.Width;
        if (m.Top < minTop) minTop = m.Top;
        if (m.Top + m.Height > maxBottom) maxBottom = m.Top + m.Height;
    }
    double scaleX = static_cast<double>(2 * panelWidth) / (3 * (maxRight - minLeft));
    double scaleY = static_cast<double>(2 * panelHeight) / (3 * (maxBottom - minTop));
    if (scaleX > scaleY)
        scaleX = scaleY;
    else
        scaleY = scaleX;
    std::vector<QRect> rects;
    for (const TMonitor& m : monitors)
        rects.emplace_back(Round((m.Left - minLeft) * scaleX + panelWidth / 6.0),
                           Round((m.Top - minTop) * scaleY + panelHeight / 6.0), Round(m.Width * scaleX),
                           Round(m.Height * scaleY));
    return rects;
}

void TForm1::Button1Click() {
    const std::vector<QRect> rects = LayoutPreview(Host->Monitors(), Panel1->width(), Panel1->height());
    for (size_t i = 0; i < rects.size(); ++i) {
        // Beyond the six designed panels every further monitor gets a panel of its own, named on.
        if (i == MonitorPanels.size()) {
            auto* panel = new QFrame(Panel1);
            panel->setObjectName(QString("Panel%1").arg(i + 2));
            panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
            MonitorPanels.push_back(panel);
        }
        MonitorPanels[i]->setGeometry(rects[i]);
        MonitorPanels[i]->setVisible(true);
    }
}

}  // namespace ombrel
