#pragma once

#include "core/Scheduler.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <vector>

class QNetworkReply;

namespace vantorel {

// One choice of the model menu: what it shows and the model name it stores.
struct ModelOption {
    QString label;
    QString id;
    friend bool operator==(const ModelOption&, const ModelOption&) = default;
};

inline constexpr const char* kOllamaUnreachableToolTip =
    "Ollama isn't reachable at 127.0.0.1:11434, so the list shows suggested models.";

// The menu before the server has answered: Llama 3.2, Gemma 2 2B, Phi-3 Mini.
std::vector<ModelOption> suggestedModelOptions();
// The first option whose id is the model or the model with ":latest"; 0 when none is.
int modelOptionIndex(const std::vector<ModelOption>& options, const QString& model);
// The model names of a tags answer ({"models": [{"name": ...}, ...]}) in order;
// none when the body does not decode as one.
QStringList ollamaTagNames(const QByteArray& body);
// The server's models, labelled by name; the configured model comes first,
// marked " (not installed)", when the server has it under neither of its names.
std::vector<ModelOption> installedModelOptions(const QStringList& names, const QString& configuredModel);

// Asks the local language-model server which models it has.
class OllamaModelList : public QObject {
    Q_OBJECT
public:
    static QUrl defaultEndpoint() { return QUrl(QStringLiteral("http://127.0.0.1:11434/api/tags")); }
    static constexpr Duration kRequestTimeout = std::chrono::seconds(3);

    OllamaModelList(Scheduler& scheduler, QUrl endpoint, QObject* parent = nullptr);

    // The names on the main thread; none when the server does not answer within
    // the time-out or answers something else. A new fetch drops the one before.
    void fetch(std::function<void(QStringList)> completion);

private:
    Scheduler& scheduler_;
    QUrl endpoint_;
    QNetworkAccessManager network_;
    QPointer<QNetworkReply> pending_;
};

} // namespace vantorel
