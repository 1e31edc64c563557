#include "testsite/testsite.h"

#include "testsite/gzip.h"
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
#include "testsite/tlscertificate.h"
#endif

#include <httplib.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string.h>
#include <strings.h>
#include <thread>
#ifndef _WIN32
#include <sys/socket.h>
#endif

namespace xiuyun::testing {

Page Page::text(const Text& gbkPage) {
    return bytes(gbkPage.toUtf8(), "text/html; charset=utf-8");
}

Page Page::bytes(std::string body, std::string contentType) {
    Page page;
    page.body = std::move(body);
    page.contentType = std::move(contentType);
    return page;
}

std::string RecordedRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (key.size() == name.size() && ::strncasecmp(key.data(), name.data(), name.size()) == 0)
            return value;
    }
    return {};
}

bool RecordedRequest::hasHeader(std::string_view name) const {
    return std::any_of(headers.begin(), headers.end(), [&](const auto& header) {
        return header.first.size() == name.size() &&
               ::strncasecmp(header.first.data(), name.data(), name.size()) == 0;
    });
}

namespace {

// cpp-httplib files the connection's addresses among the request headers; they never were on the
// wire.
bool isAddedByServer(const std::string& name) {
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT";
}

// cpp-httplib listens with a backlog of five; the download engine's tests connect from more
// threads than that at once, and a dropped connection attempt is only retried a second later.
template <class Base> class WideBacklogServer : public Base {
public:
    using Base::Base;
    void widenBacklog() { ::listen(this->svr_sock_, 128); }
};

} // namespace

class TestSite::Server {
public:
    explicit Server(Transport transport) : m_transport(transport) {
        if (transport == Transport::Tls) {
            // A build without OpenSSL (Windows) has no https site: start() then fails.
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
            if (m_certificate.valid())
                m_http = std::make_unique<WideBacklogServer<httplib::SSLServer>>(m_certificate.certificate(),
                                                                                 m_certificate.key());
#endif
        } else {
            m_http = std::make_unique<WideBacklogServer<httplib::Server>>();
        }
        if (!m_http || !m_http->is_valid())
            return;
        auto handler = [this](const httplib::Request& request, httplib::Response& response) {
            answer(request, response);
        };
        m_http->Get(".*", handler);
        m_http->Post(".*", handler);
        // Idle connections must not hold up stop(); headers and body must not wait on Nagle.
        m_http->set_keep_alive_timeout(1);
        // As a web server does, many requests may share one connection (the library's own
        // default is five).
        m_http->set_keep_alive_max_count(100);
        m_http->set_tcp_nodelay(true);
        // Silent and slow pages each hold a worker while many downloads run beside them.
        m_http->new_task_queue = [] { return new httplib::ThreadPool(32); };
    }

    ~Server() {
        stop();
    }

    void setKeepAlive(int requestsPerConnection, std::chrono::seconds idle) {
        if (!m_http || m_thread.joinable())
            return;
        m_http->set_keep_alive_max_count(static_cast<std::size_t>(requestsPerConnection));
        m_http->set_keep_alive_timeout(idle.count());
    }

    bool start() {
        if (!m_http || !m_http->is_valid() || m_thread.joinable())
            return false;
        m_port = m_http->bind_to_any_port("127.0.0.1");
        if (m_port <= 0)
            return false;
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
        if (m_transport == Transport::Tls)
            static_cast<WideBacklogServer<httplib::SSLServer>&>(*m_http).widenBacklog();
        else
#endif
            static_cast<WideBacklogServer<httplib::Server>&>(*m_http).widenBacklog();
        m_thread = std::thread([this] { m_http->listen_after_bind(); });
        // stop() only reaches a server that is already running.
        while (!m_http->is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
    }

    void stop() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) {
            m_http->stop();
            m_thread.join();
        }
    }

    int port() const {
        return m_port;
    }
    Transport transport() const {
        return m_transport;
    }

    void setPage(const std::string& path, Page page) {
        std::lock_guard lock(m_mutex);
        m_pages[path] = std::move(page);
    }

    void removePage(const std::string& path) {
        std::lock_guard lock(m_mutex);
        m_pages.erase(path);
    }

    void setRecording(bool recording) {
        std::lock_guard lock(m_mutex);
        m_recording = recording;
    }

    void setFallback(std::function<std::optional<Page>(const std::string&)> fallback) {
        std::lock_guard lock(m_mutex);
        m_fallback = std::move(fallback);
    }

    void trackInFlight(const std::string& prefix) {
        std::lock_guard lock(m_mutex);
        m_trackedPrefix = prefix;
        m_inFlight = 0;
        m_peakInFlight = 0;
    }

    int inFlight() const {
        std::lock_guard lock(m_mutex);
        return m_inFlight;
    }

    int peakInFlight() const {
        std::lock_guard lock(m_mutex);
        return m_peakInFlight;
    }

    std::vector<RecordedRequest> requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

    void clearRequests() {
        std::lock_guard lock(m_mutex);
        m_requests.clear();
    }

