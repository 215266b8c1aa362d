#include "app/WindowSystem.h"

#include <QByteArray>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string_view>
#include <vector>

namespace pellmark::app {

namespace {

constexpr const char* kHowToGoOn =
    "to export without a window use pellmark-export (see pellmark-export --help), or run "
    "pellmark under xvfb-run";

// Qt platforms that draw without a display server: into memory, over VNC, or straight onto
// the console's frame buffer.
const std::set<std::string, std::less<>> kPlatformsWithoutDisplay = {
    "offscreen", "minimal", "minimalegl", "vnc", "eglfs", "linuxfb", "vkkhrdisplay"};

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool namesPlatformWithoutDisplay(std::string_view platforms) {
    while (!platforms.empty()) {
        const size_t end = platforms.find(';');
        std::string_view platform = platforms.substr(0, end);
        platforms = end == std::string_view::npos ? std::string_view() : platforms.substr(end + 1);
        // "vnc:size=800x600": options follow the name.
        platform = platform.substr(0, platform.find(':'));
        if (kPlatformsWithoutDisplay.contains(platform)) return true;
    }
    return false;
}

// Qt's messages while the application is being made: held back, so that a start that fails
// leaves one line of ours, and handed on as they came when it succeeds.
struct HeldMessage {
    QtMsgType type;
    std::string category;
    std::string text;
};

QtMessageHandler previousHandler = nullptr;
std::vector<HeldMessage> heldMessages;

void failedStart(const std::string& fatal) {
    // Qt's own words name what failed (the display it could not reach); its closing advice to
    // reinstall does not apply.
    // The first warning of the platform layer says why ("could not connect to display :1");
    // its notes after that only say that the plugin did not load.
    std::string detail;
    for (const HeldMessage& held : heldMessages) {
        const bool warning = held.type == QtWarningMsg || held.type == QtCriticalMsg;
        if (held.category.starts_with("qt.qpa") && warning) {
            detail = held.text;
            break;
        }
        if (held.category.starts_with("qt.qpa") && held.type == QtInfoMsg) detail = held.text;
    }
    if (detail.empty()) detail = fatal.substr(0, fatal.find(". "));
    std::replace(detail.begin(), detail.end(), '\n', ' ');  // one line
    const DisplayEnvironment env = DisplayEnvironment::current();
    const std::string& display = !env.display.empty() ? env.display : env.waylandDisplay;
    std::fprintf(stderr, "pellmark: the window system could not be started%s (%s); %s\n",
                 display.empty() ? "" : (" on the display " + display).c_str(), detail.c_str(),
                 kHowToGoOn);
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const std::string message = text.toLocal8Bit().toStdString();
    if (type == QtFatalMsg) failedStart(message);
    heldMessages.push_back({type, context.category ? context.category : "", message});
}

}  // namespace

DisplayEnvironment DisplayEnvironment::current() {
    return {environment("DISPLAY"), environment("WAYLAND_DISPLAY"), environment("QT_QPA_PLATFORM")};
}

std::string missingDisplay(const DisplayEnvironment& env) {
    if (namesPlatformWithoutDisplay(env.platforms)) return {};
    if (!env.display.empty() || !env.waylandDisplay.empty()) return {};
    std::string line =
        "no display to show the window on: neither DISPLAY nor WAYLAND_DISPLAY is set";
    if (!env.platforms.empty()) line += " (QT_QPA_PLATFORM=" + env.platforms + " needs one)";
    return line + "; " + kHowToGoOn;
}

std::unique_ptr<QApplication> startWindowSystem(int& argc, char** argv) {
    heldMessages.clear();
    previousHandler = qInstallMessageHandler(holdMessage);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previousHandler);
    for (const HeldMessage& held : heldMessages) {
        const QMessageLogContext context(nullptr, 0, nullptr, held.category.c_str());
        const QString text = QString::fromLocal8Bit(held.text);
        if (previousHandler) {
            previousHandler(held.type, context, text);
        } else {
            std::fprintf(stderr, "%s\n", held.text.c_str());
        }
    }
    heldMessages.clear();
    return application;
}

}  // namespace pellmark::app
