#pragma once

#include <QApplication>
#include <QTest>

#include <cstdlib>

// The main of a Qt Test suite run by CTest: headless (offscreen) unless a platform is named.
#define ZRV_QTEST_MAIN(TestClass)                                                                  \
    int main(int argc, char** argv) {                                                              \
        setenv("QT_QPA_PLATFORM", "offscreen", 0);                                                 \
        QApplication application(argc, argv);                                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
