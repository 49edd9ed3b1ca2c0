// The one QApplication of the window tests, created on first use.
#pragma once

#include <QApplication>

inline QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = { name, nullptr };
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
