#include "registry/roleregistry.h"

#include "faultfixture.h"

#include <QMetaEnum>
#include <QNetworkInterface>
#include <QProcess>
#include <QTest>

namespace {

constexpr int SwitchTimeoutMs = 30000;

// Runs tc; its error text, or an empty text when it worked.
QString runTc(const QStringList &arguments)
{
    QProcess tc;
    tc.setProcessChannelMode(QProcess::MergedChannels);
    tc.start(QStringLiteral("tc"), arguments);
    if (!tc.waitForFinished(10000)) {
        return QStringLiteral("tc did not run: ") + tc.errorString();
    }
    if (tc.exitStatus() != QProcess::NormalExit || tc.exitCode() != 0) {
        const QString output = QString::fromLocal8Bit(tc.readAll()).trimmed();
        return output.isEmpty() ? QStringLiteral("tc failed") : output;
    }
    return {};
}

QString errorName(QNetworkReply::NetworkError error)
{
    return QString::fromLatin1(
        QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error));
}

} // namespace

// An address of a controller that stops answering: after the second failed
// request in a row the controller uses its other address, and it and its
// channels show disconnected until the other address answers.
class TestFaultsAddresses : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        RoleRegistry::fill();
        qRegisterMetaType<SimulatedController::Request>();
    }

    // Silent: accepted, logged, never answered, so each request waits for its
    // abort timer. Refusing: nothing listens, each request fails at once.
    void unansweringAddress_data()
    {
        QTest::addColumn<bool>("refusing");
        QTest::addColumn<QNetworkReply::NetworkError>("error");
        QTest::newRow("wired address silent") << false << QNetworkReply::OperationCanceledError;
        QTest::newRow("wired address refusing") << true << QNetworkReply::ConnectionRefusedError;
    }

    void unansweringAddress()
    {
        QFETCH(bool, refusing);
        QFETCH(QNetworkReply::NetworkError, error);
        FaultFixture f;
        QVERIFY(f.start());
        const qint64 on = f.now();
        f.sim.setAddressSilent(FaultFixture::wired(), !refusing);
        f.sim.setAddressRefusing(FaultFixture::wired(), refusing);
        checkSwitchToWifi(f, on, QTest::currentDataTag(), error);
    }

    // Packets to the address never arrive: loopback traffic to it is held in a
    // traffic class of 8 bit/s, so not even the first packet gets through.
    void droppingAddress()
    {
        // tc changes the loopback of the namespace it runs in: only ever the
        // private one that scripts/netns-run makes (it has the bridge nvbr0).
        if (!QNetworkInterface::interfaceFromName(QStringLiteral("nvbr0")).isValid()) {
            QSKIP("not inside scripts/netns-run: loopback traffic is left alone");
        }
        FaultFixture f;
        QVERIFY(f.start());
        const QString dev = QStringLiteral("lo");
        const QList<QStringList> commands = {
            {"qdisc", "add", "dev", dev, "root", "handle", "1:", "htb", "default", "10"},
            {"class", "add", "dev", dev, "parent", "1:", "classid", "1:10", "htb", "rate",
             "10gbit"},
            {"class", "add", "dev", dev, "parent", "1:", "classid", "1:1", "htb", "rate", "8bit",
             "ceil", "8bit"},
            {"filter", "add", "dev", dev, "parent", "1:", "protocol", "ip", "prio", "1", "u32",
             "match", "ip", "dst", FaultFixture::wired() + "/32", "flowid", "1:1"}};
        const qint64 on = f.now();
        for (const QStringList &command : commands) {
            const QString error = runTc(command);
            if (!error.isEmpty()) {
                runTc({"qdisc", "del", "dev", dev, "root"});
                QSKIP(qPrintable(QStringLiteral("tc cannot hold back loopback traffic here: ") +
                                 error));
            }
        }
        checkSwitchToWifi(f, on, "wired address dropping packets (tc)", QNetworkReply::NoError);
        QCOMPARE(runTc({"qdisc", "del", "dev", dev, "root"}), QString());
    }

private:
    // expected: the error of the failed requests, NoError for any error.
    void checkSwitchToWifi(FaultFixture &f, qint64 on, const char *fault,
                           QNetworkReply::NetworkError expected)
    {
        QTRY_VERIFY_WITH_TIMEOUT(f.value("using_interface") == QVariant(2), SwitchTimeoutMs);
        QVector<FaultFixture::Reply> replies;
        for (const FaultFixture::Reply &reply : f.repliesAfter(on)) {
            if (reply.error != QNetworkReply::NoError) {
                replies.append(reply);
            }
        }
        QCOMPARE(replies.size(), 2);
        for (const FaultFixture::Reply &reply : replies) {
            QCOMPARE(reply.host, FaultFixture::wired());
            if (expected != QNetworkReply::NoError) {
                QCOMPARE(reply.error, expected);
            }
        }
        // The first failure is tolerated; the second switches and disconnects.
        QCOMPARE(replies.at(0).usingInterface, 1);
        QVERIFY(replies.at(0).connected);
        QCOMPARE(replies.at(1).usingInterface, 2);
        QVERIFY(replies.at(1).allDisconnected);

        // The other address answers the next poll.
        QTRY_VERIFY_WITH_TIMEOUT(f.allShow(true), SwitchTimeoutMs);
        const QVector<FaultFixture::Reply> later = f.repliesAfter(replies.at(1).ms);
        QVERIFY(later.size() >= 2);
        const FaultFixture::Reply answered = later.at(1);
        QCOMPARE(answered.host, FaultFixture::wifi());
        QCOMPARE(answered.error, QNetworkReply::NoError);
        QVERIFY(answered.connected);
        QCOMPARE(f.value("using_interface"), QVariant(2));

        FaultFixture::report(
            fault,
            QStringLiteral("first failed request handled (%1)").arg(errorName(replies.at(0).error)),
            replies.at(0).ms - on);
        FaultFixture::report(fault,
                             QStringLiteral("second one (%1): switched to Wi-Fi, all disconnected")
                                 .arg(errorName(replies.at(1).error)),
                             replies.at(1).ms - on);
        FaultFixture::report(fault, QStringLiteral("connected again on Wi-Fi"), answered.ms - on);
    }
};

QTEST_GUILESS_MAIN(TestFaultsAddresses)
#include "tst_faults_addresses.moc"
