#include "updates/PackageSignature.h"

#include <sodium.h>

namespace vantorel::PackageSignature {

namespace {

std::optional<QByteArray> decode(const QString& base64, qsizetype size) {
    const auto decoded =
        QByteArray::fromBase64Encoding(base64.trimmed().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != size)
        return std::nullopt;
    return decoded.decoded;
}

bool sodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

} // namespace

bool isValidPublicKey(const QString& publicKeyBase64) {
    return decode(publicKeyBase64, crypto_sign_PUBLICKEYBYTES).has_value();
}

Status verify(const QByteArray& package, qint64 expectedLength, const QString& signatureBase64,
              const QString& publicKeyBase64) {
    if (package.size() != expectedLength)
        return Status::failure(QStringLiteral("The update is %1 bytes long, but the feed says %2 bytes.")
                                   .arg(package.size())
                                   .arg(expectedLength));
    const auto key = decode(publicKeyBase64, crypto_sign_PUBLICKEYBYTES);
    if (!key)
        return Status::failure(QStringLiteral("This build's update key is not a valid Ed25519 public key."));
    const auto signature = decode(signatureBase64, crypto_sign_BYTES);
    if (!signature)
        return Status::failure(QStringLiteral("The update has no valid signature in the feed."));
    if (!sodiumReady())
        return Status::failure(QStringLiteral("The signature of the update cannot be checked (libsodium)."));
    if (crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature->constData()),
                                    reinterpret_cast<const unsigned char*>(package.constData()),
                                    static_cast<unsigned long long>(package.size()),
                                    reinterpret_cast<const unsigned char*>(key->constData())) != 0)
        return Status::failure(
            QStringLiteral("The update's signature does not match: it was changed or not signed by the developer."));
    return Status::success();
}

} // namespace vantorel::PackageSignature
