// The Qt application of a window test: made once per test program, off-screen unless the caller
// chose a platform (the screen tests run on a real X server), numbers in the C locale.
#pragma once

#include <QApplication>

#include <clocale>

inline QApplication *test_application(const char *program)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!QApplication::instance()) {
        static int argc = 1;
        static char name[64];
        qstrncpy(name, program, sizeof name);
        static char *argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    std::setlocale(LC_NUMERIC, "C");
    return qobject_cast<QApplication *>(QApplication::instance());
}
