#include "device/devicehttpreply.h"

#include <QTcpSocket>
#include <QUrl>

#include <cstring>

namespace {

constexpr qint64 MaxHeadBytes = 64 * 1024;
constexpr int MaxLineBytes = 8 * 1024;
// How much is taken from the socket at a time, so a bounded reply stays bounded.
constexpr qint64 ReadStepBytes = 64 * 1024;
constexpr quint16 HttpPort = 80;

// The error Qt's HTTP replies give for a status.
QNetworkReply::NetworkError errorOfStatus(int status)
{
    switch (status) {
    case 400:
        return QNetworkReply::ProtocolInvalidOperationError;
    case 401:
        return QNetworkReply::AuthenticationRequiredError;
    case 403:
        return QNetworkReply::ContentAccessDenied;
    case 404:
        return QNetworkReply::ContentNotFoundError;
    case 405:
        return QNetworkReply::ContentOperationNotPermittedError;
    case 409:
        return QNetworkReply::ContentConflictError;
    case 410:
        return QNetworkReply::ContentGoneError;
    case 500:
        return QNetworkReply::InternalServerError;
    case 501:
        return QNetworkReply::OperationNotImplementedError;
    case 503:
        return QNetworkReply::ServiceUnavailableError;
    default:
        break;
    }
    if (status >= 500) {
        return QNetworkReply::UnknownServerError;
    }
    return status >= 400 ? QNetworkReply::UnknownContentError : QNetworkReply::NoError;
}

} // namespace

DeviceHttpReply::DeviceHttpReply(const QNetworkRequest &request, QObject *parent)
    : QNetworkReply(parent), socket(new QTcpSocket(this))
{
    setRequest(request);
    setUrl(request.url());
    setOperation(QNetworkAccessManager::GetOperation);
    QIODevice::open(QIODevice::ReadOnly);
    socket->setReadBufferSize(ReadStepBytes);
    connect(socket, &QTcpSocket::connected, this, &DeviceHttpReply::sendRequest);
    connect(socket, &QTcpSocket::readyRead, this, &DeviceHttpReply::receive);
    connect(socket, &QTcpSocket::disconnected, this, &DeviceHttpReply::onDisconnected);
    connect(socket, &QAbstractSocket::errorOccurred, this, &DeviceHttpReply::onSocketError);
    // Connecting can fail at once; the manager must have the reply before it finishes.
    QMetaObject::invokeMethod(this, &DeviceHttpReply::connectToDevice, Qt::QueuedConnection);
}

void DeviceHttpReply::connectToDevice()
{
    if (stage != Stage::Waiting) {
        return;
    }
    socket->connectToHost(url().host(), quint16(url().port(HttpPort)));
}

void DeviceHttpReply::sendRequest()
{
    const QUrl target = url();
    QByteArray path = target.path(QUrl::FullyEncoded).toLatin1();
    if (path.isEmpty()) {
        path = "/";
    }
    if (target.hasQuery()) {
        path += '?' + target.query(QUrl::FullyEncoded).toLatin1();
    }
    QByteArray host = target.host(QUrl::FullyEncoded).toLatin1();
    if (target.port(HttpPort) != HttpPort) {
        host += ':' + QByteArray::number(target.port());
    }
    stage = Stage::StatusLine;
    socket->write("GET " + path + " HTTP/1.1\r\nHost: " + host +
                  "\r\nConnection: close\r\nUser-Agent: Mozilla/5.0\r\n\r\n");
}

qint64 DeviceHttpReply::bytesAvailable() const
{
    return QNetworkReply::bytesAvailable() + body.size();
}

qint64 DeviceHttpReply::readData(char *data, qint64 maxSize)
{
    const int count = int(qMin<qint64>(maxSize, body.size()));
    if (count == 0) {
        return stage == Stage::Finished ? -1 : 0;
    }
    std::memcpy(data, body.constData(), size_t(count));
    body.remove(0, count);
    // A full buffer stopped the reading; what waits comes next.
    if (stage < Stage::Complete &&
        (!incoming.isEmpty() || socket->bytesAvailable() > 0 || closedByPeer)) {
        QMetaObject::invokeMethod(this, &DeviceHttpReply::resume, Qt::QueuedConnection);
    }
    return count;
}

