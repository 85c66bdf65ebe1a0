#include "navigation/NavigationDataBase.h"

#include "navigation/DefaultNames.h"
#include "navigation/TextFormat.h"
#include "platform/Prompts.h"

#include <new>

namespace {

constexpr const char* kWaypointReplaceQuestion =
    "A waypoint whit the same name '%1' exists already!\n\nReplace?";
constexpr const char* kWaypointRenameQuestion =
    "A waypoint whit the same name '%1' exists already!\n\nSave with an another name?";
constexpr const char* kRouteReplaceQuestion =
    "A route whit the same name '%1' exists already!\n\nReplace?";
constexpr const char* kRouteRenameQuestion =
    "A route whit the same name '%1' exists already!\n\nSave with an another name?";

using Guard = std::unique_lock<NavigationLock>;

// The name-conflict questions: exclamation icon, No as the default button.
bool AskConflict(IPrompts& prompts, const char* question, const std::string& name) {
    return prompts.AskYesNo(FillMessage(question, name), PromptIcon::Exclamation, true);
}

ImportKind AfterWaypointImport(ImportKind kind) {
    switch (kind) {
    case ImportKind::Nothing:
        return ImportKind::OneWaypoint;
    case ImportKind::OneWaypoint:
        return ImportKind::SeveralWaypoints;
    default:
        return kind;
    }
}

ImportKind AfterRouteImport(ImportKind kind) {
    return kind == ImportKind::OneRoute || kind == ImportKind::SeveralRoutes
               ? ImportKind::SeveralRoutes
               : ImportKind::OneRoute;
}

} // namespace

CNavigationDataBase::CNavigationDataBase(IPrompts& prompts, INavigationSettings& settings,
                                         NavigationLock* sharedLock)
    : m_prompts(prompts), m_settings(settings), m_lock(sharedLock ? sharedLock : &m_ownLock),
      m_ticks(MillisecondTicks) {
    AddType(m_rte);
    AddType(m_wpl);
}

void CNavigationDataBase::SetObserver(INavigationObserver* observer) {
    Guard guard(*m_lock);
    m_observer = observer;
}

void CNavigationDataBase::SetTickSource(std::function<std::uint32_t()> ticks) {
    Guard guard(*m_lock);
    m_ticks = std::move(ticks);
}

void CNavigationDataBase::SetStorePath(std::string path) {
    Guard guard(*m_lock);
    m_storePath = std::move(path);
}

// --- Storing ---------------------------------------------------------------------------

bool CNavigationDataBase::CountsAsSaved(const std::string& placeToStore) const {
    if (!m_storePath.empty()) {
        return placeToStore == m_storePath;
    }
    const std::string_view name = kStoreFileName;
    return placeToStore.ends_with(name) &&
           (placeToStore.size() == name.size() ||
            placeToStore[placeToStore.size() - name.size() - 1] == '/');
}

int CNavigationDataBase::StoreWaypoint(CWaypoint waypoint, bool silent,
                                       const std::string& placeToStore) {
    if (waypoint.Name().empty()) {
        return -1;
    }
    waypoint.SetPlaceToStore(placeToStore);
    Guard guard(*m_lock);
    const bool fromStore = CountsAsSaved(placeToStore);
    for (;;) {
        const CWaypoint* existing = m_waypoints.FindItem(waypoint.Name());
        if (existing == nullptr) {
            return AppendWaypoint(std::move(waypoint), fromStore);
        }
        if (existing->Position() == waypoint.Position()) {
            waypoint.SetStored(true);
            const int index = m_waypoints.MoveToEnd(std::move(waypoint));
            AfterWaypointStored(fromStore);
            return index;
        }
        if (silent) {
            return -1;
        }
        const CLatLong seen = existing->Position();
        guard.unlock();
        const bool replace = AskConflict(m_prompts, kWaypointReplaceQuestion, waypoint.Name());
        const bool rename =
            !replace && AskConflict(m_prompts, kWaypointRenameQuestion, waypoint.Name());
        guard.lock();
        existing = m_waypoints.FindItem(waypoint.Name());
        if (existing == nullptr || existing->Position() != seen) {
            continue; // changed while the user was asked: decide again
        }
        if (replace) {
            m_waypoints.RemoveByName(waypoint.Name());
            CancelNavigationIfTargetGone();
        } else if (rename) {
            waypoint.SetName(TakeDefaultNameLocked(NavItemKind::Waypoint));
        } else {
            return -1;
        }
        return AppendWaypoint(std::move(waypoint), fromStore);
    }
}

