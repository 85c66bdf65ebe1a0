#include "app/dialogs/CMarkPositionDlg.h"

#include "app/dialogs/EditContextMenu.h"
#include "comm/ApplicationCore.h"
#include "navigation/ListCommands.h"
#include "navigation/NavigationDataBase.h"
#include "platform/RegistryAccessor.h"
#include "platform/SettingsKeys.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace {

// The sampling timer of the dialog (its identifier on the handheld was 13).
constexpr int kSamplingMilliseconds = 1000;

CRegistryAccessor AveragingValue(RegistryStore& registry) {
    CRegistryAccessor accessor(registry);
    accessor.SetKey(settings_keys::kGeneral);
    accessor.SetValueName(settings_keys::kAveraging);
    return accessor;
}

// Rewrites a field only when its text changes, so that a selection in it survives the ticks.
void ShowText(QLineEdit& field, const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (field.text() != shown) {
        field.setText(shown);
    }
}

} // namespace

bool StoredAveraging(RegistryStore& registry) {
    std::uint32_t value = 1;
    AveragingValue(registry).ReadDword(value);
    return value != 0;
}

void StoreAveraging(RegistryStore& registry, bool on) {
    AveragingValue(registry).WriteDword(on ? 1 : 0);
}

CMarkPositionDlg::CMarkPositionDlg(const NavigationDialogContext& context,
                                   std::function<CLatLong()> latest,
                                   std::optional<std::string> trackFile, QWidget* parent)
    : QDialog(parent), m_context(context), m_settings(context.core.Registry()),
      m_latest(std::move(latest)),
      m_session(context.core.Document().Store(), m_settings, context.core.Prompts(),
                StoredAveraging(context.core.Registry()), std::move(trackFile)),
      m_latitude(new QLineEdit(this)), m_longitude(new QLineEdit(this)),
      m_name(new QLineEdit(this)), m_route(new QComboBox(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(QStringLiteral("Mark Position"));
    m_latitude->setReadOnly(true);
    m_longitude->setReadOnly(true);
    for (QLineEdit* field : {m_latitude, m_longitude, m_name}) {
        UseEditContextMenu(*field);
    }
    m_route->addItem(QString());
    context.core.Document().Store().ForEachRoute(
        [this](const CRoute& route) { m_route->addItem(QString::fromStdString(route.Name())); });
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Latitude:"), m_latitude);
    form->addRow(QStringLiteral("Longitude:"), m_longitude);
    form->addRow(QStringLiteral("&Name:"), m_name);
    form->addRow(QStringLiteral("&Add to route:"), m_route);
    form->addRow(m_buttons);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(&m_timer, &QTimer::timeout, this, &CMarkPositionDlg::Tick);
    m_timer.start(kSamplingMilliseconds);
    resize(320, 200);
}

CMarkPositionDlg::~CMarkPositionDlg() = default;

bool CMarkPositionDlg::CanConfirm() const {
    return m_buttons->button(QDialogButtonBox::Ok)->isEnabled();
}

void CMarkPositionDlg::Tick() {
    const CLatLong latest = m_latest();
    ShowText(*m_latitude, latest.Latitude().DisplayText());
    ShowText(*m_longitude, latest.Longitude().DisplayText());
    const bool valid = m_session.Tick(latest);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(valid);
    if (valid && !m_namePrefilled && !m_session.DefaultName().empty()) {
        m_namePrefilled = true;
        // A name typed while waiting for the fix is the user's choice.
        if (m_name->text().isEmpty()) {
            m_name->setText(QString::fromStdString(m_session.DefaultName()));
            m_name->selectAll();
            m_name->setFocus();
        }
        ProposeRouteOfTrack();
    }
}

void CMarkPositionDlg::ProposeRouteOfTrack() {
    const std::optional<std::string>& route = m_session.RouteOfTrack();
    if (!route || !m_route->currentText().isEmpty()) {
        return;
    }
    const QString name = QString::fromStdString(*route);
    if (m_route->findText(name) < 0) {
        m_route->addItem(name);
    }
    m_route->setCurrentText(name);
}

void CMarkPositionDlg::ToggleAveraging() {
    m_session.ToggleAveraging();
}

void CMarkPositionDlg::CopyPosition() const {
    QApplication::clipboard()->setText(m_latitude->text() + QLatin1Char(',') + m_longitude->text() +
                                       QLatin1Char(';'));
}

void CMarkPositionDlg::accept() {
    // A name the store file cannot carry is refused here, while what was typed can still be
    // corrected; the sampling goes on meanwhile.
    if (!CheckTypedName(m_context.core.Prompts(), m_name->text().toStdString())) {
        m_name->setFocus();
        return;
    }
    m_timer.stop();
    const QString route = m_route->currentText();
    const std::optional<std::string> addToRoute =
        route.isEmpty() ? std::nullopt : std::optional(route.toStdString());
    // Nothing stored (the session said why): the dialog stays, and so do the samples.
    if (m_session.Confirm(m_name->text().toStdString(), addToRoute) < 0) {
        m_timer.start(kSamplingMilliseconds);
        m_name->setFocus();
        return;
    }
    QDialog::accept();
}

void CMarkPositionDlg::reject() {
    m_timer.stop();
    m_session.Cancel();
    QDialog::reject();
}

void CMarkPositionDlg::done(int result) {
    StoreAveraging(m_context.core.Registry(), m_session.Averaging());
    QDialog::done(result);
}

void CMarkPositionDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Copy all &Position"), this, &CMarkPositionDlg::CopyPosition);
    QAction* averaging =
        menu.addAction(QStringLiteral("&Averaging"), this, &CMarkPositionDlg::ToggleAveraging);
    averaging->setCheckable(true);
    averaging->setChecked(m_session.Averaging());
    menu.addAction(QStringLiteral("&Cancel"), this, &QDialog::reject);
    menu.exec(event->globalPos());
}
