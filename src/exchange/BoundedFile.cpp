#include "exchange/BoundedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvex::exchange {

BoundedRead readRegularFile(const std::string& path, std::size_t maxBytes) {
    BoundedRead out;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        out.reason = std::strerror(errno);
        return out;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        out.reason = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        out.status = BoundedRead::Status::NotRegular;
    } else if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        out.status = BoundedRead::Status::TooLarge;
        out.size = static_cast<long long>(info.st_size);
    } else {
        out.status = BoundedRead::Status::Ok;
        out.text.resize(maxBytes + 1);
        std::size_t filled = 0;
        while (filled < out.text.size()) {
            const ssize_t n = ::read(fd, out.text.data() + filled, out.text.size() - filled);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                out.status = BoundedRead::Status::CannotRead;
                out.reason = std::strerror(errno);
                break;
            }
            if (n == 0) break;
            filled += static_cast<std::size_t>(n);
        }
        out.text.resize(filled);
        if (out.status == BoundedRead::Status::Ok && filled > maxBytes)
            out.status = BoundedRead::Status::TooLarge;
    }
    if (out.status != BoundedRead::Status::Ok) out.text.clear();
    ::close(fd);
    return out;
}

}  // namespace korvex::exchange
