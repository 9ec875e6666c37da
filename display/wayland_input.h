#pragma once
#include <functional>

#include "display/dismiss_distance.h"
#include "display/layer_shell.h"

struct wl_seat;
struct wl_keyboard;
struct wl_pointer;
struct wl_touch;

namespace ombrel {

// The first seat's keyboard, pointer and touch while the show takes them
// (its surfaces take the keyboard exclusively and the pointer over them):
// tells of the first key, button, scroll, touch or pointer motion beyond
// DismissDistance, and hides the cursor over the show. The compositor sends
// a client only the input of its own surfaces, so all of it is the show's.
class TSeatInput {
public:
    explicit TSeatInput(TLayerShell& shell);
    ~TSeatInput();
    TSeatInput(const TSeatInput&) = delete;
    TSeatInput& operator=(const TSeatInput&) = delete;

    // Once, from inside the connection's dispatch: act on it later.
    std::function<void()> OnUserInput;
    // The keyboard left the show's surface, from inside the dispatch. Unless
    // it entered another of them meanwhile, something else took it (a
    // locker's grab), and the show gives way.
    std::function<void()> OnKeyboardLeft;
    bool KeyboardFocused() const { return Focused; }
    // The seat has a keyboard, but its keys go to another client's surface.
    bool KeyboardElsewhere() const { return Keyboard && !Focused; }

    // Seat and device events.
    void Capabilities(uint32_t capabilities);
    void KeyboardEntered() { Focused = true; }
    void KeyboardLeft();
    void PointerEntered(uint32_t serial, double x, double y);
    void PointerMoved(double x, double y);
    void UserCameBack();

private:
    void Release();

    wl_seat* Seat = nullptr;
    wl_keyboard* Keyboard = nullptr;
    wl_pointer* Pointer = nullptr;
    wl_touch* Touch = nullptr;
    TPointerHysteresis Hysteresis;
    bool Told = false;
    bool Focused = false;
};

}  // namespace ombrel
