// The two fetch operations over libcurl.
#include "net/httpclient.h"
#include "net/networkcontext.h"
#include "net/progresswindow.h"
#include "net/proxychoice.h"

#include <curl/curl.h>

#include <array>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace xiuyun {

class RequestObject {
public:
    explicit RequestObject(CURL* handle) : m_handle(handle) {}
    ~RequestObject() { curl_easy_cleanup(m_handle); }
    RequestObject(const RequestObject&) = delete;
    RequestObject& operator=(const RequestObject&) = delete;

    CURL* handle() const { return m_handle; }
    std::mutex& turn() { return m_turn; }

private:
    CURL* m_handle;
    std::mutex m_turn;
};

namespace {

constexpr const char* readUrlAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr long readUrlBlockBytes = 102400;
// The plain read waits half a minute at most to connect and for each next byte.
constexpr long long readUrlTimeoutMs = 30000;
constexpr long maxRedirects = 10;

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

class HeaderList {
public:
    HeaderList() = default;
    ~HeaderList() { curl_slist_free_all(m_head); }
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;

    void add(const std::string& line) {
        if (curl_slist* grown = curl_slist_append(m_head, line.c_str()))
            m_head = grown;
    }
    curl_slist* head() const { return m_head; }

private:
    curl_slist* m_head = nullptr;
};

} // namespace

// One pool of connections and resolved names for every request of a program: the image workers
// of a download ask the same host again and again, each on a thread of its own. TLS sessions stay
// with their connection: this libcurl hands one session object to handshakes on several threads,
// and OpenSSL copies it on one while another frees it. A kept connection needs no handshake, so a
// shared session would save one per thread at most.
class NetworkContext::Shared {
public:
    Shared() : m_share(curl_share_init()), m_locks(std::make_unique<Locks>()) {
        if (!m_share)
            return;
        curl_share_setopt(m_share, CURLSHOPT_LOCKFUNC, lock);
        curl_share_setopt(m_share, CURLSHOPT_UNLOCKFUNC, unlock);
        curl_share_setopt(m_share, CURLSHOPT_USERDATA, m_locks.get());
        curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
        curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
    ~Shared() {
        // Every request detaches its handle before it lets go of this, so none is attached by now.
        // Were one still, libcurl answers CURLSHE_IN_USE and keeps the share: then it and its
        // locks are left for good rather than freed under that handle.
        if (m_share && curl_share_cleanup(m_share) == CURLSHE_IN_USE)
            static_cast<void>(m_locks.release());
    }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    CURLSH* share() const { return m_share; }
    std::atomic<bool> reuse{true};
    std::atomic<int> kept{KEPT_CONNECTIONS};
    ProxyChoice proxy;

    ProgressFloor floor() const {
        std::lock_guard lock(m_settingsMutex);
        return m_floor;
    }
    void setFloor(ProgressFloor floor) {
        std::lock_guard lock(m_settingsMutex);
        m_floor = floor;
    }
    std::map<std::string, int> routes() const {
        std::lock_guard lock(m_settingsMutex);
        return m_routes;
    }
    void route(const std::string& host, int port) {
        std::lock_guard lock(m_settingsMutex);
        m_routes[host] = port;
    }
    void clearRoutes() {
        std::lock_guard lock(m_settingsMutex);
        m_routes.clear();
    }
    bool isRouted(const std::string& host, const std::string& hostAndPort) const {
        std::lock_guard lock(m_settingsMutex);
        return m_routes.contains(host) || m_routes.contains(hostAndPort);
    }

private:
    static constexpr std::size_t lockCount = CURL_LOCK_DATA_LAST;
    using Locks = std::array<std::mutex, lockCount>;
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        (*static_cast<Locks*>(user))[index(data)].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* user) {
        (*static_cast<Locks*>(user))[index(data)].unlock();
    }
    static std::size_t index(curl_lock_data data) {
        return static_cast<std::size_t>(data) < lockCount ? static_cast<std::size_t>(data) : 0;
    }

    CURLSH* m_share;
    std::unique_ptr<Locks> m_locks;
    mutable std::mutex m_settingsMutex;
    ProgressFloor m_floor{PROGRESS_FLOOR_BYTES_PER_SECOND, PROGRESS_WINDOW};
    std::map<std::string, int> m_routes;
};

