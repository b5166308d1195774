#include "account/FeedbackController.h"

#include "account/AccountService.h"
#include "core/Scheduler.h"
#include "platform/Alerts.h"

#include <QDir>
#include <QSaveFile>

namespace vantorel {

namespace {

// "Feature request" for "feature request": each word capitalised.
QString capitalized(const QString& text) {
    QString out = text.toLower();
    bool start = true;
    for (auto& ch : out) {
        if (start && ch.isLetter())
            ch = ch.toUpper();
        start = ch.isSpace();
    }
    return out;
}

QString categoryTitle(const QString& raw) {
    for (auto c : kFeedbackCategories)
        if (rawValue(c) == raw)
            return menuTitle(c);
    return capitalized(raw);
}

// A medium date (the locale's long date without the weekday, months abbreviated) and a short time.
QString mediumDateShortTime(const QDateTime& when, const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::LongFormat);
    for (const char* weekday : {"dddd, ", "dddd "})
        format.remove(QLatin1String(weekday));
    format.replace(QLatin1String("MMMM"), QLatin1String("MMM"));
    return locale.toString(when.date(), format) + QStringLiteral(", ") +
           locale.toString(when.time(), QLocale::ShortFormat);
}

} // namespace

FeedbackCard feedbackCard(const FeedbackItem& item, const QLocale& locale, const QTimeZone& zone) {
    QStringList parts{categoryTitle(item.category)};
    if (item.createdAt)
        parts << mediumDateShortTime(item.createdAt->toTimeZone(zone), locale);
    parts << item.userEmail.value_or(item.contactEmail.value_or(QStringLiteral("anonymous")));
    if (item.appVersion)
        parts << QStringLiteral("v") + *item.appVersion;
    parts << (item.source == QLatin1String("website") ? QStringLiteral("website") : QStringLiteral("app"));
    if (item.status != FeedbackStatus::New)
        parts << rawValue(item.status);
    const bool resolved = item.status == FeedbackStatus::Resolved;
    return {parts.join(QStringLiteral(" · ")),
            item.status == FeedbackStatus::New,
            item.message,
            resolved ? QStringLiteral("Reopen") : QStringLiteral("Mark Resolved"),
            resolved ? 1 : 0,
            item.id};
}

QString feedbackInboxStatus(const std::vector<FeedbackItem>& items, bool loadedForSomeUser) {
    if (items.empty())
        return loadedForSomeUser ? QStringLiteral("No feedback here.") : QString();
    const auto fresh = std::count_if(items.begin(), items.end(),
                                     [](const FeedbackItem& i) { return i.status == FeedbackStatus::New; });
    return QStringLiteral("%1 shown · %2 new").arg(items.size()).arg(fresh);
}

std::optional<FeedbackStatus> inboxFilterStatus(int segment) {
    if (segment == 0)
        return FeedbackStatus::New;
    if (segment == 2)
        return FeedbackStatus::Resolved;
    return std::nullopt;
}

Result<QString> writeFeedbackCopy(const QString& documentsDirectory, const QString& message, const QDateTime& time) {
    if (documentsDirectory.isEmpty())
        return Result<QString>::failure(
            QStringLiteral("The operation couldn’t be completed. (SettingsWindowController error 1.)"));
    QDir folder(documentsDirectory);
    if (!folder.mkpath(QLatin1String(kFeedbackFolder)))
        return Result<QString>::failure(QStringLiteral("Cannot create ") +
                                        folder.filePath(QLatin1String(kFeedbackFolder)));
    const QString path = folder.filePath(QLatin1String(kFeedbackFolder)) + QStringLiteral("/Feedback ") +
                         time.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")) + QStringLiteral(".md");
    QSaveFile file(path);
    const QByteArray content = (QStringLiteral("# Vantorel Feedback\nDate: ") +
                                time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral("\n\n") + message)
                                   .toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return Result<QString>::failure(file.errorString());
    return path;
}

FeedbackController::FeedbackController(AccountService& account, Alerts& alerts,
                                       std::function<QString()> documentsDirectory, QObject* parent)
    : QObject(parent), account_(account), alerts_(alerts), documentsDirectory_(std::move(documentsDirectory)) {}

bool FeedbackController::isAdmin() const {
    const auto& user = account_.current().user;
    return user && user->isAdmin();
}

void FeedbackController::alert(bool warning, const QString& title, const QString& text) {
    alerts_.inform(warning ? AlertStyle::Warning : AlertStyle::Informational, title, text);
}

void FeedbackController::sendFeedback(const QString& fieldText, int categoryIndex) {
    const QString message = fieldText.trimmed();
    if (message.isEmpty()) {
        alert(true, QStringLiteral("Feedback is empty"), QStringLiteral("Type a message before sending feedback."));
        return;
    }
    if (sending_)
        return;
    sending_ = true;
    Q_EMIT sendingChanged();
    account_.submitFeedback(message, feedbackCategoryAt(categoryIndex), [this, message](const AccountStatus& result) {
        sending_ = false;
        Q_EMIT sendingChanged();
        if (result.ok()) {
            Q_EMIT feedbackSent();
            alert(false, QStringLiteral("Thanks for the feedback"), QStringLiteral("It was sent to the developer."));
            if (isAdmin())
                refreshInbox();
            return;
        }
        const QString documents = documentsDirectory_();
        const auto copy = writeFeedbackCopy(documents, message, account_.scheduler().currentDateTime());
        QString text = result.error().description();
        if (copy.ok())
            text += QStringLiteral("\n\nA copy was saved to ") + QDir(documents).dirName() + QStringLiteral(" › ") +
                    QLatin1String(kFeedbackFolder) + u'.';
        alert(true, QStringLiteral("Couldn't send feedback"), text);
    });
}

void FeedbackController::setFilter(int segment) {
    filter_ = segment;
    refreshInbox();
}

void FeedbackController::refreshInbox() {
    if (!isAdmin())
        return;
    status_ = QStringLiteral("Loading…");
    refreshing_ = true;
    Q_EMIT inboxChanged();
    account_.fetchFeedbackInbox(
        inboxFilterStatus(filter_), [this](const AccountResult<std::vector<FeedbackItem>>& result) {
            refreshing_ = false;
            if (result.ok()) {
                items_ = result.value();
                status_ = feedbackInboxStatus(items_, loadedForUser_.has_value());
            } else {
                status_ = QStringLiteral("Couldn't load feedback: ") + result.error().description();
            }
            Q_EMIT inboxChanged();
        });
}

void FeedbackController::accountViewUpdated() {
    const auto& user = account_.current().user;
    if (!user || !user->isAdmin() || loadedForUser_ == user->id)
        return;
    loadedForUser_ = user->id;
    refreshInbox();
}

void FeedbackController::toggleResolved(const std::optional<QString>& id, int tag) {
    if (!id || updating_.count(*id))
        return;
    const QString itemId = *id;
    updating_.insert(itemId);
    Q_EMIT updatingChanged(itemId);
    account_.updateFeedbackStatus(itemId, tag == 1 ? FeedbackStatus::Read : FeedbackStatus::Resolved,
                                  [this, itemId](const AccountStatus& result) {
                                      updating_.erase(itemId);
                                      Q_EMIT updatingChanged(itemId);
                                      if (!result.ok()) {
                                          alert(true, QStringLiteral("Couldn't update feedback"),
                                                result.error().description());
                                          return;
                                      }
                                      refreshInbox();
                                  });
}

} // namespace vantorel
