#include "comm/CommEndpoint.h"

#include "comm/ApplicationCore.h"
#include "nmea/ProprietarySentences.h"
#include "nmea/Sentence.h"
#include "platform/DocumentsFolder.h"
#include "platform/Prompts.h"
#include "platform/SystemError.h"

#include <mutex>
#include <vector>

namespace {

constexpr auto kUploadPause = std::chrono::milliseconds(250);

// The lines of a text that are sentences of the mnemonic ("WPL", "RTE"), in order.
std::vector<std::string_view> SentencesOf(std::string_view text, std::string_view mnemonic) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line =
            text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
        text.remove_prefix(line.size());
        if (line.size() > 6 && line[0] == '$' && line.substr(3, 3) == mnemonic) {
            lines.push_back(line);
        }
    }
    return lines;
}

} // namespace

CommEndpoint::CommEndpoint(ISystemCalls& calls) : m_recordFile(calls) {}

CommEndpoint::~CommEndpoint() = default;

void CommEndpoint::SetApplication(ApplicationCore* application) {
    m_application = application;
    IPrompts* prompts = application != nullptr ? &application->Prompts() : nullptr;
    m_sendSlot.SetPrompts(prompts);
    m_receiveSlot.SetPrompts(prompts);
}

bool CommEndpoint::IsRunning() const {
    return m_sendSlot.IsAlive() || m_receiveSlot.IsAlive();
}

void CommEndpoint::PostUploadRequest(std::int32_t route) {
    m_uploadRequestValue = route;
    m_uploadRequest.Set();
}

bool CommEndpoint::PollUploadRequest(std::int32_t& route) {
    if (m_application == nullptr || !m_uploadRequest.Wait(std::chrono::milliseconds(0))) {
        return false;
    }
    route = m_uploadRequestValue.load();
    return true;
}

void CommEndpoint::PostUploadDone(std::int32_t value) {
    m_uploadDoneValue = value;
    m_uploadDone.Set();
}

bool CommEndpoint::WaitUploadDone(std::int32_t& value, std::chrono::milliseconds limit) {
    if (!m_uploadDone.Wait(limit)) {
        return false;
    }
    value = m_uploadDoneValue.exchange(0);
    return true;
}

void CommEndpoint::WriteRecordHeaders(const std::string& source) {
    if (!IsRecordFileOpen()) {
        return;
    }
    WriteRecordLine(ProductVersionLine(), false);
    WriteRecordLine(NoticeLine(), false);
    if (const std::optional<std::string> line = SourceLine(source)) {
        WriteRecordLine(*line, false);
    }
}

void CommEndpoint::WriteRecordLine(std::string_view text, bool mark) {
    if (m_recordFile.Append(text) == RecordFile::Outcome::Written && mark) {
        m_sentenceRecorded = true;
    }
}

bool CommEndpoint::HandOverSentence(std::string_view sentence) {
    CObrin2Doc& document = m_application->Document();
    bool outOfMemory = false;
    const bool taken = document.ReceiveStoreLine(sentence, m_recordPath);
    if (!taken && m_recordFile.IsOpen()) {
        WriteRecordLine(sentence, true);
    }
    {
        std::lock_guard lock(m_application->TrackLock(kEngineTrack2));
        document.DecodeLine(kEngineTrack2, sentence, outOfMemory, {});
    }
    if (outOfMemory) {
        m_application->Prompts().ShowError("Out of memory");
        return false;
    }
    return true;
}

void CommEndpoint::ReportDeviceFailure(const PortFailure& failure, const std::string& context) {
    ReportFailureOnce(FormatSystemError(failure.call, failure.error, context));
}

void CommEndpoint::ReportDeviceFailure(const std::string& message) {
    ReportFailureOnce(message);
}

void CommEndpoint::ReportFailureOnce(const std::optional<std::string>& message) {
    if (m_failureReported.exchange(true)) {
        return;
    }
    m_sendSlot.RequestStop();
    m_receiveSlot.RequestStop();
    ApplicationCore* application = m_application;
    if (message) {
        application->Prompts().ShowError(*message);
    }
    const unsigned run = RunNumber();
    application->View().Post(
        [application, this, run] { application->StopAfterDeviceFailure(*this, run); });
}

