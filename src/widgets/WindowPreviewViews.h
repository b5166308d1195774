#pragma once

#include "widgets/HoverWidget.h"
#include "widgets/ViewSupport.h"
#include "widgets/WindowPreviewModel.h"

#include <QWidget>
#include <functional>
#include <optional>

namespace vantorel {

// Sizes of the preview's content, in points.
struct PreviewGeometry {
    static constexpr int kItemWidth = 208;
    static constexpr int kItemHeight = 150;
    static constexpr int kItemSpacing = 8;
    static constexpr int kStripInset = 8;
    static constexpr int kStripHeight = 166;
    static constexpr int kCardWidth = 200;
    static constexpr int kCardHeight = 54;
    // Strip width for n thumbnails: 216 n + 8.
    static int stripWidth(int count) { return kItemWidth * count + kItemSpacing * (count - 1) + 2 * kStripInset; }
};

// The small close button of a thumbnail, and the quit button of the card.
// Acts on press, not on release.
class PreviewCloseButton : public HoverWidget, public AccessibleControl {
    Q_OBJECT
public:
    PreviewCloseButton(ResolvedTheme look, const QString& toolTip, const QString& accessibilityLabel,
                       QWidget* parent = nullptr);

    std::function<void()> onPress;

    QString accessibilityLabel() const override { return label_; }
    QString accessibilityHelp() const override { return {}; }
    bool accessibilityPerformPress() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    ResolvedTheme look_;
    QString label_;
};

// One thumbnail: the picture, the application icon, the title and a close button.
class PreviewItemView : public HoverWidget {
    Q_OBJECT
public:
    PreviewItemView(const CapturedWindow& window, const QIcon& appIcon, bool showTitle, ResolvedTheme look,
                    QWidget* parent = nullptr);

    std::function<void()> onClick;
    std::function<void(bool)> onHoverChanged;

    const QString& labelText() const { return label_; }
    bool showsTitle() const { return showTitle_; }
    PreviewCloseButton* closeButton() const { return close_; }
    // Where the picture is drawn, in the item's own coordinates.
    QRectF imageFrame() const;
    // The 200 x 120 area the picture is fitted into.
    static QRectF pictureArea();

protected:
    void hoverChanged(bool hovered) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CapturedWindow window_;
    QIcon appIcon_;
    bool showTitle_;
    ResolvedTheme look_;
    QString label_;
    PreviewCloseButton* close_;
};

// The row of thumbnails; actions receive the thumbnail's index.
class PreviewStripView : public QWidget {
    Q_OBJECT
public:
    PreviewStripView(const std::vector<CapturedWindow>& windows, const QIcon& appIcon, bool showTitles,
                     ResolvedTheme look, std::function<void(int)> select, std::function<void(int)> close,
                     QWidget* parent = nullptr);
    const std::vector<PreviewItemView*>& items() const { return items_; }

private:
    std::vector<PreviewItemView*> items_;
};

// What an application without a window to show gets: icon, name, and a quit
// button unless there is no quit action.
class PreviewCardView : public QWidget {
    Q_OBJECT
public:
    PreviewCardView(const AppEntry& entry, ResolvedTheme look, std::function<void()> quit, QWidget* parent = nullptr);
    PreviewCloseButton* quitButton() const { return quit_; }
    const QString& name() const { return name_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon icon_;
    QString name_;
    ResolvedTheme look_;
    PreviewCloseButton* quit_ = nullptr;
};

// The floating window that holds the strip or the card. It never takes the
// focus and stands above every other window, the taskbar's included; on X11
// the window manager does not handle it at all (no focus, no place in task
// lists or pagers).
class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    PreviewWindow(QWidget* content, ResolvedTheme look);
    QWidget* content() const { return content_; }
    ResolvedTheme look() const { return look_; }
    // The frame it was placed at, bottom-left space.
    const Rect& frame() const { return frame_; }
    void setFrame(const Rect& bottomLeftFrame);
    // Shows it above everything without activating the program.
    void orderFrontRegardless();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* content_;
    ResolvedTheme look_;
    Rect frame_;
};

} // namespace vantorel
