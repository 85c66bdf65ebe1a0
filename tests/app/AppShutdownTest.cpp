// The application object's entries for the command line and the system: --record with a built-in
// GPS that gpsd does not serve, and an end without questions while a dialog is open.
#include "QtTestMain.h"

#include "app/CMainFrame.h"
#include "app/CObrin2App.h"
#include "app/CommandIds.h"
#include "app/QtPrompts.h"
#include "comm/PseudoTerminal.h"
#include "comm/TestLogs.h"
#include "platform/RegistryAccessor.h"
#include "platform/SettingsKeys.h"
#include "support/TestPaths.h"

#include <QDialog>
#include <QTimer>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

class AppShutdownTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void RecordWithASilentGpsdSaysSoInAnErrorBox();
    void AGpsdThatDoesNotAnswerIsWaitedForBehindABusyBox();
    void EndingWithoutQuestionsClosesTheOpenDialogAndKeepsTheRecording();
    void EndingWithoutQuestionsAnswersAnOpenQuestionWithItsDefault();

private:
    void Start(const PlatformPaths& paths);

    std::unique_ptr<testpaths::TempDir> m_dir;
    std::unique_ptr<CObrin2App> m_app;
    std::vector<PromptRequest> m_asked;
};

void AppShutdownTest::init() {
    m_dir = std::make_unique<testpaths::TempDir>();
    m_asked.clear();
}

void AppShutdownTest::cleanup() {
    m_app.reset();
    m_dir.reset();
}

void AppShutdownTest::Start(const PlatformPaths& paths) {
    m_app = std::make_unique<CObrin2App>(paths);
    // Every question is answered No: a question that reached the person would lose the file.
    m_app->Prompts().SetPresenter([this](const PromptRequest& request) {
        m_asked.push_back(request);
        return request.buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Ok;
    });
    QVERIFY(m_app->InitInstance());
    m_app->Frame().show();
    QTRY_VERIFY_WITH_TIMEOUT(m_app->SettingsApplied(), kThreadWaitMs);
}

void AppShutdownTest::RecordWithASilentGpsdSaysSoInAnErrorBox() {
    // A port bound but not listening: a connection to it is refused.
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    PlatformPaths paths = PlatformPaths::Below(m_dir->Path());
    paths.gpsd.port = ntohs(address.sin_port);
    {
        RegistryStore registry(paths, nullptr);
        CRegistryAccessor accessor(registry);
        accessor.SetKey(settings_keys::kCommunication);
        accessor.SetValueName(settings_keys::kUseGPSIntermediateDriver);
        QCOMPARE(accessor.WriteDword(1), 0);
    }
    Start(paths);
    m_app->RecordFromCommandLine();
    QCOMPARE(m_asked.size(), std::size_t{1});
    QCOMPARE(m_asked[0].text,
             "The built-in GPS cannot be read: gpsd does not answer at 127.0.0.1:" +
                 std::to_string(paths.gpsd.port));
    QCOMPARE(m_asked[0].caption, std::string(kCaptionError));
    QVERIFY(m_app->Core().RunningSource() == nullptr);
    close(silent);
}

void AppShutdownTest::AGpsdThatDoesNotAnswerIsWaitedForBehindABusyBox() {
    // Listening, so the connection is accepted, but never greeting: a gpsd that is stuck.
    const int stuck = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(bind(stuck, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    QCOMPARE(listen(stuck, 1), 0);
    socklen_t length = sizeof address;
    getsockname(stuck, reinterpret_cast<sockaddr*>(&address), &length);
    PlatformPaths paths = PlatformPaths::Below(m_dir->Path());
    paths.gpsd.port = ntohs(address.sin_port);
    Start(paths);
    m_app->Core().SerialSource().SetPortName("GPD0:");
    bool boxShown = false;
    m_app->Frame().OnBusyBoxShown([&](QDialog&) { boxShown = true; });
    m_app->Frame().ExecuteCommand(command_ids::kRecordFrom);
    QVERIFY(boxShown);
    QCOMPARE(m_asked.size(), std::size_t{1});
    // gpsd did not greet within its time: the open timed out.
    QCOMPARE(m_asked[0].text.rfind("CreateFile failed, error 110", 0), std::size_t{0});
    QVERIFY(m_app->Core().RunningSource() == nullptr);
    close(stuck);
}

void AppShutdownTest::EndingWithoutQuestionsClosesTheOpenDialogAndKeepsTheRecording() {
    Start(PlatformPaths::Below(m_dir->Path()));
    ApplicationCore& core = m_app->Core();
    PseudoTerminal receiver;
    core.SerialSource().SetPortName(receiver.SlavePath());
    m_app->RecordFromCommandLine();
    QVERIFY(core.RunningSource() != nullptr);
    const std::filesystem::path file = core.RunningSource()->RecordFileName();
    receiver.Write(testlogs::SyntheticDrive(5));
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            std::lock_guard lock(core.TrackLock(kEngineTrack2));
            return core.Document().Track(kEngineTrack2).PointCount() > 0;
        }(),
        kThreadWaitMs);
    // The end arrives while a dialog runs its own event loop.
    int dialogResult = -1;
    QTimer::singleShot(0, &m_app->Frame(), [&] {
        QDialog dialog(&m_app->Frame());
        QTimer::singleShot(0, &dialog, [&] { m_app->ExitWithoutQuestions(); });
        dialogResult = dialog.exec();
    });
    QTRY_VERIFY_WITH_TIMEOUT(dialogResult != -1, kThreadWaitMs);
    QCOMPARE(dialogResult, int(QDialog::Rejected));
    QTRY_VERIFY_WITH_TIMEOUT(core.RunningSource() == nullptr, kThreadWaitMs);
    QVERIFY(std::filesystem::exists(file));
    QVERIFY(m_asked.empty());
}

void AppShutdownTest::EndingWithoutQuestionsAnswersAnOpenQuestionWithItsDefault() {
    Start(PlatformPaths::Below(m_dir->Path()));
    // The keep question of a recording may be on screen when the system ends the program: its
    // default keeps the file, where the box's escape answer would be No.
    PromptRequest keep;
    keep.caption = "Question";
    keep.text = "Do You want to save the currently-recorded Track?";
    keep.buttons = PromptButtons::YesNo;
    std::optional<PromptAnswer> answer;
    QTimer::singleShot(0, &m_app->Frame(), [&] {
        QTimer::singleShot(0, &m_app->Frame(), [&] { m_app->ExitWithoutQuestions(); });
        answer = QtPrompts::ShowMessageBox(&m_app->Frame(), keep);
    });
    QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), kThreadWaitMs);
    QVERIFY(*answer == PromptAnswer::Yes);
}

ZRV_QTEST_MAIN(AppShutdownTest)
#include "AppShutdownTest.moc"
