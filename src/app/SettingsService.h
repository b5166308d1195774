#pragma once

#include "app/AppSettings.h"

#include <QObject>
#include <functional>

namespace vantorel {

class PersistenceService;

inline constexpr const char* kTaskbarSettingsDidChange = "com.vantorel.settings.didChange";

// Holds the current settings. Loaded once; from then on `current` is the truth.
class SettingsService : public QObject {
    Q_OBJECT
public:
    explicit SettingsService(PersistenceService& persistence, QObject* parent = nullptr);
    static SettingsService& shared();

    const AppSettings& current() const { return current_; }
    PersistenceService& persistence() const { return persistence_; }

    // The change protocol: apply the change to a copy; when the copy differs,
    // assign it, save it and announce it. Returns whether anything changed.
    bool update(const std::function<void(AppSettings&)>& change);

Q_SIGNALS:
    // taskbarSettingsDidChange: posted after every real change, once `current` holds it.
    void didChange();

private:
    PersistenceService& persistence_;
    AppSettings current_;
};

} // namespace vantorel
