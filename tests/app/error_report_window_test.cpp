#include "app/error_report.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <stdexcept>

#include "tests/qt_test_support.h"

using namespace ombrel;
using ombrel::testing::WaitFor;

namespace {

class ErrorReport : public ombrel::testing::XServerTest {};

}  // namespace

TEST_F(ErrorReport, EveryErrorIsALineAndThoseWhileABoxIsOpenComeInTheNextBox) {
    ::testing::internal::CaptureStderr();
    // Each box's caption and text as it opens; then it is closed. Boxes run
    // a loop of their own, which this timer's ticks come through.
    QStringList boxes;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        boxes << box->windowTitle() + ": " + box->text();
        if (boxes.size() == 1) {
            ReportError(std::runtime_error("second"));
            ReportError(std::runtime_error("third"));
            ReportError(std::runtime_error("second"));
        }
        box->close();
    });
    closer.start();
    ReportError(std::runtime_error("first"));
    ASSERT_TRUE(WaitFor([&] { return boxes.size() == 2; }, 20000)) << boxes.join(" | ").toStdString();
    // Nothing was left waiting: the next error has a box of its own.
    ReportError(std::runtime_error("fourth"));
    ASSERT_TRUE(WaitFor([&] { return boxes.size() == 3; }, 20000)) << boxes.join(" | ").toStdString();
    EXPECT_EQ(boxes, QStringList({"Ombrel: first", "Ombrel: second (2 times)\nthird", "Ombrel: fourth"}));
    // A repeat waits for its minute, and is counted then.
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "ombrel: first\nombrel: second\nombrel: third\nombrel: fourth\n");
}
