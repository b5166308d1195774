#include "apps/AppButtonsRail.h"

#include "app/SettingsService.h"
#include "core/KeepAlive.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {
// A flat, rounded fill: the separator and the drop indicator.
class FillView : public QWidget {
public:
    FillView(QColor color, double radius, QWidget* parent = nullptr)
        : QWidget(parent), color_(std::move(color)), radius_(radius) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(color_);
        p.drawRoundedRect(QRectF(rect()), radius_, radius_);
    }

private:
    QColor color_;
    double radius_;
};

QColor separatorColor(ResolvedTheme look) {
    return look == ResolvedTheme::Dark ? QColor::fromRgbF(1, 1, 1, 0.12) : QColor::fromRgbF(0, 0, 0, 0.18);
}

double dropIndicatorInset(double iconScalePercent) {
    const double factor = iconScalePercent / 100;
    if (factor > 1.6)
        return 40;
    if (factor < 0.6)
        return 16;
    return std::max(25 * factor, 16.0);
}
} // namespace

void HorizontalWheelScrollView::wheelEvent(QWheelEvent* event) {
    const bool precise = !event->pixelDelta().isNull();
    const QPointF delta = precise ? QPointF(event->pixelDelta()) : QPointF(event->angleDelta()) / 120.0;
    if (std::abs(delta.x()) >= std::abs(delta.y())) {
        QScrollArea::wheelEvent(event);
        return;
    }
    const double step = precise ? 1 : 12;
    const int documentWidth = widget() ? widget()->width() : 0;
    const double maxX = std::max(documentWidth - viewport()->width(), 0);
    const double x = std::clamp(horizontalScrollBar()->value() - step * delta.y(), 0.0, maxX);
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(x)));
    event->accept();
}

AppButtonsRail::AppButtonsRail(AppButtonEnvironment environment, QWidget* parent) : QWidget(parent), env_(environment) {
    scrollView_ = new HorizontalWheelScrollView(this);
    scrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollView_->setFrameShape(QFrame::NoFrame);
    scrollView_->setWidgetResizable(true);
    scrollView_->viewport()->setAutoFillBackground(false);

    stack_ = new QWidget;
    stackLayout_ = new QHBoxLayout(stack_);
    stackLayout_->setSpacing(0);
    stackLayout_->setContentsMargins(4, 0, 4, 0);
    stackLayout_->addStretch(1);
    scrollView_->setWidget(stack_);
    stack_->setAutoFillBackground(false);

    dropIndicator_ = new FillView(QApplication::palette().color(QPalette::Highlight), 1.5, this);
    dropIndicator_->hide();
    setAcceptDrops(true);
}

AppButtonsRail::~AppButtonsRail() = default;

void AppButtonsRail::resizeEvent(QResizeEvent*) { scrollView_->setGeometry(rect()); }

void AppButtonsRail::update(const std::vector<AppEntry>& entries) {
    currentEntries_ = entries;
    std::vector<QString> keys;
    keys.reserve(entries.size());
    QSet<QString> live;
    live.reserve(static_cast<qsizetype>(entries.size()));
    for (const auto& e : entries) {
        keys.push_back(e.key());
        live.insert(keys.back());
    }

    for (auto it = buttons_.begin(); it != buttons_.end();) {
        if (live.contains(it.key())) {
            ++it;
            continue;
        }
        AppButton* gone = it.value();
        stackLayout_->removeWidget(gone);
        gone->hide();
        // Later: the list may come from this very button's click, or arrive
        // while the button's own drag runs.
        deleteWhenReleased(gone);
        it = buttons_.erase(it);
    }

    const double scale = env_.scale();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (AppButton* b = buttons_.value(keys[i])) {
            b->setEntry(entries[i]);
            setButtonWidth(b, entries[i], scale);
        } else {
            buttons_.insert(keys[i], makeButton(entries[i]));
        }
    }
    layOut(entries, keys);
}

AppButton* AppButtonsRail::makeButton(const AppEntry& entry) {
    auto* b = new AppButton(entry, env_, stack_);
    ++buttonsMade_;
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    setButtonWidth(b, entry, env_.scale());
    QPointer<AppButtonsRail> self(this);
    b->onClicked = [self](const AppEntry& e) {
        if (self && self->onAppButtonClicked)
            self->onAppButtonClicked(e);
    };
    b->onRightClicked = [self](const AppEntry& e, const QMouseEvent& event) {
        if (self && self->onAppButtonRightClicked)
            self->onAppButtonRightClicked(e, event);
    };
    b->onHoverBegin = [self](AppButton* button, const AppEntry& e) {
        if (self && self->onAppHoverBegin)
            self->onAppHoverBegin(button, e);
    };
    b->onHoverEnd = [self](const AppEntry& e) {
        if (self && self->onAppHoverEnd)
            self->onAppHoverEnd(e);
    };
    return b;
}

void AppButtonsRail::setButtonWidth(AppButton* button, const AppEntry& entry, double scale) {
    const int width = static_cast<int>(std::lround(appButtonWidth(entry, scale)));
    if (button->minimumWidth() != width || button->maximumWidth() != width)
        button->setFixedWidth(width);
}

