#include "app/DockService.h"

#include "core/Log.h"
#include "platform/BundleInfo.h"
#include "platform/DefaultsStore.h"
#include "platform/DockPreferences.h"
#include "platform/Platform.h"
#include "platform/ProcessRunner.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <charconv>
#include <cmath>

namespace vantorel {

namespace {

const QString kAutohide = QStringLiteral("autohide");
const QString kAutohideDelay = QStringLiteral("autohide-delay");

// The boolean or double value of a preference that is a number.
std::optional<bool> numberAsBool(const std::optional<DefaultsValue>& v) {
    if (!v)
        return std::nullopt;
    if (const bool* b = std::get_if<bool>(&*v))
        return *b;
    if (const double* d = std::get_if<double>(&*v))
        return *d != 0;
    return std::nullopt;
}

std::optional<double> numberAsDouble(const std::optional<DefaultsValue>& v) {
    if (!v)
        return std::nullopt;
    if (const bool* b = std::get_if<bool>(&*v))
        return *b ? 1.0 : 0.0;
    if (const double* d = std::get_if<double>(&*v))
        return *d;
    return std::nullopt;
}

// A path as one shell word; plain paths stay as they are.
QString shellWord(const QString& path) {
    const bool plain = !path.isEmpty() && std::all_of(path.begin(), path.end(), [](QChar c) {
        return (c.isLetterOrNumber() && c.unicode() < 128) || QStringLiteral("/._+-").contains(c);
    });
    if (plain)
        return path;
    QString quoted = path;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

} // namespace

QByteArray DockService::Originals::toJson() const {
    QJsonObject o;
    if (autohide)
        o.insert(QStringLiteral("autohide"), *autohide);
    if (autohideDelay)
        o.insert(QStringLiteral("autohideDelay"), *autohideDelay);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<DockService::Originals> DockService::Originals::fromJson(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    Originals out;
    const QJsonValue autohide = o.value(QStringLiteral("autohide"));
    if (autohide.isBool())
        out.autohide = autohide.toBool();
    else if (!autohide.isUndefined() && !autohide.isNull())
        return std::nullopt;
    const QJsonValue delay = o.value(QStringLiteral("autohideDelay"));
    if (delay.isDouble())
        out.autohideDelay = delay.toDouble();
    else if (!delay.isUndefined() && !delay.isNull())
        return std::nullopt;
    return out;
}

DockService::DockService(DockPreferences* dock, ProcessRunner& runner, DefaultsStore& defaults, QString defaultsDomain,
                         DockTools tools)
    : dock_(dock), runner_(runner), defaults_(defaults), domain_(std::move(defaultsDomain)), tools_(std::move(tools)) {}

DockService& DockService::shared() {
    static DockService instance = [] {
        auto& p = Platform::installed();
        return DockService(p.dock, *p.processes, *p.defaults,
                           p.bundle->identifier().value_or(QStringLiteral("com.vantorel.app")));
    }();
    return instance;
}

QString DockService::decimalText(double value) {
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    char buffer[64];
    const double magnitude = std::fabs(value);
    const bool exponent = magnitude != 0 && (magnitude < 1e-4 || magnitude >= 1e16);
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      exponent ? std::chars_format::scientific : std::chars_format::fixed);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (!exponent && !text.contains(u'.'))
        text += QStringLiteral(".0");
    return text;
}

void DockService::run(const QString& path, const QStringList& arguments) {
    const Result<int> status = runner_.run(path, arguments);
    if (!status)
        Log::dock().error(QStringLiteral("Failed to run %1: %2").arg(path, status.error()));
}

void DockService::reenableLegacyDisabledDock() {
    const QString uid = QString::number(runner_.userId());
    run(tools_.launchctl, {QStringLiteral("enable"), QStringLiteral("gui/") + uid + QStringLiteral("/com.apple.dock")});
    run(tools_.launchctl, {QStringLiteral("bootstrap"), QStringLiteral("gui/") + uid,
                           QStringLiteral("/System/Library/LaunchAgents/com.apple.dock.plist")});
}

bool DockService::isHidden() {
    if (!dock_)
        return false;
    const auto autohide = dock_->value(kAutohide);
    const auto delay = dock_->value(kAutohideDelay);
    const bool on = autohide && numberAsBool(autohide).value_or(false);
    const double* delaySeconds = delay ? std::get_if<double>(&*delay) : nullptr;
    return on && delaySeconds && *delaySeconds == hiddenDelay;
}

void DockService::hideDock() {
    if (!dock_) {
        if (!reportedNoDock_)
            Log::dock().info(QStringLiteral("No system Dock on this desktop; Dock preferences are left alone"));
        reportedNoDock_ = true;
        return;
    }
    reenableLegacyDisabledDock();
    dock_->synchronize();
    if (isHidden()) {
        // Probably a start after a crash: the Dock still holds our values and
        // the user's are unknown, so a later restore removes both keys.
        if (!loadOriginals())
            saveOriginals(Originals{});
        return;
    }
    saveOriginals(Originals{numberAsBool(dock_->value(kAutohide)), numberAsDouble(dock_->value(kAutohideDelay))});
    Log::dock().info(QString::asprintf("Hiding Dock (auto-hide, delay %fs)", hiddenDelay));
    run(tools_.defaults,
        {QStringLiteral("write"), dockDomain, kAutohide, QStringLiteral("-bool"), QStringLiteral("true")});
    run(tools_.defaults,
        {QStringLiteral("write"), dockDomain, kAutohideDelay, QStringLiteral("-float"), decimalText(hiddenDelay)});
    dock_->synchronize();
    if (!isHidden()) {
        Log::dock().error(QStringLiteral("Dock preferences didn't take; retrying through CFPreferences"));
        writeHiddenDirectly();
    }
    run(tools_.killall, {QStringLiteral("Dock")});
}

void DockService::writeHiddenDirectly() {
    dock_->setValue(kAutohide, true);
    dock_->setValue(kAutohideDelay, hiddenDelay);
    dock_->synchronize();
}

void DockService::enforceHidden() {
    if (!dock_)
        return;
    dock_->synchronize();
    if (isHidden())
        return;
    Log::dock().info(QStringLiteral("Dock preferences were reset while running; hiding again"));
    hideDock();
}

void DockService::restoreDock() {
    if (!dock_)
        return;
    reenableLegacyDisabledDock();
    const auto originals = loadOriginals();
    if (!originals) {
        Log::dock().info(QStringLiteral("No saved Dock preferences to restore"));
        return;
    }
    Log::dock().info(QStringLiteral("Restoring Dock preferences"));
    if (originals->autohide)
        dock_->setValue(kAutohide, *originals->autohide);
    else
        dock_->removeValue(kAutohide);
    if (originals->autohideDelay)
        dock_->setValue(kAutohideDelay, *originals->autohideDelay);
    else
        dock_->removeValue(kAutohideDelay);
    dock_->synchronize();
    defaults_.removeValue(domain_, originalsKey);
    run(tools_.killall, {QStringLiteral("Dock")});
}

void DockService::restartDock() {
    if (!dock_)
        return;
    run(tools_.killall, {QStringLiteral("Dock")});
}

std::optional<DockService::Originals> DockService::loadOriginals() const {
    const auto data = defaults_.data(domain_, originalsKey);
    if (!data)
        return std::nullopt;
    return Originals::fromJson(*data);
}

void DockService::saveOriginals(const Originals& originals) {
    defaults_.setValue(domain_, originalsKey, originals.toJson());
}

QString DockService::restoreShellScript() const {
    const auto originals = loadOriginals();
    const QString defaults = shellWord(tools_.defaults);
    const QString autohideLine = originals && originals->autohide
                                     ? defaults + QStringLiteral(" write com.apple.dock autohide -bool ") +
                                           (*originals->autohide ? QStringLiteral("true") : QStringLiteral("false"))
                                     : defaults + QStringLiteral(" delete com.apple.dock autohide");
    const QString delayLine = originals && originals->autohideDelay
                                  ? defaults + QStringLiteral(" write com.apple.dock autohide-delay -float ") +
                                        decimalText(*originals->autohideDelay)
                                  : defaults + QStringLiteral(" delete com.apple.dock autohide-delay");
    return autohideLine + QStringLiteral(" >/dev/null 2>&1\n") + delayLine + QStringLiteral(" >/dev/null 2>&1\n") +
           shellWord(tools_.killall) + QStringLiteral(" Dock >/dev/null 2>&1");
}

QString DockService::monitorScript(qint64 pid) const {
    return QStringLiteral("P=") + QString::number(pid) +
           QStringLiteral("\nwhile kill -0 \"$P\" >/dev/null 2>&1; do\n  sleep 1\ndone\n") + restoreShellScript();
}

std::unique_ptr<ChildProcess> DockService::startRestoreMonitor() {
    if (!dock_)
        return nullptr;
    return runner_.spawnDetached(tools_.shell, {QStringLiteral("-c"), monitorScript(runner_.currentProcessId())});
}

} // namespace vantorel
