#pragma once

namespace ombrel {

// How far the pointer may move over the show before it counts as a user
// coming back, in the surface's logical pixels: xscreensaver's default
// pointer hysteresis. Less would end the show for a bumped desk or a
// mouse's jitter; a hand that means it moves that far in a moment.
inline constexpr double DismissDistance = 10;

// Whether the pointer, seen at (fromX, fromY) first, has moved beyond DismissDistance at (x, y).
inline bool MovedBeyondDismissDistance(double fromX, double fromY, double x, double y) {
    const double dx = x - fromX, dy = y - fromY;
    // Also false for NaN: no coordinate that cannot be compared ends the show.
    return dx * dx + dy * dy > DismissDistance * DismissDistance;
}

// The pointer over one surface of the show: where it came onto it (the
// first motion stands for that where no enter was told), and whether it
// has gone beyond DismissDistance since.
class TPointerHysteresis {
public:
    void Entered(double x, double y) {
        FromX = x;
        FromY = y;
        Known = true;
    }
    void Left() { Known = false; }
    // Whether a motion to (x, y) ends the show.
    bool Moved(double x, double y) {
        if (Known) return MovedBeyondDismissDistance(FromX, FromY, x, y);
        Entered(x, y);
        return false;
    }

private:
    double FromX = 0, FromY = 0;
    bool Known = false;
};

}  // namespace ombrel
