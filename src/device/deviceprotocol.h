#ifndef DEVICEPROTOCOL_H
#define DEVICEPROTOCOL_H

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QMap>
#include <QMetaEnum>
#include <QString>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

#include <optional>

// The wire side of the controller's HTTP API without a network: the query of
// every request, the texts the user interface composes for grouped settings,
// and the conversions of reply values.
class DeviceProtocol
{
public:
    // Channel and input numbers outside 1 to this are ignored in replies, so a
    // reply can't make the node allocate without bound.
    static constexpr int MaxChannelNumber = 1024;
    static constexpr quint16 HttpPort = 80;

    // What the "response" of a reply says: carried out, refused by a device
    // that is alive, or no usable answer at all.
    enum class Response { Ok, BadRequest, Failure };

    // A reply body read as far as its envelope.
    struct Reply
    {
        Response response = Response::Failure;
        QJsonObject object;
    };

    // A grouped setting: the query to send and the controller roles, by name,
    // that change locally once it is sent.
    struct GroupRequest
    {
        QUrlQuery query;
        QMap<QByteArray, QVariant> roles;
    };

    // One RS-485 line text ("9600 8N1") taken apart, without range checks.
    struct Rs485Line
    {
        QString speedText;
        QString modeText;
        int speed = 0;
        int dataBits = 0;
        QString parity;
        int stopBits = 0;
    };

    // GET /api on the host with the query: the URL of every request.
    static QUrl requestUrl(const QString &host, quint16 port, const QUrlQuery &query);
    static Reply readReply(const QByteArray &body);

    static QUrlQuery systemInfo();
    static QUrlQuery dimmerInfo();

    static QUrlQuery deviceName(const QVariant &value);
    static QUrlQuery crosszeroOffset(const QVariant &value);
    static QUrlQuery dimmerHalfPeriod(const QVariant &value);
    static QUrlQuery dimmerPulseDuration(const QVariant &value);
    static QUrlQuery modbusAddress(const QVariant &value);
    static QUrlQuery autosave(const QVariant &value);
    static QUrlQuery inputAutodetect(const QVariant &value);
    // Nothing to send for an empty list or an entry without a key.
    static std::optional<QUrlQuery> inputsTypes(const QVariant &value);

    static QUrlQuery brightness(int channel, const QVariant &value);
    static QUrlQuery maxBrightness(int channel, const QVariant &value);
    static QUrlQuery minBrightness(int channel, const QVariant &value);
    static QUrlQuery slowTime(int channel, const QVariant &value);
    static QUrlQuery channelName(int channel, const QVariant &value);
    // Nothing to send for NO_TYPE, a value that is not a number or has no key.
    static std::optional<QUrlQuery> lightType(int channel, const QVariant &value);

    // Nothing to send when the text lacks what the group needs.
    static std::optional<GroupRequest> wifiSettings(const QVariant &value);
    static std::optional<GroupRequest> lanSettings(const QVariant &value);
    static std::optional<GroupRequest> dimmingSettings(const QVariant &value);
    static std::optional<GroupRequest> rs485Settings(const QVariant &value);

    static std::optional<Rs485Line> splitRs485(const QString &text);

    // Reply values: a number with an integral value in int range, else 0.
    static int intOf(const QJsonValue &value);
    // A JSON string's text, else an empty text.
    static QString textOf(const QJsonValue &value);
    // False exactly for the text "false".
    static bool flagOf(const QString &text);
    static bool isConnected(const QJsonValue &value);
    // The number of a member named "channel" + separator + number, or 0 when
    // the name is not such a member or the number is outside 1 to
    // MaxChannelNumber.
    static int channelNumber(const QString &memberName);
    // The value of a key of a registered enumeration, or -1 when the text is
    // not exactly one of its keys.
    template <typename Enum> static int keyValue(const QString &text);

private:
    static void addItem(QUrlQuery &query, const QString &key, const QString &value);
    static QUrlQuery request(const QString &requestType, const QString &itemType);
    static QUrlQuery setValue(const QString &itemType, const QString &key, const QString &text);
    static QString numberText(const QVariant &value);
    static QString flagText(bool flag);
    static QString channelKey(int channel);
    static QString keyText(const QMetaEnum &enumeration, const QVariant &value);
    static std::optional<QJsonObject> documentObject(const QVariant &value);
    // False, adding nothing, when the address, mask or gateway is incomplete.
    static bool addStaticAddress(GroupRequest &result, const QJsonObject &settings,
                                 const QString &prefix, const QByteArray &addressRole,
                                 const QByteArray &maskRole, const QByteArray &gateRole);
    static int enumValue(const QMetaEnum &enumeration, const QString &text);
};

template <typename Enum> int DeviceProtocol::keyValue(const QString &text)
{
    return enumValue(QMetaEnum::fromType<Enum>(), text);
}

#endif // DEVICEPROTOCOL_H
