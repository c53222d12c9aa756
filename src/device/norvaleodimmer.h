#ifndef NORVALEODIMMER_H
#define NORVALEODIMMER_H

#include "device/controllerroute.h"
#include "device/deviceprotocol.h"
#include "model/abstractdevicemodel.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QNetworkRequest>
#include <QUrlQuery>
#include <QVarLengthArray>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// The node of one dimmer controller: the only part of the system that talks to
// a device. Edited roles become HTTP requests, replies fill the roles of the
// controller and of its channels, and a poll timer watches the connection.
class NorvaleoDimmer : public AbstractDeviceModel
{
    Q_OBJECT

public:
    static constexpr int RequestTimeoutMs = ControllerRoute::RequestTimeoutMs;
    static constexpr qint64 MaxReplyBytes = ControllerRoute::MaxReplyBytes;

    NorvaleoDimmer(const QString &ipAddress1, const QString &ipAddress2, const QString &uniqueId,
                   const QString &name, int id, QObject *parent);

    static QList<QByteArray> roleNamesList();

    QString itemType() const override;

    // Reads the body of a reply that arrived without a network error: its
    // envelope and, when no other request is in flight, its status objects.
    // Sends nothing itself, so replies can be fed to it as bytes.
    // True when the device carried the request out.
    bool handleReplyBody(const QByteArray &body, bool applyAnyway = false);
    // For a program that sends the requests itself and turns to another
    // address: until a system_info from there carries this controller's unique
    // id, no dimmer_info it answers is applied (see route).
    void forgetIdentity() { route.forgetConfirmation(); }
    bool isIdentityConfirmed() const { return route.isConfirmed(); }

    // For a caller that waits for each change: the next change request a
    // setter sends carries the tag, and its reply is reported by answered.
    void tagNextChange(int tag) { nextChangeTag = tag; }
    // Whether the tagged change is still unsent (its setter sent nothing).
    bool isChangeTagPending() const { return nextChangeTag != 0; }
    // Sends a status request whose reply is applied even while others are
    // in flight, and reported by answered; false when nothing was sent.
    bool askStatus(const QUrlQuery &query, int tag);

Q_SIGNALS:
    void lostConnection(QString uniqueId);
    // done: the device carried the tagged request out.
    void answered(int tag, bool done);

public Q_SLOTS:
    void startCommunication() override;
    void transferDataToDevice(const QModelIndex &index, const QVariant &value, int role) override;

private Q_SLOTS:
    void httpResponse(QNetworkReply *reply);
    void set_device_name(const QVariant &value);
    void set_device_wifi_all_settings(const QVariant &value);
    void set_device_lan_all_settings(const QVariant &value);
    void set_device_crosszero_offset(const QVariant &value);
    void set_device_dimmer_half_period(const QVariant &value);
    void set_device_dimmer_pulse_duration(const QVariant &value);
    void set_device_dimmimg_all_settings(const QVariant &value);
    void set_device_rs485_all_settings(const QVariant &value);
    void set_device_modbus_address(const QVariant &value);
    void set_device_autosave_settings(const QVariant &value);
    void set_device_input_autodetect(const QVariant &value);
    void set_device_inputs_types(const QVariant &value);
    void set_brightness(int channel, const QVariant &value);
    void set_max_brightness(int channel, const QVariant &value);
    void set_min_brightness(int channel, const QVariant &value);
    void set_slow_time(int channel, const QVariant &value);
    void set_name(int channel, const QVariant &value);
    void set_light_type(int channel, const QVariant &value);
    void set_autosave_settings(int channel, const QVariant &value);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    QString currentHost();
    void requestSystemInfo();
    void requestDimmerInfo();
    bool parseSystemInfo(const QJsonValue &value);
    void parseDimmerInfo(const QJsonValue &value);
    static bool isValidBaudRate(int speed);
    void switchInterface();
    void countFailure();
    void setConnected(bool connected);

    // What one reply does to the channels, kept by row: whether it named the
    // channel and which of its roles changed (bits of ReplyRoles' channel roles).
    struct ChannelMarks
    {
        QVarLengthArray<quint16, 64> byRow;
        // (light_id, row) sorted, read once per reply: the first row per light_id wins.
        QVarLengthArray<QPair<int, int>, 64> rowOfLightId;
    };

    void readChannelRows(ChannelMarks &marks);
    int channelRow(int number, const QString &memberName, ChannelMarks &marks);
    int createChannel(int number, const QString &memberName);
    void readOutputs(const QJsonObject &outputs, ChannelMarks &marks);
    void readStructure(const QJsonObject &structure, ChannelMarks &marks);
    void readSettings(const QJsonObject &settings, QVector<int> &changed, ChannelMarks &marks);
    void readRs485(const QJsonValue &value, QVector<int> &changed);
    void readInputs(const QJsonObject &inputs, QVector<int> &changed);
    void storeOwn(int role, const QVariant &value, QVector<int> &changed);
    void reportChannelChanges(const ChannelMarks &marks);

    bool sendQuery(const QUrlQuery &query, int tag = 0);
    void sendGroup(const std::optional<DeviceProtocol::GroupRequest> &group);
    bool applyStatus(const QJsonObject &reply);
    bool isAppliedAlready(const QByteArray &body);
    void failureEvent();
    void setUsingInterface();
    QString addressOf(const QByteArray &role) const;
    QModelIndex selfIndex();
    QModelIndex childIndex(int row);

    QNetworkAccessManager *networkManager = nullptr;
    quint16 port = DeviceProtocol::HttpPort;
    qint32 pollTimerId = -1;
    qint32 pendingRequests = 0;
    qint32 pollTick = 0;
    qint32 replyErrors = 0;
    qint32 failureCount = 0;
    // The address in use, and whether a system_info there carried this
    // controller's unique id since the start, the last address switch or the
    // last mismatch. Until then another device may answer there: its
    // dimmer_info is not applied and no change is sent.
    ControllerRoute route;
    int nextChangeTag = 0;
    // The last replies applied in full, without and with system_info, and the
    // revision each left: polls mostly bring the same bytes again, which would
    // change nothing.
    struct AppliedReply
    {
        QByteArray body;
        quint64 revision = 0;
    };
    AppliedReply lastApplied[2];
    // The channels and their names when this controller last proved who it
    // is (or started): what replies add or rename after that is taken back
    // if another device turns out to answer at the address. Never taken: -1.
    struct Vouched
    {
        int channels = -1;
        QVector<QString> names;
    };
    Vouched vouched;
    void rememberVouched();
    void forgetUnvouched();
};

#endif // NORVALEODIMMER_H
