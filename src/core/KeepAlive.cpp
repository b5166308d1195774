#include "core/KeepAlive.h"

#include <map>
#include <set>

namespace vantorel {

namespace {
struct Holds {
    std::map<const QObject*, int> count;
    std::set<const QObject*> retired;
};
Holds& holds() {
    static Holds h;
    return h;
}
} // namespace

KeepAlive::KeepAlive(QObject* object) {
    for (QObject* o = object; o; o = o->parent()) {
        chain_.emplace_back(o, QPointer<QObject>(o));
        ++holds().count[o];
    }
}

KeepAlive::~KeepAlive() {
    auto& h = holds();
    for (auto& [raw, alive] : chain_) {
        auto it = h.count.find(raw);
        if (it == h.count.end() || --it->second > 0)
            continue;
        h.count.erase(it);
        if (h.retired.erase(raw) && alive)
            alive->deleteLater();
    }
}

bool KeepAlive::isHeld(const QObject* object) {
    return holds().count.count(object) > 0;
}

void deleteWhenReleased(QObject* object) {
    if (!object)
        return;
    if (KeepAlive::isHeld(object))
        holds().retired.insert(object);
    else
        object->deleteLater();
}

} // namespace vantorel