bool DeviceHttpReply::bodyFull() const
{
    return readBufferSize() > 0 && body.size() >= readBufferSize();
}

void DeviceHttpReply::receive()
{
    const int before = body.size();
    progressed = false;
    while (stage < Stage::Complete && !bodyFull()) {
        if (parse()) {
            progressed = true;
            continue;
        }
        if (stage >= Stage::Complete || socket->bytesAvailable() <= 0) {
            break;
        }
        incoming += socket->read(ReadStepBytes);
    }
    if (stage == Stage::Finished) {
        return;
    }
    if (body.size() > before) {
        Q_EMIT readyRead();
    }
    if (stage == Stage::Complete) {
        const NetworkError code = errorOfStatus(status);
        if (code != NoError) {
            setError(code, QStringLiteral("HTTP status %1").arg(status));
            Q_EMIT errorOccurred(code);
        }
        finish();
    }
}

// One step over what has arrived; false when it needs more bytes.
bool DeviceHttpReply::parse()
{
    switch (stage) {
    case Stage::StatusLine:
        return parseStatusLine();
    case Stage::Headers:
        return parseHeader();
    case Stage::Body:
    case Stage::ChunkData:
        return parseBody();
    case Stage::ChunkSize:
        return parseChunkSize();
    case Stage::ChunkEnd:
        return parseLineOf(Stage::ChunkSize);
    case Stage::Trailer:
        return parseLineOf(Stage::Complete);
    default:
        return false;
    }
}

bool DeviceHttpReply::takeLine(QByteArray &line)
{
    const int end = incoming.indexOf('\n');
    if (end < 0) {
        if (incoming.size() > MaxLineBytes) {
            fail(ProtocolFailure, QStringLiteral("Line too long"));
        }
        return false;
    }
    line = incoming.left(end);
    incoming.remove(0, end + 1);
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    headBytes += line.size();
    if (headBytes > MaxHeadBytes) {
        fail(ProtocolFailure, QStringLiteral("Header too long"));
        return false;
    }
    return true;
}

bool DeviceHttpReply::parseStatusLine()
{
    QByteArray line;
    if (!takeLine(line)) {
        return false;
    }
    // HTTP/1.1 200 OK
    bool ok = false;
    status = line.mid(9, 3).toInt(&ok);
    if (!line.startsWith("HTTP/1.") || line.size() < 12 || !ok || status < 100) {
        fail(ProtocolFailure, QStringLiteral("Not an HTTP reply"));
        return false;
    }
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, status);
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute, line.mid(13));
    remaining = -1;
    chunked = false;
    stage = Stage::Headers;
    return true;
}

bool DeviceHttpReply::parseHeader()
{
    QByteArray line;
    if (!takeLine(line)) {
        return false;
    }
    if (line.isEmpty()) {
        startBody();
        return true;
    }
    const int colon = line.indexOf(':');
    if (colon <= 0) {
        fail(ProtocolFailure, QStringLiteral("Bad header"));
        return false;
    }
    const QByteArray name = line.left(colon).trimmed().toLower();
    const QByteArray value = line.mid(colon + 1).trimmed();
    setRawHeader(name, value);
    if (name == "content-length") {
        bool ok = false;
        remaining = value.toLongLong(&ok);
        if (!ok || remaining < 0) {
            fail(ProtocolFailure, QStringLiteral("Bad Content-Length"));
            return false;
        }
    } else if (name == "transfer-encoding") {
        chunked = value.toLower().contains("chunked");
    }
    return true;
}

void DeviceHttpReply::startBody()
{
    // An interim reply (100 Continue) is followed by the real one.
    if (status < 200) {
        stage = Stage::StatusLine;
        return;
    }
    Q_EMIT metaDataChanged();
    if (status == 204 || status == 304) {
        stage = Stage::Complete;
    } else if (chunked) {
        stage = Stage::ChunkSize;
    } else {
        stage = remaining == 0 ? Stage::Complete : Stage::Body;
    }
}

