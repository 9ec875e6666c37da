// A Wayland client for the screensaver's tests.
//   wayland_test_client window [--inhibit-idle]
//     an ordinary window that prints "shown" once it is on screen and then
//     "key N" for every key pressed in it; with --inhibit-idle it holds an
//     idle inhibitor on its surface, which keeps the seat from going idle
//     while the window can be seen.
//   wayland_test_client pointer
//     a virtual pointer of its own: each line "move DX DY" or "click" read
//     from standard input is done, then answered with "done".
//   wayland_test_client now
//     the seconds on CLOCK_MONOTONIC, the swap log's clock.
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

wl_compositor* Compositor;
wl_shm* Shm;
xdg_wm_base* WmBase;
wl_seat* Seat;
zwp_idle_inhibit_manager_v1* Inhibitors;
zwlr_virtual_pointer_manager_v1* VirtualPointers;

const wl_registry_listener RegistryListener = {
    .global =
        [](void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
            const auto is = [interface](const wl_interface& type) { return std::strcmp(interface, type.name) == 0; };
            const auto bind = [&](const wl_interface& type) { return wl_registry_bind(registry, name, &type, 1); };
            if (is(wl_compositor_interface)) Compositor = static_cast<wl_compositor*>(bind(wl_compositor_interface));
            if (is(wl_shm_interface)) Shm = static_cast<wl_shm*>(bind(wl_shm_interface));
            if (is(xdg_wm_base_interface)) WmBase = static_cast<xdg_wm_base*>(bind(xdg_wm_base_interface));
            if (is(wl_seat_interface) && !Seat) Seat = static_cast<wl_seat*>(bind(wl_seat_interface));
            if (is(zwp_idle_inhibit_manager_v1_interface))
                Inhibitors = static_cast<zwp_idle_inhibit_manager_v1*>(bind(zwp_idle_inhibit_manager_v1_interface));
            if (is(zwlr_virtual_pointer_manager_v1_interface))
                VirtualPointers =
                    static_cast<zwlr_virtual_pointer_manager_v1*>(bind(zwlr_virtual_pointer_manager_v1_interface));
        },
    .global_remove = [](void*, wl_registry*, uint32_t) {},
};

int Fail(const char* why) {
    std::fprintf(stderr, "wayland_test_client: %s\n", why);
    return 1;
}

// A grey buffer of the window's size.
wl_buffer* GreyBuffer(int width, int height) {
    const int stride = width * 4, size = stride * height;
    const int fd = memfd_create("window", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, size) != 0) return nullptr;
    void* pixels = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) return nullptr;
    std::memset(pixels, 0x80, size);
    munmap(pixels, size);
    wl_shm_pool* pool = wl_shm_create_pool(Shm, fd, size);
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

struct TWindow {
    wl_surface* Surface = nullptr;
    xdg_surface* Xdg = nullptr;
    xdg_toplevel* Toplevel = nullptr;
    int Width = 0, Height = 0;
    bool Shown = false;
};

