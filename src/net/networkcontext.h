// What the requests of one program share: where the site's host is routed, the proxy, the
// connections kept for the next request and the floor on progress. Every request goes through a context; the
// program makes one, and each test a fresh one.
#pragma once

#include "text/text.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace xiuyun {

struct HttpExchange;
struct ProxySetting;
enum class HttpFailure;

class NetworkContext {
public:
    NetworkContext();
    ~NetworkContext();
    NetworkContext(const NetworkContext&) = delete;
    NetworkContext& operator=(const NetworkContext&) = delete;

    // Whether requests keep connections open for the next request to the same host, on whatever
    // thread it comes; on by default. The requests on the wire are the same either way. Off only
    // to measure what reuse is worth.
    void setConnectionReuse(bool reuse);

    // How many connections the shared cache holds, KEPT_CONNECTIONS unless set here; libcurl's
    // own default (5) only to measure what the larger cache is worth.
    void setKeptConnections(int count);

    // The floor on progress of every request: at least `bytesPerSecond` over each `window` once
    // the connection stands. Tests shorten the window so that a trickling server need not take
    // half a minute; reset puts back PROGRESS_FLOOR_BYTES_PER_SECOND over PROGRESS_WINDOW.
    void setProgressFloor(long long bytesPerSecond, std::chrono::milliseconds window);
    void resetProgressFloor();

    // Connections for `host` ("name" for any port, or "name:port") go to 127.0.0.1:`port`
    // instead, whatever the name resolves to; the request itself is unchanged. The tests and the
    // built-in sample gallery of the default build use it to serve the site's own addresses from
    // this machine.
    void routeHostToLoopback(const std::string& host, int port);
    void clearLoopbackRoutes();

    // The proxy of every request but those to a host routed to loopback, which always go straight:
    // the system's setting unless set here (net/proxychoice.h). A setting that can't be parsed is
    // passed over, with one line to `sink` the first time.
    void setProxy(const ProxySetting& setting);
    void setProxyNotices(std::function<void(const std::string&)> sink);

    // Held by the context and by every request under way, so that a request still running when
    // its context goes finishes on what it started with.
    class Shared;

private:
    friend ByteArray httpRequest(NetworkContext& network, const Text& url, HttpExchange& exchange);
    friend ByteArray httpReadUrl(NetworkContext& network, const Text& url, HttpFailure* failure,
                                 long long maxBodyBytes);
    std::shared_ptr<Shared> m_shared;
};

} // namespace xiuyun
