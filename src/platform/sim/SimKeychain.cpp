#include "platform/sim/SimKeychain.h"

#include <QPointer>

namespace vantorel {

namespace {
QString name(const KeychainItem& item) {
    return item.service + u'/' + item.account;
}
} // namespace

std::optional<QByteArray> SimKeychain::stored(const KeychainItem& item) const {
    auto it = items_.find({item.service, item.account});
    if (it == items_.end())
        return std::nullopt;
    return it->second;
}

void SimKeychain::read(const KeychainItem& item, QObject* context,
                       std::function<void(std::optional<QByteArray>)> done) {
    journal << QStringLiteral("read ") + name(item);
    QPointer<QObject> alive(context);
    if (alive)
        done(stored(item));
}

void SimKeychain::save(const KeychainItem& item, const QByteArray& data, QObject* context,
                       std::function<void(Status)> done) {
    QPointer<QObject> alive(context);
    Status result = Status::success();
    if (failingStatus) {
        journal << QStringLiteral("fail ") + name(item);
        result = Status::failure(
            QStringLiteral("The operation couldn’t be completed. (OSStatus error %1.)").arg(*failingStatus));
    } else {
        // Update when the item can be read, add otherwise.
        journal << (stored(item) ? QStringLiteral("update ") : QStringLiteral("add ")) + name(item);
        items_[{item.service, item.account}] = data;
    }
    if (alive)
        done(result);
}

void SimKeychain::remove(const KeychainItem& item, QObject* context, std::function<void()> done) {
    journal << QStringLiteral("delete ") + name(item);
    items_.erase({item.service, item.account});
    QPointer<QObject> alive(context);
    if (alive)
        done();
}

} // namespace vantorel
