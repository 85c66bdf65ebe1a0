#include "platform/GpsdProbe.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// A listening socket on the loopback that greets one client with `greeting`.
class FakeGpsd {
public:
    explicit FakeGpsd(std::string greeting) {
        m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_fd, reinterpret_cast<sockaddr*>(&address), length);
        listen(m_fd, 1);
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this, greeting = std::move(greeting)] {
            const int client = accept(m_fd, nullptr, nullptr);
            if (client >= 0) {
                send(client, greeting.data(), greeting.size(), MSG_NOSIGNAL);
                close(client);
            }
        });
    }
    ~FakeGpsd() {
        m_thread.join();
        close(m_fd);
    }
    std::uint16_t Port() const { return m_port; }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

TEST(GpsdProbe, AnswersOnlyWhenGpsdGreets) {
    {
        FakeGpsd gpsd("{\"class\":\"VERSION\",\"release\":\"3.22\",\"proto_major\":3}\r\n");
        EXPECT_TRUE(GpsdAnswers({"127.0.0.1", gpsd.Port()}));
    }
    {
        FakeGpsd other("SSH-2.0-OpenSSH_9.2\r\n");
        EXPECT_FALSE(GpsdAnswers({"127.0.0.1", other.Port()}));
    }
    std::uint16_t closedPort = 0;
    {
        FakeGpsd gone("");
        closedPort = gone.Port();
        EXPECT_FALSE(GpsdAnswers({"127.0.0.1", closedPort})) << "closes without a greeting";
    }
    EXPECT_FALSE(GpsdAnswers({"127.0.0.1", closedPort})) << "nobody listens";
}

} // namespace
