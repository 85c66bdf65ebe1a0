// The navigation store's files: reading lines into the store, the store file's and the route
// export file's text, and saving.
#include "navigation/NavigationDataBase.h"

#include "navigation/StoreFileFormat.h"
#include "navigation/TextFormat.h"
#include "platform/Prompts.h"
#include "platform/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr const char* kHeldByOther =
    "The navigation store '%1' is used by another program. Its waypoints and routes are shown; "
    "changes are saved only if that program has let it go by then.";
constexpr const char* kNotSavedHeld =
    "The navigation store '%1' is used by another program. The changes were not saved.";
constexpr const char* kNotSavedUnread =
    "The navigation store '%1' could not be read. The changes were not saved.";
constexpr const char* kDamaged = "The navigation store '%1' is damaged: %2.";
constexpr const char* kDamagedKeptAs = " The damaged file was kept as '%1'.";
constexpr const char* kDamagedNotKept =
    " It could not be kept aside, so it was not loaded and changes cannot be saved.";
constexpr const char* kCopyAdded =
    " What could be read was loaded, together with %1 that only its complete copy '%2' holds.";
constexpr const char* kReadableLoaded = " What could be read was loaded.";

// Line numbers named in a message before the rest is only counted.
constexpr std::size_t kLinesNamed = 10;

using Guard = std::unique_lock<NavigationLock>;

void ShowWarning(IPrompts& prompts, const std::string& text) {
    prompts.Show({text, kApplicationName, PromptIcon::Exclamation, PromptButtons::Ok, false});
}

void Report(IPrompts& prompts, const StoreFileError& error) {
    ReportSystemError(prompts, error.call, error.error, error.context);
}

// What of the file was not read: "it ends in the middle of line 12; lines 9, 10 could not be
// read".
std::string DamageText(const StoreTextCheck& check) {
    std::string text;
    if (check.cutLine > 0) {
        text = "it ends in the middle of line " + std::to_string(check.cutLine);
    } else if (check.endMissing) {
        text = "its end is missing, it stops after line " + std::to_string(check.lineCount);
    }
    const std::vector<int>& lines = check.unreadLines;
    if (!lines.empty()) {
        text += text.empty() ? "" : "; ";
        text += lines.size() == 1 ? "line " : "lines ";
        for (std::size_t i = 0; i < lines.size() && i < kLinesNamed; ++i) {
            text += (i == 0 ? "" : ", ") + std::to_string(lines[i]);
        }
        if (lines.size() > kLinesNamed) {
            text += " and " + std::to_string(lines.size() - kLinesNamed) + " more";
        }
        text += " could not be read";
    }
    return text;
}

// "no waypoints", "1 waypoint", "2 waypoints".
std::string CountOf(int count, const char* item) {
    return (count == 0 ? std::string("no") : std::to_string(count)) + " " + item +
           (count == 1 ? "" : "s");
}

// What of a damaged store was not read and, when the store may be written, where the damaged
// file was kept aside first. Nothing when it could not be kept aside: the file is then closed,
// so that no save replaces it, and the user was told.
std::optional<std::string> KeepDamagedStore(IPrompts& prompts, StoreFile& file,
                                            const std::string& content) {
    std::string message =
        FillMessage(kDamaged, file.Path().string(), DamageText(file.LastReadCheck()));
    if (file.CanWrite()) {
        std::filesystem::path keptAs;
        if (const auto error = file.KeepAside(content, keptAs)) {
            file.Close();
            Report(prompts, *error);
            ShowWarning(prompts, message + kDamagedNotKept);
            return std::nullopt;
        }
        message += FillMessage(kDamagedKeptAs, keptAs.string());
    }
    return message;
}

void AppendWaypointLine(std::string& text, CWplSentence& writer, const CWaypoint& waypoint,
                        std::vector<char>* written) {
    CSentence sentence;
    writer.Write(sentence, waypoint.View());
    const bool fits = AppendSentenceLine(text, sentence.Text());
    if (written != nullptr) {
        written->push_back(fits);
    }
}

