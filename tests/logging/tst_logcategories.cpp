// The log lines of the back end go to the categories a user names in
// QT_LOGGING_RULES; their debug output is off until a rule turns it on.
#include "discovery/devicessearcher.h"
#include "logging/logcategories.h"

#include "../common/modeltestsetup.h"
#include "../device/testrootmodel.h"

#include <QLoggingCategory>
#include <QTest>

#include <functional>

Q_DECLARE_METATYPE(std::function<void()>)

namespace {

struct Line
{
    QByteArray category;
    QString text;
};
QList<Line> lines;

void record(QtMsgType, const QMessageLogContext &context, const QString &text)
{
    lines.append({QByteArray(context.category), text});
}

// The lines of one category that an action logs.
QStringList logged(const QByteArray &category, const std::function<void()> &action)
{
    lines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(record);
    action();
    qInstallMessageHandler(previous);
    QStringList texts;
    for (const Line &line : std::as_const(lines)) {
        if (line.category == category) {
            texts.append(line.text);
        }
    }
    return texts;
}

} // namespace

class tst_LogCategories : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareModelTests(); }
    void cleanup() { QLoggingCategory::setFilterRules(QString()); }

    void debugLinesNeedARule_data();
    void debugLinesNeedARule();
};

void tst_LogCategories::debugLinesNeedARule_data()
{
    QTest::addColumn<QByteArray>("category");
    QTest::addColumn<std::function<void()>>("action");
    QTest::addColumn<QString>("expected");

    QTest::newRow("device: RS-485 request")
        << QByteArray("norvaleo.device") << std::function<void()>([] {
               TestRootModel model;
               model.addController(QStringLiteral("127.0.0.10"), QString(), QStringLiteral("NV1"),
                                   QStringLiteral("Кухня"));
               model.write(model.controllerIndex(), "rs485_all_settings",
                           QStringLiteral("19200 8E2"));
           })
        << QStringLiteral("HTTP QUERY \"request_type=set&item_type=rs485_settings&speed=19200"
                          "&mode=8E2\"");
    QTest::newRow("discovery: greeting")
        << QByteArray("norvaleo.discovery") << std::function<void()>([] {
               DevicesSearcher searcher;
               searcher.checkDevice(QStringLiteral("127.0.0.10"));
               searcher.stopSearching();
           })
        << QStringLiteral("\"check\" greeting to \"127.0.0.10\"");
}

void tst_LogCategories::debugLinesNeedARule()
{
    QFETCH(QByteArray, category);
    QFETCH(std::function<void()>, action);
    QFETCH(QString, expected);

    QCOMPARE(logged(category, action), QStringList());

    QLoggingCategory::setFilterRules(QStringLiteral("norvaleo.*.debug=true"));
    QVERIFY2(logged(category, action).contains(expected),
             qPrintable(logged(category, action).join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(tst_LogCategories)
#include "tst_logcategories.moc"
