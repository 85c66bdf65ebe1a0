#pragma once

#include "navigation/NamedItemList.h"
#include "navigation/NavigationSettings.h"
#include "navigation/Route.h"
#include "navigation/StoreFile.h"
#include "navigation/Waypoint.h"
#include "nmea/NmeaDecoder.h"
#include "nmea/RteSentence.h"
#include "nmea/WplSentence.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

class IPrompts;

// The navigation lock: guards the store, everything that reads it (route guidance, the
// composing of WPL/RTE) and its decoder. Recursive, so that an owner may hold it around a
// series of the store's operations, each of which takes it as well.
using NavigationLock = std::recursive_mutex;

enum class NavigationMode : int { None = 0, GoTo = 1, GoAlong = 2 };

// What the files read since the last reset delivered.
enum class ImportKind : int {
    Nothing = 0,
    OneWaypoint = 1,
    SeveralWaypoints = 2,
    OneRoute = 3,
    SeveralRoutes = 4,
};

// Told when the navigation target, the mode or the active waypoint of the followed route
// changed, so that the driving views are refreshed. Called with the navigation lock held: post
// the refresh, do not wait for it.
class INavigationObserver {
public:
    virtual ~INavigationObserver() = default;
    virtual void NavigationChanged() = 0;
};

// A waypoint of the navigation target by name, with its position when the name resolves.
struct NamedPoint {
    std::string name;
    std::optional<CLatLong> position;
};

// What route guidance needs from the store for one update.
struct GuidanceTarget {
    NavigationMode mode = NavigationMode::None;
    // Go Along: the followed route and its active row.
    std::string routeName;
    int routeIndex = -1;
    int activeIndex = -1;
    // Go To: the target waypoint. Go Along: the rows before, at and after the active row; a
    // name is empty when the row is outside the route.
    NamedPoint from;
    NamedPoint destination;
    NamedPoint next;
    // Go Along: nautical miles along the legs from the active row to the last one. A row whose
    // name does not resolve is stepped over (its neighbours are joined directly).
    double remainingRoute = 0.0;
};

// What a Go To / Go Along command asks of the window.
struct GuidanceCommandResult {
    // Guidance started: show the route guidance view.
    bool showGuidanceView = false;
    // A followed route was left, or guidance was cancelled: stop the list playback of the
    // output connections.
    bool stopListPlayback = false;
};

// How many items were added.
struct AddedItems {
    int waypoints = 0;
    int routes = 0;
};

// The navigation store: the user's waypoints and routes, the current navigation target, and
// the decoder that takes WPL and RTE sentences from files.
//
// Every operation takes the navigation lock for its whole duration, except that a name
// conflict's questions are asked with this operation's hold on the lock released (a question
// is answered on the user-interface thread, which itself takes the lock for its refreshes).
//
// Indices are array positions. After a removal or a move, every index the store keeps (current
// item, last used item, navigation target) keeps naming the same item, or is cleared when the
// item is gone; a navigation target that is gone cancels navigation.
class CNavigationDataBase final : public CNmeaDecoder, private IStoreTarget {
public:
    static constexpr const char* kStoreFileName = "NaviStor.zrv";
    static constexpr const char* kManOverboardName = "ManOverboard";

    // The lock is the owner's, or the store's own when none is given.
    CNavigationDataBase(IPrompts& prompts, INavigationSettings& settings,
                        NavigationLock* sharedLock = nullptr);

    NavigationLock& Lock() const { return *m_lock; }
    void SetObserver(INavigationObserver* observer);
    // The millisecond tick count that seeds random names (tests fix it).
    void SetTickSource(std::function<std::uint32_t()> ticks);
    // The store file's own path: items read from exactly this file count as saved.
    void SetStorePath(std::string path);
    const std::string& StorePath() const { return m_storePath; }

    // --- Storing -------------------------------------------------------------------------

