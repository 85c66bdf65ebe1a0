#pragma once

#include <QDialog>

#include <map>
#include <string>

class QComboBox;
class QLabel;

// The serial port of a direction: "COM0:" to "COM99:", and for recording "GPD0:" to "GPD99:"
// after them. An entry that the device folder holds shows where it leads beside its name; the
// choice is the entry's own text. For recording also the line rate: "Detect" or a rate.
class CSelectSerialPortDlg final : public QDialog {
public:
    // `current`: the direction's port name as stored (shown as the user chose it), empty for
    // none; `leadsTo`: the descriptions of the
    // device-folder entries by entry name; `baudRate`: the recording's rate, 0 for detected.
    CSelectSerialPortDlg(bool forRecord, const QString& current,
                         const std::map<std::string, std::string>& leadsTo, int baudRate = 0,
                         QWidget* parent = nullptr);

    // The chosen entry ("COM3:"); empty when none is selected.
    QString Choice() const;
    // The chosen rate; 0 for "Detect" and for playback, which has no rate to choose.
    int BaudRate() const;
    QComboBox* Ports() const { return m_ports; }
    QComboBox* Rates() const { return m_rates; }
    QLabel* DirectionLabel() const { return m_direction; }
    QLabel* CurrentLabel() const { return m_current; }

    // OK does nothing while no entry is selected.
    void accept() override;

private:
    QLabel* m_direction;
    QLabel* m_current;
    QComboBox* m_ports;
    QComboBox* m_rates = nullptr;
};
