#include "navigation/MarkPositionSession.h"

#include "navigation/DefaultNames.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/PositionAveraging.h"
#include "navigation/TextFormat.h"
#include "platform/Prompts.h"

#include <mutex>

CMarkPositionSession::CMarkPositionSession(CNavigationDataBase& store,
                                           INavigationSettings& settings, IPrompts& prompts,
                                           bool averaging, std::optional<std::string> trackFile)
    : m_store(store), m_settings(settings), m_prompts(prompts), m_averaging(averaging),
      m_trackFile(std::move(trackFile)),
      m_lastUsedRouteAtOpen(store.LastUsedIndex(NavItemKind::Route)) {}

bool CMarkPositionSession::Tick(const CLatLong& latest) {
    if (!latest.IsValid()) {
        m_positionValid = false;
        return false;
    }
    m_positionValid = true;
    m_latest = latest;
    if (!m_namesPrepared) {
        m_namesPrepared = true;
        PrepareNames();
    }
    if (m_averaging) {
        m_samples.push_back(latest);
    }
    return true;
}

void CMarkPositionSession::PrepareNames() {
    m_defaultName =
        DefaultItemName(NavItemKind::Waypoint, m_settings.StartNumber(NavItemKind::Waypoint));
    if (!m_trackFile) {
        return;
    }
    std::lock_guard guard(m_store.Lock());
    m_store.ForEachRoute([&](const CRoute& route) {
        if (!m_routeOfTrack && route.PlaceToStore() == *m_trackFile) {
            m_routeOfTrack = route.Name();
        }
    });
    if (m_routeOfTrack) {
        return;
    }
    const std::uint32_t number = m_settings.StartNumber(NavItemKind::Route);
    CRoute route(DefaultItemName(NavItemKind::Route, number), {});
    route.SetComplete(true);
    const int index = m_store.StoreRoute(std::move(route), true, *m_trackFile);
    if (index >= 0) {
        m_trackRoute = m_store.Route(index).Name();
        m_routeOfTrack = m_trackRoute;
        m_settings.SetStartNumber(NavItemKind::Route, NextStartNumber(number));
    }
}

void CMarkPositionSession::ToggleAveraging() {
    if (!m_averaging) {
        m_averaging = true;
        return;
    }
    if (m_prompts.AskYesNo("The positioning averaging function will help reduce the position "
                           "error when marking a waypoint, providing more accurate saved "
                           "position!\n\nDo You want to switch it off?",
                           PromptIcon::Question, true)) {
        m_averaging = false;
        m_samples.clear();
    }
}

std::optional<CLatLong> CMarkPositionSession::PositionToStore() const {
    if (m_averaging) {
        if (const auto average = AveragePosition(m_samples)) {
            return average;
        }
    }
    return m_latest;
}

int CMarkPositionSession::Confirm(const std::string& name,
                                  const std::optional<std::string>& addToRoute) {
    const std::optional<CLatLong> position = PositionToStore();
    if (name.empty()) {
        return -1;
    }
    if (!m_trackFile) {
        m_prompts.ShowError("The position cannot be stored: no track is being recorded or "
                            "played back.");
        return -1;
    }
    if (!position) {
        m_prompts.ShowError("The position cannot be stored: the receiver has not given one yet.");
        return -1;
    }
    const int index = m_store.StoreWaypoint(CWaypoint(name, *position), false, *m_trackFile);
    if (index < 0) {
        // The user declined both to replace the waypoint of that name and to take another name.
        m_prompts.ShowError(FillMessage("The waypoint '%1' was not stored: a waypoint of that "
                                        "name exists already. Please! Type another name.",
                                        name));
        return -1;
    }
    m_store.SetLastUsed(NavItemKind::Waypoint, index, true);
    if (addToRoute) {
        const std::string stored = m_store.Waypoint(index).Name();
        if (const auto route = m_store.AddWaypointToRoute(*addToRoute, stored)) {
            m_store.SetLastUsed(NavItemKind::Route, *route, true);
        }
    }
    if (m_trackRoute) {
        const int route = m_store.FindRoute(*m_trackRoute);
        if (route >= 0 && m_store.Route(route).WaypointCount() > 0) {
            m_store.SetLastUsed(NavItemKind::Route, route, false);
        } else {
            DropEmptyTrackRoute();
        }
    }
    m_settings.SetStartNumber(NavItemKind::Waypoint,
                              NextStartNumber(m_settings.StartNumber(NavItemKind::Waypoint)));
    return index;
}

void CMarkPositionSession::Cancel() {
    DropEmptyTrackRoute();
    m_store.SetLastUsed(NavItemKind::Route, m_lastUsedRouteAtOpen, false);
}

void CMarkPositionSession::DropEmptyTrackRoute() {
    if (!m_trackRoute) {
        return;
    }
    std::lock_guard guard(m_store.Lock());
    const int route = m_store.FindRoute(*m_trackRoute);
    if (route >= 0 && m_store.Route(route).WaypointCount() == 0) {
        m_store.DeleteItem(NavItemKind::Route, route);
        m_settings.SetStartNumber(NavItemKind::Route,
                                  PreviousStartNumber(m_settings.StartNumber(NavItemKind::Route)));
    }
    m_trackRoute.reset();
}
