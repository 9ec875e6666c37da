// main() for the test programs that need a QApplication on a real X server.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::printf("DISPLAY is not set: these tests need an X server (scripts/test starts one)\n");
        return RUN_ALL_TESTS();
    }
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName("Ombrel");
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
