#include "mqtt/mqttoptions.h"

#include "mqtt/mosquittoclient.h"

#include <QFile>
#include <QHash>

namespace {

constexpr qint64 MaxPasswordFileSize = 4096;

const char *const programHelp = R"(Использование: norvaleo-mqtt [ПАРАМЕТРЫ]

Передаёт контроллеры из файла настроек NorvaleoDimmer брокеру MQTT: их
доступность, состояние каналов и конфигурацию обнаружения Home Assistant, и
принимает команды каналам. Опрашивает контроллеры так же, как окно
приложения; файл настроек не изменяет. Сигнал HUP перечитывает файл.

Параметры:
  --broker УЗЕЛ[:ПОРТ]      брокер (по умолчанию 127.0.0.1:1883, с --tls порт 8883)
  --username ИМЯ            имя пользователя на брокере
  --password-file ФАЙЛ      пароль: первая строка файла
  --tls                     соединение TLS
  --cafile ФАЙЛ             сертификат центра сертификации (включает --tls;
                            без него: системные сертификаты)
  --client-id ИД            идентификатор клиента (по умолчанию
                            norvaleo-mqtt-<имя машины>)
  --topic-prefix ПРЕФИКС    начало тем (по умолчанию norvaleo)
  --discovery-prefix ПРЕФИКС
                            начало тем обнаружения Home Assistant
                            (по умолчанию homeassistant)
  --settings-dir КАТАЛОГ    читать список контроллеров из
                            КАТАЛОГ/settings.json, а не из обычного места
  -h, --help                справка
  -v, --version             версия

Коды завершения: 0 остановлена сигналом TERM или INT, 1 брокер отказал во
входе при запуске или файл не прочитан, 2 ошибка в командной строке.
)";

enum class Option {
    Broker,
    Username,
    PasswordFile,
    Tls,
    CaFile,
    ClientId,
    TopicPrefix,
    DiscoveryPrefix,
    SettingsDir,
    Help,
    Version
};

const QHash<QString, Option> &optionNames()
{
    static const QHash<QString, Option> names{
        {QStringLiteral("--broker"), Option::Broker},
        {QStringLiteral("--username"), Option::Username},
        {QStringLiteral("--password-file"), Option::PasswordFile},
        {QStringLiteral("--tls"), Option::Tls},
        {QStringLiteral("--cafile"), Option::CaFile},
        {QStringLiteral("--client-id"), Option::ClientId},
        {QStringLiteral("--topic-prefix"), Option::TopicPrefix},
        {QStringLiteral("--discovery-prefix"), Option::DiscoveryPrefix},
        {QStringLiteral("--settings-dir"), Option::SettingsDir},
        {QStringLiteral("-h"), Option::Help},
        {QStringLiteral("--help"), Option::Help},
        {QStringLiteral("-v"), Option::Version},
        {QStringLiteral("--version"), Option::Version}};
    return names;
}

bool takesValue(Option option)
{
    return option != Option::Tls && option != Option::Help && option != Option::Version;
}

} // namespace

