#include "platform/sim/SimLoginItems.h"

#include "platform/sim/SimProcessRunner.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace vantorel {

Status SimLoginItems::registerMainApp() {
    ++registerCalls;
    if (registerError)
        return Status::failure(*registerError);
    status = registrationNeedsApproval ? LoginItemStatus::RequiresApproval : LoginItemStatus::Enabled;
    return Status::success();
}

Status SimLoginItems::unregisterMainApp() {
    ++unregisterCalls;
    if (unregisterError)
        return Status::failure(*unregisterError);
    status = LoginItemStatus::NotRegistered;
    return Status::success();
}

namespace {

// Characters a property list (XML 1.0) cannot hold at all.
bool representable(const QString& s) {
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r')
            return false;
        if (u == 0xFFFE || u == 0xFFFF)
            return false;
    }
    return true;
}

QByteArray xmlText(const QString& s) {
    return s.toHtmlEscaped().toUtf8();
}

} // namespace

Result<QByteArray> SimLaunchAgent::propertyList(const QString& label, const QStringList& programArguments) {
    if (!representable(label))
        return Result<QByteArray>::failure(QStringLiteral("The label cannot be written to a property list."));
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                     "<plist version=\"1.0\">\n<dict>\n"
                     "\t<key>KeepAlive</key>\n\t<false/>\n"
                     "\t<key>Label</key>\n\t<string>" +
                     xmlText(label) +
                     "</string>\n"
                     "\t<key>ProgramArguments</key>\n\t<array>\n";
    for (const auto& argument : programArguments) {
        if (!representable(argument))
            return Result<QByteArray>::failure(
                QStringLiteral("The program argument \"%1\" cannot be written to a property list.").arg(argument));
        out += "\t\t<string>" + xmlText(argument) + "</string>\n";
    }
    out += "\t</array>\n"
           "\t<key>RunAtLoad</key>\n\t<true/>\n"
           "</dict>\n</plist>\n";
    return out;
}

QString SimLaunchAgent::home() const {
    if (!homeDirectory.isEmpty())
        return homeDirectory;
    if (!privateHome_)
        privateHome_ = std::make_unique<QTemporaryDir>();
    return privateHome_->path();
}

QString SimLaunchAgent::location(const QString& label) const {
    return home() + QStringLiteral("/Library/LaunchAgents/") + label + QStringLiteral(".plist");
}

bool SimLaunchAgent::exists(const QString& label) const {
    return QFileInfo::exists(location(label));
}

QString SimLaunchAgent::serviceTarget(const QString& label) const {
    return QStringLiteral("gui/%1/%2").arg(runner_.userId()).arg(label);
}

Status SimLaunchAgent::install(const QString& label, const QStringList& programArguments) {
    const QString path = location(label);
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return Status::failure(QStringLiteral("You don't have permission to save the file \"%1\" in the folder \"%2\".")
                                   .arg(QFileInfo(path).fileName(), QFileInfo(folder).fileName()));
    const auto plist = propertyList(label, programArguments);
    if (!plist)
        return Status::failure(plist.error());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*plist) != plist->size() || !file.commit())
        return Status::failure(QStringLiteral("The file \"%1\" couldn't be saved: %2")
                                   .arg(QFileInfo(path).fileName(), file.errorString()));
    runner_.run(QStringLiteral("/bin/launchctl"), {QStringLiteral("enable"), serviceTarget(label)});
    return Status::success();
}

void SimLaunchAgent::remove(const QString& label) {
    runner_.run(QStringLiteral("/bin/launchctl"), {QStringLiteral("bootout"), serviceTarget(label)});
    runner_.run(QStringLiteral("/bin/launchctl"), {QStringLiteral("disable"), serviceTarget(label)});
    QFile::remove(location(label));
}

void SimLaunchAgent::installTools(SimProcessRunner& runner) {
    runner.install(QStringLiteral("/bin/launchctl"), [](const QStringList&) { return 0; });
}

} // namespace vantorel
