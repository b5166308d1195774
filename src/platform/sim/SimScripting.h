#pragma once

#include "platform/Scripting.h"

#include <QStringList>
#include <map>

namespace vantorel {

// How the simulated scripting facility answers one script.
struct SimScriptAnswer {
    bool compiles = true;
    // The error the run reports; none when it ran.
    std::optional<QString> error;
    // The result's string value, when it has one.
    std::optional<QString> result;
};

// The scripting of the other platform, simulated: each request becomes the
// exact script that platform runs, and the answer comes from a table, so
// tests read the scripts and choose the answers.
class SimScripting : public Scripting {
public:
    FileBrowserRestore restoreFileBrowserWindows() override;
    bool openFileBrowserWindow(const std::optional<QString>& folder) override;
    bool reopenApplication(const QString& bundleIdentifier) override;
    ScriptOutcome closeFileBrowserWindow(const QString& name) override;
    ScriptOutcome closeAllFileBrowserWindows() override;

    // Text for inside a string literal: backslashes doubled first, then quotes escaped.
    static QString escaped(const QString& text);

    // Answers by script text; a script not listed runs and answers nothing.
    std::map<QString, SimScriptAnswer> answers;
    // Every script asked for, in order (also those that did not compile).
    QStringList scripts;

private:
    SimScriptAnswer run(const QString& script);
};

} // namespace vantorel
