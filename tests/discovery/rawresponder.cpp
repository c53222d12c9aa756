#include "rawresponder.h"

#include <QJsonDocument>
#include <QNetworkDatagram>
#include <QUdpSocket>

namespace {
const QByteArray greeting("hello norvaleo devices!");
}

RawResponder::RawResponder(QObject *parent) : QObject(parent), socket(new QUdpSocket(this))
{
    connect(socket, &QUdpSocket::readyRead, this, &RawResponder::onReadyRead);
}

bool RawResponder::listen()
{
    return socket->bind(QHostAddress::AnyIPv4, 1112,
                        QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
}

void RawResponder::setAnswers(const QList<QByteArray> &answers)
{
    answerFor = [answers](int) {
        return answers;
    };
}

QByteArray RawResponder::answer(const QJsonObject &deviceInfo)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("device_info"), deviceInfo}})
        .toJson(QJsonDocument::Compact);
}

QJsonObject RawResponder::dimmerInfo(const QString &uniqueId, const QString &ipAddress1,
                                     const QString &ipAddress2, const QString &name)
{
    QJsonObject info{{QStringLiteral("type"), QStringLiteral("NORVALEO_DIMMER")},
                     {QStringLiteral("unique_id"), uniqueId}};
    if (!ipAddress1.isNull())
        info.insert(QStringLiteral("ip_1"), ipAddress1);
    if (!ipAddress2.isNull())
        info.insert(QStringLiteral("ip_2"), ipAddress2);
    if (!name.isNull())
        info.insert(QStringLiteral("name"), name);
    return info;
}

void RawResponder::onReadyRead()
{
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram(65536);
        if (!datagram.isValid())
            return;
        if (datagram.data() != greeting) {
            ++others;
            continue;
        }
        destinations.append(datagram.destinationAddress());
        const int number = destinations.size();
        if (answerFor) {
            for (const QByteArray &payload : answerFor(number)) {
                const qint64 sent = socket->writeDatagram(payload, datagram.senderAddress(),
                                                          quint16(datagram.senderPort()));
                if (sent != payload.size())
                    ++failures;
            }
        }
        Q_EMIT greetingReceived(number);
    }
}
