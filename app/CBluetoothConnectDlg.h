#pragma once

#include "comm/WorkerThreadSlot.h"

#include <QDialog>

#include <functional>

class BluetoothEndpoint;
class IPrompts;
class QLabel;
class QPushButton;

// Opening a Bluetooth connection (the service search and up to 60 connect attempts, about
// 15 s) runs on a worker thread while this modal box says that it is under way, so that the
// window keeps drawing and the questions of the opening (the channel choice) reach the user.
// Cancel asks the endpoint to give up; the box closes when the attempt has ended, with nothing
// left open.
class CBluetoothConnectDlg final : public QDialog {
public:
    CBluetoothConnectDlg(BluetoothEndpoint& endpoint, const QString& deviceName, IPrompts& prompts,
                         QWidget* parent = nullptr);
    ~CBluetoothConnectDlg() override;

    // Runs `command` (the record or playback command that opens the endpoint) on the worker
    // while the box shows; returns when the command has ended.
    void Run(const std::function<void()>& command);

    QLabel* Text() const { return m_text; }
    QPushButton* CancelButton() const { return m_cancel; }

    // Cancel, Escape or closing the box: the attempt is asked to give up.
    void reject() override;

private:
    BluetoothEndpoint& m_endpoint;
    QLabel* m_text;
    QPushButton* m_cancel;
    WorkerThreadSlot m_worker;
};
