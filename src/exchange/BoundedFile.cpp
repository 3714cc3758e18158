#include "exchange/BoundedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSaveFile>
#include <QString>
#include <algorithm>
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
        // Room for the size found and one byte more, which tells a file that
        // grew since; it grows on up to one byte past the limit, never more.
        const std::size_t limit = maxBytes + 1;
        out.text.resize(std::min(static_cast<std::size_t>(info.st_size) + 1, limit));
        std::size_t filled = 0;
        while (filled < limit) {
            if (filled == out.text.size())
                out.text.resize(std::min(limit, std::max<std::size_t>(2 * filled, 4096)));
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

namespace {

bool noSpace(int error) {
    return error == ENOSPC || error == EDQUOT;
}

}  // namespace

FileWrite writeWholeFile(const std::string& path, std::string_view bytes) {
    FileWrite out;
    QSaveFile file(QString::fromStdString(path));
    // Unbuffered, so each write reaches the file and fails there: a buffered
    // write of a few kilobytes would fail only when the file is closed, which
    // QSaveFile does not count against the commit, and the cut file would
    // replace the good one.
    auto fail = [&](int error) {
        const std::string words = file.errorString().toStdString();
        file.cancelWriting();
        if (noSpace(error) || words == std::strerror(ENOSPC)) {
            out.status = FileWrite::Status::NoSpace;
        } else {
            out.reason = words.empty() ? std::strerror(error) : words;
        }
        return out;
    };
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return fail(errno);
    std::size_t written = 0;
    while (written < bytes.size()) {
        errno = 0;
        const qint64 n =
            file.write(bytes.data() + written, static_cast<qint64>(bytes.size() - written));
        if (n <= 0) return fail(errno);
        written += static_cast<std::size_t>(n);
    }
    errno = 0;
    if (!file.flush() || !file.commit()) return fail(errno);
    out.status = FileWrite::Status::Ok;
    return out;
}

}  // namespace korvex::exchange
