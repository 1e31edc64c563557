// The two fetch operations through which every byte from the site arrives.
#pragma once

#include "net/headertext.h"
#include "net/networkcontext.h"
#include "os/files.h"
#include "text/text.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

namespace xiuyun {

// A reusable request object (a library handle). Callers in this system never pass one.
class RequestObject;
// A request object to hand to several calls, which then share its connections; null when none can
// be made. Calls through one object take turns.
std::shared_ptr<RequestObject> newRequestObject();

// Where the body of a response goes instead of memory, so that memory stays bounded whatever a
// site sends: an image worker writes each image into its file as it arrives. Called on the thread
// of the request, in the order of the bytes.
class BodySink {
public:
    virtual ~BodySink() = default;
    // The next bytes of the body; false ends the exchange as a failure.
    virtual bool write(std::string_view bytes) = 0;
    // A new response begins (a redirect followed, an interim 1xx): what was written so far is not
    // the body.
    virtual void restart() = 0;
};

// Why an exchange brought back no whole answer. An answer with an error status is an answer: the
// exchange's status tells it.
enum class HttpFailure {
    None,
    NoRequest,   // no request object could be had
    BadAddress,  // no web address, or one the library can't take
    Unreachable, // the name did not resolve, or no connection could be made
    TimedOut,    // connecting, or a wait for the next byte, outlasted its limit
    Stalled,     // fewer bytes moved than the floor on progress asks
    CutShort,    // the connection broke off, or closed before the answer was whole
    TooLarge,    // the body outgrew its cap (MAX_BODY_BYTES unless the call names another)
    SinkRefused, // the body sink would take no more (its file could not be written)
    Other,       // anything else the library reports (TLS, too many redirects, the protocol)
};

// A floor on a request's progress: fewer bytes than bytesPerSecond a second over any window
// gives the request up as a time-out.
struct ProgressFloor {
    long long bytesPerSecond;
    std::chrono::milliseconds window;
};

// The arguments of httpRequest after the address. Every input may be omitted (std::nullopt or
// empty), and an omitted one is told apart from a given one. On return the out fields hold the
// exchange's results, empty and 0 when it failed; when no request object could be had they keep
// what the caller put there.
struct HttpExchange {
    // in
    std::optional<int> method;                  // 0 GET, 1 POST, 2 HEAD; others GET
    std::optional<Text> postText;               // body when postBytes is empty
    std::optional<Text> sendCookies;            // sent as "Cookie"; when given, merged into returnedCookies
    std::optional<bool> noRedirect;             // default false
    std::optional<ByteArray> postBytes;         // body; wins over postText when not empty
    std::optional<Text> proxy;                  // "host:port"; the context's choice when empty
    std::optional<int> timeoutSeconds;          // -1 library's own; < 1 → 15 s; n → n s
    std::optional<ProgressFloor> progressFloor; // the context's floor when omitted
    std::optional<Text> proxyUser;
    std::optional<Text> proxyPassword;
    std::optional<int> proxyAuth; // 1 (default) sends basic proxy credentials
    std::shared_ptr<RequestObject> requestObject;
    std::optional<bool> autoMergeCookies; // default true
    // When given, the body goes only here and httpRequest returns an empty byte array; a failed
    // exchange may leave part of a body in it.
    std::shared_ptr<BodySink> bodySink;
    std::optional<long long> maxBodyBytes; // MAX_BODY_BYTES when omitted
    // in/out: header lines joined by "\r\n"; on return the completed block that was applied
    Text extraHeaders;
    // out
    Text returnedCookies;
    Text responseHeaders;
    int status = 0;
    HttpFailure failure = HttpFailure::None;
    // The length of the body, returned or handed to the sink.
    long long bodyBytes = 0;
};

// A body beyond this ends the exchange as a failure, so a runaway server can't exhaust memory or
// disk. A body is kept as a data file, so both have the one limit.
inline constexpr long long MAX_BODY_BYTES = files::MAX_DATA_FILE_BYTES;

// Connections the shared cache keeps open for the next request: one at least for every image in
// flight at the most threads a download may have, where libcurl's own 5 would close one for nearly
// every image.
inline constexpr int KEPT_CONNECTIONS = 40;

// The floor on progress: once its connection stands, a request that moves fewer bytes than this
// many a second over any PROGRESS_WINDOW is given up as a time-out, so a server that trickles can't
// hold a request for ever while each byte keeps the idle limit away.
inline constexpr long long PROGRESS_FLOOR_BYTES_PER_SECOND = 1024;
inline constexpr std::chrono::milliseconds PROGRESS_WINDOW{30000};

// The limit for resolving, connecting, and every wait for the next byte sent or received: none for
// -1, 15000 ms for other values below 1 and when omitted, n × 1000 ms otherwise. The floor on
// progress holds whatever the limit.
std::optional<long long> requestTimeoutMs(std::optional<int> timeoutSeconds);

ByteArray httpRequest(NetworkContext& network, const Text& url);
ByteArray httpRequest(NetworkContext& network, const Text& url, HttpExchange& exchange);

// A plain HTTP/1.0 GET through the context's proxy, with certificate checks; the bytes received before a
// failure are returned, and why it failed in `failure` when one is given. A body beyond `maxBodyBytes`
// fails.
ByteArray httpReadUrl(NetworkContext& network, const Text& url, HttpFailure* failure = nullptr,
                      long long maxBodyBytes = MAX_BODY_BYTES);

} // namespace xiuyun
