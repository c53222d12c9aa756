#include "cli/controllerlink.h"

#include "device/deviceprotocol.h"
#include "device/norvaleodimmer.h"
#include "registry/rootmodel.h"

#include <QEventLoop>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringList>

ControllerLink::ControllerLink(RootModel &root, const QPersistentModelIndex &controller)
    : root(root), controller(controller),
      node(qobject_cast<NorvaleoDimmer *>(
          static_cast<AbstractDeviceModel *>(controller.internalPointer()))),
      manager(nullptr)
{
    // A mismatch would start the window's broadcast search for the lost
    // controller: the terminal sends only the requests it names.
    if (node) {
        QObject::disconnect(node, &NorvaleoDimmer::lostConnection, &root, nullptr);
    }
}

QString ControllerLink::text(const QByteArray &role) const
{
    return root.data(controller, root.roleByName(role)).toString();
}

ControllerLink::Outcome ControllerLink::request(const QUrlQuery &query)
{
    Outcome outcome;
    outcome.failure = QStringLiteral("у контроллера нет адреса");
    QStringList failures;
    for (const ControllerRoute::Address &candidate :
         route.order(text("ipAddress_1"), text("ipAddress_2"))) {
        const Outcome attempt = requestAt(candidate.host, query);
        if (attempt.result == Result::Done || attempt.result == Result::Refused) {
            if (candidate.wired != route.isWiredInUse()) {
                route.switchAddress();
            }
            hostInUse = candidate.host;
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
    QJsonObject status;
    Outcome outcome = exchange(host, DeviceProtocol::systemInfo(), &status);
    if (outcome.result != Result::Done) {
        return outcome;
    }
    if (!node ||
        ControllerRoute::identityOf(status, text("uniqueId")) != ControllerRoute::Identity::Own) {
        outcome.result = Result::Foreign;
        outcome.failure = host + QStringLiteral(": отвечает другой контроллер");
        return outcome;
    }
    confirmedHost = host;
    return outcome;
}

ControllerLink::Outcome ControllerLink::exchange(const QString &host, const QUrlQuery &query,
                                                 QJsonObject *answer)
{
    Outcome outcome;
    outcome.address = host;
    QNetworkReply *reply = ControllerRoute::get(
        manager,
        QNetworkRequest(DeviceProtocol::requestUrl(host, DeviceProtocol::HttpPort, query)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) {
        loop.exec();
    }

    const bool timedOut = ControllerRoute::isTimedOut(*reply);
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
                 ? QStringLiteral(": ответ больше %1 байт").arg(ControllerRoute::MaxReplyBytes)
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
    if (answer) {
        *answer = read.object;
    }
    if (node) {
        node->handleReplyBody(body);
    }
    return outcome;
}

QString ControllerLink::networkFailure(int error, bool timedOut)
{
    if (timedOut) {
        return QStringLiteral("нет ответа за %1 с").arg(ControllerRoute::RequestTimeoutMs / 1000);
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
