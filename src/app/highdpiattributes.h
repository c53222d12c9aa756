#ifndef HIGHDPIATTRIBUTES_H
#define HIGHDPIATTRIBUTES_H

// Scaling for high-density screens, as Qt 6 always does it: Qt 5 needs it
// asked for before the application object exists. The one place that tells
// the two Qts apart.
class HighDpiAttributes
{
public:
    static void apply();
};

#endif // HIGHDPIATTRIBUTES_H