namespace {

void applyLoopbackRoutes(CURL* curl, const NetworkContext::Shared& shared, HeaderList& connectTo) {
    for (const auto& [host, port] : shared.routes()) {
        // "name" matches any port, "name:port" only that one.
        std::string from = host.find(':') == std::string::npos ? host + ":" : host;
        connectTo.add(from + ":127.0.0.1:" + std::to_string(port));
    }
    if (connectTo.head())
        curl_easy_setopt(curl, CURLOPT_CONNECT_TO, connectTo.head());
}

// The proxy of the user's choice, except for a host routed to this machine: the route says where
// it is served, and no proxy could reach it there. Both options are set every time, so that
// libcurl never takes a proxy from the environment on its own.
// Answers whether a proxy may carry the request.
bool applyProxy(CURL* curl, NetworkContext::Shared& shared, std::string_view address) {
    const AddressParts parts = addressParts(address);
    ProxyRoute route;
    if (!shared.isRouted(parts.host, parts.hostAndPort))
        route = shared.proxy.routeFor(parts.scheme, parts.host);
    curl_easy_setopt(curl, CURLOPT_PROXY, route.proxy.c_str());
    curl_easy_setopt(curl, CURLOPT_NOPROXY, route.bypass.c_str());
    return !route.proxy.empty();
}

// A proxy that wants credentials it was not given answers 407, to the request itself or to the
// tunnel's CONNECT: the site was never reached.
bool refusedByProxy(CURL* curl) {
    long status = 0;
    long connectStatus = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(curl, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
    return status == 407 || connectStatus == 407;
}

using Clock = std::chrono::steady_clock;

// What one exchange brought back. Every status line starts a new response (a redirect that is
// followed, an interim 100), so only the last response's headers and body are kept.
struct Received {
    Received(ProgressFloor floor, long long maxBody)
        : maxBodyBytes(maxBody), progress(floor.bytesPerSecond, floor.window) {}

    ByteArray body;
    long long maxBodyBytes;
    // When set, the body goes here instead.
    BodySink* sink = nullptr;
    // The body's length so far, kept or handed on.
    long long bodyBytes = 0;
    int responses = 0;
    std::string headers;
    // The idle limit: the longest wait for the next byte sent or received, none when zero.
    std::chrono::milliseconds idleLimit{0};
    Clock::time_point lastActivity = Clock::now();
    curl_off_t uploaded = 0;
    // Every byte sent or received, headers included: what the floor on progress counts.
    long long moved = 0;
    // The bytes of responses alone.
    long long answered = 0;
    ProgressWindow progress;
    // Why a callback of this exchange ended it, when one did.
    HttpFailure endedBy = HttpFailure::None;

    // Before the request goes again: nothing of the attempt before counts.
    void startOver() {
        body.clear();
        bodyBytes = 0;
        headers.clear();
        lastActivity = Clock::now();
        uploaded = 0;
        moved = 0;
        answered = 0;
        endedBy = HttpFailure::None;
    }
};

std::size_t receiveBody(char* data, std::size_t, std::size_t length, void* user) {
    auto* received = static_cast<Received*>(user);
    received->lastActivity = Clock::now();
    received->moved += static_cast<long long>(length);
    received->answered += static_cast<long long>(length);
    // Any count but `length` makes libcurl end the transfer with an error.
    if (received->bodyBytes + static_cast<long long>(length) > received->maxBodyBytes) {
        received->endedBy = HttpFailure::TooLarge;
        return 0;
    }
    received->bodyBytes += static_cast<long long>(length);
    if (!received->sink) {
        received->body.append(data, length);
        return length;
    }
    bool taken = false;
    // An exception must not cross libcurl's C frames.
    try {
        taken = received->sink->write(std::string_view(data, length));
    } catch (...) {
    }
    if (!taken)
        received->endedBy = HttpFailure::SinkRefused;
    return taken ? length : 0;
}

std::size_t receiveHeader(char* data, std::size_t, std::size_t length, void* user) {
    auto* received = static_cast<Received*>(user);
    received->lastActivity = Clock::now();
    received->moved += static_cast<long long>(length);
    received->answered += static_cast<long long>(length);
    std::string_view line(data, length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (line.starts_with("HTTP/")) {
        received->headers.clear();
        received->body.clear();
        received->bodyBytes = 0;
        if (received->sink && received->responses > 0) {
            try {
                received->sink->restart();
            } catch (...) {
                received->endedBy = HttpFailure::SinkRefused;
                return 0;
            }
        }
        ++received->responses;
    } else if (!line.empty()) {
        received->headers.append(line);
        received->headers.append("\r\n");
    }
    return length;
}

// The idle clock and the floor on progress start once a connection stands (again for each request
// of a redirect), so connecting, which has its own limit, doesn't eat into them.
int connectionReady(void* user, char*, char*, int, int) {
    auto* received = static_cast<Received*>(user);
    received->lastActivity = Clock::now();
    received->progress.start(received->lastActivity, received->moved);
    return CURL_PREREQFUNC_OK;
}

// Called at least once a second while a transfer waits; a non-zero answer ends it.
int checkProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    auto* received = static_cast<Received*>(user);
    Clock::time_point now = Clock::now();
    if (uploaded > received->uploaded) {
        received->moved += uploaded - received->uploaded;
        received->lastActivity = now;
    }
    received->uploaded = uploaded;
    if (received->idleLimit.count() > 0 && now - received->lastActivity > received->idleLimit) {
        received->endedBy = HttpFailure::TimedOut;
        return 1;
    }
    if (received->progress.tooSlow(now, received->moved)) {
        received->endedBy = HttpFailure::Stalled;
        return 1;
    }
    return 0;
}

// libcurl wants an address of ASCII: characters beyond it go as percent-escaped UTF-8, as a
// browser sends them.
std::string wireAddress(const Text& url) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string result;
    for (unsigned char byte : url.toUtf8()) {
        if (byte <= 0x20 || byte >= 0x7F) {
            result += '%';
            result += hex[byte >> 4];
            result += hex[byte & 0x0F];
        } else {
            result += static_cast<char>(byte);
        }
    }
    return result;
}

void setTransferOptions(CURL* curl, const std::string& address, Received& received) {
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // Many threads fetch at once; signals would be process-wide.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, receiveBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, receiveHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &received);
    curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(received.maxBodyBytes));
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, maxRedirects);
}

