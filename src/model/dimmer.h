#ifndef DIMMER_H
#define DIMMER_H

#include "model/abstractdevicemodel.h"

// One output channel of a dimmer controller: a leaf of the device tree.
class Dimmer : public AbstractDeviceModel
{
    Q_OBJECT

public:
    // Kind of load or output; the key texts are also the wire format.
    enum Type { NO_TYPE = 0, T_EDGE = 1, L_EDGE = 2, PWM = 3, DIGITAL = 4 };
    Q_ENUM(Type)

    Dimmer(const QString &name, int id, QObject *parent);

    static QList<QByteArray> roleNamesList();

    QString itemType() const override;
};

#endif // DIMMER_H
