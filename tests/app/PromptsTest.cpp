// Message boxes of the window: their look, and questions and notices from worker threads.
#include "QtTestMain.h"

#include "app/QtPrompts.h"
#include "app/UiThreadCall.h"
#include "comm/WorkerThreadSlot.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <mutex>
#include <thread>

class PromptsTest : public QObject {
    Q_OBJECT
private slots:
    void QuestionBoxHasTextCaptionIconAndDefaultButton();
    void WorkerQuestionIsAnsweredOnTheUserInterfaceThread();
    void WorkerNoticeDoesNotHoldTheThreadTheWindowStops();
    void CancelReleasesAWaitingQuestionWithItsDefault();
    void QuestionOfAThreadTheWindowStopsGetsItsDefault();
};

void PromptsTest::QuestionBoxHasTextCaptionIconAndDefaultButton() {
    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        defaultButton = box->standardButton(box->defaultButton());
        box->button(QMessageBox::Yes)->click();
    });
    const PromptAnswer answer =
        QtPrompts::ShowMessageBox(nullptr, {"Replace 'HOME'?", kCaptionQuestion,
                                            PromptIcon::Exclamation, PromptButtons::YesNo, true});
    QCOMPARE(answer, PromptAnswer::Yes);
    QCOMPARE(text, QStringLiteral("Replace 'HOME'?"));
    QCOMPARE(caption, QStringLiteral("Question"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(defaultButton, QMessageBox::No);
}

void PromptsTest::WorkerQuestionIsAnsweredOnTheUserInterfaceThread() {
    UiThreadCall ui;
    QtPrompts prompts(ui);
    QThread* shownOn = nullptr;
    prompts.SetPresenter([&](const PromptRequest& request) {
        shownOn = QThread::currentThread();
        return request.text == "Keep?" ? PromptAnswer::No : PromptAnswer::Yes;
    });
    std::atomic<bool> done{false};
    bool kept = true;
    std::thread worker([&] {
        kept = prompts.AskYesNo("Keep?");
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), kThreadWaitMs);
    worker.join();
    QVERIFY(!kept);
    QCOMPARE(shownOn, QThread::currentThread());
}

// The window stops a failing thread (and waits for it) while that thread reports the failure:
// a notice must not make the thread wait for the window, or both wait for ever.
void PromptsTest::WorkerNoticeDoesNotHoldTheThreadTheWindowStops() {
    UiThreadCall ui;
    QtPrompts prompts(ui);
    QStringList shown;
    prompts.SetPresenter([&](const PromptRequest& request) {
        shown << QString::fromStdString(request.caption + ": " + request.text);
        return PromptAnswer::Ok;
    });
    std::thread worker([&] { prompts.ShowError("Out of memory"); });
    worker.join(); // the user-interface thread waits without running its loop
    QVERIFY(shown.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(
        shown, QStringList{QStringLiteral("Irreparable Error: Out of memory")}, kThreadWaitMs);
}

void PromptsTest::CancelReleasesAWaitingQuestionWithItsDefault() {
    UiThreadCall ui;
    QtPrompts prompts(ui);
    bool presented = false;
    prompts.SetPresenter([&](const PromptRequest&) {
        presented = true;
        return PromptAnswer::Yes;
    });
    std::atomic<int> answer{-1};
    std::thread worker(
        [&] { answer = prompts.AskYesNo("Replace?", PromptIcon::Exclamation, true) ? 1 : 0; });
    ui.Cancel(); // at shutdown: the window will wait for the worker next
    worker.join();
    QCOMPARE(answer.load(), 0);
    QCoreApplication::processEvents();
    QVERIFY(!presented);
}

// Opening another file stops the reader while its name-conflict question is on its way to the
// window: the window waits for the reader without running its loop, so the reader must give up
// waiting, take the question's default, and the question must never be shown afterwards.
void PromptsTest::QuestionOfAThreadTheWindowStopsGetsItsDefault() {
    UiThreadCall ui;
    QtPrompts prompts(ui);
    bool presented = false;
    prompts.SetPresenter([&](const PromptRequest&) {
        presented = true;
        return PromptAnswer::Yes;
    });
    std::atomic<int> answer{-1};
    WorkerThreadSlot reader;
    QVERIFY(reader.Start([&] {
        answer = prompts.AskYesNo("Replace?", PromptIcon::Exclamation, true) ? 1 : 0;
        return 0;
    }));
    reader.Stop();
    QCOMPARE(answer.load(), 0);
    QCoreApplication::processEvents();
    QVERIFY(!presented);
    QVERIFY(!WorkerThreadSlot::IsCurrentThreadBeingStopped());
}

ZRV_QTEST_MAIN(PromptsTest)
#include "PromptsTest.moc"
