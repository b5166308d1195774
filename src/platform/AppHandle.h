#pragma once

#include <QtGlobal>
#include <compare>

namespace vantorel {

// Names one running application for as long as it runs. Where every
// application is a process of its own this is the process id; where one
// process can host several applications (an office suite, web applications
// of a browser), the workspace numbers its applications itself. Everything
// that asks "which application" speaks in handles, never in process ids; the
// type keeps the two from being mixed up.
struct AppHandle {
    qint64 value = 0;
    friend auto operator<=>(const AppHandle&, const AppHandle&) = default;
};

} // namespace vantorel
