#pragma once

#include "app/dialogs/NavigationDialogContext.h"
#include "navigation/MarkPositionSession.h"
#include "navigation/RegistryNavigationSettings.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;

// "Mark Position": samples the source's position once a second (averaging the samples when
// switched on) and stores it as a waypoint, optionally added to a route.
class CMarkPositionDlg final : public QDialog {
public:
    // `latest` gives the active source's latest position; `trackFile` is the active track's
    // file (nothing when no track is active).
    CMarkPositionDlg(const NavigationDialogContext& context, std::function<CLatLong()> latest,
                     std::optional<std::string> trackFile, QWidget* parent = nullptr);
    ~CMarkPositionDlg() override;

    // One tick of the sampling timer.
    void Tick();
    // "&Averaging".
    void ToggleAveraging();
    // "Copy all &Position".
    void CopyPosition() const;

    const CMarkPositionSession& Session() const { return m_session; }
    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* LatitudeField() const { return m_latitude; }
    QLineEdit* LongitudeField() const { return m_longitude; }
    QComboBox* RouteChoice() const { return m_route; }
    bool CanConfirm() const;
    const QTimer& SamplingTimer() const { return m_timer; }

    void accept() override;
    void reject() override;
    void done(int result) override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // "&Add to route:" proposes the route of the current track unless a route is chosen.
    void ProposeRouteOfTrack();

    NavigationDialogContext m_context;
    RegistryNavigationSettings m_settings;
    std::function<CLatLong()> m_latest;
    CMarkPositionSession m_session;
    QLineEdit* m_latitude;
    QLineEdit* m_longitude;
    QLineEdit* m_name;
    QComboBox* m_route;
    QDialogButtonBox* m_buttons;
    QTimer m_timer;
    bool m_namePrefilled = false;
};

// The "Averaging" setting, on when absent.
bool StoredAveraging(RegistryStore& registry);
void StoreAveraging(RegistryStore& registry, bool on);
