#include "device/norvaleodimmer.h"

QList<QByteArray> NorvaleoDimmer::roleNamesList()
{
    return {"uniqueId",
            "ipAddress_1",
            "ipAddress_2",
            "connection_status",
            "using_interface",
            "wifi_ssid",
            "wifi_pass",
            "wifi_status",
            "wifi_dhcp",
            "wifi_mask",
            "wifi_gate",
            "wifi_all_settings",
            "lan_status",
            "lan_dhcp",
            "lan_mask",
            "lan_gate",
            "lan_all_settings",
            "net_soft_version",
            "controller_version",
            "dimm_soft_version",
            "input_autodetect",
            "inputs_count",
            "inputs_types",
            "inputs_values",
            "v_ref",
            "v_power_supply",
            "inner_tmp",
            "extern_tmp",
            "rs485_speed",
            "rs485_parity",
            "rs485_stop_bits",
            "rs485_data_bits",
            "rs485_all_settings",
            "modbus_address",
            "save_counter",
            "crosszero_offset",
            "dimmer_half_period",
            "dimmer_pulse_duration",
            "dimmer_use_timer_sinch",
            "dimmimg_all_settings",
            "autosave_settings"};
}

// --- placeholders until the controller protocol lands ---
NorvaleoDimmer::NorvaleoDimmer(const QString &ipAddress1, const QString &ipAddress2,
                               const QString &uniqueId, const QString &name, int id,
                               QObject *parent)
    : AbstractDeviceModel(name, id, parent)
{
    addRoleNames(roleNamesList());
    setNodeProperty("preffered_delegate", QStringLiteral("Device.qml"), false);
    setNodeProperty("uniqueId", uniqueId, true);
    setNodeProperty("ipAddress_1", ipAddress1, true);
    setNodeProperty("ipAddress_2", ipAddress2, true);
}
QString NorvaleoDimmer::itemType() const
{
    return QStringLiteral("NORVALEO_DIMMER");
}
void NorvaleoDimmer::startCommunication()
{
}
void NorvaleoDimmer::transferDataToDevice(const QModelIndex &, const QVariant &, int)
{
}
void NorvaleoDimmer::httpResponse(QNetworkReply *)
{
}
void NorvaleoDimmer::set_device_name(const QVariant &)
{
}
void NorvaleoDimmer::set_device_wifi_all_settings(const QVariant &)
{
}
void NorvaleoDimmer::set_device_lan_all_settings(const QVariant &)
{
}
void NorvaleoDimmer::set_device_crosszero_offset(const QVariant &)
{
}
void NorvaleoDimmer::set_device_dimmer_half_period(const QVariant &)
{
}
void NorvaleoDimmer::set_device_dimmer_pulse_duration(const QVariant &)
{
}
void NorvaleoDimmer::set_device_dimmimg_all_settings(const QVariant &)
{
}
void NorvaleoDimmer::set_device_rs485_all_settings(const QVariant &)
{
}
void NorvaleoDimmer::set_device_modbus_address(const QVariant &)
{
}
void NorvaleoDimmer::set_device_autosave_settings(const QVariant &)
{
}
void NorvaleoDimmer::set_device_input_autodetect(const QVariant &)
{
}
void NorvaleoDimmer::set_device_inputs_types(const QVariant &)
{
}
void NorvaleoDimmer::set_brightness(int, const QVariant &)
{
}
void NorvaleoDimmer::set_max_brightness(int, const QVariant &)
{
}
void NorvaleoDimmer::set_min_brightness(int, const QVariant &)
{
}
void NorvaleoDimmer::set_slow_time(int, const QVariant &)
{
}
void NorvaleoDimmer::set_name(int, const QVariant &)
{
}
void NorvaleoDimmer::set_light_type(int, const QVariant &)
{
}
void NorvaleoDimmer::set_autosave_settings(int, const QVariant &)
{
}
void NorvaleoDimmer::timerEvent(QTimerEvent *)
{
}
