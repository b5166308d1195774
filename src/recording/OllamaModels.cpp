#include "recording/OllamaModels.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <algorithm>

namespace vantorel {

std::vector<ModelOption> suggestedModelOptions() {
    return {{QStringLiteral("Llama 3.2 (Best)"), QStringLiteral("llama3.2")},
            {QStringLiteral("Gemma 2 2B (Better)"), QStringLiteral("gemma2:2b")},
            {QStringLiteral("Phi-3 Mini (Okay)"), QStringLiteral("phi3:mini")}};
}

namespace {
bool namesModel(const QString& name, const QString& model) {
    return name == model || name == model + QStringLiteral(":latest");
}
} // namespace

int modelOptionIndex(const std::vector<ModelOption>& options, const QString& model) {
    for (std::size_t i = 0; i < options.size(); ++i)
        if (namesModel(options[i].id, model))
            return int(i);
    return 0;
}

QStringList ollamaTagNames(const QByteArray& body) {
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonValue models = document.object().value(QStringLiteral("models"));
    if (!models.isArray())
        return {};
    QStringList names;
    for (const QJsonValue& model : models.toArray()) {
        const QJsonValue name = model.toObject().value(QStringLiteral("name"));
        // One model without a name fails the whole answer, as a strict decoder would.
        if (!name.isString())
            return {};
        names << name.toString();
    }
    return names;
}

std::vector<ModelOption> installedModelOptions(const QStringList& names, const QString& configuredModel) {
    std::vector<ModelOption> options;
    if (std::none_of(names.begin(), names.end(), [&](const QString& n) { return namesModel(n, configuredModel); }))
        options.push_back({configuredModel + QStringLiteral(" (not installed)"), configuredModel});
    for (const QString& name : names)
        options.push_back({name, name});
    return options;
}

OllamaModelList::OllamaModelList(Scheduler& scheduler, QUrl endpoint, QObject* parent)
    : QObject(parent), scheduler_(scheduler), endpoint_(std::move(endpoint)) {
    // Loopback only, like the summaries: no proxy from the environment.
    network_.setProxy(QNetworkProxy::NoProxy);
}

void OllamaModelList::fetch(std::function<void(QStringList)> completion) {
    if (pending_) {
        pending_->disconnect(this);
        pending_->abort();
        pending_->deleteLater();
    }
    QNetworkRequest request(endpoint_);
    // The time-out runs on the scheduler, so it is the same 3 s on virtual time.
    request.setTransferTimeout(0);
    QNetworkReply* reply = network_.get(request);
    pending_ = reply;
    auto timeout = scheduler_.after(kRequestTimeout, reply, [reply] { reply->abort(); });
    connect(reply, &QNetworkReply::finished, this, [reply, timeout, completion]() mutable {
        timeout.cancel();
        reply->deleteLater();
        completion(reply->error() == QNetworkReply::OperationCanceledError ? QStringList()
                                                                           : ollamaTagNames(reply->readAll()));
    });
}

} // namespace vantorel
