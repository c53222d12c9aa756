// The options the application answers, and the arguments it refuses before
// any window opens.
#include "app/commandline.h"

#include <QtTest>

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void parsingAgainForgetsTheFirstResult();
    void helpIsRussianAndNamesEveryOption();
};

void tst_CommandLine::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("help");
    QTest::addColumn<bool>("version");
    QTest::addColumn<QString>("settingsDirectory");
    QTest::addColumn<QString>("errorText");

    QTest::newRow("nothing") << QStringList{} << true << false << false << QString() << QString();
    QTest::newRow("settings dir") << QStringList{"--settings-dir", "/media/stick/lights"} << true
                                  << false << false << "/media/stick/lights" << QString();
    QTest::newRow("help") << QStringList{"--help"} << true << true << false << QString()
                          << QString();
    QTest::newRow("version") << QStringList{"--version"} << true << false << true << QString()
                             << QString();
    QTest::newRow("-v") << QStringList{"-v"} << true << false << true << QString() << QString();
    QTest::newRow("unknown option") << QStringList{"--bogus"} << false << false << false
                                    << QString() << "неизвестный параметр «--bogus»";
    // Help still wins: it is answered before the application object exists.
    QTest::newRow("unknown option and help")
        << QStringList{"--bogus", "--help"} << false << true << false << QString()
        << "неизвестный параметр «--bogus»";
    QTest::newRow("unknown short option")
        << QStringList{"-x"} << false << false << false << QString() << "неизвестный параметр «-x»";
    QTest::newRow("value for help") << QStringList{"--help=all"} << false << true << false
                                    << QString() << "«--help=all»: у параметра нет значения";
    QTest::newRow("missing directory") << QStringList{"--settings-dir"} << false << false << false
                                       << QString() << "--settings-dir: не указан каталог";
    QTest::newRow("empty directory") << QStringList{"--settings-dir", ""} << false << false << false
                                     << QString() << "--settings-dir: не указан каталог";
    QTest::newRow("Qt's own options left to Qt")
        << QStringList{"-platform", "xcb", "--style=Fusion", "-reverse", "--settings-dir", "/x"}
        << true << false << false << "/x" << QString();
    QTest::newRow("stray argument") << QStringList{"lights.json"} << false << false << false
                                    << QString() << "лишний аргумент «lights.json»";
}

void tst_CommandLine::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, valid);
    QFETCH(bool, help);
    QFETCH(bool, version);
    QFETCH(QString, settingsDirectory);
    QFETCH(QString, errorText);

    CommandLine commandLine;
    QCOMPARE(commandLine.parse(QStringList{"NorvaleoDimmer"} + arguments), valid);
    QCOMPARE(commandLine.helpRequested(), help);
    QCOMPARE(commandLine.versionRequested(), version);
    QCOMPARE(commandLine.errorText().isEmpty(), valid);
    if (valid) {
        QCOMPARE(commandLine.settingsDirectory(), settingsDirectory);
    } else {
        QCOMPARE(commandLine.errorText(), errorText);
    }
}

void tst_CommandLine::parsingAgainForgetsTheFirstResult()
{
    CommandLine commandLine;
    QVERIFY(!commandLine.parse({"NorvaleoDimmer", "--bogus", "--settings-dir", "/d"}));
    QVERIFY(commandLine.parse({"NorvaleoDimmer", "--settings-dir", "/d"}));
    QVERIFY(commandLine.errorText().isEmpty());
    QCOMPARE(commandLine.settingsDirectory(), QStringLiteral("/d"));
}

void tst_CommandLine::helpIsRussianAndNamesEveryOption()
{
    const QString help = CommandLine::helpText();
    QVERIFY(help.startsWith(QStringLiteral("Использование: NorvaleoDimmer [ПАРАМЕТРЫ]\n")));
    for (const char *option :
         {"  --settings-dir КАТАЛОГ  ", "  -h, --help  ", "  -v, --version  "}) {
        QVERIFY2(help.contains(QString::fromUtf8(option)), option);
    }
    // Every line but the option names and values is Russian: no English word is left.
    QVERIFY2(!help.contains(QRegularExpression(QStringLiteral("\\b(the|and|or|Usage|Options)\\b"))),
             qPrintable(help));
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
