// GoogleTest entry of the GUI tests: one QApplication for all of them, offscreen unless told otherwise.

#include <QApplication>

#include <gtest/gtest.h>


int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
