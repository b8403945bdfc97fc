#pragma once

// The reference side of the request benchmarks: a POST through a bare network access manager
// on the main thread, with nothing of the app's request layers around it.

#include <QByteArray>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace bench {

// Posts `body` with `manager` and runs `loop` until the whole reply has arrived and been read.
inline void postAndWait(QNetworkAccessManager& manager, const QNetworkRequest& request,
                        const QByteArray& body, QEventLoop& loop) {
    QNetworkReply* reply = manager.post(request, body);
    QObject::connect(reply, &QNetworkReply::finished, &loop, [&loop, reply] {
        (void)reply->readAll();
        reply->deleteLater();
        loop.quit();
    });
    loop.exec();
}

}  // namespace bench
