#include "windows/SettingsWidgets.h"

#include "widgets/ViewSupport.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>

namespace vantorel {

namespace {
constexpr int kCardPadding = 14;
} // namespace

SwitchButton::SwitchButton(const QString& accessibleName, QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(accessibleName);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SwitchButton::sizeHint() const {
    return {40, 24};
}

void SwitchButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(2, 2, -2, -2);
    const qreal radius = track.height() / 2;
    QColor fill = isChecked() ? palette().color(QPalette::Highlight) : palette().color(QPalette::PlaceholderText);
    if (!isChecked())
        fill.setAlphaF(0.45f);
    if (!isEnabled())
        fill.setAlphaF(fill.alphaF() * 0.45f);
    if (hasFocus()) {
        QColor ring = palette().color(QPalette::Highlight);
        ring.setAlphaF(0.5f);
        p.setPen(QPen(ring, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius + 1, radius + 1);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(track, radius, radius);
    const qreal knob = track.height() - 4;
    const qreal x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    p.setBrush(isEnabled() ? QColor(Qt::white) : QColor(235, 235, 235));
    p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}

SegmentedControl::SegmentedControl(const QStringList& labels, const QString& accessibleName, QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this)) {
    setAccessibleName(accessibleName);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < labels.size(); ++i) {
        auto* b = new QPushButton(labels[i], this);
        b->setCheckable(true);
        b->setAccessibleName(labels[i]);
        b->setAccessibleDescription(accessibleName);
        group_->addButton(b, i);
        layout->addWidget(b);
    }
    if (auto* first = group_->button(0))
        first->setChecked(true);
    layout->addStretch();
    connect(group_, &QButtonGroup::idClicked, this, [this](int id) { Q_EMIT selected(id); });
}

int SegmentedControl::selectedIndex() const {
    return group_->checkedId();
}

void SegmentedControl::setSelectedIndex(int index) {
    if (auto* b = group_->button(index))
        b->setChecked(true);
}

QAbstractButton* SegmentedControl::segment(int index) const {
    return group_->button(index);
}

MiddleElidedLabel::MiddleElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void MiddleElidedLabel::setFullText(const QString& text) {
    full_ = text;
    setToolTip(text);
    setAccessibleName(text);
    elide();
}

QSize MiddleElidedLabel::minimumSizeHint() const {
    return {20, QLabel::minimumSizeHint().height()};
}

void MiddleElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void MiddleElidedLabel::elide() {
    setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, std::max(20, width())));
}

SettingsCard::SettingsCard(QWidget* parent) : QFrame(parent), rows_(new QVBoxLayout(this)) {
    rows_->setContentsMargins(kCardPadding, 8, kCardPadding, 8);
    rows_->setSpacing(0);
}

void SettingsCard::addWidget(QWidget* widget) {
    rows_->addWidget(widget);
}

QHBoxLayout* SettingsCard::addRow(const QString& title, const QString& detail, const QList<QWidget*>& controls) {
    auto* row = new QWidget(this);
    row->setObjectName(QStringLiteral("settingsRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 8, 0, 8);
    layout->setSpacing(12);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* titleLabel = new QLabel(title, row);
    titleLabel->setFont(systemFont(13, QFont::Medium));
    texts->addWidget(titleLabel);
    if (!detail.isEmpty())
        texts->addWidget(secondaryLabel(detail, row));
    layout->addLayout(texts, 1);
    for (QWidget* control : controls) {
        control->setParent(row);
        layout->addWidget(control, 0, Qt::AlignVCenter);
        // A control without a name of its own is read out by its row's title.
        if (control->accessibleName().isEmpty())
            control->setAccessibleName(title);
        if (control->accessibleDescription().isEmpty() && !detail.isEmpty())
            control->setAccessibleDescription(detail);
    }
    rows_->addWidget(row);
    return layout;
}

void SettingsCard::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.12f);
    p.setPen(QPen(border, 1));
    // In the dark look fields are drawn in the base colour, so the card stands a little lighter than the window.
    const QColor window = palette().color(QPalette::Window);
    p.setBrush(window.lightness() < 128 ? window.lighter(118) : palette().color(QPalette::Base));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    // Hairlines between the visible rows.
    bool first = true;
    for (int i = 0; i < rows_->count(); ++i) {
        QWidget* w = rows_->itemAt(i)->widget();
        if (!w || w->isHidden() || w->objectName() != QLatin1String("settingsRow"))
            continue;
        if (!first)
            p.drawLine(QPointF(kCardPadding, w->y() + 0.5), QPointF(width() - kCardPadding, w->y() + 0.5));
        first = false;
    }
}

SettingsSection::SettingsSection(const QString& title, const QString& subtitle, QWidget* parent)
    : QWidget(parent), title_(new QLabel(title, this)), subtitle_(secondaryLabel(subtitle, this)),
      card_(new SettingsCard(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    title_->setFont(systemFont(15, QFont::DemiBold));
    title_->setAccessibleName(title);
    layout->addWidget(title_);
    layout->addWidget(subtitle_);
    subtitle_->setVisible(!subtitle.isEmpty());
    layout->addWidget(card_);
}

void SettingsSection::setSubtitle(const QString& subtitle) {
    subtitle_->setText(subtitle);
    subtitle_->setVisible(!subtitle.isEmpty());
}

QLabel* secondaryLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFont(systemFont(11.5, QFont::Normal));
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace vantorel