int CNavigationDataBase::StoreRoute(CRoute route, bool silent, const std::string& placeToStore) {
    if (!route.IsComplete() || route.Name().empty()) {
        return -1;
    }
    route.SetPlaceToStore(placeToStore);
    Guard guard(*m_lock);
    const bool fromStore = CountsAsSaved(placeToStore);
    for (;;) {
        const CRoute* existing = m_routes.FindItem(route.Name());
        if (existing == nullptr) {
            return AppendRoute(std::move(route), fromStore);
        }
        if (existing->SameWaypoints(route)) {
            const int index = m_routes.Find(route.Name());
            AfterRouteStored(index, true); // nothing changed
            return index;
        }
        if (silent) {
            return -1;
        }
        const std::vector<std::string> seen = existing->WaypointNames();
        guard.unlock();
        const bool replace = AskConflict(m_prompts, kRouteReplaceQuestion, route.Name());
        const bool rename = !replace && AskConflict(m_prompts, kRouteRenameQuestion, route.Name());
        guard.lock();
        existing = m_routes.FindItem(route.Name());
        if (existing == nullptr || existing->WaypointNames() != seen) {
            continue;
        }
        if (replace) {
            const int index = m_routes.Find(route.Name());
            if (m_mode == NavigationMode::GoAlong && m_routes.Mark(ListMark::Target) == index) {
                CancelNavigation();
            }
            route.SetStored(fromStore);
            m_routes.ReplaceAt(index, std::move(route));
            AfterRouteStored(index, fromStore);
            return index;
        }
        if (!rename) {
            return -1;
        }
        route.SetName(TakeDefaultNameLocked(NavItemKind::Route));
        return AppendRoute(std::move(route), fromStore);
    }
}

int CNavigationDataBase::AppendWaypoint(CWaypoint waypoint, bool fromStore) {
    waypoint.SetStored(fromStore);
    const int index = m_waypoints.Append(std::move(waypoint));
    AfterWaypointStored(fromStore);
    return index;
}

int CNavigationDataBase::AppendRoute(CRoute route, bool fromStore) {
    route.SetStored(fromStore);
    const int index = m_routes.Append(std::move(route));
    AfterRouteStored(index, fromStore);
    return index;
}

void CNavigationDataBase::AfterWaypointStored(bool fromStore) {
    ++m_revision; // the waypoint may have moved to the end
    m_waypoints.SetMarkToLast(ListMark::LastUsed);
    m_lastImportKind = AfterWaypointImport(m_lastImportKind);
    if (!fromStore) {
        Changed();
    }
}

void CNavigationDataBase::AfterRouteStored(int index, bool fromStore) {
    ++m_revision;
    m_routes.SetMark(ListMark::LastUsed, index);
    m_lastImportKind = AfterRouteImport(m_lastImportKind);
    if (!fromStore) {
        Changed();
    }
}

std::string CNavigationDataBase::TakeDefaultNameLocked(NavItemKind kind) {
    const auto exists = [this, kind](std::string_view name) {
        return kind == NavItemKind::Waypoint ? m_waypoints.Contains(name) : m_routes.Contains(name);
    };
    return TakeDefaultName(kind, m_settings, exists, m_ticks());
}

CNavigationDataBase::Received CNavigationDataBase::DecodeLocked(std::string_view line) {
    SetInput(line);
    m_received = std::monostate();
    CSentenceType* type = InputType();
    if (type == nullptr) {
        return std::monostate();
    }
    type->Parse(Input(), static_cast<IStoreTarget&>(*this));
    return std::exchange(m_received, std::monostate());
}

