#include "support/PrivateDesktop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace vantorel::test {

PrivateDesktop::~PrivateDesktop() { stop(); }

bool PrivateDesktop::start(const QString& size, QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        stop();
        return false;
    };
    xvfb_ = std::make_unique<QProcess>();
    xvfb_->setProcessChannelMode(QProcess::SeparateChannels);
    xvfb_->start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                          QStringLiteral("0"), size + QStringLiteral("x24"), QStringLiteral("-nolisten"),
                                          QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!xvfb_->waitForStarted(5000))
        return fail(QStringLiteral("Xvfb did not start"));
    QByteArray number;
    QElapsedTimer t;
    t.start();
    while (!number.contains('\n') && t.elapsed() < 10000) {
        xvfb_->waitForReadyRead(100);
        number += xvfb_->readAllStandardOutput();
    }
    if (!number.contains('\n'))
        return fail(QStringLiteral("Xvfb gave no display number: ") + QString::fromLocal8Bit(xvfb_->readAllStandardError()));
    qputenv("DISPLAY", ":" + number.trimmed());

    wm_ = std::make_unique<QProcess>();
    wm_->start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!wm_->waitForStarted(5000))
        return fail(QStringLiteral("openbox did not start"));
    // openbox is ready once it announces itself on the root window.
    t.restart();
    while (t.elapsed() < 10000) {
        QProcess probe;
        probe.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        probe.waitForFinished(2000);
        if (probe.readAllStandardOutput().contains("window id"))
            return true;
        QThread::msleep(50);
    }
    return fail(QStringLiteral("openbox did not take the screen"));
}

QProcess* PrivateDesktop::spawn(const QString& program, const QStringList& args) {
    auto p = std::make_unique<QProcess>();
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(program, args);
    p->waitForStarted(5000);
    clients_.push_back(std::move(p));
    return clients_.back().get();
}

void PrivateDesktop::stop() {
    for (auto& c : clients_) {
        c->kill();
        c->waitForFinished(2000);
    }
    clients_.clear();
    for (auto* p : {wm_.get(), xvfb_.get()}) {
        if (p && p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(3000)) {
                p->kill();
                p->waitForFinished(2000);
            }
        }
    }
    wm_.reset();
    xvfb_.reset();
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

} // namespace vantorel::test
