#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace vantorel {

class FeedbackController;
class SegmentedControl;
class ThemeService;
class SettingsService;
struct FeedbackItem;

// The administrators' inbox: the filter "New" / "All" / "Resolved", Refresh,
// the status line and one card per item, drawn from the feedback controller.
class FeedbackInboxView : public QWidget {
    Q_OBJECT
public:
    FeedbackInboxView(FeedbackController& feedback, const SettingsService& settings, const ThemeService& theme,
                      QWidget* parent = nullptr);

    // Removes every card and draws the controller's items again.
    void renderFeedbackInbox();
    // The header colour follows the look.
    void applyAppearance();

    SegmentedControl* filter() const { return filter_; }
    QPushButton* refreshButton() const { return refresh_; }
    QLabel* statusLabel() const { return status_; }
    // The cards in order; each holds its header, message and action button.
    QList<QWidget*> cards() const;

private:
    QWidget* feedbackCard(const FeedbackItem& item);

    FeedbackController& feedback_;
    const SettingsService& settings_;
    const ThemeService& theme_;
    SegmentedControl* filter_;
    QPushButton* refresh_;
    QLabel* status_;
    QVBoxLayout* cards_;
};

} // namespace vantorel