bool CNavigationDataBase::FeedLine(std::string_view line, const std::string& path) {
    Guard guard(*m_lock);
    Received received = DecodeLocked(line);
    guard.unlock(); // storing may ask the user
    if (auto* waypoint = std::get_if<ReceivedWaypoint>(&received)) {
        StoreWaypoint(CWaypoint(std::move(waypoint->name), waypoint->position), false, path);
        return true;
    }
    if (auto* route = std::get_if<CRoute>(&received)) {
        StoreRoute(std::move(*route), false, path);
        return true;
    }
    return false;
}

bool CNavigationDataBase::Waits(const std::string& name, bool waypoint) const {
    for (const WaitingItem& waiting : m_waiting) {
        const bool isWaypoint = std::holds_alternative<CWaypoint>(waiting.item);
        const std::string& waitingName = isWaypoint ? std::get<CWaypoint>(waiting.item).Name()
                                                    : std::get<CRoute>(waiting.item).Name();
        if (isWaypoint == waypoint && waitingName == name) {
            return true;
        }
    }
    return false;
}

bool CNavigationDataBase::FeedReceivedLine(std::string_view line, const std::string& path) {
    Guard guard(*m_lock);
    Received received = DecodeLocked(line);
    bool waits = false;
    // Decided and stored in one hold of the lock: silent storing never asks, and nothing can
    // take the name in between.
    if (auto* waypoint = std::get_if<ReceivedWaypoint>(&received)) {
        CWaypoint item(std::move(waypoint->name), waypoint->position);
        const CWaypoint* existing = m_waypoints.FindItem(item.Name());
        waits = !item.Name().empty() &&
                (Waits(item.Name(), true) ||
                 (existing != nullptr && existing->Position() != item.Position()));
        if (waits) {
            m_waiting.push_back({std::move(item), path});
        } else {
            StoreWaypoint(std::move(item), true, path);
        }
    } else if (auto* route = std::get_if<CRoute>(&received)) {
        const CRoute* existing = m_routes.FindItem(route->Name());
        waits =
            !route->Name().empty() && (Waits(route->Name(), false) ||
                                       (existing != nullptr && !existing->SameWaypoints(*route)));
        if (waits) {
            m_waiting.push_back({std::move(*route), path});
        } else {
            StoreRoute(std::move(*route), true, path);
        }
    } else {
        return false;
    }
    const std::function<void()> notice = waits ? m_conflictNotice : nullptr;
    guard.unlock();
    if (notice) {
        notice();
    }
    return true;
}

void CNavigationDataBase::SetConflictNotice(std::function<void()> notice) {
    Guard guard(*m_lock);
    m_conflictNotice = std::move(notice);
}

int CNavigationDataBase::WaitingConflicts() const {
    Guard guard(*m_lock);
    return static_cast<int>(m_waiting.size());
}

void CNavigationDataBase::ResolveWaitingConflicts() {
    Guard guard(*m_lock);
    if (m_resolving) {
        return;
    }
    m_resolving = true;
    try {
        while (!m_waiting.empty()) {
            WaitingItem next = std::move(m_waiting.front());
            m_waiting.pop_front();
            guard.unlock(); // storing asks the user
            if (auto* waypoint = std::get_if<CWaypoint>(&next.item)) {
                StoreWaypoint(std::move(*waypoint), false, next.path);
            } else {
                StoreRoute(std::get<CRoute>(std::move(next.item)), false, next.path);
            }
            guard.lock();
        }
    } catch (...) {
        if (!guard.owns_lock()) {
            guard.lock();
        }
        m_resolving = false;
        throw;
    }
    m_resolving = false;
}

void CNavigationDataBase::ReceiveWaypoint(std::string name, const CLatLong& position) {
    m_received = ReceivedWaypoint{std::move(name), position};
}

