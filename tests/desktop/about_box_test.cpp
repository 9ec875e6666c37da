#include "desktop/about_box.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "tests/qt_test_support.h"

using namespace ombrel;
using ombrel::testing::WaitFor;
using AboutBox = ombrel::testing::XServerTest;

TEST_F(AboutBox, ShowsNameVersionAndLinksWithoutTitleButtons) {
    TForm3 box;
    EXPECT_EQ(box.windowTitle(), "About...");
    EXPECT_EQ(box.Label1->text(), "Ombrel 2.0");
    EXPECT_EQ(box.Label3->text(), "E-Mail:");
    EXPECT_EQ(box.Label5->text(), "WWW:");
    EXPECT_EQ(box.Label4->text(), "ombrel@example.org");
    EXPECT_EQ(box.Label6->text(), "ombrel.example.org");
    EXPECT_TRUE(box.Label2->text().contains("Ombrel"));
    EXPECT_EQ(box.Button1->text(), "OK");
    EXPECT_EQ(box.Button2->text(), "Abbrechen");
    EXPECT_EQ(box.size(), QSize(337, 193));
    EXPECT_FALSE(box.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_FALSE(box.Image1->pixmap().isNull());
}

TEST_F(AboutBox, BothButtonsCloseTheModalBoxAlike) {
    TForm3 box;
    for (QPushButton* button : {box.Button1, box.Button2}) {
        QPoint centreOffset;
        bool focused = false;
        QTimer::singleShot(0, [&] {
            WaitFor([&] { return box.isVisible(); });
            const QRect screen = box.screen()->geometry();
            centreOffset = box.geometry().center() - screen.center();
            focused = box.focusWidget() == box.Button1;
            button->click();
        });
        EXPECT_EQ(box.exec(), QDialog::Rejected);
        EXPECT_FALSE(box.isVisible());
        EXPECT_LE(std::abs(centreOffset.x()), 1);
        EXPECT_LE(std::abs(centreOffset.y()), 1);
        EXPECT_TRUE(focused);
    }
}

TEST_F(AboutBox, LinksOpenTheirTargetsAndTheBoxStaysOpen) {
    TForm3 box;
    std::vector<QUrl> opened;
    box.OpenUrl = [&](const QUrl& url) {
        opened.push_back(url);
        return false;  // no mail program: nothing happens
    };
    box.show();
    ASSERT_TRUE(WaitFor([&] { return box.isVisible(); }));
    QTest::mouseClick(box.Label4, Qt::LeftButton);
    QTest::mouseClick(box.Label6, Qt::LeftButton);
    QTest::mouseClick(box.Label6, Qt::LeftButton);
    EXPECT_EQ(opened, std::vector<QUrl>({QUrl("mailto:ombrel@example.org"), QUrl("http://ombrel.example.org"),
                                         QUrl("http://ombrel.example.org")}));
    EXPECT_TRUE(box.isVisible());
    QTest::mouseClick(box.Label3, Qt::LeftButton);
    EXPECT_EQ(opened.size(), 3u);
}