// Every RTE sentence of the route, or none when one of them does not fit a line: a route with
// a sentence missing could not be read back at all.
void AppendRouteLines(std::string& text, const CRoute& route, std::vector<char>* written) {
    CRteSentence writer;
    CSentence sentence;
    const StoreItemView view = route.View();
    std::string lines;
    bool fits = true;
    while (writer.Write(sentence, view)) {
        fits = fits && AppendSentenceLine(lines, sentence.Text());
    }
    if (fits) {
        text += lines;
    }
    if (written != nullptr) {
        written->push_back(fits);
    }
}

} // namespace

void CNavigationDataBase::FeedContent(std::string_view content, const std::string& path) {
    try {
        {
            // At most one waypoint per line.
            Guard guard(*m_lock);
            const auto lines =
                static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n'));
            m_waypoints.Reserve(static_cast<std::size_t>(m_waypoints.Count()) + lines + 1);
        }
        ForEachFileLine(content, [&](std::string_view line) { FeedLine(line, path); });
    } catch (const std::bad_alloc&) {
        m_prompts.ShowError("Out of memory");
    }
}

bool CNavigationDataBase::Load(StoreFile& file) {
    if (!file.IsOpen()) {
        if (const auto error = file.Open(StoreFile::Access::ReadWrite)) {
            Report(m_prompts, *error);
            return false;
        }
    }
    if (file.IsHeldByOther()) {
        ShowWarning(m_prompts, FillMessage(kHeldByOther, file.Path().string()));
    }
    try {
        std::string content;
        if (const auto error = file.ReadAll(content)) {
            // Closed, so that no save replaces what was not read.
            file.Close();
            Report(m_prompts, *error);
            return false;
        }
        std::optional<std::string> damage;
        if (!file.LastReadCheck().IsSound()) {
            damage = KeepDamagedStore(m_prompts, file, content);
            if (!damage) {
                return false;
            }
        }
        SetStorePath(file.Path().string());
        ResetLastImportKind();
        FeedContent(content, file.Path().string());
        if (damage) {
            // The damaged file is the newer one: its items win, the copy adds what it lost.
            if (const std::optional<StoreCopy> copy = file.NewestCompleteCopy()) {
                const AddedItems added = AddItemsMissingFrom(copy->content);
                *damage += FillMessage(kCopyAdded,
                                       CountOf(added.waypoints, "waypoint") + " and " +
                                           CountOf(added.routes, "route"),
                                       copy->path.string());
            } else {
                *damage += kReadableLoaded;
            }
            ShowWarning(m_prompts, *damage);
            if (file.CanWrite()) {
                Guard guard(*m_lock);
                Changed(); // the file differs from what was loaded until it is saved
            }
        }
    } catch (const std::bad_alloc&) {
        m_prompts.ShowError("Out of memory");
    }
    ApplyRememberedLastUsed();
    return true;
}

std::string CNavigationDataBase::BuildStoreText(std::vector<char>* waypointsWritten,
                                                std::vector<char>* routesWritten) const {
    Guard guard(*m_lock);
    std::string text = StoreFileHeader();
    text.reserve(text.size() + static_cast<std::size_t>(m_waypoints.Count()) * 48);
    CWplSentence writer;
    m_waypoints.ForEach([&](const CWaypoint& waypoint) {
        AppendWaypointLine(text, writer, waypoint, waypointsWritten);
    });
    m_routes.ForEach([&](const CRoute& route) { AppendRouteLines(text, route, routesWritten); });
    text += StoreFileEndLine();
    return text;
}

std::string CNavigationDataBase::StoreFileText() const {
    return BuildStoreText(nullptr, nullptr);
}