void CNavigationDataBase::ReceiveRoute(RouteKind kind, std::string name,
                                       std::vector<std::string> waypointNames) {
    m_received = CRoute(std::move(name), std::move(waypointNames), kind);
}

// --- Removing --------------------------------------------------------------------------

bool CNavigationDataBase::DeleteItem(NavItemKind kind, int index) {
    Guard guard(*m_lock);
    const bool removed =
        kind == NavItemKind::Waypoint ? m_waypoints.RemoveAt(index) : m_routes.RemoveAt(index);
    if (removed) {
        CancelNavigationIfTargetGone();
        Changed();
    }
    return removed;
}

bool CNavigationDataBase::DeleteWaypointByName(std::string_view name) {
    Guard guard(*m_lock);
    if (!m_waypoints.RemoveByName(name)) {
        return false;
    }
    CancelNavigationIfTargetGone();
    Changed();
    return true;
}

bool CNavigationDataBase::DeleteWaypointFromSystem(const std::string& name) {
    Guard guard(*m_lock);
    const bool removed = m_waypoints.RemoveByName(name);
    bool followedChanged = false;
    const CRoute* followed = FollowedRoute();
    m_routes.ForEach([&](CRoute& route) {
        const int active = route.ActiveIndex();
        if (route.RemoveWaypointName(name)) {
            followedChanged |= &route == followed && route.ActiveIndex() != active;
        }
    });
    if (removed) {
        CancelNavigationIfTargetGone();
    }
    if (followedChanged) {
        Notify();
    }
    Changed();
    return removed;
}

void CNavigationDataBase::CancelNavigationIfTargetGone() {
    const bool goneWaypoint =
        m_mode == NavigationMode::GoTo && m_waypoints.Mark(ListMark::Target) < 0;
    const bool goneRoute = m_mode == NavigationMode::GoAlong && m_routes.Mark(ListMark::Target) < 0;
    if (goneWaypoint || goneRoute) {
        CancelNavigation();
    }
}

void CNavigationDataBase::CancelNavigation() {
    m_mode = NavigationMode::None;
    m_waypoints.SetMark(ListMark::Target, -1);
    m_routes.SetMark(ListMark::Target, -1);
    Notify();
}

void CNavigationDataBase::Notify() {
    if (m_observer != nullptr) {
        m_observer->NavigationChanged();
    }
}

// --- Reading ---------------------------------------------------------------------------

int CNavigationDataBase::Count(NavItemKind kind) const {
    Guard guard(*m_lock);
    return kind == NavItemKind::Waypoint ? m_waypoints.Count() : m_routes.Count();
}

int CNavigationDataBase::CurrentIndex(NavItemKind kind) const {
    Guard guard(*m_lock);
    return kind == NavItemKind::Waypoint ? m_waypoints.Mark(ListMark::Current)
                                         : m_routes.Mark(ListMark::Current);
}

int CNavigationDataBase::LastUsedIndex(NavItemKind kind) const {
    Guard guard(*m_lock);
    return kind == NavItemKind::Waypoint ? m_waypoints.Mark(ListMark::LastUsed)
                                         : m_routes.Mark(ListMark::LastUsed);
}

CWaypoint CNavigationDataBase::Waypoint(int index) const {
    Guard guard(*m_lock);
    return m_waypoints.IsValidIndex(index) ? m_waypoints.At(index) : CWaypoint();
}

CRoute CNavigationDataBase::Route(int index) const {
    Guard guard(*m_lock);
    return m_routes.IsValidIndex(index) ? m_routes.At(index) : CRoute();
}

int CNavigationDataBase::FindWaypoint(std::string_view name) const {
    Guard guard(*m_lock);
    return m_waypoints.Find(name);
}

int CNavigationDataBase::FindRoute(std::string_view name) const {
    Guard guard(*m_lock);
    return m_routes.Find(name);
}

void CNavigationDataBase::ForEachWaypoint(
    const std::function<void(const CWaypoint&)>& visit) const {
    Guard guard(*m_lock);
    m_waypoints.ForEach(visit);
}

