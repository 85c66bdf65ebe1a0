#pragma once

#include "nmea/Coordinates.h"

#include <QDialog>

#include <functional>

class CCoordinateEdit;
class IPrompts;
class QComboBox;
class QLineEdit;

// Creates a waypoint or a route, or edits a waypoint: the name and, for a waypoint, its
// position in the chosen coordinate style. Its context menu copies and pastes the position.
class CNewNavigationItemDlg final : public QDialog {
public:
    enum class Kind { NewWaypoint, EditWaypoint, NewRoute };

    CNewNavigationItemDlg(Kind kind, const QString& name, const CLatLong& position,
                          CoordinateStyle style, QWidget* parent = nullptr);

    QString Name() const;
    CLatLong Position() const;
    CoordinateStyle Style() const;

    CCoordinateEdit* LatitudeEdit() const { return m_latitude; }
    CCoordinateEdit* LongitudeEdit() const { return m_longitude; }
    QLineEdit* NameEdit() const { return m_name; }

    // "&Paste all Position": true when the clipboard held a position.
    bool PastePosition();
    // "Cop&y all Position".
    void CopyPosition() const;

    // OK then keeps the dialog open, with what was typed, until `store` took it: a name the
    // store cannot keep and a position off the globe are refused first (the prompts say why),
    // then `store` runs, asks its own questions, and returns false when nothing was stored.
    void OnConfirm(IPrompts& prompts, std::function<bool()> store) {
        m_prompts = &prompts;
        m_store = std::move(store);
    }
    void accept() override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    Kind m_kind;
    QLineEdit* m_name;
    QComboBox* m_style = nullptr;
    CCoordinateEdit* m_latitude = nullptr;
    CCoordinateEdit* m_longitude = nullptr;
    IPrompts* m_prompts = nullptr;
    std::function<bool()> m_store;
};