std::optional<std::string> CNavigationDataBase::RouteExportText(int routeIndex) const {
    Guard guard(*m_lock);
    if (!m_routes.IsValidIndex(routeIndex)) {
        return std::nullopt;
    }
    const CRoute& route = m_routes.At(routeIndex);
    std::string text = RouteExportHeader();
    CWplSentence writer;
    for (const std::string& name : route.WaypointNames()) {
        if (const CWaypoint* waypoint = m_waypoints.FindItem(name)) {
            AppendWaypointLine(text, writer, *waypoint, nullptr);
        }
    }
    AppendRouteLines(text, route, nullptr);
    return text;
}

CNavigationDataBase::SaveSnapshot CNavigationDataBase::TakeSaveSnapshot() const {
    Guard guard(*m_lock);
    SaveSnapshot snapshot;
    snapshot.text = BuildStoreText(&snapshot.waypointsWritten, &snapshot.routesWritten);
    snapshot.revision = m_revision;
    snapshot.lastUsedWaypoint = m_waypoints.Mark(ListMark::LastUsed);
    snapshot.lastUsedRoute = m_routes.Mark(ListMark::LastUsed);
    return snapshot;
}

void CNavigationDataBase::AfterSaved(const SaveSnapshot& snapshot) {
    {
        Guard guard(*m_lock);
        // A change made while the file was written is saved by the next save; the flags of
        // the snapshot would name the wrong items.
        if (m_revision == snapshot.revision) {
            std::size_t i = 0;
            m_waypoints.ForEach([&](CWaypoint& waypoint) {
                waypoint.SetStored(snapshot.waypointsWritten[i++] != 0);
            });
            i = 0;
            m_routes.ForEach(
                [&](CRoute& route) { route.SetStored(snapshot.routesWritten[i++] != 0); });
            m_saved = true;
        }
    }
    // The indices the settings keep refer to the order of the file just written.
    for (const NavItemKind kind : {NavItemKind::Waypoint, NavItemKind::Route}) {
        const int index =
            kind == NavItemKind::Waypoint ? snapshot.lastUsedWaypoint : snapshot.lastUsedRoute;
        if (index >= 0 || m_settings.LastUsedIndex(kind)) {
            m_settings.SetLastUsedIndex(kind, index);
        }
    }
}

std::optional<StoreFileError> CNavigationDataBase::TakeStoreBack(StoreFile& file) {
    const std::string before = file.KnownContent();
    if (auto error = file.TakeLockAgain()) {
        return error;
    }
    if (!file.CanWrite()) {
        return std::nullopt;
    }
    std::string now;
    if (auto error = file.ReadAll(now)) {
        file.Close(); // no save replaces what was not read
        return error;
    }
    if (now != before) {
        TakeChangesOfOtherProgram(before, now);
    }
    return std::nullopt;
}

std::optional<StoreFileError> CNavigationDataBase::Save(StoreFile& file) {
    std::lock_guard saving(m_saveLock);
    if (file.IsHeldByOther()) {
        if (const auto error = TakeStoreBack(file)) {
            Report(m_prompts, *error);
            return error;
        }
    }
    if (!file.CanWrite()) {
        const char* message = file.IsHeldByOther() ? kNotSavedHeld : kNotSavedUnread;
        ShowWarning(m_prompts, FillMessage(message, file.Path().string()));
        return StoreFileError{"LockFile", file.IsOpen() ? EWOULDBLOCK : EBADF,
                              file.Path().string()};
    }
    std::optional<StoreFileError> failure;
    try {
        const SaveSnapshot snapshot = TakeSaveSnapshot();
        failure = file.Replace(snapshot.text);
        if (!failure) {
            AfterSaved(snapshot);
        }
    } catch (const std::bad_alloc&) {
        m_prompts.ShowError("Out of memory");
        return StoreFileError{"WriteFile", ENOMEM, file.Path().string()};
    }
    if (failure) {
        Report(m_prompts, *failure);
    }
    return failure;
}