void CNavigationDataBase::ForEachRoute(const std::function<void(const CRoute&)>& visit) const {
    Guard guard(*m_lock);
    m_routes.ForEach(visit);
}

std::vector<std::optional<CLatLong>>
CNavigationDataBase::ResolveNames(std::span<const std::string> names) const {
    Guard guard(*m_lock);
    std::vector<std::optional<CLatLong>> positions;
    positions.reserve(names.size());
    for (const std::string& name : names) {
        const CLatLong* position = PositionOf(name);
        positions.push_back(position ? std::optional<CLatLong>(*position) : std::nullopt);
    }
    return positions;
}

const CLatLong* CNavigationDataBase::PositionOf(std::string_view name) const {
    const CWaypoint* waypoint = m_waypoints.FindItem(name);
    return waypoint ? &waypoint->Position() : nullptr;
}

ImportKind CNavigationDataBase::LastImportKind() const {
    Guard guard(*m_lock);
    return m_lastImportKind;
}

void CNavigationDataBase::ResetLastImportKind() {
    Guard guard(*m_lock);
    m_lastImportKind = ImportKind::Nothing;
}

bool CNavigationDataBase::IsSaved() const {
    Guard guard(*m_lock);
    return m_saved;
}

void CNavigationDataBase::MarkSaved() {
    Guard guard(*m_lock);
    m_saved = true;
}

// --- Selection -------------------------------------------------------------------------

bool CNavigationDataBase::Select(NavItemKind kind, int index) {
    Guard guard(*m_lock);
    if (kind == NavItemKind::Waypoint) {
        if (!m_waypoints.IsValidIndex(index)) {
            return false;
        }
        m_waypoints.SetMark(ListMark::Current, index);
        return true;
    }
    if (!m_routes.IsValidIndex(index)) {
        return false;
    }
    if (m_routes.Mark(ListMark::Current) != index) {
        m_rte.Empty(RecordSide::Output); // the next RTE composed starts this route
    }
    m_routes.SetMark(ListMark::Current, index);
    return true;
}

void CNavigationDataBase::SetLastUsed(NavItemKind kind, int index, bool remember) {
    Guard guard(*m_lock);
    if (kind == NavItemKind::Waypoint) {
        m_waypoints.SetMark(ListMark::LastUsed, index);
    } else {
        m_routes.SetMark(ListMark::LastUsed, index);
    }
    if (remember) {
        RememberLastUsed(kind, index);
    }
}

void CNavigationDataBase::RememberLastUsed(NavItemKind kind, int index) {
    m_settings.SetLastUsedIndex(kind, index);
}

void CNavigationDataBase::ApplyRememberedLastUsed() {
    Guard guard(*m_lock);
    if (const auto route = m_settings.LastUsedIndex(NavItemKind::Route);
        route && m_routes.IsValidIndex(*route)) {
        m_routes.SetMark(ListMark::LastUsed, *route);
    }
    if (const auto waypoint = m_settings.LastUsedIndex(NavItemKind::Waypoint);
        waypoint && m_waypoints.IsValidIndex(*waypoint)) {
        m_waypoints.SetMark(ListMark::LastUsed, *waypoint);
    }
}

// --- Sentences and files ---------------------------------------------------------------

bool CNavigationDataBase::Compose(std::string_view mnemonic) {
    Guard guard(*m_lock);
    if (mnemonic == "WPL") {
        const int current = m_waypoints.Mark(ListMark::Current);
        return current >= 0 && ComposeFrom(mnemonic, m_waypoints.At(current).View());
    }
    if (mnemonic == "RTE") {
        // The RTE type keeps its place in the route between calls.
        const int current = m_routes.Mark(ListMark::Current);
        return current >= 0 && ComposeFrom(mnemonic, m_routes.At(current).View());
    }
    return false;
}

std::optional<std::string> CNavigationDataBase::BuildNextSentence(std::string_view mnemonic) {
    Guard guard(*m_lock);
    if (!Compose(mnemonic)) {
        return std::nullopt;
    }
    return Output().Text();
}
