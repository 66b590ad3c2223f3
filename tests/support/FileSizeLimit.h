#pragma once
#include <sys/resource.h>

#include <csignal>

// Lowers the process's file size limit for its lifetime, the way a full disk stops a write
// even for root; SIGXFSZ is ignored so the write fails with EFBIG instead of ending the process.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t Bytes)
    {
        getrlimit(RLIMIT_FSIZE, &Old_);
        OldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit New = Old_;
        New.rlim_cur = Bytes;
        Ok = setrlimit(RLIMIT_FSIZE, &New) == 0;
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &Old_);
        std::signal(SIGXFSZ, OldHandler_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;
    bool Ok = false;

private:
    rlimit Old_{};
    void (*OldHandler_)(int) = SIG_DFL;
};
