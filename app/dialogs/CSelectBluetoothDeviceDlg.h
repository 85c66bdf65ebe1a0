#pragma once

#include "comm/BluetoothDevice.h"

#include <QDialog>
#include <QTimer>

#include <optional>
#include <vector>

class ApplicationCore;
class CNavigationListView;
class CTextRowsModel;
class QPushButton;

// The Bluetooth device of a direction, from the application's known devices. Refresh starts
// the inquiry in the application's inquiry slot and a 500 ms timer that rebuilds the list from
// the devices found so far, until the inquiry ends. Closing the dialog leaves a running
// inquiry to finish in the background.
class CSelectBluetoothDeviceDlg final : public QDialog {
public:
    CSelectBluetoothDeviceDlg(ApplicationCore& core, bool forRecord, QWidget* parent = nullptr);

    // The device of the selected row, after OK.
    std::optional<BluetoothDevice> Choice() const;

    CNavigationListView* List() const { return m_list; }
    QPushButton* RefreshButton() const { return m_refresh; }
    QPushButton* OkButton() const { return m_ok; }
    bool IsRefreshing() const { return m_timer.isActive(); }

    // The timer's tick: the rows from the application's list, the empty text and the buttons
    // as the inquiry stands; the timer ends with the inquiry.
    void Rebuild();

    // OK is taken only with a selected row; OK and Cancel end the timer and keep the widths.
    void accept() override;
    void done(int result) override;

private:
    void Refresh();
    void UpdateButtons();

    ApplicationCore& m_core;
    CTextRowsModel* m_model;
    CNavigationListView* m_list;
    QPushButton* m_refresh;
    QPushButton* m_ok;
    QTimer m_timer;
    std::vector<BluetoothDevice> m_devices; // as the rows show them
};