int CommEndpoint::UploadRoute(std::int32_t route, WorkerThreadSlot& slot, const WriteBytes& write,
                              const std::string& context) {
    // The sentences are composed under the navigation lock, and sent after it is released:
    // the pauses between them must not hold up everything else that reads the store.
    const std::optional<std::string> text =
        m_application->Document().Store().RouteExportText(route);
    if (!text) {
        PostUploadDone(0);
        return 0;
    }
    // Sends one kind of sentence, one every 250 ms; 0, or the exit code that ends the thread.
    const auto send = [&](std::string_view mnemonic, int writeFailed, int stopped) {
        for (std::string_view sentence : SentencesOf(*text, mnemonic)) {
            if (sentence.size() >= kMaxSentenceLength) {
                continue;
            }
            const SerialPort::WriteResult result = write(sentence);
            if (result.status == SerialPort::Status::Failed) {
                PostUploadDone(0);
                ReportDeviceFailure(result.failure, context);
                return writeFailed;
            }
            if (result.status == SerialPort::Status::Stopped || !slot.KeepRunning() ||
                !slot.SleepUnlessStopped(kUploadPause)) {
                PostUploadDone(0);
                return stopped;
            }
        }
        return 0;
    };
    if (const int code = send("WPL", 8, 9); code != 0) {
        return code;
    }
    if (!slot.SleepUnlessStopped(kUploadPause)) {
        PostUploadDone(0);
        return 9;
    }
    if (const int code = send("RTE", 10, 11); code != 0) {
        return code;
    }
    PostUploadDone(1);
    return 0;
}

bool CommEndpoint::CreateRecordFile() {
    ApplicationCore& application = *m_application;
    const std::optional<std::filesystem::path> folder =
        FindDocumentsFolder(application.Paths(), application.Prompts());
    if (!folder) {
        return false;
    }
    const std::filesystem::path path = *folder / RecordFile::FileName(application.Clock().Now());
    if (m_recordFile.Create(path) != 0) {
        application.Prompts().ShowError("File open for " + path.string() + " failed");
        return false;
    }
    {
        std::lock_guard lock(application.TrackLock(kEngineTrack2));
        application.Document().Track(kEngineTrack2).SetFileName(path.string());
    }
    m_recordPath = path.string();
    m_sentenceRecorded = false;
    m_recordFileFailed = false;
    if (!application.Timers().SetTimer(kTimerKeepAwakeRecording, kKeepAwakePeriodMs)) {
        application.Prompts().ShowError("SetTimer failed");
    }
    return true;
}

std::string CommEndpoint::CloseRecordFile() {
    const std::string path = m_recordFile.Path().string();
    if (path.empty()) {
        return {};
    }
    m_recordFile.Close();
    std::string kept;
    IPrompts& prompts = m_application->Prompts();
    // One report for the whole recording, before the question whether to keep what it holds.
    m_recordFileFailed = m_recordFile.FailureError() != 0;
    if (const std::optional<std::string> failure =
            FormatSystemError(m_recordFile.FailedCall(), m_recordFile.FailureError(), path)) {
        prompts.ShowError(*failure + "\nSentences not written to the record file: " +
                          std::to_string(m_recordFile.UnwrittenSentences()));
    }
    if (m_sentenceRecorded &&
        prompts.AskYesNo("Do You want to save the currently-recorded Track '" + path + "'")) {
        kept = path;
    } else if (const int error = m_recordFile.Delete(); error != 0) {
        ReportSystemError(prompts, "DeleteFile", error, path);
    }
    m_recordFile.ForgetPath();
    m_recordPath.clear();
    m_sentenceRecorded = false;
    return kept;
}

bool CommEndpoint::StartThreads(ThreadProcedure receive, ThreadProcedure send,
                                const char* receiveName, const char* sendName) {
    ApplicationCore* application = m_application;
    if (!m_receiveSlot.Start([receive, application] { return receive(application); })) {
        application->Prompts().ShowError(std::string("AfxBeginThread failed for ") + receiveName);
        return false;
    }
    if (!m_sendSlot.Start([send, application] { return send(application); })) {
        application->Prompts().ShowError(std::string("AfxBeginThread failed for ") + sendName);
        return false;
    }
    return true;
}