    // Stores a waypoint (non-empty name) read or made at `placeToStore`. A waypoint of the same
    // name and position moves to the end; one of the same name at another position is kept
    // when `silent`, otherwise the user is asked whether to replace it or to store the new
    // one under a default name. Returns the stored waypoint's index, -1 when nothing was stored.
    int StoreWaypoint(CWaypoint waypoint, bool silent, const std::string& placeToStore);
    // The same for a complete route with a non-empty name; a route of the same name and
    // waypoint names stays as it is (its index is returned), a different one is replaced in
    // place when the user says so.
    int StoreRoute(CRoute route, bool silent, const std::string& placeToStore);

    // Decodes one line of a file with that path (the store's "decode line"); a WPL or RTE
    // sentence that completes a waypoint or route stores it (not silently). True when the line
    // completed one.
    bool FeedLine(std::string_view line, const std::string& path);
    // The same for a sentence received from a device, except that nothing is asked on the
    // receiving thread: a waypoint or route whose name a different one has (or one that waits
    // already) waits for ResolveWaitingConflicts, and the conflict notice is told.
    bool FeedReceivedLine(std::string_view line, const std::string& path);
    // Told, on the receiving thread without the lock, that a received item waits.
    void SetConflictNotice(std::function<void()> notice);
    // Stores the waiting received items in turn, asking the user about each conflict (on the
    // user-interface thread). Returns when none waits; a call made while another one asks
    // returns at once, the other one goes on with what waits.
    void ResolveWaitingConflicts();
    int WaitingConflicts() const;

    // --- Removing ------------------------------------------------------------------------

    bool DeleteItem(NavItemKind kind, int index);
    bool DeleteWaypointByName(std::string_view name);
    // Deletes the waypoint and removes its name from every route.
    bool DeleteWaypointFromSystem(const std::string& name);

    // --- Reading -------------------------------------------------------------------------

    int Count(NavItemKind kind) const;
    int CurrentIndex(NavItemKind kind) const;
    int LastUsedIndex(NavItemKind kind) const;
    // Copies; an empty item for an index out of range.
    CWaypoint Waypoint(int index) const;
    CRoute Route(int index) const;
    int FindWaypoint(std::string_view name) const;
    int FindRoute(std::string_view name) const;
    // Every waypoint or route in array order, under the lock.
    void ForEachWaypoint(const std::function<void(const CWaypoint&)>& visit) const;
    void ForEachRoute(const std::function<void(const CRoute&)>& visit) const;
    // Positions of the waypoints of that name list, resolved in the store (nothing for a name
    // that does not resolve).
    std::vector<std::optional<CLatLong>> ResolveNames(std::span<const std::string> names) const;

    ImportKind LastImportKind() const;
    // Before a file is opened for reading.
    void ResetLastImportKind();
    // Memory equals the store file.
    bool IsSaved() const;
    void MarkSaved();

    // --- Selection and targets -----------------------------------------------------------

    // Sets the current waypoint or route; an index outside the array is refused.
    bool Select(NavItemKind kind, int index);
    // The last used waypoint or route, written to the settings when `remember` (a user's
    // action), kept in memory only otherwise. An index outside the array clears it.
    void SetLastUsed(NavItemKind kind, int index, bool remember);
    // The last used items as the settings name them, when they are valid indices.
    void ApplyRememberedLastUsed();

    NavigationMode Mode() const;
    // The target waypoint (Go To) or followed route (Go Along); -1 without navigation.
    int TargetIndex() const;
    // kind 1: Go To waypoint `index` (a followed route loses its active row); kind 2: Go Along
    // route `index` from its first row; anything else, or an index outside the array, cancels
    // navigation.
    void SetNavigationTarget(int kind, int index);

    // The position the navigator decoder composes from: the target waypoint (Go To), the
    // active waypoint of the followed route (Go Along), or nothing.
    std::optional<CLatLong> NavigationTargetPosition() const;
    GuidanceTarget CurrentGuidanceTarget() const;
    // Automatic advance: when route `routeIndex` is followed with active row `fromRow`, the next
    // row becomes active (refused at the last row). True when it moved.
    bool AdvanceActiveWaypoint(int routeIndex, int fromRow);