private:
    // False when the site stops meanwhile.
    bool waitFor(std::chrono::milliseconds duration) {
        std::unique_lock lock(m_mutex);
        return !m_wake.wait_for(lock, duration, [this] { return m_stopping; });
    }

    void waitUntilStopped() {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_stopping; });
    }

    Page pageFor(const httplib::Request& request) {
        std::function<std::optional<Page>(const std::string&)> fallback;
        {
            std::lock_guard lock(m_mutex);
            RecordedRequest record{request.method,  request.path, request.target,
                                   request.version, request.body, {}};
            for (const auto& header : request.headers)
                if (!isAddedByServer(header.first))
                    record.headers.push_back(header);
            record.clientPort = request.remote_port;
            if (m_recording)
                m_requests.push_back(std::move(record));

            auto found = m_pages.find(request.target);
            if (found == m_pages.end())
                found = m_pages.find(request.path);
            if (found != m_pages.end())
                return found->second;
            fallback = m_fallback;
        }
        // Outside the lock: a fallback may take its time or touch the site's files.
        if (fallback) {
            if (std::optional<Page> page = fallback(request.path))
                return std::move(*page);
        }
        Page missing = Page::text(Text::fromGbk("<html><body>404 Not Found</body></html>"));
        missing.status = 404;
        return missing;
    }

    // Counts one tracked request from its arrival until its handler returns.
    class InFlight {
    public:
        InFlight(Server& server, const std::string& path) : m_server(server) {
            std::lock_guard lock(server.m_mutex);
            m_tracked = !server.m_trackedPrefix.empty() && path.rfind(server.m_trackedPrefix, 0) == 0;
            if (m_tracked)
                server.m_peakInFlight = std::max(server.m_peakInFlight, ++server.m_inFlight);
        }
        ~InFlight() {
            std::lock_guard lock(m_server.m_mutex);
            if (m_tracked)
                --m_server.m_inFlight;
        }

    private:
        Server& m_server;
        bool m_tracked = false;
    };

    void answer(const httplib::Request& request, httplib::Response& response) {
        InFlight inFlight(*this, request.path);
        Page page = pageFor(request);
        if (page.delay.count() > 0 && !waitFor(page.delay))
            return;
        if (page.ending == Page::Ending::Silent) {
            waitUntilStopped();
            return;
        }

        response.status = page.status;
        if (!page.location.empty()) {
            if (page.status < 300 || page.status > 399)
                response.status = 302;
            response.set_header("Location", page.location);
        }
        for (const std::string& cookie : page.cookies)
            response.set_header("Set-Cookie", cookie);
        for (const auto& [name, value] : page.headers)
            response.set_header(name, value);

        auto wire = std::make_shared<std::string>();
        std::size_t length = page.fillerSize;
        if (length == 0) {
            bool compress = page.compressed && !page.body.empty();
            *wire = compress ? gzipCompress(page.body) : page.body;
            if (compress)
                response.set_header("Content-Encoding", "gzip");
            length = wire->size();
        }
        if (length == 0) {
            response.set_content("", page.contentType);
            return;
        }

        if (page.unannounced) {
            response.set_chunked_content_provider(
                page.contentType,
                [wire, length, filler = page.fillerSize > 0](std::size_t offset, httplib::DataSink& sink) {
                    if (offset >= length) {
                        sink.done();
                        return true;
                    }
                    std::size_t count = std::min<std::size_t>(length - offset, 1 << 16);
                    if (filler) {
                        std::string bytes(count, 'x');
                        return sink.write(bytes.data(), bytes.size());
                    }
                    return sink.write(wire->data() + offset, count);
                });
            return;
        }

        // A sized provider: cpp-httplib leaves its bytes alone instead of compressing text again.
        std::size_t cutAt = page.ending == Page::Ending::CutOff ? length / 2 : length;
        std::size_t burst = std::min(page.burst, length);
        int pieces = std::max(page.pieces, 1);
        std::size_t pieceSize = std::max<std::size_t>((length - burst + pieces - 1) / pieces, 1);
        bool filler = page.fillerSize > 0;
        response.set_content_provider(
            length, page.contentType,
            [this, wire, filler, cutAt, burst, pieceSize, pause = page.pause](std::size_t offset, std::size_t,
                                                                              httplib::DataSink& sink) {
                if (offset >= cutAt)
                    return false; // ends the connection short of the announced length
                // Up to the end of the burst or of the current piece; filler goes out in slices of
                // that, so the pause comes only where a piece begins.
                std::size_t partEnd = burst;
                if (offset >= burst) {
                    std::size_t intoPiece = (offset - burst) % pieceSize;
                    if (intoPiece == 0 && offset > 0 && pause.count() > 0 && !waitFor(pause))
                        return false;
                    partEnd = offset - intoPiece + pieceSize;
                }
                std::size_t count = std::min(partEnd, cutAt) - offset;
                if (filler) {
                    std::string bytes(std::min<std::size_t>(count, 1 << 16), 'x');
                    return sink.write(bytes.data(), bytes.size());
                }
                return sink.write(wire->data() + offset, count);
            });
    }

    Transport m_transport;
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
    TlsCertificate m_certificate;
