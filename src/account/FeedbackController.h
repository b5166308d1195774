#pragma once

#include "account/AccountRecords.h"
#include "core/Result.h"

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QTimeZone>
#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace vantorel {

class AccountService;
class Alerts;

// What one inbox card shows.
struct FeedbackCard {
    // Category · date · sender · version · app or website · status, joined with " · ".
    QString header;
    bool headerSemibold = false; // for new items
    QString message;
    QString actionTitle; // "Reopen" (tag 1) for resolved items, else "Mark Resolved" (tag 0)
    int actionTag = 0;
    QString id;
};
FeedbackCard feedbackCard(const FeedbackItem& item, const QLocale& locale, const QTimeZone& zone);

// "5 shown · 2 new"; with no items "No feedback here." once loaded for a user, else empty.
QString feedbackInboxStatus(const std::vector<FeedbackItem>& items, bool loadedForSomeUser);
// Segment 0 ("New") asks for new items, 2 ("Resolved") for resolved ones, any other for all.
std::optional<FeedbackStatus> inboxFilterStatus(int segment);

inline constexpr const char* kFeedbackFolder = "Vantorel Feedback";
// The local copy of a message that could not be sent: "Feedback <time>.md" in
// "Vantorel Feedback" under the documents folder, written atomically. The path, or why not.
Result<QString> writeFeedbackCopy(const QString& documentsDirectory, const QString& message, const QDateTime& time);

// The feedback row and the administrators' inbox of the settings window, as
// operations without a window: the window forwards its controls' actions here
// and redraws on the signals.
class FeedbackController : public QObject {
    Q_OBJECT
public:
    // `documentsDirectory` gives the user's documents folder, or empty when there is none.
    FeedbackController(AccountService& account, Alerts& alerts, std::function<QString()> documentsDirectory,
                       QObject* parent = nullptr);

    // --- Send Feedback ---
    // The field's text and the category menu's index. An empty message only alerts.
    void sendFeedback(const QString& fieldText, int categoryIndex);
    bool isSending() const { return sending_; } // the button is disabled meanwhile

    // --- the inbox (administrators only) ---
    void setFilter(int segment); // reloads
    int filter() const { return filter_; }
    void refreshInbox();
    bool isRefreshing() const { return refreshing_; }
    const std::vector<FeedbackItem>& items() const { return items_; }
    const QString& statusText() const { return status_; }
    // The account view was brought up to date: loads the inbox for an administrator it was not loaded for.
    void accountViewUpdated();
    // Mark Resolved (tag 0) or Reopen (tag 1) on the card of `id`.
    void toggleResolved(const std::optional<QString>& id, int tag);
    bool isUpdating(const QString& id) const { return updating_.count(id) > 0; }

Q_SIGNALS:
    void sendingChanged();
    void feedbackSent(); // clear the field
    void inboxChanged(); // items, status text or the Refresh button changed
    void updatingChanged(const QString& id);

private:
    bool isAdmin() const;
    void alert(bool warning, const QString& title, const QString& text);

    AccountService& account_;
    Alerts& alerts_;
    std::function<QString()> documentsDirectory_;
    bool sending_ = false;
    int filter_ = 0;
    bool refreshing_ = false;
    std::vector<FeedbackItem> items_;
    QString status_;
    std::optional<QString> loadedForUser_;
    std::set<QString> updating_;
};

} // namespace vantorel