// Every transfer reports its progress, for the floor on it and for the idle limit.
void watchProgress(CURL* curl, Received& received) {
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, connectionReady);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, &received);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, checkProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &received);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
}

// Resolving and connecting get the limit as a whole; sending and receiving get it as an idle
// limit, so a large image that keeps arriving is not cut off while a silent server is. (libcurl's
// low-speed limit can't stand in: it samples once a wall-clock second over a five-second window.)
void setTimeouts(CURL* curl, long long milliseconds, Received& received) {
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(milliseconds));
    received.idleLimit = std::chrono::milliseconds(milliseconds);
}

void addHeader(HeaderList& list, const Text& name, const Text& value) {
    // A nameless header is refused; "Name;" is how libcurl sends a header with an empty value.
    if (name.empty())
        return;
    list.add(value.empty() ? name.bytes() + ";" : name.bytes() + ": " + value.bytes());
}

// Headers libcurl would add of its own accord; the block alone decides what is sent.
void suppressLibraryHeaders(HeaderList& list) {
    list.add("Accept:");
    list.add("Content-Type:");
    list.add("Expect:");
}

// A kept connection that the server has closed meanwhile can look alive (over TLS its closing
// alert waits unread), and libcurl's own retry takes the next kept one, five times at most: with
// many kept connections gone stale at once, a request can die on them alone, never having had a
// fresh connection.
bool diedOnKeptConnections(CURL* curl, CURLcode result, const Received& received) {
    if (result != CURLE_SEND_ERROR && result != CURLE_RECV_ERROR && result != CURLE_GOT_NOTHING)
        return false;
    long connects = 0;
    curl_easy_getinfo(curl, CURLINFO_NUM_CONNECTS, &connects);
    return connects == 0 && received.answered == 0;
}

bool isHttpsAddress(const Text& url) {
    return url.left(8).upper() == "HTTPS://"_t;
}

// libcurl would guess a scheme for anything else; the request object refuses such an address.
bool isWebAddress(const Text& url) {
    return isHttpsAddress(url) || url.left(7).upper() == "HTTP://"_t;
}

void clearResults(HttpExchange& exchange) {
    exchange.responseHeaders = {};
    exchange.returnedCookies = {};
    exchange.status = 0;
    exchange.failure = HttpFailure::None;
    exchange.bodyBytes = 0;
}

HttpFailure failureOf(CURLcode result, const Received& received) {
    if (received.endedBy != HttpFailure::None)
        return received.endedBy;
    switch (result) {
    case CURLE_OK:
        return HttpFailure::None;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return HttpFailure::BadAddress;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
        return HttpFailure::Unreachable;
    case CURLE_OPERATION_TIMEDOUT:
        return HttpFailure::TimedOut;
    case CURLE_FILESIZE_EXCEEDED:
        return HttpFailure::TooLarge;
    case CURLE_PARTIAL_FILE:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return HttpFailure::CutShort;
    default:
        return HttpFailure::Other;
    }
}

} // namespace

