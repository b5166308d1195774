#pragma once

#include "apps/AppButton.h"

#include <QHash>
#include <QScrollArea>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QHBoxLayout;
class QMimeData;

namespace vantorel {

// A scroll view without scroll bars that turns a vertical wheel into
// horizontal scrolling: 12 points per wheel line, 1 per pixel of a trackpad.
class HorizontalWheelScrollView : public QScrollArea {
    Q_OBJECT
public:
    using QScrollArea::QScrollArea;

protected:
    void wheelEvent(QWheelEvent* event) override;
};

// The scrolling row of application buttons. Buttons live as long as their
// key stays in the published lists; the row is rebuilt only when the order or
// the pinned flags change, so an unchanged list touches no widget.
class AppButtonsRail : public QWidget {
    Q_OBJECT
public:
    AppButtonsRail(AppButtonEnvironment environment, QWidget* parent = nullptr);
    ~AppButtonsRail() override;

    std::function<void(const AppEntry&)> onAppButtonClicked;
    std::function<void(const AppEntry&, const QMouseEvent&)> onAppButtonRightClicked;
    std::function<void(AppButton*, const AppEntry&)> onAppHoverBegin;
    std::function<void(const AppEntry&)> onAppHoverEnd;
    // A button was dropped: its identifier and the position in the shown list.
    std::function<void(const QString& bundleId, int visualIndex)> onReorder;

    // Shows this list.
    void update(const std::vector<AppEntry>& entries);
    using QWidget::update;
    // Re-applies the icon scale and the look.
    void applySettings();

    // Position in the shown list for a point in row coordinates.
    int insertionIndex(QPointF point) const;
    void showDropIndicator(int index);
    void hideDropIndicator();
    // Reorders with what a drop carries; false when it carries nothing usable.
    bool performDrop(const QMimeData* data);

    HorizontalWheelScrollView* scrollView() const { return scrollView_; }
    QWidget* stackView() const { return stack_; }
    // Buttons and separators in their order in the row.
    std::vector<QWidget*> arrangedViews() const;
    AppButton* button(const QString& key) const { return buttons_.value(key); }
    std::size_t buttonCount() const { return static_cast<std::size_t>(buttons_.size()); }
    const std::vector<AppEntry>& currentEntries() const { return currentEntries_; }
    std::optional<int> dropVisualIndex() const { return dropVisualIndex_; }
    QWidget* dropIndicator() const { return dropIndicator_; }
    // The indicator's exact frame in row coordinates (the widget's is rounded).
    QRectF dropIndicatorFrame() const { return dropIndicatorFrame_; }
    // How often the row was rebuilt and how many buttons it ever made.
    int rebuildCount() const { return rebuildCount_; }
    const std::optional<QString>& currentStackSignature() const { return stackSignature_; }
    int buttonsMade() const { return buttonsMade_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    AppButton* makeButton(const AppEntry& entry);
    void setButtonWidth(AppButton* button, const AppEntry& entry, double scale);
    void layOut(const std::vector<AppEntry>& entries, const std::vector<QString>& keys);
    QWidget* makeSeparator() const;
    void dragAt(QDropEvent* event);

    AppButtonEnvironment env_;
    HorizontalWheelScrollView* scrollView_ = nullptr;
    QWidget* stack_ = nullptr;
    QHBoxLayout* stackLayout_ = nullptr;
    QWidget* dropIndicator_ = nullptr;
    QHash<QString, AppButton*> buttons_;
    std::vector<AppEntry> currentEntries_;
    std::optional<QString> stackSignature_;
    std::vector<QString> laidOutKeys_;
    std::vector<bool> laidOutPinned_;
    std::optional<int> dropVisualIndex_;
    QRectF dropIndicatorFrame_;
    int rebuildCount_ = 0;
    int buttonsMade_ = 0;
};

} // namespace vantorel
