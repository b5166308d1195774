#pragma once

#include <QString>

namespace vantorel {

class Accessibility;
class Alerts;
class AudioRecorder;
class BundleInfo;
class ClickMonitor;
class DefaultsStore;
class Identity;
class DockPreferences;
class InstanceGuard;
class KeyEvents;
class Keychain;
class LaunchAgent;
class LoginItems;
class PackageInstaller;
class PanelHost;
class Permissions;
class Pointer;
class ProcessRunner;
class Screens;
class Scripting;
class Sound;
class SpeechRecognizer;
class SystemInfo;
class Theme;
class UserNotifications;
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
    // Clicks in other applications; none where they cannot be watched.
    ClickMonitor* clicks = nullptr;
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
    // Requests to other applications through their scripting, and synthetic keys.
    Scripting* scripting = nullptr;
    KeyEvents* keyEvents = nullptr;
    // The microphone, speech recognition and their permissions; desktop notices.
    AudioRecorder* audioRecorder = nullptr;
    SpeechRecognizer* speechRecognizer = nullptr;
    Permissions* permissions = nullptr;
    UserNotifications* notifications = nullptr;
    Keychain* keychain = nullptr;
    SystemInfo* system = nullptr;
    // Installs a verified update package; none leaves updates at finding them.
    PackageInstaller* packageInstaller = nullptr;

    // The backend the program runs on; shared services are built from it on first use.
    static Platform& installed();
    static void install(const Platform& platform);
    static bool isInstalled();
};

} // namespace vantorel