std::shared_ptr<RequestObject> newRequestObject() {
    initialiseCurlOnce();
    CURL* handle = curl_easy_init();
    return handle ? std::make_shared<RequestObject>(handle) : nullptr;
}

std::optional<long long> requestTimeoutMs(std::optional<int> timeoutSeconds) {
    int seconds = timeoutSeconds.value_or(0);
    if (seconds == -1)
        return std::nullopt;
    if (seconds < 1)
        return 15000;
    return seconds * 1000LL;
}

ByteArray httpRequest(NetworkContext& network, const Text& url) {
    HttpExchange exchange;
    return httpRequest(network, url, exchange);
}

ByteArray httpRequest(NetworkContext& network, const Text& url, HttpExchange& exchange) {
    int method = exchange.method.value_or(0);
    if (method < 0 || method > 2)
        method = 0;

    std::shared_ptr<RequestObject> object =
        exchange.requestObject ? exchange.requestObject : newRequestObject();
    if (!object) {
        exchange.failure = HttpFailure::NoRequest;
        return {};
    }
    std::lock_guard turn(object->turn());
    CURL* curl = object->handle();
    // Option pointers of an earlier call through a reused object are gone by now.
    curl_easy_reset(curl);

    const std::shared_ptr<NetworkContext::Shared> shared = network.m_shared;
    Received received(shared->floor(), exchange.maxBodyBytes.value_or(MAX_BODY_BYTES));
    received.sink = exchange.bodySink.get();
    if (exchange.progressFloor)
        received.progress =
            ProgressWindow(exchange.progressFloor->bytesPerSecond, exchange.progressFloor->window);
    HeaderList headers, proxyHeaders, connectTo;
    std::string address = wireAddress(url);
    setTransferOptions(curl, address, received);
    watchProgress(curl, received);
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    const bool sharing = shared->reuse && shared->share();
    if (sharing) {
        curl_easy_setopt(curl, CURLOPT_SHARE, shared->share());
        // The limit of the shared cache is that of the transfer handing a connection back; it
        // counts the connections in use too.
        curl_easy_setopt(curl, CURLOPT_MAXCONNECTS, static_cast<long>(shared->kept.load()));
    }
    applyLoopbackRoutes(curl, *shared, connectTo);

    if (std::optional<long long> milliseconds = requestTimeoutMs(exchange.timeoutSeconds))
        setTimeouts(curl, *milliseconds, received);

    // A proxy the caller names wins over the user's choice.
    Text proxy = exchange.proxy.value_or(Text{});
    bool throughProxy = !proxy.empty();
    if (!throughProxy) {
        throughProxy = applyProxy(curl, *shared, address);
    } else {
        curl_easy_setopt(curl, CURLOPT_PROXY, proxy.data());
        curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
    }
    Text proxyUser = exchange.proxyUser.value_or(Text{});
    if (!proxyUser.empty() && exchange.proxyAuth.value_or(1) == 1) {
        Text credentials = proxyUser + ":"_t + exchange.proxyPassword.value_or(Text{});
        std::string line = "Proxy-Authorization: Basic " + base64Encode(credentials.bytes()).bytes();
        // Through a tunnel the credentials belong to the CONNECT, never to the site behind it.
        if (!proxy.empty() && isHttpsAddress(url))
            proxyHeaders.add(line);
        else
            headers.add(line);
    }

    ByteArray body = exchange.postBytes && !exchange.postBytes->empty()
                         ? *exchange.postBytes
                         : exchange.postText.value_or(Text{}).bytes();
    if (method == 2) {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    } else if (method == 1 || !body.empty()) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
        if (method == 0)
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "GET");
    }

    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, exchange.noRedirect.value_or(false) ? 0L : 1L);
    // Unknown issuer, wrong usage, name mismatch and invalid date are let through; libcurl can only
    // waive the chain check as a whole, so its other faults pass as well.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);

    exchange.extraHeaders = completeHeaderBlock(exchange.extraHeaders, url);
    Text sendCookies = exchange.sendCookies.value_or(Text{});
    if (!sendCookies.empty())
        addHeader(headers, "Cookie"_t, sendCookies);
    for (const Text& line : exchange.extraHeaders.split("\r\n"_t)) {
        if (line.empty())
            continue;
        auto [name, value] = splitHeaderLine(line);
        addHeader(headers, name, value);
    }
    suppressLibraryHeaders(headers);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.head());
    if (proxyHeaders.head())
        curl_easy_setopt(curl, CURLOPT_PROXYHEADER, proxyHeaders.head());

    CURLcode result = isWebAddress(url) ? curl_easy_perform(curl) : CURLE_URL_MALFORMAT;
    if (diedOnKeptConnections(curl, result, received)) {
        received.startOver();
        curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
        result = curl_easy_perform(curl);
    }
    long status = 0;
    if (result == CURLE_OK)
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (throughProxy && refusedByProxy(curl))
        result = CURLE_COULDNT_CONNECT;
    // Leave nothing pointing into this call's lists behind in a reused object, nor the object in
    // the share, which a reset keeps: the share is freed once no handle is in it.
    curl_easy_reset(curl);
    if (sharing)
        curl_easy_setopt(curl, CURLOPT_SHARE, nullptr);
    if (result != CURLE_OK || status == 0) {
        clearResults(exchange);
        exchange.failure = result == CURLE_OK ? HttpFailure::Other : failureOf(result, received);
        return {};
    }
    exchange.failure = HttpFailure::None;

    exchange.responseHeaders = Text::fromGbk(std::move(received.headers))
                                   .replaced("Set-Cookie"_t, "Set-Cookie"_t, CaseMode::IgnoreAscii);
    exchange.status = static_cast<int>(status);
    exchange.bodyBytes = received.bodyBytes;
    exchange.returnedCookies = cookiesOfResponse(exchange.responseHeaders);
    if (exchange.autoMergeCookies.value_or(true) && exchange.sendCookies)
        exchange.returnedCookies = mergeCookies(*exchange.sendCookies, exchange.returnedCookies);
    return std::move(received.body);
}

