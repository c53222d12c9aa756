#ifndef MQTTOPTIONS_H
#define MQTTOPTIONS_H

#include <QString>
#include <QStringList>

// The command line of norvaleo-mqtt. A password is only ever read from a
// file: a command line is visible to every user of the machine.
class MqttOptions
{
public:
    static constexpr int DefaultPort = 1883;
    static constexpr int DefaultTlsPort = 8883;

    // arguments: as the process got them, the program first.
    static MqttOptions parse(const QStringList &arguments);
    static QString helpText();
    // The first line of the file; false, with a Russian reason, when it
    // cannot be read or is too large to be a password.
    static bool readPassword(const QString &path, QString &password, QString &reason);

    QString host = QStringLiteral("127.0.0.1");
    int port = DefaultPort;
    QString username;
    QString passwordFile;
    bool tls = false;
    QString caFile;
    // Empty: one derived from the machine's name.
    QString clientId;
    QString topicPrefix = QStringLiteral("norvaleo");
    QString discoveryPrefix = QStringLiteral("homeassistant");
    QString settingsDirectory;
    bool help = false;
    bool version = false;
    // Set when the line cannot be carried out; the rest is then incomplete.
    QString error;

private:
    bool takeBroker(const QString &text);
    bool checkPrefix(const QString &option, const QString &prefix);
};

#endif // MQTTOPTIONS_H
