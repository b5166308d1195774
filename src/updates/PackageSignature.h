#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QString>

namespace vantorel::PackageSignature {

// A downloaded package is accepted only when it has exactly the feed's length
// and its bytes carry a valid Ed25519 signature (base64, 64 bytes) by the
// public key (base64, 32 bytes). The error says which check refused it.
Status verify(const QByteArray& package, qint64 expectedLength, const QString& signatureBase64,
              const QString& publicKeyBase64);

// Whether a public key decodes to an Ed25519 key.
bool isValidPublicKey(const QString& publicKeyBase64);

} // namespace vantorel::PackageSignature
