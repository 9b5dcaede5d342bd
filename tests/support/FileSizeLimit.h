#pragma once
// Makes a write fail as a full disk would, whatever rights the test runs with: while the guard
// lives, the files this process writes are limited to a size and SIGXFSZ is ignored, so a write
// past the limit fails instead of ending the process. Both are restored when the guard goes, also
// when an assertion leaves the test early.
#include <signal.h>
#include <sys/resource.h>

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &savedAction_);
        ::getrlimit(RLIMIT_FSIZE, &savedLimit_);
        struct rlimit small = savedLimit_;
        small.rlim_cur = bytes;
        inForce_ = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &savedLimit_);
        ::sigaction(SIGXFSZ, &savedAction_, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // False when the limit could not be set.
    bool InForce() const { return inForce_; }

private:
    struct sigaction savedAction_ {};
    struct rlimit savedLimit_ {};
    bool inForce_ = false;
};
