// The local language-model server's list of models, as a process of its own
// on 127.0.0.1: every request is answered with {"models": [...]} holding the
// names given on the command line in that order (with the other fields the
// real server sends), and each request is printed on a line. It prints
// "port N" once it listens. --hold answers nothing, as a server busy loading
// a model.
#include "support/LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    bool hold = false;
    QJsonArray models;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--hold")) {
            hold = true;
        } else {
            models.append(QJsonObject{{QStringLiteral("name"), args[i]},
                                      {QStringLiteral("model"), args[i]},
                                      {QStringLiteral("size"), 2019393189},
                                      {QStringLiteral("details"), QJsonObject{{QStringLiteral("format"), "gguf"}}}});
        }
    }
    vantorel::test::LoopbackHttpServer server(0);
    if (!server.isListening()) {
        std::fprintf(stderr, "model_server: cannot listen on 127.0.0.1\n");
        return 1;
    }
    server.holdAnswers = hold;
    server.reply = {200, QJsonDocument(QJsonObject{{QStringLiteral("models"), models}}).toJson(QJsonDocument::Compact)};
    QObject::connect(&server, &vantorel::test::LoopbackHttpServer::requestReceived, [&server] {
        const auto& request = server.requests.back();
        std::printf("%s %s\n", request.method.constData(), request.path.constData());
        std::fflush(stdout);
    });
    std::printf("port %u\n", unsigned(server.port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
