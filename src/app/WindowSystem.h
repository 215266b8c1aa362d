#pragma once
// Starting the window system without Qt's abort. Qt ends a program that finds no display with
// SIGABRT and a hint to reinstall it; here the program says in one line what is missing and how
// to go on (the command line exports without a window), and exits with status 1.

#include <QApplication>
#include <memory>
#include <string>

namespace pellmark::app {

// What decides whether a window can be shown: the displays named in the environment and the
// Qt platforms asked for (QT_QPA_PLATFORM, a list separated by ';').
struct DisplayEnvironment {
    std::string display;         // DISPLAY
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string platforms;       // QT_QPA_PLATFORM

    static DisplayEnvironment current();
};

// Empty when a window can be shown here; otherwise one line saying what is missing and how to
// go on.
std::string missingDisplay(const DisplayEnvironment& environment);

// Makes the application. A window system that fails to start (a display named but not reached,
// a platform plugin that does not load) ends the program with one line on standard error and
// exit status 1. Qt keeps `argc` and `argv` for the application's whole life.
std::unique_ptr<QApplication> startWindowSystem(int& argc, char** argv);

}  // namespace pellmark::app
