#pragma once

#include "core/Geometry.h"
#include "core/Scheduler.h"
#include "platform/Theme.h"
#include "taskbar/TaskbarView.h"

#include <QPointer>
#include <QWidget>
#include <optional>

namespace vantorel {

// A borderless, always-on-top window along a display's bottom edge that never
// takes focus from other applications. Its frame is kept in the bottom-left
// global space and may stand partly below the display's edge.
class TaskbarPanel : public QWidget {
    Q_OBJECT
public:
    TaskbarPanel();
    ~TaskbarPanel() override;

    void setFrame(const Rect& bottomLeftFrame);
    // Moves to the frame in short steps on the scheduler's time; frame()
    // tells the target from the start. A visible panel only slides.
    void slideTo(const Rect& bottomLeftFrame, Scheduler& scheduler);
    bool isSliding() const { return slide_.isActive(); }
    const Rect& frame() const { return frame_; }
    // Whether the panel is shown exactly where this frame lies on screen now.
    // The frame alone cannot tell: it is relative to the main display, which
    // may itself have grown or moved.
    bool standsAt(const Rect& bottomLeftFrame) const;

    // Shows the panel above other windows without activating the program.
    void orderFrontRegardless();
    void setIgnoresMouseEvents(bool ignores);
    bool ignoresMouseEvents() const;

    // Replaces the current content view, which is hidden and deleted once
    // no menu or drag runs for it.
    void setContentView(TaskbarView* view);
    TaskbarView* contentView() const { return content_; }

    // Light or dark for this panel's content; none follows the system.
    void setAppearance(std::optional<ResolvedTheme> appearance);
    std::optional<ResolvedTheme> appearance() const { return appearance_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Rect frame_;
    ScheduledTask slide_;
    QPointer<TaskbarView> content_;
    std::optional<ResolvedTheme> appearance_;
};

} // namespace vantorel
