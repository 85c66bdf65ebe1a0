#pragma once

#include <QApplication>
#include <QTest>

#include <cstdlib>

// How long a test waits for another thread's work: long, for a loaded machine under a sanitizer;
// a passing test never waits that long.
inline constexpr int kThreadWaitMs = 60000;

// The main of a Qt Test suite run by CTest: headless (offscreen) unless a platform is named.
#define ZRV_QTEST_MAIN(TestClass)                                                                  \
    int main(int argc, char** argv) {                                                              \
        setenv("QT_QPA_PLATFORM", "offscreen", 0);                                                 \
        QApplication application(argc, argv);                                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
