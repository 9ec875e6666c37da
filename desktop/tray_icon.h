#pragma once
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QMenu;

namespace ombrel {

// What the component hands the notification area with every add and modify.
struct TTrayIconData {
    QIcon Icon;
    QString ToolTip;
};

// The desktop's notification area; each request answers whether it succeeded.
class INotificationArea {
public:
    virtual ~INotificationArea() = default;
    virtual bool Add(const TTrayIconData& data) = 0;
    virtual bool Modify(const TTrayIconData& data) = 0;
    virtual bool Delete() = 0;
};

// A notification-area icon with a tool-tip, click events and a popup menu.
class TTrayIcon : public QObject {
    Q_OBJECT
public:
    // The mouse messages the notification area reports on the icon.
    static constexpr int WM_LBUTTONUP = 514;
    static constexpr int WM_LBUTTONDBLCLK = 515;
    static constexpr int WM_RBUTTONUP = 517;
    static constexpr int ToolTipLimit = 62;

    using TAreaFactory = std::function<std::unique_ptr<INotificationArea>(TTrayIcon* component)>;
    TTrayIcon(QObject* owner, const TAreaFactory& area);
    ~TTrayIcon() override;

    bool Active() const { return IsActive; }
    void SetActive(bool value);
    // Only the designer shows the icon by this property; the running program keeps nothing.
    bool ShowDesigning() const { return false; }
    void SetShowDesigning(bool) {}
    const QIcon& Icon() const { return IconPicture; }
    // Copies the picture; the component's own icon changes nothing.
    void SetIcon(const QIcon& icon);
    const QString& ToolTip() const { return Tip; }
    void SetToolTip(const QString& text);

    std::function<void(QObject* Sender)> OnClick;
    std::function<void(QObject* Sender)> OnDblClick;
    std::function<void(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)> OnRightClick;
    // Cleared when the menu is destroyed.
    QPointer<QMenu> PopupMenu;

    // The notification area reports mouse activity on the icon.
    void HandleTrayCallback(int mouseMessage);

private:
    TTrayIconData Fill() const { return {IconPicture, Tip}; }
    void Add();
    void Modify();
    void Delete();
    void RefreshTip();
    void RightClick();

    std::unique_ptr<INotificationArea> Area;
    QIcon IconPicture;
    QString Tip;
    bool IsActive = false;
};

// The notification area through QSystemTrayIcon.
std::unique_ptr<INotificationArea> MakeQtNotificationArea(TTrayIcon* owner);

}  // namespace ombrel