ByteArray httpReadUrl(NetworkContext& network, const Text& url, HttpFailure* failure,
                      long long maxBodyBytes) {
    initialiseCurlOnce();
    std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        if (failure)
            *failure = HttpFailure::NoRequest;
        return {};
    }

    const std::shared_ptr<NetworkContext::Shared> shared = network.m_shared;
    Received received(shared->floor(), maxBodyBytes);
    HeaderList headers, connectTo;
    std::string address = wireAddress(url);
    setTransferOptions(curl.get(), address, received);
    watchProgress(curl.get(), received);
    applyLoopbackRoutes(curl.get(), *shared, connectTo);
    curl_easy_setopt(curl.get(), CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    const bool throughProxy = applyProxy(curl.get(), *shared, address);
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_BUFFERSIZE, readUrlBlockBytes);
    setTimeouts(curl.get(), readUrlTimeoutMs, received);

    headers.add(readUrlAgentLine);
    headers.add("Accept: */*");
    headers.add("Expect:");
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.head());

    // A transfer that breaks off still hands back what had arrived.
    CURLcode result = isWebAddress(url) ? curl_easy_perform(curl.get()) : CURLE_URL_MALFORMAT;
    if (throughProxy && refusedByProxy(curl.get())) {
        result = CURLE_COULDNT_CONNECT;
        received.body.clear();
    }
    if (failure)
        *failure = failureOf(result, received);
    return std::move(received.body);
}

NetworkContext::NetworkContext() {
    initialiseCurlOnce();
    m_shared = std::make_shared<Shared>();
}

NetworkContext::~NetworkContext() = default;

void NetworkContext::setConnectionReuse(bool reuse) {
    m_shared->reuse = reuse;
}

void NetworkContext::setKeptConnections(int count) {
    m_shared->kept = count;
}

void NetworkContext::setProgressFloor(long long bytesPerSecond, std::chrono::milliseconds window) {
    m_shared->setFloor({bytesPerSecond, window});
}

void NetworkContext::resetProgressFloor() {
    setProgressFloor(PROGRESS_FLOOR_BYTES_PER_SECOND, PROGRESS_WINDOW);
}

void NetworkContext::routeHostToLoopback(const std::string& host, int port) {
    m_shared->route(host, port);
}

void NetworkContext::clearLoopbackRoutes() {
    m_shared->clearRoutes();
}

void NetworkContext::setProxy(const ProxySetting& setting) {
    m_shared->proxy.set(setting);
}

void NetworkContext::setProxyNotices(std::function<void(const std::string&)> sink) {
    m_shared->proxy.setNoticeSink(std::move(sink));
}

} // namespace xiuyun
