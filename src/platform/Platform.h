#pragma once

#include <QString>

namespace vantorel {

class Accessibility;
class Alerts;
class BundleInfo;
class DefaultsStore;
class Identity;
class DockPreferences;
class InstanceGuard;
class Keychain;
class LaunchAgent;
class LoginItems;
class PanelHost;
class Pointer;
class ProcessRunner;
class Screens;
class Sound;
class SystemInfo;
class Theme;
class Workspace;
class WindowServer;

// The ports of one backend. Whoever builds a Platform owns the ports and
// keeps them alive while it is installed.
struct Platform {
    QString name; // "sim" or "x11"
    DefaultsStore* defaults = nullptr;
    Workspace* workspace = nullptr;
    Screens* screens = nullptr;
    Pointer* pointer = nullptr;
    Theme* theme = nullptr;
    BundleInfo* bundle = nullptr;
    Alerts* alerts = nullptr;
    Accessibility* accessibility = nullptr;
    WindowServer* windowServer = nullptr;
    Sound* sound = nullptr;
    InstanceGuard* instances = nullptr;
    Identity* identity = nullptr;
    // How our panels present themselves to the window manager; none in tests that do not care.
    PanelHost* panels = nullptr;
    // The system Dock's preferences; none on a desktop without a system Dock.
    DockPreferences* dock = nullptr;
    ProcessRunner* processes = nullptr;
    LoginItems* loginItems = nullptr;
    LaunchAgent* launchAgent = nullptr;
    Keychain* keychain = nullptr;
    SystemInfo* system = nullptr;

    // The backend the program runs on; shared services are built from it on first use.
    static Platform& installed();
    static void install(const Platform& platform);
    static bool isInstalled();
};

} // namespace vantorel
