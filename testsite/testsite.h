// The local sample site: an HTTP (or https) server on 127.0.0.1 that answers like the gallery site.
#pragma once

#include "testsite/gallery.h"
#include "text/text.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace xiuyun::testing {

// How the site answers one path.
struct Page {
    enum class Ending {
        Complete,
        CutOff, // announces the whole length, sends half of it and closes the connection
        Silent, // reads the request and never answers, until the site stops
    };

    // The page's bytes before compression. An empty body goes out empty.
    std::string body;
    std::string contentType = "text/html; charset=utf-8";
    int status = 200;
    // The site compresses every page whether or not the client asked for it; false sends the
    // body as it is, without Content-Encoding.
    bool compressed = true;
    // A redirect: the Location header, with status 302 unless `status` is another 3xx.
    std::string location;
    // One Set-Cookie header each, in this order.
    std::vector<std::string> cookies;
    std::vector<std::pair<std::string, std::string>> headers;
    // Waited before the answer.
    std::chrono::milliseconds delay{0};
    // The body goes out in `pieces` parts with `pause` before each part after the first; the
    // first `burst` bytes go out at once as a part of their own, before the others.
    int pieces = 1;
    std::chrono::milliseconds pause{0};
    std::size_t burst = 0;
    Ending ending = Ending::Complete;
    // Instead of `body`: this many filler bytes, made while they are sent (never held), plain.
    std::size_t fillerSize = 0;
    // The body goes out in chunks with no length announced, so the client learns its size only
    // by receiving it. For images and other types cpp-httplib never compresses itself.
    bool unannounced = false;

    // A page of the site from GBK text: sent as UTF-8, gzip-compressed.
    static Page text(const Text& gbkPage);
    // Bytes as they are, gzip-compressed unless told otherwise.
    static Page bytes(std::string body, std::string contentType = "application/octet-stream");
};

struct RecordedRequest {
    std::string method;
    std::string path;   // decoded, without the query
    std::string target; // as on the request line
    std::string version;
    std::string body;
    // Sorted by name, not in the order of the wire; RawListener keeps that order.
    std::vector<std::pair<std::string, std::string>> headers;
    // The client's end of the connection: requests with the same port came over one connection.
    int clientPort = 0;

    // The first value of the header, whatever the case of its name; empty when absent.
    std::string header(std::string_view name) const;
    bool hasHeader(std::string_view name) const;
};

class TestSite {
public:
    enum class Transport { Plain, Tls };

    explicit TestSite(Transport transport = Transport::Plain);
    // False in a build without OpenSSL (Windows): a Tls site then never starts.
    static bool servesTls();
    static constexpr const char* noTlsHere = "this build of the test site has no https";
    ~TestSite();
    TestSite(const TestSite&) = delete;
    TestSite& operator=(const TestSite&) = delete;

    // Before start(): how many requests one connection serves, and how long it may stay idle,
    // before the site closes it; 100 and 1 s unless set. stop() waits out the idle ones.
    void setKeepAlive(int requestsPerConnection, std::chrono::seconds idle);
    // Listens on a free loopback port and serves from a thread of its own; false when it can't.
    bool start();
    // Wakes waiting and silent answers and ends the server. Also done by the destructor.
    void stop();
    int port() const;
    // "http://127.0.0.1:<port>/" (or https).
    std::string loopbackRoot() const;

    // `path` is matched against the request target first (query included), then the path.
    void setPage(const std::string& path, Page page);
    void setTextPage(const std::string& path, const Text& gbkPage);
    void removePage(const std::string& path);
    // Answers the paths no page was set for (called with the path, on the thread answering it);
    // returning nothing gives the site's 404.
    void setFallback(std::function<std::optional<Page>(const std::string& path)> fallback);

    // Counts the requests for paths beginning with `prefix` while they are being answered (their
    // delay included): how many are under way now, and the most there were at once.
    void trackInFlight(const std::string& prefix);
    int inFlight() const;
    int peakInFlight() const;

    // Requests are recorded unless told otherwise (a long-running server need not keep them).
    void setRecording(bool recording);
    // Every request so far, in the order of arrival.
    std::vector<RecordedRequest> requests() const;
    int requestCount(const std::string& path) const;
    void clearRequests();

private:
    class Server;
    std::unique_ptr<Server> m_server;
};

// The gallery's answer for `path` as the site gives it: pages compressed, images as they are (as an
// image host sends them) after `imageDelay`; nothing for a path outside the gallery.
std::optional<Page> galleryPage(const gallery::Gallery& gallery, const std::string& path,
                                std::chrono::milliseconds imageDelay = std::chrono::milliseconds(0));

} // namespace xiuyun::testing
