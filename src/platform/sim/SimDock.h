#pragma once

#include "platform/DockPreferences.h"

#include <map>
#include <optional>

namespace vantorel {

class SimProcessRunner;

// The Dock of the simulated machine: its preference domain, the
// command-line preferences tool and the Dock process that `killall Dock`
// restarts.
//
// Like the real preferences system, the program sees a cached copy of the
// domain: its own writes reach the store, and other writers' changes reach
// the program, only at a synchronise. The store lives in memory, or in a
// JSON file when several processes share it.
class SimDock : public DockPreferences {
public:
    static constexpr const char* kDomain = "com.apple.dock";

    SimDock() = default;
    // Keeps the domain in a file from now on.
    void storeIn(const QString& path);

    QString domain() const override { return QString::fromLatin1(kDomain); }
    void synchronize() override;
    std::optional<DefaultsValue> value(const QString& key) override;
    void setValue(const QString& key, const DefaultsValue& value) override;
    void removeValue(const QString& key) override;

    // The stored values as any other process sees them; writing them is what
    // another program (the settings application, the command-line tool) does.
    std::optional<DefaultsValue> storedValue(const QString& key) const;
    void setStoredValue(const QString& key, const DefaultsValue& value);
    void removeStoredValue(const QString& key);

    // The command-line tools, as they behave on the real system. Both return
    // the tool's exit status.
    int defaultsTool(const QStringList& arguments);
    int killallTool(const QStringList& arguments);
    // Installs "/usr/bin/defaults", "/usr/bin/killall" and the shell "/bin/zsh".
    void installTools(SimProcessRunner& runner);

    // A Dock whose preferences tool reports success but changes nothing.
    bool commandLineWritesTakeEffect = true;
    int restarts = 0;
    int synchronizations = 0;

private:
    using Values = std::map<QString, DefaultsValue>;
    Values load() const;
    void save(const Values& values);
    Values& cache();

    QString path_;
    Values memory_;
    std::optional<Values> cache_;
    std::map<QString, std::optional<DefaultsValue>> pending_;
};

} // namespace vantorel
