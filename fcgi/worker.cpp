#include "fcgi/worker.h"

#include "fcgi/responder.h"
#include "fcgi/workerlink.h"
#include "isapi/extension.h"

#include <fcgiapp.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <thread>
#include <vector>

namespace quillon::fcgi {

namespace {

class LinkObserver : public RequestObserver
{
public:
    LinkObserver(int link, std::uint32_t slot) : m_link(link), m_slot(slot) {}
    void began(const std::string &requestLine) override { send(WorkerEvent::Begin, requestLine); }
    void sent() override { send(WorkerEvent::Sent); }
    void ending() override { send(WorkerEvent::Ending); }
    void done() { send(WorkerEvent::Done); }

private:
    void send(WorkerEvent event, const std::string &text = {})
    {
        sendMessage(m_link, WorkerMessage{event, m_slot, text});
    }

    int m_link;
    std::uint32_t m_slot;
};

} // namespace

void runWorker(const WorkerSettings &settings, int link)
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
        auto serve = [&] {
            std::uint32_t slot = 0;
            for (int fd; (fd = receiveJob(link, slot)) >= 0;) {
                LinkObserver observer(link, slot);
                serveConnection(*extension, fd, observer, settings.readTimeoutMs);
                observer.done();
            }
        };
        std::vector<std::thread> more;
        for (unsigned i = 1; i < settings.threads; ++i)
            more.emplace_back(serve);
        serve();
        for (std::thread &t : more)
            t.join();
    } // TerminateExtension
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace quillon::fcgi
