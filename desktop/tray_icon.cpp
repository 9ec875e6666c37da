#include "desktop/tray_icon.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace ombrel {

TTrayIcon::TTrayIcon(QObject* owner, const TAreaFactory& area) : QObject(owner), Area(area(this)) {}

TTrayIcon::~TTrayIcon() {
    if (IsActive) Delete();
}

void TTrayIcon::SetActive(bool value) {
    if (value == IsActive) return;
    IsActive = value;
    if (value)
        Add();
    else
        Delete();
}

void TTrayIcon::SetIcon(const QIcon& icon) {
    if (&icon == &IconPicture) return;
    IconPicture = icon;
    Modify();
}

void TTrayIcon::SetToolTip(const QString& text) {
    Tip = text.left(ToolTipLimit);
    Modify();
}

void TTrayIcon::Add() {
    Area->Add(Fill());
    // Without a tip yet, apply it again once the message loop runs.
    if (Tip.isEmpty()) QTimer::singleShot(0, this, &TTrayIcon::RefreshTip);
}

void TTrayIcon::Modify() {
    if (IsActive) Area->Modify(Fill());
}

void TTrayIcon::Delete() { Area->Delete(); }

void TTrayIcon::RefreshTip() { SetToolTip(Tip); }

void TTrayIcon::HandleTrayCallback(int mouseMessage) {
    switch (mouseMessage) {
        case WM_LBUTTONUP:
            if (OnClick) OnClick(this);
            break;
        case WM_LBUTTONDBLCLK:
            if (OnDblClick) OnDblClick(this);
            break;
        case WM_RBUTTONUP:
            RightClick();
            break;
        default:
            break;
    }
}

void TTrayIcon::RightClick() {
    const QPoint at = QCursor::pos();
    if (PopupMenu) {
        QCoreApplication::processEvents();
        if (PopupMenu) PopupMenu->exec(at);
    }
    if (OnRightClick) OnRightClick(this, Qt::RightButton, Qt::NoModifier, at.x(), at.y());
}

namespace {

// The icon is made on the first add: an inactive component touches the
// notification area (and the session bus behind it) not at all.
class TQtNotificationArea : public INotificationArea {
public:
    explicit TQtNotificationArea(TTrayIcon* owner) : Owner(owner) {}
    bool Add(const TTrayIconData& d) override {
        if (!Icon) Create();
        Apply(d);
        Icon->show();
        return QSystemTrayIcon::isSystemTrayAvailable();
    }
    bool Modify(const TTrayIconData& d) override {
        if (Icon) Apply(d);
        return true;
    }
    bool Delete() override {
        if (Icon) Icon->hide();
        return true;
    }

private:
    void Create() {
        Icon = std::make_unique<QSystemTrayIcon>();
        TTrayIcon* owner = Owner;
        QObject::connect(Icon.get(), &QSystemTrayIcon::activated, owner, [owner](QSystemTrayIcon::ActivationReason r) {
            // The shell reports a double-click as button up, double-click, button up.
            if (r == QSystemTrayIcon::Trigger) owner->HandleTrayCallback(TTrayIcon::WM_LBUTTONUP);
            else if (r == QSystemTrayIcon::DoubleClick) owner->HandleTrayCallback(TTrayIcon::WM_LBUTTONDBLCLK);
            else if (r == QSystemTrayIcon::Context) owner->HandleTrayCallback(TTrayIcon::WM_RBUTTONUP);
        });
    }
    void Apply(const TTrayIconData& d) {
        Icon->setIcon(d.Icon);
        Icon->setToolTip(d.ToolTip);
    }
    TTrayIcon* Owner;
    std::unique_ptr<QSystemTrayIcon> Icon;
};

}  // namespace

std::unique_ptr<INotificationArea> MakeQtNotificationArea(TTrayIcon* owner) {
    return std::make_unique<TQtNotificationArea>(owner);
}

}  // namespace ombrel
