// zrv-checksum-scan FILE: the floor of the decoding benchmark. Reads the file in large blocks
// and only verifies each line's checksum (XOR of the bytes between '$' and '*' against the two
// hexadecimal digits after '*'); prints the counts.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool ChecksumGood(std::string_view line) {
    const std::size_t dollar = line.find('$');
    const std::size_t star = line.find('*', dollar == std::string_view::npos ? 0 : dollar);
    if (dollar == std::string_view::npos || star == std::string_view::npos ||
        star + 2 >= line.size()) {
        return false;
    }
    unsigned sum = 0;
    for (std::size_t i = dollar + 1; i < star; ++i) {
        sum ^= static_cast<unsigned char>(line[i]);
    }
    const int high = HexValue(line[star + 1]);
    const int low = HexValue(line[star + 2]);
    return high >= 0 && low >= 0 && static_cast<unsigned>(high * 16 + low) == sum;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zrv-checksum-scan FILE\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "zrv-checksum-scan: %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    std::vector<char> block(1 << 20);
    std::string carry;
    std::size_t lines = 0;
    std::size_t good = 0;
    for (;;) {
        const ssize_t n = ::read(fd, block.data(), block.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            std::fprintf(stderr, "zrv-checksum-scan: %s: %s\n", argv[1], std::strerror(errno));
            ::close(fd);
            return 1;
        }
        if (n == 0) {
            break;
        }
        std::string_view data(block.data(), static_cast<std::size_t>(n));
        while (!data.empty()) {
            const std::size_t lf = data.find('\n');
            if (lf == std::string_view::npos) {
                carry.append(data);
                break;
            }
            std::string_view line = data.substr(0, lf);
            if (!carry.empty()) {
                carry.append(line);
                line = carry;
            }
            ++lines;
            good += ChecksumGood(line) ? 1 : 0;
            carry.clear();
            data.remove_prefix(lf + 1);
        }
    }
    if (!carry.empty()) {
        ++lines;
        good += ChecksumGood(carry) ? 1 : 0;
    }
    ::close(fd);
    std::printf("lines %zu good %zu bad %zu\n", lines, good, lines - good);
    return 0;
}
