#pragma once

#include "platform/Theme.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

namespace vantorel {

// A small frameless window that stands above an anchor view with the look of
// the taskbar. It does not close on outside clicks: its owner decides when it
// goes (hover polls, a second click). It takes the keyboard only when made so.
class Popover : public QWidget {
    Q_OBJECT
public:
    enum class Focus { Never, TakesKeyboard };
    // The popover takes ownership of content.
    explicit Popover(QWidget* content, Focus focus = Focus::Never);
    ~Popover() override;

    QWidget* content() const { return content_; }

    // Light or dark; none follows the system look given by systemLook.
    void setAppearance(std::optional<ResolvedTheme> appearance);
    std::function<ResolvedTheme()> systemLook;
    ResolvedTheme look() const;
    // Fills the popover with this colour instead of the taskbar's.
    void setFillColor(std::optional<QColor> color);

    // Size of the content; the popover grows and shrinks around it and keeps
    // standing on its anchor.
    void setContentSize(QSize size);
    QSize contentSize() const { return contentSize_; }

    // Shows the popover centred above the anchor's top edge, kept on the
    // anchor's screen; one that takes the keyboard asks to become the active window.
    void show(QWidget* anchor);
    void close();
    bool isShown() const { return isVisible(); }

    // Everything the popover has covered since it was shown. After it shrinks
    // under the pointer (a shorter month), the pointer still counts as over it
    // until it leaves this area.
    QRect coveredFrame() const { return covered_; }

    // The popover that holds a widget, if any.
    static Popover* enclosing(const QWidget* widget);

    static constexpr int kGap = 4;
    static constexpr int kCornerRadius = 10;
    static constexpr int kScreenMargin = 6;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void place();

    QWidget* content_;
    QPointer<QWidget> anchor_;
    QSize contentSize_;
    QRect covered_;
    std::optional<ResolvedTheme> appearance_;
    std::optional<QColor> fill_;
    Focus focus_;
};

} // namespace vantorel
