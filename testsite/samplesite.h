// The built-in sample gallery of the default build: the sample gallery served by a loopback server
// inside the program, with the site's placeholder host routed to it, so that the program does its
// whole job where no real site can be reached. The requests go through the same HTTP client as
// they would to the real site; only the address the host leads to differs.
#pragma once

#include "net/networkcontext.h"
#include "testsite/gallery.h"

#include <memory>
#include <string>
#include <vector>

namespace xiuyun::sample {

struct SampleAddress {
    std::string description; // UTF-8
    std::string address;     // under SITE_ROOT
};

// The gallery's shape: a few lists of a few pages, albums of a dozen images.
gallery::GalleryOptions sampleGalleryOptions();
// Addresses worth pasting: a category of several pages, a single-page search, the featured list,
// a regional list and one album.
std::vector<SampleAddress> sampleAddresses();

class SampleSite {
public:
    SampleSite();
    ~SampleSite();
    SampleSite(const SampleSite&) = delete;
    SampleSite& operator=(const SampleSite&) = delete;

    // Serves the gallery on a free loopback port; false when no port could be had. Image answers
    // take a few hundred milliseconds, as on a real site, and a few images come out at 10 KB or
    // less the first time they are asked for, whole afterwards.
    bool start();
    // Routes SITE_HOST to the gallery for the requests of `network`.
    void routeInto(NetworkContext& network) const;
    int port() const;
    const gallery::Gallery& gallery() const;

private:
    class Server;
    std::unique_ptr<Server> m_server;
};

} // namespace xiuyun::sample
