#include "app/dialogs/CNetworkDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The port NMEA over a network usually goes to.
constexpr int kUsualPort = 10110;

QString UrlOf(const NetworkAddress& address) {
    return QString::fromStdString(NetworkAddressText(address));
}

} // namespace

CNetworkDlg::CNetworkDlg(Direction direction, const std::optional<NetworkAddress>& current,
                         QWidget* parent)
    : QDialog(parent), m_direction(direction), m_protocols(new QComboBox(this)),
      m_host(new QLineEdit(this)), m_port(new QSpinBox(this)), m_problem(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Network"));
    const bool record = direction == Direction::Record;
    if (record) {
        m_protocols->addItem(QStringLiteral("TCP: connect to a server"),
                             static_cast<int>(NetworkProtocol::Tcp));
        m_protocols->addItem(QStringLiteral("UDP: listen for datagrams"),
                             static_cast<int>(NetworkProtocol::Udp));
    } else {
        m_protocols->addItem(QStringLiteral("TCP: serve readers"),
                             static_cast<int>(NetworkProtocol::TcpServer));
        m_protocols->addItem(QStringLiteral("UDP: send datagrams"),
                             static_cast<int>(NetworkProtocol::Udp));
    }
    m_host->setPlaceholderText(QString::fromLatin1(kLoopbackHost));
    m_port->setRange(1, 65535);
    m_port->setValue(kUsualPort);
    if (current) {
        m_protocols->setCurrentIndex(
            std::max(0, m_protocols->findData(static_cast<int>(current->protocol))));
        m_host->setText(QString::fromStdString(current->host));
        m_port->setValue(current->port);
    }
    m_problem->setWordWrap(true);
    auto* column = new QVBoxLayout(this);
    column->addWidget(
        new QLabel(record ? QStringLiteral("for Record") : QStringLiteral("for Playback"), this));
    column->addWidget(new QLabel(
        QStringLiteral("Current: ") + (current ? UrlOf(*current) : QStringLiteral("None")), this));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Protocol:"), m_protocols);
    form->addRow(QStringLiteral("Host:"), m_host);
    form->addRow(QStringLiteral("Port:"), m_port);
    column->addLayout(form);
    auto* hint = new QLabel(
        QStringLiteral("Without a host: this computer only (127.0.0.1). 0.0.0.0 listens on every "
                       "network."),
        this);
    hint->setWordWrap(true);
    column->addWidget(hint);
    column->addWidget(m_problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

std::optional<NetworkAddress> CNetworkDlg::Choice() const {
    const auto protocol = static_cast<NetworkProtocol>(m_protocols->currentData().toInt());
    std::string host = m_host->text().trimmed().toStdString();
    if (host.find(':') != std::string::npos && !host.starts_with('[')) {
        host = "[" + host + "]";
    }
    // What was entered goes through the same checks as a URL given to the command line.
    const std::string url =
        std::string(NetworkScheme(protocol)) + host + ":" + std::to_string(m_port->value());
    std::string problem;
    return ParseNetworkAddress(url, m_direction, problem);
}

void CNetworkDlg::accept() {
    if (Choice()) {
        QDialog::accept();
        return;
    }
    m_problem->setText(QStringLiteral("The host is no name or address."));
}
