#pragma once

#include "comm/NavigatorDecoder.h"
#include "navigation/NavigationDataBase.h"
#include "tracks/Track.h"

#include <string>
#include <string_view>

class IClock;
class IPrompts;
class INavigationSettings;

// Engine numbers: which of the document's data an operation acts on.
inline constexpr int kEngineTrack1 = 1; // recorded track, played back
inline constexpr int kEngineTrack2 = 2; // live track, being recorded
inline constexpr int kEngineStore = 3;  // the navigation store

// The application's one document: track 1 (a record file loaded for playback), track 2 (the
// live track of the current recording), the navigator decoder that composes from the
// navigation target, and the navigation store.
//
// The document has no locks of its own. The callers hold the application's lock of the track
// they work on; the store and the navigator decoder take the navigation lock themselves.
class CObrin2Doc {
public:
    CObrin2Doc(IPrompts& prompts, INavigationSettings& navigationSettings,
               NavigationLock& navigationLock, const IClock& clock);
    CObrin2Doc(const CObrin2Doc&) = delete;
    CObrin2Doc& operator=(const CObrin2Doc&) = delete;

    // Track 1 or track 2 (any other number than 1 is track 2).
    CTrack& Track(int engine) { return engine == kEngineTrack1 ? m_track1 : m_track2; }
    const CTrack& Track(int engine) const { return engine == kEngineTrack1 ? m_track1 : m_track2; }
    CNavigationDataBase& Store() { return m_store; }
    const CNavigationDataBase& Store() const { return m_store; }
    CNavigatorDecoder& Navigator() { return m_navigator; }

    // Decodes a line into track 1 or 2 (the caller holds that track's lock; the result is not
    // used), or into the store (engine 3, as a line of the file at `storePath`): true when the
    // store took it.
    bool DecodeLine(int engine, std::string_view text, bool& outOfMemory,
                    const std::string& storePath);

    // A sentence received from a device, offered to the store as a line of the record file
    // at `recordPath`, without asking anything on the receiving thread (a name conflict waits
    // for the store's ResolveWaitingConflicts): true when the store took it.
    bool ReceiveStoreLine(std::string_view text, const std::string& recordPath) {
        return m_store.FeedReceivedLine(text, recordPath);
    }

    // The burst of the point under the cursor of track 1 or 2 (the caller holds its lock).
    std::string ComposeTrackBurst(int engine, bool withSatellitesInView);
    // The burst composed from the navigation target, under the navigation lock.
    std::string ComposeNavigationBurst(bool withSatellitesInView);

private:
    CTrack m_track1;
    CTrack m_track2;
    CNavigationDataBase m_store;
    CNavigatorDecoder m_navigator;
};