bool DeviceHttpReply::parseBody()
{
    qint64 count = incoming.size();
    if (remaining >= 0) {
        count = qMin(count, remaining);
    }
    if (readBufferSize() > 0) {
        // What does not fit waits in `incoming` until the body is read.
        count = qMin(count, readBufferSize() - body.size());
    }
    if (count <= 0 && remaining != 0) {
        return false;
    }
    body += incoming.left(int(count));
    incoming.remove(0, int(count));
    if (remaining >= 0) {
        remaining -= count;
    }
    if (remaining == 0) {
        stage = stage == Stage::ChunkData ? Stage::ChunkEnd : Stage::Complete;
    }
    return true;
}

bool DeviceHttpReply::parseChunkSize()
{
    QByteArray line;
    if (!takeLine(line)) {
        return false;
    }
    const int extension = line.indexOf(';');
    bool ok = false;
    const qint64 size = (extension < 0 ? line : line.left(extension)).trimmed().toLongLong(&ok, 16);
    if (!ok || size < 0) {
        fail(ProtocolFailure, QStringLiteral("Bad chunk size"));
        return false;
    }
    remaining = size;
    stage = size == 0 ? Stage::Trailer : Stage::ChunkData;
    return true;
}

// A line that ends a chunk, or one of the trailer; the empty one moves on.
bool DeviceHttpReply::parseLineOf(Stage next)
{
    QByteArray line;
    if (!takeLine(line)) {
        return false;
    }
    if (line.isEmpty()) {
        stage = next;
    } else if (stage == Stage::ChunkEnd) {
        fail(ProtocolFailure, QStringLiteral("Bad chunk end"));
        return false;
    }
    return true;
}

void DeviceHttpReply::resume()
{
    if (closedByPeer) {
        settleClosed();
        return;
    }
    receive();
}

void DeviceHttpReply::onDisconnected()
{
    closedByPeer = true;
    settleClosed();
}

void DeviceHttpReply::settleClosed()
{
    if (stage >= Stage::Complete) {
        return;
    }
    receive();
    // A reader that has not made room yet decides with its next read.
    if (stage >= Stage::Complete || bodyFull()) {
        return;
    }
    if (progressed && (!incoming.isEmpty() || socket->bytesAvailable() > 0)) {
        // Room was made while this ran; the rest follows.
        QMetaObject::invokeMethod(this, &DeviceHttpReply::resume, Qt::QueuedConnection);
        return;
    }
    if (stage == Stage::Body && remaining < 0) {
        // The end of the connection ends a body of no stated length.
        stage = Stage::Complete;
        receive();
        return;
    }
    fail(RemoteHostClosedError, QStringLiteral("Connection closed"));
}

void DeviceHttpReply::onSocketError(QAbstractSocket::SocketError socketError)
{
    switch (socketError) {
    case QAbstractSocket::RemoteHostClosedError:
        return; // onDisconnected decides
    case QAbstractSocket::ConnectionRefusedError:
        fail(ConnectionRefusedError, socket->errorString());
        return;
    case QAbstractSocket::HostNotFoundError:
        fail(HostNotFoundError, socket->errorString());
        return;
    case QAbstractSocket::SocketTimeoutError:
        fail(TimeoutError, socket->errorString());
        return;
    default:
        fail(UnknownNetworkError, socket->errorString());
    }
}

void DeviceHttpReply::abort()
{
    if (stage == Stage::Finished) {
        return;
    }
    close();
    fail(OperationCanceledError, QStringLiteral("Operation canceled"));
}

void DeviceHttpReply::fail(NetworkError code, const QString &text)
{
    if (stage == Stage::Finished) {
        return;
    }
    setError(code, text);
    Q_EMIT errorOccurred(code);
    finish();
}

void DeviceHttpReply::finish()
{
    stage = Stage::Finished;
    socket->disconnect(this);
    socket->abort();
    setFinished(true);
    Q_EMIT finished();
}
