import QtQuick 2.15
import QtGraphicalEffects 1.15

// The one place that uses Qt's graphical effects, whose module Qt 6 renamed:
// the build serves this file with the import its Qt knows (qml/CMakeLists.txt).
// A soft glow around a rounded rectangle: the lit bulb's halo, and the
// buttons' shadow while they are hovered or pressed.
RectangularGlow {
    id: glow
}
