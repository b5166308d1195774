#include "platform/sim/SimScripting.h"

namespace vantorel {

namespace {
const QString kRestoreFileBrowser = QStringLiteral("tell application \"Finder\"\n"
                                                   "    activate\n"
                                                   "    if (count of Finder windows) is 0 then\n"
                                                   "        return \"none\"\n"
                                                   "    end if\n"
                                                   "    try\n"
                                                   "        set miniaturized of every Finder window to false\n"
                                                   "    end try\n"
                                                   "    set index of front Finder window to 1\n"
                                                   "    return \"restored\"\n"
                                                   "end tell");
} // namespace

QString SimScripting::escaped(const QString& text) {
    QString out = text;
    out.replace(u'\\', QLatin1String("\\\\"));
    out.replace(u'"', QLatin1String("\\\""));
    return out;
}

SimScriptAnswer SimScripting::run(const QString& script) {
    scripts << script;
    auto it = answers.find(script);
    return it == answers.end() ? SimScriptAnswer{} : it->second;
}

FileBrowserRestore SimScripting::restoreFileBrowserWindows() {
    const SimScriptAnswer answer = run(kRestoreFileBrowser);
    if (!answer.compiles || answer.error || !answer.result)
        return FileBrowserRestore::NoAnswer;
    const QString result = answer.result->toLower();
    if (result == QLatin1String("restored"))
        return FileBrowserRestore::Restored;
    if (result == QLatin1String("none"))
        return FileBrowserRestore::None;
    return FileBrowserRestore::NoAnswer;
}

bool SimScripting::openFileBrowserWindow(const std::optional<QString>& folder) {
    const QString target = folder ? QStringLiteral("(POSIX file \"%1\" as alias)").arg(escaped(*folder))
                                  : QStringLiteral("(path to home folder as alias)");
    const SimScriptAnswer answer = run(QStringLiteral("tell application \"Finder\"\n"
                                                      "    activate\n"
                                                      "    set newWindow to (make new Finder window)\n"
                                                      "    set target of newWindow to ") +
                                       target + QStringLiteral("\nend tell"));
    return answer.compiles && !answer.error;
}

bool SimScripting::reopenApplication(const QString& bundleIdentifier) {
    const SimScriptAnswer answer = run(QStringLiteral("tell application id \"") + escaped(bundleIdentifier) +
                                       QStringLiteral("\"\n    reopen\n    activate\nend tell"));
    return answer.compiles && !answer.error;
}

namespace {
ScriptOutcome outcome(const SimScriptAnswer& answer) {
    return {answer.compiles, answer.error, answer.result};
}
} // namespace

ScriptOutcome SimScripting::closeFileBrowserWindow(const QString& name) {
    const QString quoted = escaped(name);
    return outcome(run(QStringLiteral("tell application \"Finder\"\n"
                                      "    if (count of (every Finder window whose name is \"") +
                       quoted +
                       QStringLiteral("\")) > 0 then\n"
                                      "        close (first Finder window whose name is \"") +
                       quoted +
                       QStringLiteral("\")\n"
                                      "        return \"closed\"\n"
                                      "    end if\n"
                                      "    return \"missing\"\n"
                                      "end tell")));
}

ScriptOutcome SimScripting::closeAllFileBrowserWindows() {
    return outcome(run(QStringLiteral("tell application \"Finder\" to close every window")));
}

} // namespace vantorel
