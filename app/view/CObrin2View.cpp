#include "app/view/CObrin2View.h"

#include "comm/DrivingViews.h"
#include "platform/RegistryAccessor.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"

#include <QGuiApplication>
#include <QScreen>

CObrin2View::CObrin2View(ApplicationCore& core, QWidget* parent) : QWidget(parent), m_core(core) {
    setFocusPolicy(Qt::StrongFocus);
}

CObrin2View::~CObrin2View() = default;

int CObrin2View::ShownViewCommand() const {
    return DrivingViewCommand({m_engine.load(), m_kind.load()});
}

void CObrin2View::SelectView(int commandId) {
    if (commandId == ShownViewCommand()) {
        return;
    }
    const DrivingViewChoice choice = DrivingViewOfCommand(commandId);
    m_engine.store(choice.engine);
    m_kind.store(choice.kind);
    CRegistryAccessor accessor(m_core.Registry());
    accessor.SetKey(settings_keys::kGeneral);
    accessor.SetValueName(settings_keys::kKindOfEngine);
    accessor.WriteDword(static_cast<std::uint32_t>(choice.engine));
    accessor.SetValueName(settings_keys::kKindOfView);
    accessor.WriteDword(static_cast<std::uint32_t>(choice.kind));
    update();
    emit TitleChanged();
}

void CObrin2View::ApplySettings(const Settings& settings) {
    m_tripDataField = settings.general.dtUserSelectableField;
    m_navigationField = settings.general.navUserSelectableField;
    const DrivingViewChoice initial = InitialDrivingView(settings.general);
    m_engine.store(initial.engine);
    m_kind.store(initial.kind);
    update();
    emit TitleChanged();
}

void CObrin2View::StartRefreshTimer() {}

void CObrin2View::RedrawTrack(int) {
    update();
}

void CObrin2View::ClearStatistics() {
    update();
}

void CObrin2View::MovePlaybackMarker(int, const TrackPoint&) {
    update();
}

void CObrin2View::ShowLoadingProgress(int, const QString&) {
    update();
}

void CObrin2View::SetTripDataField(int field) {
    m_tripDataField = field;
}

void CObrin2View::SetNavigationField(int field) {
    m_navigationField = field;
}

void CObrin2View::SetOrientation(int degrees) {
    m_orientation = degrees;
    update();
}

bool CObrin2View::IsScreenSquare() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr && screen->size().width() == screen->size().height();
}
