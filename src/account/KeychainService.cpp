#include "account/KeychainService.h"

#include <QStringDecoder>

namespace vantorel {

void KeychainService::readSessionToken(QObject* context, std::function<void(std::optional<QString>)> done) {
    keychain_.read(kItem, context, [done = std::move(done)](std::optional<QByteArray> data) {
        if (!data)
            return done(std::nullopt);
        auto decoder = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString token = decoder.decode(*data);
        done(decoder.hasError() ? std::nullopt : std::optional<QString>(token));
    });
}

void KeychainService::saveSessionToken(const QString& token, QObject* context, std::function<void(Status)> done) {
    keychain_.save(kItem, token.toUtf8(), context, std::move(done));
}

void KeychainService::clearSessionToken(QObject* context, std::function<void()> done) {
    keychain_.remove(kItem, context, std::move(done));
}

} // namespace vantorel
