// The navigation store meets a store file that another program wrote: its changes are taken
// into memory so that the next save keeps them.
#include "navigation/NavigationDataBase.h"

#include "platform/Prompts.h"

#include <map>
#include <set>
#include <vector>

namespace {

using Guard = std::unique_lock<NavigationLock>;

// A file's items are read by a store of their own; a name that the file holds twice keeps its
// first item, as no question is answered Yes.
class DeclineEveryQuestion final : public IPrompts {
public:
    PromptAnswer Show(const PromptRequest&) override { return PromptAnswer::No; }
};

// A file's items by name, and their names in file order.
struct FileItems {
    std::map<std::string, CLatLong> waypoints;
    std::map<std::string, CRoute> routes;
    std::vector<std::string> waypointOrder;
    std::vector<std::string> routeOrder;
};

FileItems ItemsOf(std::string_view text, INavigationSettings& settings) {
    DeclineEveryQuestion prompts;
    CNavigationDataBase reader(prompts, settings);
    reader.FeedContent(text, {});
    FileItems items;
    reader.ForEachWaypoint([&](const CWaypoint& waypoint) {
        items.waypoints[waypoint.Name()] = waypoint.Position();
        items.waypointOrder.push_back(waypoint.Name());
    });
    reader.ForEachRoute([&](const CRoute& route) {
        items.routes[route.Name()] = route;
        items.routeOrder.push_back(route.Name());
    });
    return items;
}

template <typename Value>
const Value* Lookup(const std::map<std::string, Value>& items, const std::string& name) {
    const auto it = items.find(name);
    return it == items.end() ? nullptr : &it->second;
}

// The names of `first` in order, then those only `second` has.
std::vector<std::string> NamesOf(const std::vector<std::string>& first,
                                 const std::vector<std::string>& second) {
    std::vector<std::string> names = first;
    const std::set<std::string> seen(first.begin(), first.end());
    for (const std::string& name : second) {
        if (!seen.contains(name)) {
            names.push_back(name);
        }
    }
    return names;
}

bool SamePosition(const CLatLong* a, const CLatLong* b) {
    return a == nullptr || b == nullptr ? a == b : *a == *b;
}

bool SameRoute(const CRoute* a, const CRoute* b) {
    return a == nullptr || b == nullptr ? a == b : a->SameWaypoints(*b);
}

} // namespace

void CNavigationDataBase::TakeChangesOfOtherProgram(std::string_view before, std::string_view now) {
    const FileItems old = ItemsOf(before, m_settings);
    const FileItems current = ItemsOf(now, m_settings);
    Guard guard(*m_lock);
    // An item that the other program changed (added, moved, removed) takes that change unless
    // this program changed it too: then this program's item stays.
    for (const std::string& name : NamesOf(current.waypointOrder, old.waypointOrder)) {
        const CLatLong* was = Lookup(old.waypoints, name);
        const CLatLong* is = Lookup(current.waypoints, name);
        const CWaypoint* mine = m_waypoints.FindItem(name);
        if (SamePosition(was, is) || !SamePosition(was, mine ? &mine->Position() : nullptr)) {
            continue;
        }
        if (is == nullptr) {
            m_waypoints.RemoveByName(name);
            continue;
        }
        CWaypoint taken(name, *is, m_storePath);
        taken.SetStored(true);
        if (mine == nullptr) {
            m_waypoints.Append(std::move(taken));
        } else {
            m_waypoints.ReplaceAt(m_waypoints.Find(name), std::move(taken));
        }
    }
    for (const std::string& name : NamesOf(current.routeOrder, old.routeOrder)) {
        const CRoute* was = Lookup(old.routes, name);
        const CRoute* is = Lookup(current.routes, name);
        const CRoute* mine = m_routes.FindItem(name);
        if (SameRoute(was, is) || !SameRoute(was, mine)) {
            continue;
        }
        const int index = m_routes.Find(name);
        if (m_mode == NavigationMode::GoAlong && index >= 0 &&
            m_routes.Mark(ListMark::Target) == index) {
            CancelNavigation(); // the followed route is gone or has other waypoints
        }
        if (is == nullptr) {
            m_routes.RemoveByName(name);
            continue;
        }
        CRoute taken = *is;
        taken.SetPlaceToStore(m_storePath);
        taken.SetStored(true);
        if (mine == nullptr) {
            m_routes.Append(std::move(taken));
        } else {
            m_routes.ReplaceAt(index, std::move(taken));
        }
    }
    CancelNavigationIfTargetGone();
    ++m_revision;
}

AddedItems CNavigationDataBase::AddItemsMissingFrom(std::string_view text) {
    const FileItems items = ItemsOf(text, m_settings);
    Guard guard(*m_lock);
    AddedItems added;
    for (const std::string& name : items.waypointOrder) {
        if (!m_waypoints.Contains(name)) {
            AppendWaypoint(CWaypoint(name, items.waypoints.at(name), m_storePath), true);
            ++added.waypoints;
        }
    }
    for (const std::string& name : items.routeOrder) {
        if (!m_routes.Contains(name)) {
            CRoute route = items.routes.at(name);
            route.SetPlaceToStore(m_storePath);
            AppendRoute(std::move(route), true);
            ++added.routes;
        }
    }
    return added;
}
