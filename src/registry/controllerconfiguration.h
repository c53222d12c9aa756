#ifndef CONTROLLERCONFIGURATION_H
#define CONTROLLERCONFIGURATION_H

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

#include <optional>

class QAbstractItemModel;
class QModelIndex;

// Everything a settings page can change on one controller, as a configuration
// file keeps it: read from a controller's roles, written to and read back from
// a JSON document. Reading checks the whole document against what the pages
// accept; the first fault names its member.
class ControllerConfiguration
{
public:
    static constexpr int FormatVersion = 1;
    static constexpr qint64 MaxFileBytes = 1024 * 1024;
    static const QString FormatName;

    struct Channel
    {
        int lightId = 0;
        QString name;
        int lightType = 0;
        int minBrightness = 0;
        int maxBrightness = 0;
        int slowTime = 0;
    };

    struct Network
    {
        QString ssid; // Wi-Fi only
        bool dhcp = false;
        QString address;
        QString mask;
        QString gate;
    };

    // Where and when the file was taken; shown, never applied.
    struct Origin
    {
        QDateTime takenAt;
        QString uniqueId;
        QString name;
        QString type;
        QString netSoftVersion;
        QString controllerVersion;
    };

    Origin origin;
    QString name;
    Network wifi;
    Network lan;
    int rs485Speed = 9600;
    QString rs485Parity = QStringLiteral("N");
    int rs485StopBits = 1;
    int modbusAddress = 1;
    bool autosave = true;
    bool inputAutodetect = false;
    QVector<int> inputsTypes;
    int crosszeroOffset = 0;
    int halfPeriod = 0;
    int pulseDuration = 0;
    bool useTimerSinch = true;
    QVector<Channel> channels;

    // The controller's current roles and its channels' (by light_id, ascending).
    static ControllerConfiguration fromController(const QAbstractItemModel &model,
                                                  const QModelIndex &controller);

    QByteArray toJson() const;
    // The whole document or nothing; error then says which member and why.
    static std::optional<ControllerConfiguration> fromJson(const QByteArray &json, QString *error);
    static std::optional<ControllerConfiguration> readFile(const QString &path, QString *error);
    // Replaces the file whole or leaves it as it was.
    bool writeFile(const QString &path, QString *error) const;

    // Limits of the pages' editors.
    static constexpr int MaxTiming = 20000;
    static constexpr int MaxLevel = 255;
    static constexpr int MaxSlowTime = 108 * 60000 + 59000 + 900;
    static constexpr int MaxModbusAddress = 247;
    static constexpr int MaxSsidLength = 32;
    static bool isRs485Speed(int speed);
};

#endif // CONTROLLERCONFIGURATION_H
