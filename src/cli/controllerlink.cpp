#include "cli/controllerlink.h"

#include "device/deviceprotocol.h"
#include "device/norvaleodimmer.h"
#include "registry/rootmodel.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <utility>

ControllerLink::ControllerLink(RootModel &root, const QPersistentModelIndex &controller)
    : root(root), controller(controller),
      node(qobject_cast<NorvaleoDimmer *>(
          static_cast<AbstractDeviceModel *>(controller.internalPointer())))
{
    // A mismatch would start the window's broadcast search for the lost
    // controller: the terminal sends only the requests it names.
    if (node) {
        QObject::disconnect(node, &NorvaleoDimmer::lostConnection, &root, nullptr);
    }
}

QString ControllerLink::address(const QByteArray &role) const
{
    return root.data(controller, root.roleByName(role)).toString();
}

QVector<ControllerLink::Address> ControllerLink::addressOrder() const
{
    const Address wired{address("ipAddress_1"), true};
    const Address wifi{address("ipAddress_2"), false};
    // An empty address is missing here: there is nothing to connect to.
    QVector<Address> order;
    for (const Address &candidate : {wired, wifi}) {
        if (!candidate.host.isEmpty() &&
            (order.isEmpty() || order.first().host != candidate.host)) {
            order.append(candidate);
        }
    }
    if (order.size() == 2 && !inUse.wired) {
        std::swap(order[0], order[1]);
    }
    return order;
}

ControllerLink::Outcome ControllerLink::request(const QUrlQuery &query)
{
    Outcome outcome;
    outcome.failure = QStringLiteral("у контроллера нет адреса");
    QStringList failures;
    for (const Address &candidate : addressOrder()) {
        const Outcome attempt = requestAt(candidate.host, query);
        if (attempt.result == Result::Done || attempt.result == Result::Refused) {
            inUse = candidate;
            return attempt;
        }
        failures.append(attempt.failure);
        outcome = attempt;
    }
    if (!failures.isEmpty()) {
        outcome.failure = failures.join(QStringLiteral("; "));
    }
    return outcome;
}

ControllerLink::Outcome ControllerLink::requestAt(const QString &host, const QUrlQuery &query)
{
    if (host == confirmedHost) {
        return exchange(host, query);
    }
    const Outcome confirmed = confirmAt(host);
    if (confirmed.result != Result::Done || query == DeviceProtocol::systemInfo()) {
        return confirmed;
    }
    return exchange(host, query);
}

ControllerLink::Outcome ControllerLink::confirmAt(const QString &host)
{
    if (node) {
        node->forgetIdentity();
    }
    Outcome outcome = exchange(host, DeviceProtocol::systemInfo());
    if (outcome.result != Result::Done) {
        return outcome;
    }
    if (!node || !node->isIdentityConfirmed()) {
        outcome.result = Result::Foreign;
        outcome.failure = host + QStringLiteral(": отвечает другой контроллер");
        return outcome;
    }
    confirmedHost = host;
    return outcome;
}

ControllerLink::Outcome ControllerLink::exchange(const QString &host, const QUrlQuery &query)
{
    Outcome outcome;
    outcome.address = host;
    QNetworkReply *reply = manager.get(
        QNetworkRequest(DeviceProtocol::requestUrl(host, DeviceProtocol::HttpPort, query)));
    reply->setReadBufferSize(NorvaleoDimmer::MaxReplyBytes);
    QEventLoop loop;
    QTimer abortTimer;
    abortTimer.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&abortTimer, &QTimer::timeout, reply, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QIODevice::readyRead, reply, [reply] {
        if (reply->bytesAvailable() >= NorvaleoDimmer::MaxReplyBytes) {
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    abortTimer.start(NorvaleoDimmer::RequestTimeoutMs);
    loop.exec();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply->error();
    // An aborted reply is closed: only a finished one has a body to read.
    const QByteArray body = error == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    reply->deleteLater();
    if (timedOut || (error != QNetworkReply::NoError && status == 0)) {
        outcome.failure = host + QStringLiteral(": ") + networkFailure(error, timedOut);
        return outcome;
    }
    if (error != QNetworkReply::NoError) {
        outcome.result = Result::Garbage;
        outcome.failure =
            host +
            (error == QNetworkReply::OperationCanceledError
                 ? QStringLiteral(": ответ больше %1 байт").arg(NorvaleoDimmer::MaxReplyBytes)
                 : QStringLiteral(": ответ HTTP %1").arg(status));
        return outcome;
    }
    const DeviceProtocol::Reply read = DeviceProtocol::readReply(body);
    if (read.response == DeviceProtocol::Response::Failure) {
        outcome.result = Result::Garbage;
        outcome.failure = host + QStringLiteral(": ответ не по протоколу");
        return outcome;
    }
    if (read.response == DeviceProtocol::Response::BadRequest) {
        outcome.result = Result::Refused;
        outcome.failure = host + QStringLiteral(": контроллер отказал (bad request)");
        return outcome;
    }
    outcome.result = Result::Done;
    if (node) {
        node->handleReplyBody(body);
    }
    return outcome;
}

QString ControllerLink::networkFailure(int error, bool timedOut)
{
    if (timedOut) {
        return QStringLiteral("нет ответа за %1 с").arg(NorvaleoDimmer::RequestTimeoutMs / 1000);
    }
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("соединение отклонено");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("соединение закрыто без ответа");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("адрес не найден");
    default:
        return QStringLiteral("ошибка сети %1").arg(error);
    }
}