    // --- Guidance commands ---------------------------------------------------------------

    // Go To from a waypoint list: remembered as last used; the current Go To target again
    // cancels guidance.
    GuidanceCommandResult GoToWaypoint(int index);
    // Go Along from the route list: remembered as last used; the followed route again cancels
    // guidance.
    GuidanceCommandResult GoAlongRoute(int index);
    // Go To on a row of a route's waypoint list.
    GuidanceCommandResult GoToRouteRow(int routeIndex, int row);
    // The waypoint after the followed route's waypoint nearest to the position becomes active
    // (refused when the nearest is the last). True when the active row changed.
    bool RecalculateRoute(const CLatLong& position);
    // Reverses the route's rows (see CRoute::Invert) and remembers it as last used.
    bool InvertRoute(int index);
    // Stores "ManOverboard" at the position with that place to store and goes to it. The index
    // of the stored waypoint, -1 when nothing was stored.
    int ManOverboard(const CLatLong& position, const std::string& placeToStore);

    // --- Route and waypoint editing ------------------------------------------------------

    // Appends a waypoint name to the first route of that name. The route's index, or nothing
    // when there is no such route. A followed route that thereby gets its first waypoint
    // steers to it.
    std::optional<int> AddWaypointToRoute(std::string_view routeName,
                                          const std::string& waypointName);
    // Exchanges two rows of a route; false when either is not a row.
    bool SwapRouteRows(int routeIndex, int rowA, int rowB);
    // Removes one row of a route (the active row keeps naming the same waypoint).
    bool RemoveRouteRow(int routeIndex, int row);
    // New name and position of a waypoint; another waypoint of the new name is deleted first
    // (the caller has asked), and the routes that named the waypoint name it by its new name.
    bool EditWaypoint(int index, const std::string& name, const CLatLong& position);
    // New name of a route; another route of that name is deleted first (the caller has asked).
    bool RenameRoute(int index, const std::string& name);

    // --- Sentences and files -------------------------------------------------------------

    // The store decoder's composing: the next WPL sentence of the current waypoint, or the next
    // RTE sentence of the current route (one per call; nothing once the route is exhausted,
    // after which it starts again).
    bool Compose(std::string_view mnemonic) override;
    std::optional<std::string> BuildNextSentence(std::string_view mnemonic);

    // The store file's text: header lines, every waypoint, every route.
    std::string StoreFileText() const;
    // The route export file's text; nothing for an index out of range.
    std::optional<std::string> RouteExportText(int routeIndex) const;

    // Feeds every line of a file's bytes (see FeedLine). "Out of memory" is shown when memory
    // runs out; what was read before stays.
    void FeedContent(std::string_view content, const std::string& path);
    // Opens the store file when it is not open yet, reads it into the store and applies the
    // last used items the settings name. A file that another program holds is read and the
    // user is told that changes are saved only if it is free by then. A damaged file (cut
    // short, or a line that does not load) is reported with what was not read, kept aside
    // when the store may be written, and what could be read of it loads, together with the
    // items that only its newest complete copy holds. False, with the file closed, when the
    // file could not be read or a damaged one could not be kept aside.
    bool Load(StoreFile& file);
    // Replaces the store file with the store's text. A store that another program held is
    // taken back first (see TakeStoreBack); when it is still held, the user is told that the
    // changes were not saved. On success every item is stored and the store saved (unless it
    // changed while the file was written), and the settings name the last used items by their
    // indices in the file just written. The text is taken under the navigation lock and
    // written without it, so that a slow disk holds up no reader of the store; saves run one
    // at a time. A failure is reported to the user and returned.
    std::optional<StoreFileError> Save(StoreFile& file);

