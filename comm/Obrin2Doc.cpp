#include "comm/Obrin2Doc.h"

#include "comm/PlaybackBurst.h"

#include <mutex>

CObrin2Doc::CObrin2Doc(IPrompts& prompts, INavigationSettings& navigationSettings,
                       NavigationLock& navigationLock, const IClock& clock)
    : m_store(prompts, navigationSettings, &navigationLock), m_navigator(m_store, clock) {}

bool CObrin2Doc::DecodeLine(int engine, std::string_view text, bool& outOfMemory,
                            const std::string& storePath) {
    if (engine == kEngineStore) {
        return m_store.FeedLine(text, storePath);
    }
    Track(engine).DecodeLine(text, outOfMemory);
    return false;
}

std::string CObrin2Doc::ComposeTrackBurst(int engine, bool withSatellitesInView) {
    return ComposeBurst(Track(engine), withSatellitesInView);
}

std::string CObrin2Doc::ComposeNavigationBurst(bool withSatellitesInView) {
    std::lock_guard lock(m_store.Lock());
    return ComposeBurst(m_navigator, withSatellitesInView);
}
