// What a device may send back to a GET, served to DeviceHttpReply over a
// loopback connection of the harness's own: the first input byte sets the
// size of the pieces the rest is written in, then the connection closes. The
// reply must finish exactly once, hand out no more body than was sent, and,
// as Qt's own replies do, report an error for every status from 400 on.

#include "fuzzsupport.h"

#include "device/devicehttpreply.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkRequest>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

namespace {

constexpr int WaitLimitMs = 5000;

QTcpServer &server()
{
    static QTcpServer listening;
    return listening;
}

// Runs the event loop until done() holds; false when it never does.
bool runUntil(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    QTimer wake; // the wait below returns at least this often
    wake.start(20);
    while (!done()) {
        if (clock.elapsed() > WaitLimitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::initialize(argc, argv);
    FuzzSupport::bringUpLoopback();
    FUZZ_CHECK(server().listen(QHostAddress::LocalHost), server().errorString());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const int piece = 1 + data[0];
    const QByteArray stream = FuzzSupport::bytes(data + 1, size - 1);
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/dimmer_info").arg(server().serverPort()));
    DeviceHttpReply reply{QNetworkRequest(url), nullptr};
    int finished = 0;
    qint64 received = 0;
    QObject::connect(&reply, &QNetworkReply::finished, [&finished] { ++finished; });
    QObject::connect(&reply, &QIODevice::readyRead,
                     [&reply, &received] { received += reply.readAll().size(); });

    FUZZ_CHECK(runUntil([] { return server().hasPendingConnections(); }), QString());
    QPointer<QTcpSocket> peer = server().nextPendingConnection();
    for (int at = 0; at < stream.size() && finished == 0; at += piece) {
        peer->write(stream.mid(at, piece));
        peer->flush();
        // The reply reads each piece before the next is written.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    peer->disconnectFromHost();
    FUZZ_CHECK(runUntil([&finished] { return finished > 0; }),
               QStringLiteral("never finished after %1 bytes").arg(stream.size()));
    received += reply.readAll().size();
    QCoreApplication::processEvents();
    FUZZ_CHECK(finished == 1, QString::number(finished));
    FUZZ_CHECK(received <= stream.size(),
               QStringLiteral("%1 body bytes from %2 sent").arg(received).arg(stream.size()));
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    FUZZ_CHECK(reply.error() != QNetworkReply::NoError || (status >= 200 && status < 400),
               QStringLiteral("success with status %1").arg(status));
    delete peer;
    return 0;
}
