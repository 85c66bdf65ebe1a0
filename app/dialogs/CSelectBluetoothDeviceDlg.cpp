#include "app/dialogs/CSelectBluetoothDeviceDlg.h"

#include "app/dialogs/CNavigationListView.h"
#include "app/dialogs/CTextRowsModel.h"
#include "comm/ApplicationCore.h"
#include "platform/ListLayouts.h"

#include <QDialogButtonBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kRebuildMilliseconds = 500;

} // namespace

CSelectBluetoothDeviceDlg::CSelectBluetoothDeviceDlg(ApplicationCore& core, bool forRecord,
                                                     QWidget* parent)
    : QDialog(parent), m_core(core),
      m_model(new CTextRowsModel({QStringLiteral("Device Name"), QStringLiteral("Device Address")},
                                 this)),
      m_list(new CNavigationListView(this)),
      m_refresh(new QPushButton(QStringLiteral("&Refresh"), this)), m_ok(nullptr) {
    setWindowTitle(QStringLiteral("Select Bluetooth Device"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(
        forRecord ? QStringLiteral("for Record") : QStringLiteral("for Playback"), this));
    m_list->setModel(m_model);
    m_list->LoadColumnWidths(m_core.Registry(), kBluetoothDeviceListLayout);
    column->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->addButton(m_refresh, QDialogButtonBox::ActionRole);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_refresh, &QPushButton::clicked, this, &CSelectBluetoothDeviceDlg::Refresh);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CSelectBluetoothDeviceDlg::UpdateButtons);
    column->addWidget(buttons);
    connect(&m_timer, &QTimer::timeout, this, &CSelectBluetoothDeviceDlg::Rebuild);
    Rebuild();
    // An inquiry started by an earlier opening of the dialog is still filling the list.
    if (m_core.InquirySlot().IsAlive()) {
        m_timer.start(kRebuildMilliseconds);
    }
}

void CSelectBluetoothDeviceDlg::Refresh() {
    m_devices.clear();
    m_model->SetRows({});
    if (!m_core.StartBluetoothInquiry()) {
        Rebuild();
        return;
    }
    m_timer.start(kRebuildMilliseconds);
    Rebuild();
}

void CSelectBluetoothDeviceDlg::Rebuild() {
    const bool searching = m_core.InquirySlot().IsAlive();
    m_devices = m_core.BluetoothDevices();
    std::vector<QStringList> rows;
    for (const BluetoothDevice& device : m_devices) {
        rows.push_back({QString::fromStdString(device.name),
                        QString::fromStdString(BluetoothAddressText(device.address))});
    }
    m_model->SetRows(std::move(rows));
    m_list->SetEmptyText(searching ? QStringLiteral("Search for BT Devices is running...")
                                   : QStringLiteral("BT Devices could Not be found"));
    if (!searching) {
        m_timer.stop();
    }
    UpdateButtons();
}

void CSelectBluetoothDeviceDlg::UpdateButtons() {
    m_refresh->setEnabled(!m_core.InquirySlot().IsAlive());
    m_ok->setEnabled(m_list->CurrentRow() >= 0);
}

std::optional<BluetoothDevice> CSelectBluetoothDeviceDlg::Choice() const {
    const int row = m_list->CurrentRow();
    if (row < 0 || row >= static_cast<int>(m_devices.size())) {
        return std::nullopt;
    }
    return m_devices[static_cast<std::size_t>(row)];
}

void CSelectBluetoothDeviceDlg::accept() {
    if (Choice()) {
        QDialog::accept();
    }
}

void CSelectBluetoothDeviceDlg::done(int result) {
    m_timer.stop();
    m_list->SaveColumnWidths(m_core.Registry(), kBluetoothDeviceListLayout);
    QDialog::done(result);
}
