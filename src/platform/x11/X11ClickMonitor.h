#pragma once

#include "platform/ClickMonitor.h"

#include <map>
#include <optional>
#include <xcb/xcb.h>

namespace vantorel {

class X11Connection;
class X11RawInput;

// Mouse-downs anywhere on the display through the input extension's raw
// events, which every client may watch on the root window without a grab, so
// the click still goes where it was meant to. Raw events carry no window:
// the pointer's path down the window tree tells whether the click landed on
// one of our own windows, which do not count. Watched only while someone watches.
class X11ClickMonitor : public ClickMonitor {
public:
    X11ClickMonitor(X11Connection& connection, X11RawInput& rawInput);
    ~X11ClickMonitor() override;

    std::unique_ptr<Watch> watchMouseDowns(std::function<void()> onMouseDown) override;

private:
    void select(bool on);
    void handle(const xcb_generic_event_t* event);
    bool pointerIsOverOwnWindow();
    void stopWatching(int id);

    X11Connection& x_;
    X11RawInput& raw_;
    bool selected_ = false;
    std::map<int, std::function<void()>> watches_;
    int nextId_ = 1;
    friend class X11ClickWatch;
};

} // namespace vantorel
