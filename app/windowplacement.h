// How the application's own windows (comparisons, the logbook, an entry)
// behave as windows: Escape closes them, and they open centred over the
// window they came from.
#pragma once

class QWidget;

namespace fennmere {

// Escape closes window; window opens centred over its parent's window.
// Called once its size is set.
void PlaceAsOwnWindow(QWidget& window);

}  // namespace fennmere
