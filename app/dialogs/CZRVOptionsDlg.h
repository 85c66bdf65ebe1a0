#pragma once

#include "platform/Settings.h"

#include <QDialog>

class CCommonOptionsDlg;
class CPlaybackOptionsDlg;
class CRecordOptionsDlg;
class CRouteGuidanceOptionsDlg;
class CZRVOptionsTabCtrl;

// Options...: the options in force on four pages ("Route Guidance", "Playback", "Record",
// "Common"), OK and Cancel. It changes nothing itself; the caller applies what it returns.
class CZRVOptionsDlg final : public QDialog {
public:
    explicit CZRVOptionsDlg(const GeneralSettings& values, QWidget* parent = nullptr);

    // The options as the pages show them now.
    GeneralSettings Values() const;

    CZRVOptionsTabCtrl* Tabs() const { return m_tabs; }
    CRouteGuidanceOptionsDlg* RouteGuidancePage() const { return m_routeGuidance; }
    CPlaybackOptionsDlg* PlaybackPage() const { return m_playback; }
    CRecordOptionsDlg* RecordPage() const { return m_record; }
    CCommonOptionsDlg* CommonPage() const { return m_common; }

private:
    GeneralSettings m_inForce;
    CZRVOptionsTabCtrl* m_tabs;
    CRouteGuidanceOptionsDlg* m_routeGuidance;
    CPlaybackOptionsDlg* m_playback;
    CRecordOptionsDlg* m_record;
    CCommonOptionsDlg* m_common;
};
