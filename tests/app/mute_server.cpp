// A display server that accepts connections on a Unix socket and never
// answers: a hung X server or compositor. Prints "accepted" once per
// connection; runs until it is killed.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2 || std::strlen(argv[1]) >= sizeof(sockaddr_un::sun_path)) {
        std::fprintf(stderr, "usage: mute_server SOCKET\n");
        return 2;
    }
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, argv[1]);
    unlink(argv[1]);
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 8) != 0) {
        std::perror("mute_server");
        return 1;
    }
    std::vector<int> kept;  // open and silent
    for (;;) {
        const int c = accept(listener, nullptr, nullptr);
        if (c < 0) continue;
        kept.push_back(c);
        std::printf("accepted\n");
        std::fflush(stdout);
    }
}
