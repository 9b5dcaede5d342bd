// Serves the stand-in site's default state on 127.0.0.1 for trying the agent by hand:
//   velmora-site [port] [code-picture.jpg]
// The agent's server setting is then "127.0.0.1:<port>"; the account is velmora / secret.
#include "site/StandInSite.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

int main(int argc, char** argv) {
    int port = argc > 1 ? std::atoi(argv[1]) : 8080;
    const char* picture = argc > 2 ? argv[2] : VA_DEFAULT_PICTURE;
    site::SiteState state = site::DefaultState();
    std::ifstream in(picture, std::ios::binary);
    state.codePicture.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());

    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);  // the server's threads inherit the mask

    site::StandInSite server(state);
    try {
        server.Start(port);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("stand-in site on http://%s/ (login velmora, password secret)\n", server.Host().c_str());
    std::fflush(stdout);
    int sig = 0;
    sigwait(&set, &sig);
    server.Stop();
    return 0;
}
