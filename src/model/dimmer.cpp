#include "model/dimmer.h"

Dimmer::Dimmer(const QString &name, int id, QObject *parent) : AbstractDeviceModel(name, id, parent)
{
    addRoleNames(roleNamesList());
    setNodeProperty("preffered_delegate", QStringLiteral("Light.qml"), false);
    setNodeProperty("brightness", 0, false);
    setNodeProperty("slow_time", 1000, false);
    setNodeProperty("light_type", int(NO_TYPE), false);
    setNodeProperty("min_brightness", 0, false);
    setNodeProperty("max_brightness", 255, false);
    setNodeProperty("light_id", 1, true);
    setNodeProperty("connection_status", false, false);
    setNodeProperty("autosave_settings", true, false);
    setNodeProperty("favourites", false, true);
}

QList<QByteArray> Dimmer::roleNamesList()
{
    return {"brightness",        "slow_time",         "light_type",
            "min_brightness",    "max_brightness",    "light_id",
            "connection_status", "autosave_settings", "favourites"};
}

QString Dimmer::itemType() const
{
    return QStringLiteral("DIMMER");
}
