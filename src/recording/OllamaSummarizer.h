#pragma once

#include "core/Scheduler.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>
#include <functional>
#include <optional>

namespace vantorel {

// The language-model path of the summariser: one POST to the local server's
// generate endpoint, answered with one JSON object.
class OllamaSummarizer : public QObject {
    Q_OBJECT
public:
    static QUrl defaultEndpoint() { return QUrl(QStringLiteral("http://127.0.0.1:11434/api/generate")); }
    static constexpr Duration kRequestTimeout = std::chrono::seconds(180);

    OllamaSummarizer(Scheduler& scheduler, QUrl endpoint, QObject* parent = nullptr);

    // The generated summary, or nothing on any failure (no server, time-out,
    // an answer without "response"); on the main thread. An empty transcript
    // yields nothing without a request.
    void summarizeWithOllama(const QString& transcript, const QString& instructions, const QString& model,
                             std::function<void(std::optional<QString>)> completion);

private:
    Scheduler& scheduler_;
    QUrl endpoint_;
    QNetworkAccessManager network_;
};

} // namespace vantorel
