#pragma once

#include "comm/NetworkAddress.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// The network address of a direction: the protocol (for recording a TCP server to connect to
// or datagrams to listen for, for playback a TCP server to listen as or datagrams to send),
// the host and the port. An empty host is this computer only (127.0.0.1).
class CNetworkDlg final : public QDialog {
public:
    // `current`: the direction's address, nothing for none.
    CNetworkDlg(Direction direction, const std::optional<NetworkAddress>& current,
                QWidget* parent = nullptr);

    // The address entered; nothing while the host is not one.
    std::optional<NetworkAddress> Choice() const;

    QComboBox* Protocols() const { return m_protocols; }
    QLineEdit* Host() const { return m_host; }
    QSpinBox* Port() const { return m_port; }
    QLabel* Problem() const { return m_problem; }

    // OK does nothing while the address is not valid; the problem is shown.
    void accept() override;

private:
    Direction m_direction;
    QComboBox* m_protocols;
    QLineEdit* m_host;
    QSpinBox* m_port;
    QLabel* m_problem;
};
