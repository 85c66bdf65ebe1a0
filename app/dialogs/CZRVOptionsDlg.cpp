#include "app/dialogs/CZRVOptionsDlg.h"

#include "app/dialogs/CCommonOptionsDlg.h"
#include "app/dialogs/CPlaybackOptionsDlg.h"
#include "app/dialogs/CRecordOptionsDlg.h"
#include "app/dialogs/CRouteGuidanceOptionsDlg.h"
#include "app/dialogs/CZRVOptionsTabCtrl.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

CZRVOptionsDlg::CZRVOptionsDlg(const GeneralSettings& values, QWidget* parent)
    : QDialog(parent), m_inForce(values),
      m_tabs(new CZRVOptionsTabCtrl([this] { reject(); }, this)),
      m_routeGuidance(new CRouteGuidanceOptionsDlg(values, m_tabs)),
      m_playback(new CPlaybackOptionsDlg(values, m_tabs)),
      m_record(new CRecordOptionsDlg(values, m_tabs)),
      m_common(new CCommonOptionsDlg(values, m_tabs)) {
    setWindowTitle(QStringLiteral("Options"));
    m_tabs->addTab(m_routeGuidance, QStringLiteral("Route Guidance"));
    m_tabs->addTab(m_playback, QStringLiteral("Playback"));
    m_tabs->addTab(m_record, QStringLiteral("Record"));
    m_tabs->addTab(m_common, QStringLiteral("Common"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
}

GeneralSettings CZRVOptionsDlg::Values() const {
    GeneralSettings values = m_inForce;
    m_routeGuidance->Store(values);
    m_playback->Store(values);
    m_record->Store(values);
    m_common->Store(values);
    return values;
}
