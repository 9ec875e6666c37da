#include "display/wayland_input.h"

#include <unistd.h>
#include <wayland-client.h>

namespace ombrel {

namespace {

TSeatInput& InputOf(void* data) { return *static_cast<TSeatInput*>(data); }

const wl_seat_listener SeatListener = {
    .capabilities = [](void* data, wl_seat*, uint32_t capabilities) { InputOf(data).Capabilities(capabilities); },
    .name = [](void*, wl_seat*, const char*) {},
};

const wl_keyboard_listener KeyboardListener = {
    // The keymap is of no use: any key will do.
    .keymap = [](void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); },
    // The keys held while the show came do not count: only a new press.
    .enter = [](void* data, wl_keyboard*, uint32_t, wl_surface*, wl_array*) { InputOf(data).KeyboardEntered(); },
    .leave = [](void* data, wl_keyboard*, uint32_t, wl_surface*) { InputOf(data).KeyboardLeft(); },
    .key =
        [](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state) {
            if (state == WL_KEYBOARD_KEY_STATE_PRESSED) InputOf(data).UserCameBack();
        },
    .modifiers = [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {},
    .repeat_info = [](void*, wl_keyboard*, int32_t, int32_t) {},
};

const wl_pointer_listener PointerListener = {
    .enter =
        [](void* data, wl_pointer*, uint32_t serial, wl_surface*, wl_fixed_t x, wl_fixed_t y) {
            InputOf(data).PointerEntered(serial, wl_fixed_to_double(x), wl_fixed_to_double(y));
        },
    .leave = [](void*, wl_pointer*, uint32_t, wl_surface*) {},
    .motion =
        [](void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
            InputOf(data).PointerMoved(wl_fixed_to_double(x), wl_fixed_to_double(y));
        },
    .button =
        [](void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
            if (state == WL_POINTER_BUTTON_STATE_PRESSED) InputOf(data).UserCameBack();
        },
    // A wheel or a swipe on a touchpad.
    .axis = [](void* data, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) { InputOf(data).UserCameBack(); },
    .frame = [](void*, wl_pointer*) {},
    .axis_source = [](void*, wl_pointer*, uint32_t) {},
    .axis_stop = [](void*, wl_pointer*, uint32_t, uint32_t) {},
    .axis_discrete = [](void*, wl_pointer*, uint32_t, int32_t) {},
    .axis_value120 = [](void*, wl_pointer*, uint32_t, int32_t) {},
};

const wl_touch_listener TouchListener = {
    .down = [](void* data, wl_touch*, uint32_t, uint32_t, wl_surface*, int32_t, wl_fixed_t,
               wl_fixed_t) { InputOf(data).UserCameBack(); },
    .up = [](void*, wl_touch*, uint32_t, uint32_t, int32_t) {},
    .motion = [](void*, wl_touch*, uint32_t, int32_t, wl_fixed_t, wl_fixed_t) {},
    .frame = [](void*, wl_touch*) {},
    .cancel = [](void*, wl_touch*) {},
    .shape = [](void*, wl_touch*, int32_t, wl_fixed_t, wl_fixed_t) {},
    .orientation = [](void*, wl_touch*, int32_t, wl_fixed_t) {},
};

// Release came with version 3 of the devices; before, they go on our side only.
template <typename T>
void ReleaseDevice(T*& device, void (*release)(T*), void (*destroy)(T*)) {
    if (!device) return;
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(device)) >= 3)
        release(device);
    else
        destroy(device);
    device = nullptr;
}

}  // namespace

TSeatInput::TSeatInput(TLayerShell& shell) {
    if (!shell.Seat()) return;
    // Version 5: the devices' release requests and the seat's own.
    Seat = static_cast<wl_seat*>(shell.Bind(shell.Seat(), &wl_seat_interface, 5));
    wl_seat_add_listener(Seat, &SeatListener, this);
}

TSeatInput::~TSeatInput() {
    Release();
    if (!Seat) return;
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(Seat)) >= WL_SEAT_RELEASE_SINCE_VERSION)
        wl_seat_release(Seat);
    else
        wl_seat_destroy(Seat);
}

void TSeatInput::Release() {
    ReleaseDevice(Keyboard, wl_keyboard_release, wl_keyboard_destroy);
    ReleaseDevice(Pointer, wl_pointer_release, wl_pointer_destroy);
    ReleaseDevice(Touch, wl_touch_release, wl_touch_destroy);
}

void TSeatInput::Capabilities(uint32_t capabilities) {
    // Devices that come later (a mouse plugged in) are taken as they come.
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !Keyboard) {
        Keyboard = wl_seat_get_keyboard(Seat);
        wl_keyboard_add_listener(Keyboard, &KeyboardListener, this);
    } else if (!(capabilities & WL_SEAT_CAPABILITY_KEYBOARD)) {
        ReleaseDevice(Keyboard, wl_keyboard_release, wl_keyboard_destroy);
        Focused = false;
    }
    if ((capabilities & WL_SEAT_CAPABILITY_POINTER) && !Pointer) {
        Pointer = wl_seat_get_pointer(Seat);
        wl_pointer_add_listener(Pointer, &PointerListener, this);
    } else if (!(capabilities & WL_SEAT_CAPABILITY_POINTER)) {
        ReleaseDevice(Pointer, wl_pointer_release, wl_pointer_destroy);
        Hysteresis.Left();
    }
    if ((capabilities & WL_SEAT_CAPABILITY_TOUCH) && !Touch) {
        Touch = wl_seat_get_touch(Seat);
        wl_touch_add_listener(Touch, &TouchListener, this);
    } else if (!(capabilities & WL_SEAT_CAPABILITY_TOUCH)) {
        ReleaseDevice(Touch, wl_touch_release, wl_touch_destroy);
    }
}

void TSeatInput::KeyboardLeft() {
    Focused = false;
    if (OnKeyboardLeft) OnKeyboardLeft();
}

void TSeatInput::PointerEntered(uint32_t serial, double x, double y) {
    // No cursor over the show.
    wl_pointer_set_cursor(Pointer, serial, nullptr, 0, 0);
    Hysteresis.Entered(x, y);
}

void TSeatInput::PointerMoved(double x, double y) {
    if (Hysteresis.Moved(x, y)) UserCameBack();
}

void TSeatInput::UserCameBack() {
    if (Told) return;
    Told = true;
    if (OnUserInput) OnUserInput();
}

}  // namespace ombrel