void AppButtonsRail::layOut(const std::vector<AppEntry>& entries, const std::vector<QString>& keys) {
    // Same keys with the same pinned flags: the signature would be the same
    // string, and comparing the parts avoids building it on every publish.
    std::vector<bool> pinned;
    pinned.reserve(entries.size());
    for (const auto& e : entries)
        pinned.push_back(e.isPinned);
    if (stackSignature_ && keys == laidOutKeys_ && pinned == laidOutPinned_)
        return;
    stackSignature_ = stackSignature(entries, keys);
    laidOutKeys_ = keys;
    laidOutPinned_ = std::move(pinned);
    ++rebuildCount_;
    while (QLayoutItem* item = stackLayout_->takeAt(0)) {
        if (QWidget* w = item->widget(); w && !qobject_cast<AppButton*>(w))
            delete w;
        delete item;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0 && !entries[i].isPinned && entries[i - 1].isPinned)
            stackLayout_->addWidget(makeSeparator(), 0, Qt::AlignVCenter);
        if (AppButton* b = buttons_.value(keys[i]))
            stackLayout_->addWidget(b);
    }
    stackLayout_->addStretch(1);
}

QWidget* AppButtonsRail::makeSeparator() const {
    auto* separator = new FillView(separatorColor(env_.look()), 0, stack_);
    separator->setFixedSize(1, static_cast<int>(std::lround(std::max(40 * env_.scale(), 28.0))));
    return separator;
}

void AppButtonsRail::applySettings() {
    const double scale = env_.scale();
    std::vector<QString> keys;
    keys.reserve(currentEntries_.size());
    for (const auto& e : currentEntries_) {
        keys.push_back(e.key());
        if (AppButton* b = buttons_.value(keys.back()))
            setButtonWidth(b, e, scale);
    }
    stackSignature_.reset();
    layOut(currentEntries_, keys);
    for (AppButton* b : std::as_const(buttons_))
        b->update();
    update();
}

std::vector<QWidget*> AppButtonsRail::arrangedViews() const {
    std::vector<QWidget*> out;
    for (int i = 0; i < stackLayout_->count(); ++i)
        if (QWidget* w = stackLayout_->itemAt(i)->widget())
            out.push_back(w);
    return out;
}

int AppButtonsRail::insertionIndex(QPointF point) const {
    const double x = stack_->mapFrom(this, point).x();
    for (QWidget* w : arrangedViews()) {
        auto* b = qobject_cast<AppButton*>(w);
        if (!b)
            continue;
        const QRect frame = b->geometry();
        if (x < frame.x() + frame.width() / 2.0) {
            const QString key = b->entry().key();
            for (std::size_t i = 0; i < currentEntries_.size(); ++i)
                if (currentEntries_[i].key() == key)
                    return static_cast<int>(i);
            return 0;
        }
    }
    return static_cast<int>(currentEntries_.size());
}

void AppButtonsRail::showDropIndicator(int index) {
    dropVisualIndex_ = index;
    std::vector<AppButton*> shown;
    for (QWidget* w : arrangedViews())
        if (auto* b = qobject_cast<AppButton*>(w))
            shown.push_back(b);
    auto rightEdge = [](const AppButton* b) { return double(b->geometry().x() + b->geometry().width()); };

    double x = stackLayout_->contentsMargins().left();
    if (!shown.empty() && index <= 0) {
        x = shown.front()->geometry().x();
    } else if (!shown.empty()) {
        x = rightEdge(shown.back());
        const auto n = std::min<std::size_t>(static_cast<std::size_t>(index), currentEntries_.size());
        if (n > 0) {
            const QString key = currentEntries_[n - 1].key();
            for (const AppButton* b : shown)
                if (b->entry().key() == key)
                    x = rightEdge(b);
        }
    }
    const double rowX = stack_->mapTo(this, QPointF(x, 0)).x();
    const double inset = dropIndicatorInset(env_.settings.current().iconScalePercent);
    const double h = std::max(height() - 2 * inset, 24.0);
    const Rect frame = flipped(Rect{rowX - 1.5, inset, 3, h}, height());
    dropIndicatorFrame_ = QRectF(frame.x, frame.y, frame.width, frame.height);
    dropIndicator_->setGeometry(dropIndicatorFrame_.toAlignedRect());
    dropIndicator_->raise();
    dropIndicator_->show();
}

void AppButtonsRail::hideDropIndicator() {
    dropIndicator_->hide();
    dropVisualIndex_.reset();
}

bool AppButtonsRail::performDrop(const QMimeData* data) {
    const QString bundleId =
        data && data->hasFormat(kTaskbarBundleIdType) ? QString::fromUtf8(data->data(kTaskbarBundleIdType)) : QString();
    const auto index = dropVisualIndex_;
    hideDropIndicator();
    // An empty identifier would become a pinned entry that stands for nothing.
    if (bundleId.isEmpty() || !index)
        return false;
    if (onReorder)
        onReorder(bundleId, *index);
    return true;
}

void AppButtonsRail::dragAt(QDropEvent* event) {
    if (!event->mimeData() || !event->mimeData()->hasFormat(kTaskbarBundleIdType)) {
        event->ignore();
        return;
    }
    showDropIndicator(insertionIndex(event->position()));
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void AppButtonsRail::dragEnterEvent(QDragEnterEvent* event) { dragAt(event); }
void AppButtonsRail::dragMoveEvent(QDragMoveEvent* event) { dragAt(event); }
void AppButtonsRail::dragLeaveEvent(QDragLeaveEvent*) { hideDropIndicator(); }

void AppButtonsRail::dropEvent(QDropEvent* event) {
    if (performDrop(event->mimeData())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

} // namespace vantorel
