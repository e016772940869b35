// Output files that appear under their names only when complete (temporary name, then rename).
#include "atomic_output.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

std::string temporary_pattern(const std::string &name)
{
    const char suffix[] = ".tmpXXXXXX";
    const std::size_t limit = 255 - (sizeof suffix - 1); // of the last component
    const std::size_t slash = name.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    std::string kept = name.substr(start);
    if (kept.size() > limit) kept.resize(limit);
    return name.substr(0, start) + kept + suffix;
}

bool atomic_file::open(const std::string &name)
{
    abandon();
    if (name.empty()) return false;
    // A device, a pipe or a symbolic link cannot be replaced by a rename without changing what
    // the name is: those are written in place (a directory then fails to open).
    struct stat st;
    if (lstat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        file_ = std::fopen(name.c_str(), "w");
        temp_name_.clear();
        final_name_ = name;
        return file_ != nullptr;
    }
    const std::string text = temporary_pattern(name);
    std::vector<char> pattern(text.begin(), text.end());
    pattern.push_back('\0');
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return false;
    // mkstemp makes the file private (0600); give it what fopen would: 0666 less the umask.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    temp_name_ = pattern.data();
    file_ = fdopen(fd, "w");
    if (!file_) {
        close(fd);
        std::remove(temp_name_.c_str());
        return false;
    }
    final_name_ = name;
    return true;
}

bool atomic_file::commit()
{
    if (!file_) return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    if (temp_name_.empty()) { // written in place
        ok = std::fclose(file_) == 0 && ok;
        file_ = nullptr;
        return ok;
    }
    ok = ok && fsync(fileno(file_)) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    ok = ok && std::rename(temp_name_.c_str(), final_name_.c_str()) == 0;
    if (!ok) std::remove(temp_name_.c_str());
    return ok;
}

void atomic_file::abandon()
{
    if (!file_) return;
    std::fclose(file_);
    file_ = nullptr;
    if (!temp_name_.empty()) std::remove(temp_name_.c_str());
}

bool append_in_one_write(const std::string &name, const std::string &text)
{
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
    if (fd < 0) return false;
    ssize_t written;
    do {
        written = ::write(fd, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    if (written > 0 && written < static_cast<ssize_t>(text.size())) {
        // A full disk took part of the text: cut the torn piece off again.
        const off_t end = lseek(fd, 0, SEEK_CUR);
        if (end >= written && ftruncate(fd, end - written) != 0) written = -1;
    }
    const bool closed = ::close(fd) == 0;
    return written == static_cast<ssize_t>(text.size()) && closed;
}
