// Plays a screensaver daemon for the host-window tests: one override-redirect
// window per WxH+X+Y argument, filled with grey, ids printed one a line;
// "input-only:WxH+X+Y" makes a window that takes input only.
// Commands on standard input: "resize N W H", "unmap N", "map N", "destroy N";
// end of input ends it.
#include <xcb/xcb.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "fake_screensaver_host: no X display\n");
        return 1;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    std::vector<xcb_window_t> hosts;
    for (int i = 1; i < argc; ++i) {
        unsigned w = 0, h = 0;
        int x = 0, y = 0;
        std::string place = argv[i];
        const bool inputOnly = place.rfind("input-only:", 0) == 0;
        if (inputOnly) place.erase(0, 11);
        if (std::sscanf(place.c_str(), "%ux%u+%d+%d", &w, &h, &x, &y) != 4) {
            std::fprintf(stderr, "fake_screensaver_host: WxH+X+Y, not '%s'\n", argv[i]);
            return 2;
        }
        const xcb_window_t id = xcb_generate_id(c);
        const uint32_t grey[] = {0x808080, 1}, bare[] = {1};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, id, screen->root, static_cast<int16_t>(x), static_cast<int16_t>(y),
                          static_cast<uint16_t>(w), static_cast<uint16_t>(h), 0,
                          inputOnly ? XCB_WINDOW_CLASS_INPUT_ONLY : XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          inputOnly ? XCB_COPY_FROM_PARENT : screen->root_visual,
                          inputOnly ? XCB_CW_OVERRIDE_REDIRECT : XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT,
                          inputOnly ? bare : grey);
        xcb_map_window(c, id);
        hosts.push_back(id);
    }
    xcb_flush(c);
    for (xcb_window_t id : hosts) std::printf("0x%x\n", id);
    std::fflush(stdout);

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command;
        size_t n = 0;
        in >> command >> n;
        if (n >= hosts.size()) continue;
        if (command == "resize") {
            uint32_t size[2] = {0, 0};
            in >> size[0] >> size[1];
            xcb_configure_window(c, hosts[n], XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
        } else if (command == "unmap") {
            xcb_unmap_window(c, hosts[n]);
        } else if (command == "map") {
            xcb_map_window(c, hosts[n]);
        } else if (command == "destroy") {
            xcb_destroy_window(c, hosts[n]);
        }
        xcb_flush(c);
    }
    xcb_disconnect(c);
    return 0;
}
