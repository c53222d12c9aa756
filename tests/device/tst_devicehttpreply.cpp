// The controllers' own HTTP GET: every way a reply can be framed, split or
// broken, and the errors Qt's replies give for each.
#include "device/devicenetworkaccessmanager.h"

#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

constexpr int WaitMs = 5000;
const QString address = QStringLiteral("127.0.0.7");

// Answers each request on address:80 with the given pieces, 20 ms apart,
// then closes the connection unless told to keep it.
class RawServer
{
public:
    explicit RawServer(QList<QByteArray> pieces, bool close = true) : pieces(std::move(pieces))
    {
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this, close] {
            QTcpSocket *socket = server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, close] {
                request += socket->readAll();
                if (request.contains("\r\n\r\n")) {
                    send(socket, 0, close);
                }
            });
        });
    }

    bool listen() { return server.listen(QHostAddress(address), 80); }

    QTcpServer server;
    QList<QByteArray> pieces;
    QByteArray request;

private:
    void send(QTcpSocket *socket, int index, bool close)
    {
        if (index == pieces.size()) {
            if (close) {
                socket->disconnectFromHost();
            }
            return;
        }
        socket->write(pieces.at(index));
        QTimer::singleShot(20, socket, [=] { send(socket, index + 1, close); });
    }
};

QNetworkReply *get(DeviceNetworkAccessManager &manager, const QString &path = "/api?a=1&b=x%20y")
{
    return manager.get(QNetworkRequest(QUrl(QStringLiteral("http://%1:80%2").arg(address, path))));
}

} // namespace

class TestDeviceHttpReply : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<QNetworkReply *>(); }

    void replies_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("body");
        const QByteArray ok = "HTTP/1.1 200 OK\r\n";
        using Pieces = QList<QByteArray>;
        QTest::newRow("length") << Pieces{ok + "Content-Length: 5\r\n\r\nhello"}
                                << int(QNetworkReply::NoError) << QByteArray("hello");
        QTest::newRow("length, split")
            << Pieces{"HTTP/1.1 2", "00 OK\r\nContent-Le", "ngth: 5\r\n\r", "\nhel", "lo"}
            << int(QNetworkReply::NoError) << QByteArray("hello");
        QTest::newRow("chunks, split")
            << Pieces{ok + "Transfer-Encoding: chunked\r\n\r\n5\r\nhe", "llo\r\n6;x=1\r",
                      "\n world\r\n0\r\n", "Trailer: 1\r\n\r\n"}
            << int(QNetworkReply::NoError) << QByteArray("hello world");
        QTest::newRow("up to the close") << Pieces{"HTTP/1.0 200 OK\r\n\r\n{\"a\":", "1}"}
                                         << int(QNetworkReply::NoError) << QByteArray("{\"a\":1}");
        QTest::newRow("bare line ends") << Pieces{"HTTP/1.1 200 OK\nContent-Length: 2\n\nok"}
                                        << int(QNetworkReply::NoError) << QByteArray("ok");
        QTest::newRow("interim reply first")
            << Pieces{"HTTP/1.1 100 Continue\r\n\r\n", ok + "Content-Length: 2\r\n\r\nok"}
            << int(QNetworkReply::NoError) << QByteArray("ok");
        QTest::newRow("404") << Pieces{"HTTP/1.1 404 Not Found\r\nContent-Length: 1\r\n\r\nx"}
                             << int(QNetworkReply::ContentNotFoundError) << QByteArray("x");
        QTest::newRow("500") << Pieces{"HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n"}
                             << int(QNetworkReply::InternalServerError) << QByteArray();
        QTest::newRow("not HTTP") << Pieces{"hello\r\n\r\n"} << int(QNetworkReply::ProtocolFailure)
                                  << QByteArray();
        QTest::newRow("bad length") << Pieces{ok + "Content-Length: -3\r\n\r\n"}
                                    << int(QNetworkReply::ProtocolFailure) << QByteArray();
        QTest::newRow("bad chunk size") << Pieces{ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n"}
                                        << int(QNetworkReply::ProtocolFailure) << QByteArray();
        QTest::newRow("endless header") << Pieces{ok + "X: " + QByteArray(70000, 'a')}
                                        << int(QNetworkReply::ProtocolFailure) << QByteArray();
        QTest::newRow("closed in the body")
            << Pieces{ok + "Content-Length: 10\r\n\r\nabc"}
            << int(QNetworkReply::RemoteHostClosedError) << QByteArray("abc");
        QTest::newRow("closed without a reply")
            << Pieces{} << int(QNetworkReply::RemoteHostClosedError) << QByteArray();
    }

    void replies()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(int, error);
        QFETCH(QByteArray, body);
        RawServer server(pieces);
        QVERIFY(server.listen());
        DeviceNetworkAccessManager manager(nullptr);
        QSignalSpy finished(&manager, &QNetworkAccessManager::finished);
        QNetworkReply *reply = get(manager);
        QVERIFY(finished.wait(WaitMs));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).value<QNetworkReply *>(), reply);
        QCOMPARE(int(reply->error()), error);
        QCOMPARE(reply->readAll(), body);
        QVERIFY(reply->isFinished());
        QVERIFY(server.request.startsWith("GET /api?a=1&b=x%20y HTTP/1.1\r\nHost: 127.0.0.7\r\n"));
        delete reply;
    }

    void aRefusedConnectionIsReported()
    {
        DeviceNetworkAccessManager manager(nullptr);
        QSignalSpy finished(&manager, &QNetworkAccessManager::finished);
        QNetworkReply *reply = get(manager);
        QVERIFY(finished.wait(WaitMs));
        QCOMPARE(reply->error(), QNetworkReply::ConnectionRefusedError);
        delete reply;
    }

    // As with Qt's replies, abort() reports the end at once, and only once.
    void abortFinishesAtOnce()
    {
        RawServer server({}, false);
        QVERIFY(server.listen());
        DeviceNetworkAccessManager manager(nullptr);
        QSignalSpy finished(&manager, &QNetworkAccessManager::finished);
        QNetworkReply *reply = get(manager);
        QTRY_VERIFY_WITH_TIMEOUT(!server.request.isEmpty(), WaitMs);
        reply->abort();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(reply->error(), QNetworkReply::OperationCanceledError);
        reply->abort();
        QTest::qWait(100);
        QCOMPARE(finished.count(), 1);
        delete reply;
    }

    // A read buffer size holds the body back until it is read, then the rest follows.
    void aBoundedBufferWaitsForTheReader()
    {
        const QByteArray body(5000, 'b');
        RawServer server({"HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + body});
        QVERIFY(server.listen());
        DeviceNetworkAccessManager manager(nullptr);
        QNetworkReply *reply = get(manager);
        reply->setReadBufferSize(1000);
        QByteArray read;
        qint64 largest = 0;
        connect(reply, &QIODevice::readyRead, reply, [&] {
            largest = qMax(largest, reply->bytesAvailable());
            read += reply->readAll();
        });
        QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), WaitMs);
        read += reply->readAll();
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QCOMPARE(read, body);
        QVERIFY(largest <= 1000);
        delete reply;
    }
};

QTEST_GUILESS_MAIN(TestDeviceHttpReply)
#include "tst_devicehttpreply.moc"
