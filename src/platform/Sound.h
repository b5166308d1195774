#pragma once

namespace vantorel {

class Sound {
public:
    virtual ~Sound() = default;
    virtual void beep() = 0;
};

} // namespace vantorel
