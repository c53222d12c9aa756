#ifndef DEVICEDESCRIPTION_H
#define DEVICEDESCRIPTION_H

#include <QMetaType>
#include <QString>
#include <QVector>

// One controller as discovery and the settings file know it.
struct DeviceDescription
{
    QString uniqueId;
    QString name;
    QString ipAddress1; // wired network
    QString ipAddress2; // Wi-Fi
    int type = 0;       // 1: dimmer controller
};

Q_DECLARE_METATYPE(DeviceDescription)

#endif // DEVICEDESCRIPTION_H