int RunWindow(wl_display* display, bool inhibitIdle) {
    if (!Compositor || !Shm || !WmBase || !Seat) return Fail("the compositor lacks a global for a window");
    if (inhibitIdle && !Inhibitors) return Fail("the compositor has no idle inhibitors");
    static const xdg_wm_base_listener ping = {
        .ping = [](void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }};
    xdg_wm_base_add_listener(WmBase, &ping, nullptr);

    static const wl_keyboard_listener keys = {
        .keymap = [](void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); },
        .enter = [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},
        .leave = [](void*, wl_keyboard*, uint32_t, wl_surface*) {},
        .key =
            [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
                if (state == WL_KEYBOARD_KEY_STATE_PRESSED) std::printf("key %u\n", key);
                std::fflush(stdout);
            },
        .modifiers = [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {},
        .repeat_info = [](void*, wl_keyboard*, int32_t, int32_t) {},
    };
    static const wl_seat_listener seat = {
        .capabilities =
            [](void*, wl_seat* s, uint32_t capabilities) {
                // A keyboard that went leaves its object inert: a new one needs a new object.
                static wl_keyboard* keyboard = nullptr;
                if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard) {
                    keyboard = wl_seat_get_keyboard(s);
                    wl_keyboard_add_listener(keyboard, &keys, nullptr);
                } else if (!(capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && keyboard) {
                    wl_keyboard_destroy(keyboard);
                    keyboard = nullptr;
                }
            },
        .name = [](void*, wl_seat*, const char*) {},
    };
    wl_seat_add_listener(Seat, &seat, nullptr);

    TWindow window;
    window.Surface = wl_compositor_create_surface(Compositor);
    window.Xdg = xdg_wm_base_get_xdg_surface(WmBase, window.Surface);
    window.Toplevel = xdg_surface_get_toplevel(window.Xdg);
    xdg_toplevel_set_title(window.Toplevel, "test window");
    xdg_toplevel_set_app_id(window.Toplevel, "ombrel-test-window");
    static const xdg_toplevel_listener toplevel = {
        .configure =
            [](void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
                auto& w = *static_cast<TWindow*>(data);
                w.Width = width > 0 ? width : 320;
                w.Height = height > 0 ? height : 240;
            },
        .close = [](void*, xdg_toplevel*) {},
        .configure_bounds = [](void*, xdg_toplevel*, int32_t, int32_t) {},
        .wm_capabilities = [](void*, xdg_toplevel*, wl_array*) {},
    };
    xdg_toplevel_add_listener(window.Toplevel, &toplevel, &window);
    static const xdg_surface_listener surface = {
        .configure =
            [](void* data, xdg_surface* xdg, uint32_t serial) {
                auto& w = *static_cast<TWindow*>(data);
                xdg_surface_ack_configure(xdg, serial);
                wl_surface_attach(w.Surface, GreyBuffer(w.Width, w.Height), 0, 0);
                wl_surface_damage(w.Surface, 0, 0, w.Width, w.Height);
                wl_surface_commit(w.Surface);
                if (!w.Shown) std::printf("shown\n");
                std::fflush(stdout);
                w.Shown = true;
            },
    };
    xdg_surface_add_listener(window.Xdg, &surface, &window);
    if (inhibitIdle) zwp_idle_inhibit_manager_v1_create_inhibitor(Inhibitors, window.Surface);
    wl_surface_commit(window.Surface);
    while (wl_display_dispatch(display) >= 0) {
    }
    return 0;
}

int RunPointer(wl_display* display) {
    if (!VirtualPointers) return Fail("the compositor has no virtual pointers");
    zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(VirtualPointers, Seat);
    wl_display_roundtrip(display);
    char line[128];
    uint32_t time = 0;
    while (std::fgets(line, sizeof line, stdin)) {
        double dx = 0, dy = 0;
        time += 16;
        if (std::sscanf(line, "move %lf %lf", &dx, &dy) == 2) {
            zwlr_virtual_pointer_v1_motion(pointer, time, wl_fixed_from_double(dx), wl_fixed_from_double(dy));
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (std::strncmp(line, "click", 5) == 0) {
            const uint32_t left = 0x110;
            zwlr_virtual_pointer_v1_button(pointer, time, left, WL_POINTER_BUTTON_STATE_PRESSED);
            zwlr_virtual_pointer_v1_frame(pointer);
            zwlr_virtual_pointer_v1_button(pointer, time + 1, left, WL_POINTER_BUTTON_STATE_RELEASED);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else {
            return Fail("a line is neither 'move DX DY' nor 'click'");
        }
        if (wl_display_roundtrip(display) < 0) return Fail("the compositor went away");
        std::printf("done\n");
        std::fflush(stdout);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "now") {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("%lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
        return 0;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return Fail("no compositor");
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &RegistryListener, nullptr);
    wl_display_roundtrip(display);
    if (mode == "window") return RunWindow(display, argc > 2 && std::strcmp(argv[2], "--inhibit-idle") == 0);
    if (mode == "pointer") return RunPointer(display);
    return Fail("usage: wayland_test_client window [--inhibit-idle] | pointer | now");
}
