#include "recording/OllamaSummarizer.h"

#include "recording/TranscriptSummarizer.h"

#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPointer>

namespace vantorel {

OllamaSummarizer::OllamaSummarizer(Scheduler& scheduler, QUrl endpoint, QObject* parent)
    : QObject(parent), scheduler_(scheduler), endpoint_(std::move(endpoint)) {
    // Loopback only: a proxy from the environment must not see the transcript.
    network_.setProxy(QNetworkProxy::NoProxy);
}

void OllamaSummarizer::summarizeWithOllama(const QString& transcript, const QString& instructions, const QString& model,
                                           std::function<void(std::optional<QString>)> completion) {
    const auto prompt = ollamaPrompt(transcript, instructions);
    if (!prompt) {
        scheduler_.post(this, [completion] { completion(std::nullopt); });
        return;
    }
    QNetworkRequest request(endpoint_);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    // The time-out runs on the scheduler, so it is the same 180 s on virtual time.
    request.setTransferTimeout(0);
    QNetworkReply* reply = network_.post(request, ollamaGenerateRequestBody(ollamaModel(model), *prompt));
    auto timeout = scheduler_.after(kRequestTimeout, reply, [reply] { reply->abort(); });
    connect(reply, &QNetworkReply::finished, this, [reply, timeout, completion]() mutable {
        timeout.cancel();
        reply->deleteLater();
        // The status is not examined: an error answer simply has no "response".
        const QByteArray body =
            reply->error() == QNetworkReply::OperationCanceledError ? QByteArray() : reply->readAll();
        completion(ollamaGeneratedText(body));
    });
}

} // namespace vantorel
