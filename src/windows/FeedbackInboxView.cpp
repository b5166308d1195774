#include "windows/FeedbackInboxView.h"

#include "account/FeedbackController.h"
#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "widgets/ViewSupport.h"
#include "windows/SettingsWidgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeZone>
#include <QVBoxLayout>

namespace vantorel {

namespace {
const char* kCardName = "feedbackCard";
const char* kIdProperty = "feedbackId";

QColor headerColor(ResolvedTheme look) {
    return look == ResolvedTheme::Dark ? QColor::fromRgbF(1, 1, 1, 0.62f)
                                       : QColor::fromRgbF(0.26f, 0.31f, 0.39f, 0.72f);
}
} // namespace

FeedbackInboxView::FeedbackInboxView(FeedbackController& feedback, const SettingsService& settings,
                                     const ThemeService& theme, QWidget* parent)
    : QWidget(parent), feedback_(feedback), settings_(settings), theme_(theme),
      filter_(new SegmentedControl({QStringLiteral("New"), QStringLiteral("All"), QStringLiteral("Resolved")},
                                   QStringLiteral("Feedback filter"), this)),
      refresh_(new QPushButton(QStringLiteral("Refresh"), this)), status_(secondaryLabel(QString(), this)),
      cards_(new QVBoxLayout) {
    filter_->setObjectName(QStringLiteral("feedbackInboxFilter"));
    refresh_->setObjectName(QStringLiteral("feedbackInboxRefreshButton"));
    status_->setObjectName(QStringLiteral("feedbackInboxStatusLabel"));
    status_->setAccessibleName(QStringLiteral("Feedback inbox status"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 8, 0, 8);
    layout->setSpacing(8);
    auto* bar = new QHBoxLayout;
    bar->addWidget(filter_, 1);
    bar->addWidget(refresh_);
    layout->addLayout(bar);
    layout->addWidget(status_);
    cards_->setSpacing(8);
    layout->addLayout(cards_);

    filter_->setSelectedIndex(feedback_.filter());
    connect(filter_, &SegmentedControl::selected, this, [this](int index) { feedback_.setFilter(index); });
    connect(refresh_, &QPushButton::clicked, this, [this] { feedback_.refreshInbox(); });
    connect(&feedback_, &FeedbackController::inboxChanged, this, [this] { renderFeedbackInbox(); });
    connect(&feedback_, &FeedbackController::updatingChanged, this, [this](const QString& id) {
        for (QWidget* card : cards())
            if (card->property(kIdProperty).toString() == id)
                if (auto* button = card->findChild<QPushButton*>())
                    button->setEnabled(!feedback_.isUpdating(id));
    });
    renderFeedbackInbox();
}

QList<QWidget*> FeedbackInboxView::cards() const {
    QList<QWidget*> out;
    for (int i = 0; i < cards_->count(); ++i)
        if (QWidget* w = cards_->itemAt(i)->widget())
            out << w;
    return out;
}

void FeedbackInboxView::renderFeedbackInbox() {
    refresh_->setEnabled(!feedback_.isRefreshing());
    status_->setText(feedback_.statusText());
    status_->setVisible(!feedback_.statusText().isEmpty());
    while (QLayoutItem* item = cards_->takeAt(0)) {
        // Its button may be the one whose click is being handled.
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    for (const auto& item : feedback_.items())
        cards_->addWidget(feedbackCard(item));
    applyAppearance();
}

QWidget* FeedbackInboxView::feedbackCard(const FeedbackItem& item) {
    const FeedbackCard card = vantorel::feedbackCard(item, QLocale(), QTimeZone::systemTimeZone());
    auto* frame = new QFrame(this);
    frame->setObjectName(QLatin1String(kCardName));
    frame->setProperty(kIdProperty, card.id);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(4);
    auto* header = new MiddleElidedLabel(frame);
    header->setObjectName(QStringLiteral("feedbackCardHeader"));
    header->setFont(systemFont(11, card.headerSemibold ? QFont::DemiBold : QFont::Normal));
    header->setFullText(card.header);
    layout->addWidget(header);
    auto* message = new QLabel(card.message, frame);
    message->setObjectName(QStringLiteral("feedbackCardMessage"));
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    message->setFont(systemFont(12, QFont::Normal));
    layout->addWidget(message);
    auto* action = new QPushButton(card.actionTitle, frame);
    action->setAccessibleName(card.actionTitle);
    action->setAccessibleDescription(card.header);
    action->setProperty("tag", card.actionTag);
    action->setEnabled(!feedback_.isUpdating(card.id));
    connect(action, &QPushButton::clicked, this,
            [this, id = card.id, tag = card.actionTag] { feedback_.toggleResolved(id, tag); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(action);
    buttons->addStretch();
    layout->addLayout(buttons);
    return frame;
}

void FeedbackInboxView::applyAppearance() {
    const QColor color = headerColor(theme_.resolve(settings_.current().appearanceMode));
    for (QWidget* card : cards())
        if (auto* header = card->findChild<MiddleElidedLabel*>()) {
            QPalette p = header->palette();
            p.setColor(QPalette::WindowText, color);
            header->setPalette(p);
        }
}

} // namespace vantorel
