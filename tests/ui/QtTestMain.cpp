#include <gtest/gtest.h>

#include <QApplication>

// The windows need the application object before any test makes one; without a display they draw
// offscreen. No session bus either: new mail in a test must not reach the desktop of whoever runs it.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
