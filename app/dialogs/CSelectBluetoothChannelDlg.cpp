#include "app/dialogs/CSelectBluetoothChannelDlg.h"

#include "app/dialogs/CNavigationListView.h"
#include "app/dialogs/CTextRowsModel.h"
#include "platform/ListLayouts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace {

constexpr int kChannelColumnWidth = 120; // at 96 dpi

} // namespace

CSelectBluetoothChannelDlg::CSelectBluetoothChannelDlg(const std::string& deviceName,
                                                       const std::vector<std::uint8_t>& channels,
                                                       QWidget* parent)
    : QDialog(parent), m_model(new CTextRowsModel({QStringLiteral("Channel")}, this)),
      m_list(new CNavigationListView(this)) {
    setWindowTitle(QStringLiteral("Select Bluetooth Channel"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(
        new QLabel(QStringLiteral("BT Device: ") + QString::fromStdString(deviceName), this));
    std::vector<QStringList> rows;
    for (const std::uint8_t channel : channels) {
        rows.push_back({QStringLiteral("BT Channel: ") + QString::number(channel)});
    }
    m_model->SetRows(std::move(rows));
    m_list->setModel(m_model);
    const int dpi = screen() != nullptr ? static_cast<int>(screen()->logicalDotsPerInch()) : 96;
    m_list->setColumnWidth(0, ScaleToScreen(kChannelColumnWidth, dpi));
    m_list->SelectRow(0);
    column->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

std::optional<std::size_t> CSelectBluetoothChannelDlg::Choice() const {
    const int row = m_list->CurrentRow();
    return row < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(row));
}

void CSelectBluetoothChannelDlg::accept() {
    if (Choice()) {
        QDialog::accept();
    }
}
