#ifndef PROPERTY_H
#define PROPERTY_H

#include <QVariant>

// One value of a node; persistent values go to the settings file.
struct Property
{
    QVariant value;
    bool persistent = false;
};

#endif // PROPERTY_H
