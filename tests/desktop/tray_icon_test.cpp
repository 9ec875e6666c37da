#include "desktop/tray_icon.h"

#include <QMenu>
#include <QTimer>

#include "tests/app/fake_notification_area.h"
#include "tests/qt_test_support.h"

using namespace ombrel;
using ombrel::testing::FakeAreaFactory;
using ombrel::testing::TFakeArea;
using ombrel::testing::WaitFor;

namespace {

class TrayIcon : public ombrel::testing::XServerTest {
protected:
    std::shared_ptr<TFakeArea::TLog> Log = std::make_shared<TFakeArea::TLog>();
    std::unique_ptr<TTrayIcon> Icon = std::make_unique<TTrayIcon>(nullptr, FakeAreaFactory(Log));
    using Calls = std::vector<std::string>;
};

}  // namespace

TEST_F(TrayIcon, InactiveChangesReachTheAreaOnlyOnActivation) {
    Icon->SetToolTip("first");
    Icon->SetIcon(QIcon(QPixmap(16, 16)));
    Icon->SetActive(false);
    EXPECT_TRUE(Log->Calls.empty());

    Icon->SetToolTip("latest");
    Icon->SetActive(true);
    Icon->SetActive(true);
    EXPECT_EQ(Log->Calls, Calls({"add"}));
    EXPECT_EQ(Log->Data[0].ToolTip, "latest");
    EXPECT_FALSE(Log->Data[0].Icon.isNull());
    QCoreApplication::processEvents();
    EXPECT_EQ(Log->Calls, Calls({"add"}));  // a tip was there: no refresh posted

    Icon->SetIcon(Icon->Icon());  // its own icon: nothing
    EXPECT_EQ(Log->Calls, Calls({"add"}));
    Icon->SetToolTip("x");
    EXPECT_EQ(Log->Calls, Calls({"add", "modify"}));
    Icon->SetActive(false);
    EXPECT_EQ(Log->Calls, Calls({"add", "modify", "delete"}));
    Icon.reset();  // inactive: nothing more
    EXPECT_EQ(Log->Calls.size(), 3u);
}

TEST_F(TrayIcon, ToolTipIsCutToSixtyTwoCharacters) {
    Icon->SetToolTip(QString(62, 'a'));
    EXPECT_EQ(Icon->ToolTip().size(), 62);
    Icon->SetToolTip(QString(63, 'b'));
    EXPECT_EQ(Icon->ToolTip(), QString(62, 'b'));
}

TEST_F(TrayIcon, AddingWithoutATipPostsOneRefresh) {
    Icon->SetActive(true);
    EXPECT_EQ(Log->Calls, Calls({"add"}));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(Log->Calls, Calls({"add", "modify"}));
    Icon.reset();  // an active icon leaves the area with its component
    EXPECT_EQ(Log->Calls.back(), "delete");
}

TEST_F(TrayIcon, MouseMessagesBecomeEvents) {
    std::vector<std::string> events;
    Icon->OnClick = [&](QObject* s) { events.push_back(s == Icon.get() ? "click" : "?"); };
    Icon->OnDblClick = [&](QObject*) { events.push_back("dblclick"); };
    QPoint rightAt;
    Icon->OnRightClick = [&](QObject*, Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
        events.push_back(b == Qt::RightButton && m == Qt::NoModifier ? "right" : "?");
        rightAt = {x, y};
    };
    // A double-click comes as button up, double-click, button up: nothing is held back.
    for (int m : {TTrayIcon::WM_LBUTTONUP, TTrayIcon::WM_LBUTTONDBLCLK, TTrayIcon::WM_LBUTTONUP}) Icon->HandleTrayCallback(m);
    // Moves, button-down messages and the middle button do nothing.
    for (int m : {512, 513, 516, 519, 520}) Icon->HandleTrayCallback(m);
    EXPECT_EQ(events, Calls({"click", "dblclick", "click"}));

    Icon->HandleTrayCallback(TTrayIcon::WM_RBUTTONUP);
    EXPECT_EQ(events.back(), "right");

    // With a menu, the menu comes first; the handler follows once it has closed.
    auto menu = std::make_unique<QMenu>();
    menu->addAction("Exit");
    Icon->PopupMenu = menu.get();
    bool menuOpenBeforeHandler = false;
    // Later than the pending messages the component handles before it opens the menu.
    QTimer::singleShot(50, [&] {
        WaitFor([&] { return menu->isVisible(); });
        menuOpenBeforeHandler = events.size() == 4;
        menu->close();
    });
    Icon->HandleTrayCallback(TTrayIcon::WM_RBUTTONUP);
    EXPECT_TRUE(menuOpenBeforeHandler);
    EXPECT_EQ(events.size(), 5u);

    // The menu's destruction clears the reference.
    menu.reset();
    EXPECT_EQ(Icon->PopupMenu, nullptr);
    Icon->HandleTrayCallback(TTrayIcon::WM_RBUTTONUP);
    EXPECT_EQ(events.size(), 6u);
}
