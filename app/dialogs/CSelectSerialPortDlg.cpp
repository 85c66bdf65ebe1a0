#include "app/dialogs/CSelectSerialPortDlg.h"

#include "comm/BaudRateDetector.h"
#include "comm/PortDescription.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kPortsPerPrefix = 100;

} // namespace

CSelectSerialPortDlg::CSelectSerialPortDlg(bool forRecord, const QString& current,
                                           const std::map<std::string, std::string>& leadsTo,
                                           int baudRate, QWidget* parent)
    : QDialog(parent),
      m_direction(new QLabel(
          forRecord ? QStringLiteral("for Record") : QStringLiteral("for Playback"), this)),
      m_current(new QLabel(
          QStringLiteral("Current: ") +
              (current.isEmpty() ? QStringLiteral("None")
                                 : QString::fromStdString(PortDisplayName(current.toStdString()))),
          this)),
      m_ports(new QComboBox(this)) {
    setWindowTitle(QStringLiteral("Select Serial Port"));
    QStringList prefixes{QStringLiteral("COM")};
    if (forRecord) {
        prefixes << QStringLiteral("GPD");
    }
    for (const QString& prefix : prefixes) {
        for (int n = 0; n < kPortsPerPrefix; ++n) {
            const QString entry = prefix + QString::number(n) + QLatin1Char(':');
            const auto described = leadsTo.find(entry.toStdString());
            const QString shown = described == leadsTo.end()
                                      ? entry
                                      : entry + QStringLiteral("  \u2192 ") +
                                            QString::fromStdString(described->second);
            m_ports->addItem(shown, entry);
        }
    }
    m_ports->setCurrentIndex(0);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_direction);
    column->addWidget(m_current);
    column->addWidget(m_ports);
    if (forRecord) {
        m_rates = new QComboBox(this);
        m_rates->addItem(QStringLiteral("Detect"), 0);
        for (const int rate : kUsualBaudRates) {
            m_rates->addItem(QString::number(rate), rate);
        }
        const int chosen = m_rates->findData(baudRate);
        m_rates->setCurrentIndex(chosen < 0 ? 0 : chosen);
        column->addWidget(new QLabel(QStringLiteral("Baud rate:"), this));
        column->addWidget(m_rates);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

QString CSelectSerialPortDlg::Choice() const {
    return m_ports->currentIndex() < 0 ? QString() : m_ports->currentData().toString();
}

int CSelectSerialPortDlg::BaudRate() const {
    return m_rates == nullptr ? 0 : m_rates->currentData().toInt();
}

void CSelectSerialPortDlg::accept() {
    if (!Choice().isEmpty()) {
        QDialog::accept();
    }
}
