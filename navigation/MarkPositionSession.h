#pragma once

#include "nmea/Coordinates.h"

#include <optional>
#include <string>
#include <vector>

class CNavigationDataBase;
class INavigationSettings;
class IPrompts;

// What the "Mark Position" dialog does with the store, from opening to confirming or
// cancelling: sampling the position each second, averaging, the default waypoint name, and
// the route that collects the waypoints marked on the current track.
class CMarkPositionSession {
public:
    // `averaging` is the "Averaging" setting when the dialog opens. `trackFile` is the file of
    // the active track (the played file, or the record file of the active receiving
    // connection); nothing when no track is active, and then nothing can be stored.
    CMarkPositionSession(CNavigationDataBase& store, INavigationSettings& settings,
                         IPrompts& prompts, bool averaging, std::optional<std::string> trackFile);

    // One timer tick with the source's latest position. The first valid position prepares the
    // names (and the track route); with averaging on a valid position is kept as a sample.
    // Returns whether the confirm button is enabled (the latest position is valid).
    bool Tick(const CLatLong& latest);

    bool Averaging() const { return m_averaging; }
    // "&Averaging": switching off asks first and discards the samples; switching on is
    // immediate, sampling starts with the next tick.
    void ToggleAveraging();
    const std::vector<CLatLong>& Samples() const { return m_samples; }

    // The name the dialog proposes, once a valid position came ("WPL_%04d").
    const std::string& DefaultName() const { return m_defaultName; }
    // The route made for the track by this dialog, while it exists.
    const std::optional<std::string>& TrackRouteName() const { return m_trackRoute; }
    // The route that collects the waypoints marked on the current track, found or made when
    // the names were prepared; the dialog proposes it for "&Add to route:".
    const std::optional<std::string>& RouteOfTrack() const { return m_routeOfTrack; }
    // What confirming stores: the average when averaging is on and there is one, otherwise the
    // latest position.
    std::optional<CLatLong> PositionToStore() const;

    // Stores the waypoint under `name`, adds it to `addToRoute` when given, and keeps the track
    // route only when it got waypoints. The stored waypoint's index; -1 when nothing was stored,
    // and then the user was told why (without a track, without a position, or the name taken).
    int Confirm(const std::string& name, const std::optional<std::string>& addToRoute);
    // Deletes a track route that is still empty and gives back the last used route of the
    // store as it was when the dialog opened.
    void Cancel();

private:
    void PrepareNames();
    void DropEmptyTrackRoute();

    CNavigationDataBase& m_store;
    INavigationSettings& m_settings;
    IPrompts& m_prompts;
    bool m_averaging;
    std::optional<std::string> m_trackFile;
    int m_lastUsedRouteAtOpen;
    bool m_positionValid = false;
    bool m_namesPrepared = false;
    std::optional<CLatLong> m_latest;
    std::vector<CLatLong> m_samples;
    std::string m_defaultName;
    std::optional<std::string> m_trackRoute;
    std::optional<std::string> m_routeOfTrack;
};
