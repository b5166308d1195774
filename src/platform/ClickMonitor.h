#pragma once

#include <functional>
#include <memory>

namespace vantorel {

// Left and right mouse-downs that go to other applications, seen without
// taking them: the click still reaches the window it was meant for.
class ClickMonitor {
public:
    // Watching lasts as long as this lives.
    class Watch {
    public:
        virtual ~Watch() = default;
    };

    virtual ~ClickMonitor() = default;
    // Calls onMouseDown on the main thread for each such click.
    virtual std::unique_ptr<Watch> watchMouseDowns(std::function<void()> onMouseDown) = 0;
};

} // namespace vantorel
