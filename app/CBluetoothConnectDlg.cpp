#include "app/CBluetoothConnectDlg.h"

#include "comm/BluetoothEndpoint.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CBluetoothConnectDlg::CBluetoothConnectDlg(BluetoothEndpoint& endpoint, const QString& deviceName,
                                           IPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_endpoint(endpoint),
      m_text(
          new QLabel(QStringLiteral("Connecting to ") + deviceName + QStringLiteral("..."), this)),
      m_cancel(nullptr) {
    setWindowTitle(QStringLiteral("Bluetooth"));
    setModal(true);
    m_worker.SetPrompts(&prompts);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_text);
    auto* busy = new QProgressBar(this);
    busy->setRange(0, 0); // no measure of how far: the device answers or not
    column->addWidget(busy);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_cancel = buttons->button(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

CBluetoothConnectDlg::~CBluetoothConnectDlg() {
    m_worker.Stop();
}

void CBluetoothConnectDlg::Run(const std::function<void()>& command) {
    m_endpoint.AllowOpen();
    const bool started = m_worker.Start([this, command] {
        command();
        QMetaObject::invokeMethod(
            this, [this] { done(Accepted); }, Qt::QueuedConnection);
        return 0;
    });
    if (!started) {
        // Without a thread the connection is opened as before, holding the window meanwhile.
        command();
        return;
    }
    exec();
    m_worker.Stop();
}

void CBluetoothConnectDlg::reject() {
    m_endpoint.CancelOpen();
    m_text->setText(QStringLiteral("Cancelling..."));
    m_cancel->setEnabled(false);
}
