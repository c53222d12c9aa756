#ifndef DIMMERINPUTSTYPES_H
#define DIMMERINPUTSTYPES_H

#include <QObject>

// Carries only the enumeration of input functions; the key texts are the wire
// format.
class DimmerInputsTypes
{
    Q_GADGET

public:
    enum Type {
        NO_FUNCTION = 0,
        ADC = 1,
        CH_ON_OFF_DIMMING = 2,
        CH_ON_OFF_ALL_ON_OFF = 3,
        ALL_ON_OFF_CH_DIMMING = 4,
        CH_CLASSIC_ON_OFF = 5,
        CH_TOGGLE_ON_OFF = 6
    };
    Q_ENUM(Type)
};

#endif // DIMMERINPUTSTYPES_H
