#ifndef RAWRESPONDER_H
#define RAWRESPONDER_H

#include <QByteArray>
#include <QHostAddress>
#include <QJsonObject>
#include <QList>
#include <QObject>

#include <functional>

class QUdpSocket;

// Stands where controllers would: shares UDP port 1112 on every address, counts
// the greetings it receives and answers each one's sender with whatever
// datagrams the test wants, sent back to back.
class RawResponder : public QObject
{
    Q_OBJECT

public:
    // The datagrams that answer the greeting numbered from 1.
    using Answerer = std::function<QList<QByteArray>(int greeting)>;

    explicit RawResponder(QObject *parent = nullptr);

    bool listen();
    void setAnswerer(Answerer answerer) { answerFor = std::move(answerer); }
    void setAnswers(const QList<QByteArray> &answers);

    int greetings() const { return destinations.size(); }
    int otherDatagrams() const { return others; }
    int failedSends() const { return failures; }
    QList<QHostAddress> greetingDestinations() const { return destinations; }

    // One answer datagram holding `deviceInfo` under "device_info".
    static QByteArray answer(const QJsonObject &deviceInfo);
    // A complete dimmer answer; a null address or name leaves its member out.
    static QJsonObject dimmerInfo(const QString &uniqueId, const QString &ipAddress1,
                                  const QString &ipAddress2, const QString &name);

Q_SIGNALS:
    void greetingReceived(int greeting);

private:
    void onReadyRead();

    QUdpSocket *socket = nullptr;
    Answerer answerFor;
    QList<QHostAddress> destinations;
    int others = 0;
    int failures = 0;
};

#endif // RAWRESPONDER_H
