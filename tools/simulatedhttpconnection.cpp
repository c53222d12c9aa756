#include "simulatedhttpconnection.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

SimulatedHttpConnection::SimulatedHttpConnection(QTcpSocket *socket, QObject *parent)
    : QObject(parent), socket(socket), idleTimer(new QTimer(this)),
      local(socket->localAddress().toString())
{
    socket->setParent(this);
    connect(socket, &QTcpSocket::readyRead, this, &SimulatedHttpConnection::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);

    // A client that never completes its request must not hold the connection forever.
    idleTimer->setSingleShot(true);
    connect(idleTimer, &QTimer::timeout, this, [this] {
        this->socket->abort();
        deleteLater();
    });
    idleTimer->start(IdleTimeoutMs);

    if (socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &SimulatedHttpConnection::onReadyRead);
}

void SimulatedHttpConnection::onReadyRead()
{
    if (requestSeen) {
        socket->readAll();
        return;
    }
    buffer += socket->read(MaxRequestBytes - buffer.size());

    int headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        headEnd = buffer.indexOf("\n\n");
    if (headEnd < 0) {
        if (buffer.size() < MaxRequestBytes)
            return;
        requestSeen = true;
        idleTimer->stop();
        socket->readAll();
        emit malformedRequest(this, 431);
        return;
    }

    requestSeen = true;
    idleTimer->stop();
    const QByteArray line = buffer.left(buffer.indexOf('\n')).trimmed();
    buffer.clear();
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 3 || parts.at(1).isEmpty() || !parts.at(2).startsWith("HTTP/1.")) {
        emit malformedRequest(this, 400);
        return;
    }
    emit requestReceived(this, parts.at(0), parts.at(1));
}

void SimulatedHttpConnection::reply(const QByteArray &response, int delayMs, int trickleIntervalMs)
{
    if (replying)
        return;
    replying = true;
    pending = response;
    trickleMs = trickleIntervalMs;
    if (delayMs > 0) {
        QTimer::singleShot(delayMs, this, &SimulatedHttpConnection::startSending);
        return;
    }
    startSending();
}

void SimulatedHttpConnection::replyStatus(int code)
{
    QByteArray reason = "Bad Request";
    if (code == 404)
        reason = "Not Found";
    else if (code == 405)
        reason = "Method Not Allowed";
    else if (code == 431)
        reason = "Request Header Fields Too Large";
    reply("HTTP/1.1 " + QByteArray::number(code) + ' ' + reason +
              "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
          0, 0);
}

void SimulatedHttpConnection::startSending()
{
    if (trickleMs <= 0 || pending.isEmpty()) {
        socket->write(pending);
        pending.clear();
        finish();
        return;
    }
    trickleTimer = new QTimer(this);
    connect(trickleTimer, &QTimer::timeout, this, &SimulatedHttpConnection::sendNextByte);
    trickleTimer->start(trickleMs);
    sendNextByte();
}

void SimulatedHttpConnection::sendNextByte()
{
    socket->write(pending.left(1));
    pending.remove(0, 1);
    if (!pending.isEmpty())
        return;
    trickleTimer->stop();
    finish();
}

void SimulatedHttpConnection::finish()
{
    // Closes once everything written has gone out; disconnected() then deletes us.
    socket->disconnectFromHost();
}
