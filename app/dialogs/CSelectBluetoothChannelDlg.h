#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CNavigationListView;
class CTextRowsModel;
class QPushButton;

// The channel to connect to when a device offers its serial port on several: one row per
// channel in the order found.
class CSelectBluetoothChannelDlg final : public QDialog {
public:
    CSelectBluetoothChannelDlg(const std::string& deviceName,
                               const std::vector<std::uint8_t>& channels,
                               QWidget* parent = nullptr);

    // The index of the selected row, after OK.
    std::optional<std::size_t> Choice() const;
    CNavigationListView* List() const { return m_list; }

    // OK is taken only with a selected row.
    void accept() override;

private:
    CTextRowsModel* m_model;
    CNavigationListView* m_list;
};
