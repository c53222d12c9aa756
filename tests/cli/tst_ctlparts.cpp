#include "cli/ctl.h"
#include "cli/ctlcommandline.h"
#include "cli/level.h"
#include "cli/outputtext.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<int>)

class TestCtlParts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void levels_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<int>>("level");
        const std::optional<int> none;
        QTest::newRow("number") << "128" << std::optional<int>(128);
        QTest::newRow("lowest") << "0" << std::optional<int>(0);
        QTest::newRow("highest") << "255" << std::optional<int>(255);
        QTest::newRow("on") << "on" << std::optional<int>(255);
        QTest::newRow("OFF") << "OFF" << std::optional<int>(0);
        QTest::newRow("50%") << "50%" << std::optional<int>(128);
        QTest::newRow("1%") << "1%" << std::optional<int>(3);
        QTest::newRow("100%") << "100%" << std::optional<int>(255);
        QTest::newRow("above 255") << "256" << none;
        QTest::newRow("above 100%") << "101%" << none;
        QTest::newRow("negative") << "-1" << none;
        QTest::newRow("signed") << "+5" << none;
        QTest::newRow("fraction") << "5.5" << none;
        QTest::newRow("exponent") << "1e2" << none;
        QTest::newRow("blank") << " 5" << none;
        QTest::newRow("percent sign only") << "%" << none;
        QTest::newRow("empty") << "" << none;
        QTest::newRow("many digits") << "0000128" << none;
    }

    void levels()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<int>, level);
        QCOMPARE(Level::parse(text), level);
    }

    // The window shows floor(level * 100 / 255) percent: N% must be the lowest
    // level that it shows as N%.
    void percentagesAreTheWindowsOwn()
    {
        for (int percent = 0; percent <= 100; ++percent) {
            const int level = Level::ofPercent(percent);
            QCOMPARE(level * 100 / 255, percent);
            if (level > 0) {
                QVERIFY((level - 1) * 100 / 255 < percent);
            }
        }
    }

    void usageErrorsExit2_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"switch"};
        QTest::newRow("set without level") << QStringList{"set", "a", "1"};
        QTest::newRow("set with a bad level") << QStringList{"set", "a", "1", "half"};
        QTest::newRow("status without controller") << QStringList{"status"};
        QTest::newRow("status with two") << QStringList{"status", "a", "b"};
        QTest::newRow("zero timeout") << QStringList{"search", "--timeout", "0"};
        QTest::newRow("timeout no number") << QStringList{"search", "--timeout=soon"};
        QTest::newRow("timeout without value") << QStringList{"search", "--timeout"};
        QTest::newRow("timeout on list") << QStringList{"list", "--timeout", "1"};
        QTest::newRow("empty controller") << QStringList{"status", ""};
        QTest::newRow("empty network") << QStringList{"search", ""};
        QTest::newRow("dash number before the arguments") << QStringList{"set", "-1", "1", "on"};
        QTest::newRow("command option before the command")
            << QStringList{"--timeout", "1", "search"};
        QTest::newRow("unknown option before the command") << QStringList{"--verbose", "list"};
        QTest::newRow("settings dir without value") << QStringList{"--settings-dir"};
        QTest::newRow("search a network too wide") << QStringList{"search", "10.1.0.0/16"};
        QTest::newRow("search two networks") << QStringList{"search", "10.1.0.0/24", "10.2.0.1"};
        QTest::newRow("unknown option") << QStringList{"status", "a", "--verbose"};
        QTest::newRow("restore without file") << QStringList{"restore", "a"};
        QTest::newRow("dry run on backup") << QStringList{"backup", "a", "f", "--dry-run"};
        QTest::newRow("password on set")
            << QStringList{"set", "a", "1", "on", "--wifi-password-file=p"};
        QTest::newRow("password without file")
            << QStringList{"restore", "a", "f", "--wifi-password-file"};
    }

    void usageErrorsExit2()
    {
        QFETCH(QStringList, arguments);
        arguments.prepend(QStringLiteral("norvaleo-ctl"));
        QVERIFY(!CtlCommandLine::parse(arguments).error.isEmpty());
        QCOMPARE(Ctl::run(arguments), int(Ctl::UsageError));
    }

    void usageErrorsSayWhatAndWhereTheHelpIs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("help");
        QTest::newRow("one missing")
            << QStringList{"set", "a", "1"} << "set: не хватает аргумента УРОВЕНЬ"
            << "norvaleo-ctl set --help";
        QTest::newRow("two missing")
            << QStringList{"set", "a"} << "set: не хватает аргументов КАНАЛ УРОВЕНЬ"
            << "norvaleo-ctl set --help";
        QTest::newRow("file missing")
            << QStringList{"--json", "backup", "a"} << "backup: не хватает аргумента ФАЙЛ"
            << "norvaleo-ctl backup --help";
        QTest::newRow("empty") << QStringList{"restore", "a", ""} << "restore: пустой аргумент ФАЙЛ"
                               << "norvaleo-ctl restore --help";
        QTest::newRow("negative level") << QStringList{"set", "a", "1", "-1"}
                                        << "уровень «-1»: нужно 0-255, N% (0-100), on или off"
                                        << "norvaleo-ctl set --help";
        QTest::newRow("no command") << QStringList{"--json"} << "не указана команда"
                                    << "norvaleo-ctl --help";
    }

    void usageErrorsSayWhatAndWhereTheHelpIs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        QFETCH(QString, help);
        arguments.prepend(QStringLiteral("norvaleo-ctl"));
        const CtlCommandLine line = CtlCommandLine::parse(arguments);
        QCOMPARE(line.error, error);
        QCOMPARE(line.helpHint(), help);
    }

    void commandLines()
    {
        const auto parse = [](QStringList arguments) {
            arguments.prepend(QStringLiteral("norvaleo-ctl"));
            return CtlCommandLine::parse(arguments);
        };
        const CtlCommandLine set = parse({"set", "--json", "Кухня", "1", "on"});
        QVERIFY2(set.error.isEmpty(), qPrintable(set.error));
        QCOMPARE(set.arguments, (QStringList{"Кухня", "1", "on"}));
        QVERIFY(set.json);
        QCOMPARE(parse({"search", "--timeout=1.5"}).timeoutSeconds, 1.5);
        QCOMPARE(parse({"list", "--settings-dir", "/tmp/x"}).settingsDirectory,
                 QStringLiteral("/tmp/x"));
        // The options of every command, before the command as after it.
        const CtlCommandLine before = parse({"--settings-dir", "/tmp/x", "--json", "list"});
        QVERIFY2(before.error.isEmpty(), qPrintable(before.error));
        QCOMPARE(before.command, QStringLiteral("list"));
        QCOMPARE(before.settingsDirectory, QStringLiteral("/tmp/x"));
        QVERIFY(before.json);
        const CtlCommandLine search = parse({"--json", "search", "--settings-dir=/tmp/y"});
        QVERIFY2(search.error.isEmpty(), qPrintable(search.error));
        QVERIFY(search.json);
        QCOMPARE(search.settingsDirectory, QStringLiteral("/tmp/y"));
        QVERIFY(parse({"--help", "set"}).help);
        QVERIFY(parse({"--json", "--version"}).version);
        // Once the arguments have begun, a negative number is one of them.
        QCOMPARE(parse({"set", "a", "-5", "-1", "--json"}).arguments,
                 (QStringList{"a", "-5", "-1"}));
        // After "--" a name may start with a dash.
        QCOMPARE(parse({"status", "--", "-Гараж-"}).arguments, QStringList{"-Гараж-"});
        // Help wins over what is missing.
        const CtlCommandLine help = parse({"set", "--help"});
        QVERIFY(help.help && help.error.isEmpty());
        QVERIFY(CtlCommandLine::helpText(help.command).contains("set КОНТРОЛЛЕР КАНАЛ УРОВЕНЬ"));
    }

    void escaping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "Кухня 2"
                               << "Кухня 2";
        QTest::newRow("escape sequence") << "a\x1b[2Jb"
                                         << "a\\x1b[2Jb";
        QTest::newRow("line break") << "a\nb\r"
                                    << "a\\x0ab\\x0d";
        QTest::newRow("delete and C1") << QString::fromUtf8("\x7f\xc2\x9b") << "\\x7f\\x9b";
        QTest::newRow("right-to-left override")
            << QString::fromUtf8("a\xe2\x80\xae") << "a\\u{202e}";
        QTest::newRow("backslash") << "a\\x1b"
                                   << "a\\\\x1b";
    }

    void escaping()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(OutputText::escaped(text), shown);
    }

    void jsonKeepsTextAndEscapesWhatATerminalActsOn()
    {
        const QString name = QString::fromUtf8("Кухня\x1b\xc2\x9b\xe2\x80\xae\xe2\x80\xa8\"");
        const QByteArray json = OutputText::json({{QStringLiteral("name"), name}});
        for (const QByteArray &raw : {QByteArray("\x1b"), QByteArray("\xc2\x9b"),
                                      QByteArray("\xe2\x80\xae"), QByteArray("\xe2\x80\xa8")}) {
            QVERIFY2(!json.contains(raw), json.constData());
        }
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(json, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(document.object().value(QStringLiteral("name")).toString(), name);
    }
};

QTEST_GUILESS_MAIN(TestCtlParts)
#include "tst_ctlparts.moc"
