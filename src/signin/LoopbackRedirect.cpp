// SPDX-License-Identifier: GPL-3.0-or-later
#include "signin/LoopbackRedirect.h"

#include <QEventLoop>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

namespace {

constexpr const char* kClosingPage =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Varnolt Pelmar</title></head>"
    "<body><p>Varnolt Pelmar: you may close this page.</p></body></html>";

std::string Item(const QUrlQuery& query, const char* name)
{
    return query.queryItemValue(name, QUrl::FullyDecoded).toStdString();
}

// The request line's target, once the request's head is complete.
bool RequestTarget(const QByteArray& head, QUrl& target)
{
    if (!head.contains("\r\n\r\n"))
        return false;
    const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
    target = QUrl(words.size() >= 2 ? QString::fromLatin1(words[1]) : QString());
    return true;
}

void Answer(QTcpSocket& socket, const char* status, const QByteArray& body)
{
    socket.write(QByteArray("HTTP/1.1 ") + status + "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: "
                 + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket.disconnectFromHost();
}

}

bool TLoopbackRedirect::Listen()
{
    return FServer.listen(QHostAddress::LocalHost, 0);
}

std::string TLoopbackRedirect::Uri() const
{
    return "http://127.0.0.1:" + std::to_string(FServer.serverPort()) + "/";
}

TRedirectAnswer TLoopbackRedirect::Await(int seconds)
{
    TRedirectAnswer answer;
    QEventLoop loop;
    QObject::connect(&FServer, &QTcpServer::newConnection, &loop, [&] {
        while (QTcpSocket* socket = FServer.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, &loop, [&, socket] {
                QUrl target;
                if (answer.Arrived || !RequestTarget(socket->peek(8192), target))
                    return;
                if (target.path() != "/") {
                    Answer(*socket, "404 Not Found", {});
                    return;
                }
                const QUrlQuery query(target);
                answer = {true, Item(query, "code"), Item(query, "state"), Item(query, "error")};
                if (const std::string text = Item(query, "error_description"); !text.empty())
                    answer.Error += ": " + text;
                Answer(*socket, "200 OK", kClosingPage);
                loop.quit();
            });
        }
    });
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    FServer.close();
    return answer;
}