#endif
    std::unique_ptr<httplib::Server> m_http;
    std::thread m_thread;
    int m_port = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::map<std::string, Page> m_pages;
    std::function<std::optional<Page>(const std::string&)> m_fallback;
    std::vector<RecordedRequest> m_requests;
    bool m_recording = true;
    std::string m_trackedPrefix;
    int m_inFlight = 0;
    int m_peakInFlight = 0;
};

bool TestSite::servesTls() {
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
    return true;
#else
    return false;
#endif
}

TestSite::TestSite(Transport transport) : m_server(std::make_unique<Server>(transport)) {}

TestSite::~TestSite() = default;

void TestSite::setKeepAlive(int requestsPerConnection, std::chrono::seconds idle) {
    m_server->setKeepAlive(requestsPerConnection, idle);
}

bool TestSite::start() {
    return m_server->start();
}

void TestSite::stop() {
    m_server->stop();
}

int TestSite::port() const {
    return m_server->port();
}

std::string TestSite::loopbackRoot() const {
    std::string scheme = m_server->transport() == Transport::Tls ? "https" : "http";
    return scheme + "://127.0.0.1:" + std::to_string(port()) + "/";
}

void TestSite::setPage(const std::string& path, Page page) {
    m_server->setPage(path, std::move(page));
}

void TestSite::setTextPage(const std::string& path, const Text& gbkPage) {
    setPage(path, Page::text(gbkPage));
}

void TestSite::removePage(const std::string& path) {
    m_server->removePage(path);
}

void TestSite::setRecording(bool recording) {
    m_server->setRecording(recording);
}

void TestSite::setFallback(std::function<std::optional<Page>(const std::string& path)> fallback) {
    m_server->setFallback(std::move(fallback));
}

void TestSite::trackInFlight(const std::string& prefix) {
    m_server->trackInFlight(prefix);
}

int TestSite::inFlight() const {
    return m_server->inFlight();
}

int TestSite::peakInFlight() const {
    return m_server->peakInFlight();
}

std::vector<RecordedRequest> TestSite::requests() const {
    return m_server->requests();
}

int TestSite::requestCount(const std::string& path) const {
    auto all = requests();
    return static_cast<int>(
        std::count_if(all.begin(), all.end(), [&](const RecordedRequest& r) { return r.path == path; }));
}

void TestSite::clearRequests() {
    m_server->clearRequests();
}

std::optional<Page> galleryPage(const gallery::Gallery& gallery, const std::string& path,
                                std::chrono::milliseconds imageDelay) {
    auto resource = gallery.find(path);
    if (!resource)
        return std::nullopt;
    Page page = Page::bytes(std::move(resource->body), resource->contentType);
    if (path.rfind("/img/", 0) == 0) {
        page.compressed = false;
        page.delay = imageDelay;
    }
    return page;
}

} // namespace xiuyun::testing
