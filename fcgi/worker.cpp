#include "fcgi/worker.h"

#include "fcgi/responder.h"
#include "fcgi/workerlink.h"
#include "isapi/extension.h"

#include <fcgiapp.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <thread>
#include <vector>

namespace quillon::fcgi {

namespace {

class LinkObserver : public RequestObserver
{
public:
    LinkObserver(int link, SlotState &state, std::uint32_t slot) : m_link(link), m_state(state), m_slot(slot)
    {
        m_state.output.store(kOutputNobody, std::memory_order_release);
        m_state.ending = false;
        m_state.lineLength.store(0, std::memory_order_release);
        m_state.slot.store(slot, std::memory_order_release);
    }
    void began(const std::string &requestLine) override
    {
        const std::size_t length = std::min(requestLine.size(), sizeof m_state.line);
        std::memcpy(m_state.line, requestLine.data(), length);
        m_state.lineLength.store(static_cast<std::uint32_t>(length), std::memory_order_release);
    }
    void sent() override { claimOutput(m_state); }
    // libfcgi ends the streams next, which writes too, also when nothing was sent.
    void ending() override
    {
        claimOutput(m_state);
        m_state.ending = true;
    }
    void done() { sendMessage(m_link, WorkerMessage{WorkerEvent::Done, m_slot, {}}); }

private:
    int m_link;
    SlotState &m_state;
    std::uint32_t m_slot;
};

} // namespace

void runWorker(const WorkerSettings &settings, int link, SharedSlots &slots)
{
    {
        std::optional<isapi::Extension> extension;
        try {
            extension.emplace(settings.library);
        } catch (const std::exception &e) {
            std::cerr << "quillon-fcgi: " << e.what() << std::endl;
            std::_Exit(2);
        }
        FCGX_Init();
        sendMessage(link, WorkerMessage{WorkerEvent::Ready, 0, {}});
        auto serve = [&](unsigned thread) {
            std::uint32_t slot = 0;
            for (int fd; (fd = receiveJob(link, slot)) >= 0;) {
                LinkObserver observer(link, slots[thread], slot);
                serveConnection(*extension, fd, observer, settings.readTimeoutMs);
                observer.done();
            }
        };
        std::vector<std::thread> more;
        for (unsigned i = 1; i < settings.threads; ++i)
            more.emplace_back(serve, i);
        serve(0);
        for (std::thread &t : more)
            t.join();
    } // TerminateExtension
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace quillon::fcgi
