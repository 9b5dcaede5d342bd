// The peak memory of the process across one 40 MB POST read from a file, sent by the client to a
// loopback server that counts the body and keeps none of it.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/http/FileReadStream.h"
#include "support/http/RawHttpServer.h"
#include "web/clSubmit.h"

namespace {

long PeakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

}  // namespace

int main() {
    constexpr size_t kSize = 40u << 20;
    char path[] = "/tmp/va-post-XXXXXX";
    int fd = ::mkstemp(path);
    if (fd < 0) return 1;
    ::unlink(path);
    {
        std::string piece(1 << 20, '\0');
        for (size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>(i * 31 + 7);
        for (size_t done = 0; done < kSize; done += piece.size())
            if (::write(fd, piece.data(), piece.size()) != static_cast<ssize_t>(piece.size())) return 1;
    }
    testsupport::RawHttpServer server([](const testsupport::RawHttpServer::Request& r) {
        return testsupport::RawHttpServer::Answer{testsupport::RawHttpServer::Ok(std::to_string(r.bodyLength))};
    });
    if (!server.Start()) return 1;
    TSubmit client;
    client.SetURL(server.Url("/post"));
    const long before = PeakKb();
    testsupport::FileReadStream data(fd);  // owns fd from here
    TStringStream out;
    client.Post(&data, &out);
    const long after = PeakKb();
    winhttp::HeldBytes held;
    winhttp::SessionHeldBytes(client.SessionHandle(), held);
    client.Disconnect();
    std::printf("40 MB POST from a file: answer %s, peak RSS before %ld KB, after %ld KB (+%ld KB); "
                "layer's upload peak %llu bytes\n",
                out.DataString().c_str(), before, after, after - before,
                static_cast<unsigned long long>(held.uploadPeak));
    return out.DataString() == std::to_string(kSize) ? 0 : 1;
}