    // The store file changed from `before` (as it was read) to `now` by another program's
    // save: each item that program added, changed or removed is taken over, except where this
    // program changed the same item since; this program's item stays then.
    void TakeChangesOfOtherProgram(std::string_view before, std::string_view now);
    // Appends, in file order, the items of a store file's text whose names the store does not
    // hold (what only an older copy of a damaged store holds).
    AddedItems AddItemsMissingFrom(std::string_view text);

private:
    // IStoreTarget: what the WPL and RTE types deliver while a line is decoded.
    void ReceiveWaypoint(std::string name, const CLatLong& position) override;
    void ReceiveRoute(RouteKind kind, std::string name,
                      std::vector<std::string> waypointNames) override;

    struct ReceivedWaypoint {
        std::string name;
        CLatLong position;
    };
    using Received = std::variant<std::monostate, ReceivedWaypoint, CRoute>;
    // Decodes a line under the lock; what it completed.
    Received DecodeLocked(std::string_view line);
    // A received item whose name is taken, with the path of the record file it came with.
    struct WaitingItem {
        std::variant<CWaypoint, CRoute> item;
        std::string path;
    };
    bool Waits(const std::string& name, bool waypoint) const;

    // The store file's text; the flags say which items fitted their lines.
    std::string BuildStoreText(std::vector<char>* waypointsWritten,
                               std::vector<char>* routesWritten) const;
    // What a save writes, taken under the lock.
    struct SaveSnapshot {
        std::string text;
        std::vector<char> waypointsWritten;
        std::vector<char> routesWritten;
        std::uint64_t revision = 0;
        int lastUsedWaypoint = -1;
        int lastUsedRoute = -1;
    };
    SaveSnapshot TakeSaveSnapshot() const;
    // A store that another program held: its lock is tried again (waiting a moment for a
    // program that is saving) and, once taken, what that program saved meanwhile is taken in.
    std::optional<StoreFileError> TakeStoreBack(StoreFile& file);
    // After the snapshot's text was written: the items are stored and the store saved when
    // nothing changed since; the settings name the last used items of the file.
    void AfterSaved(const SaveSnapshot& snapshot);
    bool CountsAsSaved(const std::string& placeToStore) const;
    int AppendWaypoint(CWaypoint waypoint, bool fromStore);
    int AppendRoute(CRoute route, bool fromStore);
    // The waypoint stored is the last one.
    void AfterWaypointStored(bool fromStore);
    void AfterRouteStored(int index, bool fromStore);
    std::string TakeDefaultNameLocked(NavItemKind kind);
    void CancelNavigationIfTargetGone();
    void CancelNavigation();
    void StartGoTo(int index);
    void StartGoAlong(int index);
    void Changed() {
        m_saved = false;
        ++m_revision;
    }
    void Notify();
    CRoute* FollowedRoute();
    const CRoute* FollowedRoute() const;
    const CLatLong* PositionOf(std::string_view name) const;
    NamedPoint RouteRow(const CRoute& route, int row) const;
    double RemainingRoute(const CRoute& route) const;
    void RememberLastUsed(NavItemKind kind, int index);

    IPrompts& m_prompts;
    INavigationSettings& m_settings;
    NavigationLock m_ownLock;
    NavigationLock* m_lock;
    INavigationObserver* m_observer = nullptr;
    std::function<std::uint32_t()> m_ticks;
    std::string m_storePath;

    NamedItemList<CWaypoint> m_waypoints;
    NamedItemList<CRoute> m_routes;
    NavigationMode m_mode = NavigationMode::None;
    ImportKind m_lastImportKind = ImportKind::Nothing;
    bool m_saved = true;
    // Counts the changes of the arrays (orders included), so that a save knows whether what
    // it wrote is still what memory holds.
    std::uint64_t m_revision = 0;
    // Taken before the navigation lock, never while holding it.
    std::mutex m_saveLock;

    CWplSentence m_wpl;
    CRteSentence m_rte;
    Received m_received;

    std::deque<WaitingItem> m_waiting;
    bool m_resolving = false;
    std::function<void()> m_conflictNotice;
};
