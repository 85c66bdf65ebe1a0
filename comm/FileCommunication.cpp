#include "comm/FileCommunication.h"

#include "platform/Prompts.h"

#include <sys/resource.h>
#include <unistd.h>

void FileCommunication::SetPrompts(IPrompts* prompts) {
    m_prompts = prompts;
    m_slot.SetPrompts(prompts);
}

bool FileCommunication::Start(const std::string& path, const Opener& open, Reader read,
                              Finisher finish) {
    if (m_slot.IsAlive()) {
        return false;
    }
    m_slot.Stop();
    m_path = path;
    if (open() != 0) {
        if (m_prompts != nullptr) {
            m_prompts->ShowError("File open for " + path + " failed");
        }
        return false;
    }
    const bool started = m_slot.Start([this, read = std::move(read), finish = std::move(finish)] {
        // Below normal: a long file must not slow the user interface or a live recording.
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 1);
        const ReadEnd end = read(m_slot);
        if (end != ReadEnd::Stopped) {
            finish(end == ReadEnd::EndOfFile);
        }
        return static_cast<int>(end);
    });
    if (!started && m_prompts != nullptr) {
        m_prompts->ShowError("AfxBeginThread failed for FileCommunication");
    }
    return started;
}