MqttOptions MqttOptions::parse(const QStringList &arguments)
{
    MqttOptions options;
    bool portGiven = false;
    for (int i = 1; i < arguments.size() && options.error.isEmpty(); ++i) {
        QString name = arguments.at(i);
        QString value;
        const int equals = name.indexOf(QLatin1Char('='));
        const bool inlineValue = name.startsWith(QLatin1String("--")) && equals > 0;
        if (inlineValue) {
            value = name.mid(equals + 1);
            name = name.left(equals);
        }
        const auto found = optionNames().constFind(name);
        if (found == optionNames().constEnd()) {
            options.error = name.startsWith(QLatin1Char('-'))
                                ? QStringLiteral("неизвестный параметр «%1»").arg(name)
                                : QStringLiteral("лишний аргумент «%1»").arg(name);
            break;
        }
        const Option option = *found;
        if (takesValue(option) && !inlineValue) {
            if (i + 1 >= arguments.size()) {
                options.error = QStringLiteral("%1: не указано значение").arg(name);
                break;
            }
            value = arguments.at(++i);
        } else if (!takesValue(option) && inlineValue) {
            options.error = QStringLiteral("«%1»: у параметра нет значения").arg(arguments.at(i));
            break;
        }
        if (takesValue(option) && value.isEmpty()) {
            options.error = QStringLiteral("%1: пустое значение").arg(name);
            break;
        }
        switch (option) {
        case Option::Broker:
            portGiven = options.takeBroker(value);
            break;
        case Option::Username:
            options.username = value;
            break;
        case Option::PasswordFile:
            options.passwordFile = value;
            break;
        case Option::Tls:
            options.tls = true;
            break;
        case Option::CaFile:
            options.caFile = value;
            options.tls = true;
            break;
        case Option::ClientId:
            options.clientId = value;
            break;
        case Option::TopicPrefix:
            options.topicPrefix = value;
            break;
        case Option::DiscoveryPrefix:
            options.discoveryPrefix = value;
            break;
        case Option::SettingsDir:
            options.settingsDirectory = value;
            break;
        case Option::Help:
            options.help = true;
            break;
        case Option::Version:
            options.version = true;
            break;
        }
    }
    if (!options.error.isEmpty()) {
        return options;
    }
    if (options.tls && !portGiven) {
        options.port = DefaultTlsPort;
    }
    if (!options.passwordFile.isEmpty() && options.username.isEmpty()) {
        options.error = QStringLiteral("--password-file: нужен и --username");
        return options;
    }
    if (options.checkPrefix(QStringLiteral("--topic-prefix"), options.topicPrefix)) {
        options.checkPrefix(QStringLiteral("--discovery-prefix"), options.discoveryPrefix);
    }
    return options;
}

// HOST, HOST:PORT or [IPv6]:PORT; an IPv6 address without brackets has no
// port. True when a port was given.
bool MqttOptions::takeBroker(const QString &text)
{
    QString hostText = text;
    QString portText;
    bool hasPort = false;
    bool ok = true;
    if (text.startsWith(QLatin1Char('['))) {
        const int close = text.indexOf(QLatin1Char(']'));
        const QString rest = close < 0 ? QString() : text.mid(close + 1);
        hostText = text.mid(1, close - 1);
        hasPort = !rest.isEmpty();
        portText = rest.mid(1);
        ok = close > 0 && (!hasPort || rest.startsWith(QLatin1Char(':')));
    } else if (text.count(QLatin1Char(':')) == 1) {
        hostText = text.section(QLatin1Char(':'), 0, 0);
        portText = text.section(QLatin1Char(':'), 1);
        hasPort = true;
    }
    int number = port;
    if (ok && hasPort) {
        number = portText.toInt(&ok);
    }
    if (!ok || hostText.isEmpty() || number < 1 || number > 65535) {
        error = QStringLiteral("--broker: адрес «%1» не понят").arg(text);
        return false;
    }
    host = hostText;
    port = number;
    return hasPort;
}

bool MqttOptions::checkPrefix(const QString &option, const QString &prefix)
{
    if (prefix.startsWith(QLatin1Char('/')) || prefix.endsWith(QLatin1Char('/')) ||
        !MosquittoClient::isValidTopic(prefix)) {
        error = QStringLiteral("%1: «%2» не годится в начало темы").arg(option, prefix);
        return false;
    }
    return true;
}

QString MqttOptions::helpText()
{
    return QString::fromUtf8(programHelp);
}

bool MqttOptions::readPassword(const QString &path, QString &password, QString &reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return false;
    }
    if (file.size() > MaxPasswordFileSize) {
        reason = QStringLiteral("файл больше %1 байт").arg(MaxPasswordFileSize);
        return false;
    }
    QByteArray line = file.readLine(MaxPasswordFileSize + 1);
    while (line.endsWith('\n') || line.endsWith('\r')) {
        line.chop(1);
    }
    password = QString::fromUtf8(line);
    return true;
}
